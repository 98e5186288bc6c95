#!/usr/bin/env bash
# Times `quantaline-cli info --json` against `mediainfo --Output=JSON` on the same
# files, from the page cache: all the test streams in one process, then one DVD VOB
# alone. Prints the wall times, the ratios and the peak resident memory.
#
#   bench/cli_vs_peers.sh [BUILD_DIR] [RUNS]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-20}
cli="$build/quantaline-cli"
vob="$top/tests/data/sample-dvd.vob"
mapfile -t streams < <(ls "$top"/tests/data/*.m1v "$top"/tests/data/*.m2v \
    "$top"/tests/data/*.mpg "$top"/tests/data/*.vob)

[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v mediainfo >/dev/null || { echo "mediainfo is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }

# Page cache first.
cat "${streams[@]}" >/dev/null

# Median wall time in milliseconds of RUNS runs of a command.
median_ms() {

    local times=()
    for _ in $(seq "$runs"); do
        # EPOCHREALTIME: no extra process inside the measured span.
        local start=${EPOCHREALTIME/[.,]/} end
        "$@" >/dev/null 2>&1 || true
        end=${EPOCHREALTIME/[.,]/}
        times+=($((end - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END {
        m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.2f", m / 1000 }'
}

# Peak resident memory in KiB of one run.
peak_kib() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $runs runs each, median"
echo

q_batch=$(median_ms "$cli" info --json "${streams[@]}")
m_batch=$(median_ms mediainfo --Output=JSON "${streams[@]}")
echo "Batch of ${#streams[@]} streams in one process:"
printf '  %-40s %8s ms  %6s KiB peak\n' "quantaline-cli info --json" "$q_batch" \
    "$(peak_kib "$cli" info --json "${streams[@]}")"
printf '  %-40s %8s ms  %6s KiB peak\n' "mediainfo --Output=JSON" "$m_batch" \
    "$(peak_kib mediainfo --Output=JSON "${streams[@]}")"
echo "  ratio: quantaline-cli is $(ratio "$m_batch" "$q_batch") times faster"
echo

q_one=$(median_ms "$cli" info --json "$vob")
m_one=$(median_ms mediainfo --Output=JSON "$vob")
echo "One DVD VOB ($(basename "$vob")), the whole process:"
printf '  %-40s %8s ms  %6s KiB peak\n' "quantaline-cli info --json" "$q_one" \
    "$(peak_kib "$cli" info --json "$vob")"
printf '  %-40s %8s ms  %6s KiB peak\n' "mediainfo --Output=JSON" "$m_one" \
    "$(peak_kib mediainfo --Output=JSON "$vob")"
echo "  ratio: quantaline-cli is $(ratio "$m_one" "$q_one") times faster"
