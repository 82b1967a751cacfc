#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the fuzz targets of a fuzz build one after another, each for a bounded time, and fails
# when any of them found something (a crash, a sanitizer report, a broken promise, a hang or
# a runaway allocation).
#
#   scripts/fuzz.sh BUILD_DIR SECONDS [fuzz_target ...]
#
# FUZZ_JOBS targets run side by side (default: the number of cores).
#
# Each target starts from its committed seeds (fuzz/corpus/<name>) plus whatever earlier runs
# found in BUILD_DIR/fuzz-corpus/<name>, and uses fuzz/dict/<name>.dict when there is one.
# A finding is written to BUILD_DIR/fuzz-findings/<name>-crash-… and reproduces with
#   BUILD_DIR/fuzz/fuzz_<name> BUILD_DIR/fuzz-findings/<name>-crash-…
set -u

if [ $# -lt 2 ]; then
    echo "usage: $0 BUILD_DIR SECONDS [fuzz_target ...]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
seconds=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)

targets="$*"
if [ -z "$targets" ]; then
    for candidate in "$build"/fuzz/fuzz_*; do
        if [ -f "$candidate" ] && [ -x "$candidate" ]; then
            targets="$targets ${candidate##*/}"
        fi
    done
fi
if [ -z "$targets" ]; then
    echo "no fuzz targets in $build/fuzz" >&2
    exit 2
fi

# Symbolised reports when the symbolizer is installed; leaks count as findings.
for candidate in /usr/lib/llvm-14/bin/llvm-symbolizer "$(command -v llvm-symbolizer 2>/dev/null)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        ASAN_SYMBOLIZER_PATH=$candidate
        export ASAN_SYMBOLIZER_PATH
        break
    fi
done
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
# The readers under test never look at the user's own files.
export XDG_DATA_HOME="$build/fuzz-home/share" XDG_CONFIG_HOME="$build/fuzz-home/config"

mkdir -p "$build/fuzz-findings" "$build/fuzz-logs" "$build/fuzz-status"
rm -f "$build"/fuzz-status/*

# One target for the bounded time; its verdict goes to fuzz-status/<target>.
run_target() {
    local target=$1 name=${1#fuzz_}
    local binary="$build/fuzz/$target"
    local status="$build/fuzz-status/$target"
    if [ ! -x "$binary" ]; then
        echo "$target: not built" >&2
        echo failed >"$status"
        return
    fi
    local work="$build/fuzz-corpus/$name" seeds="$root/fuzz/corpus/$name"
    mkdir -p "$work" "$seeds"
    local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048
        -artifact_prefix="$build/fuzz-findings/$name-" -print_final_stats=1)
    if [ -f "$root/fuzz/dict/$name.dict" ]; then
        args+=(-dict="$root/fuzz/dict/$name.dict")
    fi
    local log="$build/fuzz-logs/$name.log"
    if "$binary" "${args[@]}" "$work" "$seeds" >"$log" 2>&1; then
        local runs edges
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        edges=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' "$log" | tail -n 1)
        echo "$target: ok (${runs:-?} runs in ${seconds}s, ${edges:-?} edges)"
        echo ok >"$status"
    else
        echo "$target: FAILED — log $log" >&2
        tail -n 60 "$log" >&2
        echo failed >"$status"
    fi
}

jobs=${FUZZ_JOBS:-$(nproc 2>/dev/null || echo 1)}
running=0
for target in $targets; do
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
    run_target "$target" &
    running=$((running + 1))
done
wait

failed=""
for target in $targets; do
    if [ "$(cat "$build/fuzz-status/$target" 2>/dev/null)" != ok ]; then
        failed="$failed $target"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzz findings in:$failed (inputs in $build/fuzz-findings)" >&2
    exit 1
fi
