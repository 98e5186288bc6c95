#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default 30) on a
# copy of its seed corpus. Any crash, leak or sanitizer report fails the run.
set -euo pipefail
seconds=${1:-30}
here=$(cd "$(dirname "$0")" && pwd)
build=${FUZZ_BUILD_DIR:-$here/../build-fuzz}
CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"
status=0
for target in "$build"/*_fuzz; do
    name=$(basename "$target")
    seeds="$here/corpus/${name%_fuzz}"
    work=$(mktemp -d)
    [ -d "$seeds" ] && cp -r "$seeds"/. "$work"/
    echo "== $name for ${seconds}s ($(ls "$work" | wc -l) seeds)"
    if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work" 2>"$work.log"; then
        status=1
        tail -n 60 "$work.log"
    else
        grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$work.log" || true
    fi
    rm -rf "$work" "$work.log"
done
exit $status
