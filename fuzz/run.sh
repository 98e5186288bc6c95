#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 30) on a
# copy of its seed corpus. Any crash, leak or sanitizer report fails the run.
set -euo pipefail
seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$here/../build-fuzz}
CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
# One target a core: each still runs its SECONDS alone on its core.
jobs=$(nproc)
run_target() {
    local target=$1 name seeds work
    name=$(basename "$target")
    seeds="$here/corpus/${name%_fuzz}"
    work=$(mktemp -d)
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
    local report="== $name for ${seconds}s ($(ls "$work" | wc -l) seeds)"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work" 2>"$work.log"; then
        printf '%s\n%s\n' "$report" "$(tail -n 60 "$work.log")"
        rm -rf "$work" "$work.log"
        return 1
    fi
    printf '%s\n%s\n' "$report" \
        "$(grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work.log" || true)"
    rm -rf "$work" "$work.log"
}
status=0
pids=()
for target in "$build"/*_fuzz; do
    run_target "$target" >"$build/$(basename "$target").out" 2>&1 &
    pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
        wait "${pids[0]}" || status=1
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do
    wait "$pid" || status=1
done
cat "$build"/*_fuzz.out
exit $status
