#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the simulated market and Kestrum pointed at it, with a throw-away data directory
# and a seeded watchlist. The market trades an accelerated day whatever the hour.
#
#   scripts/demo.sh [BUILD_DIR]      (normally through `make demo`)
#   KESTRUM_DEMO_RATE=30 make demo   (simulated seconds per real second, default 20)
set -euo pipefail

build=${1:-build}
rate=${KESTRUM_DEMO_RATE:-20}
sim="$build/src/kestrum-sim"
app="$build/src/kestrum"
[ -x "$sim" ] && [ -x "$app" ] || { echo "demo: build first (make build)" >&2; exit 1; }

work=$(mktemp -d -t kestrum-demo.XXXXXX)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT INT TERM

mkdir -p "$work/data" "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
cat > "$work/data/watchlist.json" <<'JSON'
[
  {"symbol": "sh600519", "name": "贵州茅台", "market": "沪市"},
  {"symbol": "sz300750", "name": "宁德时代", "market": "深市"},
  {"symbol": "sz000001", "name": "平安银行", "market": "深市"},
  {"symbol": "sh688981", "name": "中芯国际", "market": "沪市"},
  {"symbol": "sz002491", "name": "通鼎互联", "market": "深市"},
  {"symbol": "bj830799", "name": "艾融软件", "market": "北交"},
  {"symbol": "hk00700", "name": "腾讯控股", "market": "港股"},
  {"symbol": "hk09988", "name": "阿里巴巴-W", "market": "港股"},
  {"symbol": "gb_aapl", "name": "AAPL", "market": "美股"},
  {"symbol": "gb_nvda", "name": "NVDA", "market": "美股"}
]
JSON

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    headless=1
fi

# The simulated day starts at today's (or the last weekday's) 09:25 in Shanghai, so the
# open is part of the show; a headless run starts mid-morning, when there is a day to draw.
start=09:25:00
[ "$headless" = 1 ] && start=10:40:00
day=$(TZ=Asia/Shanghai date +%F)
while [ "$(TZ=Asia/Shanghai date -d "$day" +%u)" -gt 5 ]; do day=$(date -d "$day -1 day" +%F); done
export KESTRUM_CLOCK="$(date +%s%3N),${day}T${start}+08:00,$rate"

"$sim" --port 0 > "$work/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 1 50); do
    grep -q 'listening on' "$work/sim.log" 2>/dev/null && break
    sleep 0.1
done
url=$(sed -n 's/.*listening on \(http[^ ]*\).*/\1/p' "$work/sim.log")
[ -n "$url" ] || { echo "demo: the simulated market did not start" >&2; cat "$work/sim.log" >&2; exit 1; }
echo "Simulated market at $url, trading $day from $start at ${rate}x."
echo "Data directory (deleted on exit): $work/data"

export KESTRUM_MARKET_URL="$url"
export KESTRUM_DATA_DIR="$work/data"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"

if [ "$headless" = 1 ]; then
    # No desktop session: let the market trade a little, then draw what Kestrum shows.
    out="$PWD/kestrum-demo-exports"
    echo "demo: no display here (DISPLAY and WAYLAND_DISPLAY are unset);"
    echo "demo: rendering Kestrum's surfaces after a few refreshes instead."
    "$app" --export-live "$out" --refreshes 4
    echo "demo: open the PNG files in $out to see them."
    exit 0
fi
"$app"
