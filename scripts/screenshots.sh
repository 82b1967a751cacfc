#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the README's pictures with the snapshot export: the popover, the first stock's
# detail page and the desktop window, as PNG files at 2x (the export draws popovers at 4x).
# Positions and price alerts are the user's own, so the export has none; their pictures are
# the golden-image test's references (`make golden-accept` renders them anew).
#
#   scripts/screenshots.sh [BUILD_DIR] [OUT_DIR]      (normally through `make screenshots`)
set -euo pipefail

build=${1:-build}
out=${2:-docs/images}
golden="$(cd "$(dirname "$0")/.." && pwd)/tests/golden"
app="$build/src/kestrum"
[ -x "$app" ] || { echo "screenshots: build first (make build)" >&2; exit 1; }
cmake --build "$build" --target kestrum-scale-image >/dev/null
scale="$build/src/kestrum-scale-image"

work=$(mktemp -d -t kestrum-screenshots.XXXXXX)
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen "$app" --export-views "$work" >/dev/null

mkdir -p "$out"
"$scale" "$work/overview@4x.png" "$out/popover.png" 0.5
"$scale" "$work/detail-sz002460@4x.png" "$out/detail.png" 0.5
cp "$work/desktop-overview@2x.png" "$out/desktop.png"
cp "$golden/overview-holdings.png" "$out/holdings.png"
cp "$golden/holding-editor.png" "$out/holding-editor.png"
ls -l "$out"
