#!/usr/bin/env bash
# `quantaline-cli pictures --format csv` on a large DVD-like VOB from the page cache,
# against `cat FILE > /dev/null` on the same file, side by side: median wall times, the
# ratio, and the peak resident memory of pictures against its budget of 16 MiB plus
# 64 bytes a picture.
#
# The VOB is made here: twenty seconds of ffmpeg's test pattern encoded as a PAL DVD would be
# (MPEG-2 720x576, two B pictures between the reference pictures, AC-3 sound), then copies
# of it joined up to SIZE_MIB, as a DVD's VTS_01_1.VOB, VTS_01_2.VOB ... are. It is written
# to a temporary folder and removed at the end (never into the repository).
#
#   bench/pictures_bench.sh [BUILD_DIR] [RUNS] [SIZE_MIB]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
size_mib=${3:-2048}
cli="$build/quantaline-cli"

[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quantaline-pictures-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
part="$work/part.vob"
vob="$work/large.vob"

ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 20 -target pal-dvd -bf 2 -g 12 -b:v 6000k -maxrate 9000k "$part"
part_size=$(stat -c %s "$part")
copies=$(( (size_mib * 1024 * 1024 + part_size - 1) / part_size ))
for _ in $(seq "$copies"); do cat "$part"; done >"$vob"
bytes=$(stat -c %s "$vob")

# Page cache first.
cat "$vob" >/dev/null
cat "$vob" >/dev/null

# Median wall time in seconds of RUNS runs of a command, its output thrown away.
median_s() {
    local times=()
    for _ in $(seq "$runs"); do
        local start=${EPOCHREALTIME/[.,]/} end
        "$@" >/dev/null 2>&1 || true
        end=${EPOCHREALTIME/[.,]/}
        times+=($((end - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END {
        m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.3f", m / 1e6 }'
}

# Peak resident memory in KiB of one run.
peak_kib() {
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }'
}

pictures=$(( $("$cli" pictures --format csv "$vob" | wc -l) - 1 ))
echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the runs"
echo "File: $copies joined copies of 20 s of PAL DVD video, $bytes bytes, $pictures pictures"
echo "$runs runs each, median, from the page cache"
echo

t_cat=$(median_s cat "$vob")
t_pictures=$(median_s "$cli" pictures --format csv "$vob")
m_cat=$(peak_kib cat "$vob")
m_pictures=$(peak_kib "$cli" pictures --format csv "$vob")
budget_kib=$(( 16 * 1024 + pictures * 64 / 1024 ))

printf '  %-40s %8s s  %8s KiB peak\n' "cat" "$t_cat" "$m_cat"
printf '  %-40s %8s s  %8s KiB peak\n' "quantaline-cli pictures --format csv" "$t_pictures" \
    "$m_pictures"
echo
awk -v p="$t_pictures" -v c="$t_cat" 'BEGIN { printf "  pictures / cat = %.2f (target: at most 4)\n", p / c }'
echo "  peak memory $m_pictures KiB, budget 16 MiB + 64 B x $pictures pictures = $budget_kib KiB"
echo "  load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
