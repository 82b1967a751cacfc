#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source, script and build file names its license in an SPDX line at its top.
#
#   scripts/spdx.sh         list the files without one; fails when there are any (the suite)
#   scripts/spdx.sh --add   give them one
set -euo pipefail
cd "$(dirname "$0")/.."

line='SPDX-License-Identifier: GPL-3.0-or-later'
# One awk over every file, reading at most three lines of each (file names hold no newline).
mapfile -t missing < <(find . \( -path ./.git -o -path './build*' -o -path ./fuzz/corpus -o -path ./fuzz/dict \) -prune \
    -o -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.sh' -o -name '*.cmake' \
    -o -name CMakeLists.txt -o -name Makefile -o -path ./.ci/run \) -print0 | sort -z |
    xargs -0 awk 'FNR == 1 && NR > 1 && !found { print name }
                  FNR == 1 { name = FILENAME; found = 0 }
                  /SPDX-License-Identifier:/ { found = 1 }
                  FNR == 3 { nextfile }
                  END { if (NR > 0 && !found) print name }')

if [ "${1:-}" != --add ]; then
    [ ${#missing[@]} -eq 0 ] && exit 0
    printf 'no SPDX line: %s\n' "${missing[@]}" >&2
    exit 1
fi
for file in "${missing[@]}"; do
    case "$file" in
        *.cpp|*.h) comment="// $line" ;;
        *) comment="# $line" ;;
    esac
    if head -n 1 "$file" | grep -q '^#!'; then
        sed -i "1a $comment" "$file"
    else
        sed -i "1i $comment" "$file"
    fi
done
