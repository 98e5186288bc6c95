#!/usr/bin/env bash
# `quantaline-cli scan` and `pictures` over H.264 (or HEVC) videos of about SIZE_MIB in each
# container the walk reads (elementary, MP4, Matroska, transport stream), from the page
# cache, against `cat FILE` and ffmpeg's own demultiplexing (`ffmpeg -i FILE -c copy -f
# null -`) of the same file: median wall times and the peak memory of both commands.
#
# The videos are made here: eight seconds of ffmpeg's test pattern in 1080p at 40 Mbit/s
# (x264 with its JVT lists, or x265), copies of it joined up to SIZE_MIB, remuxed by ffmpeg.
# They are written to a temporary folder and removed at the end (never into the repository).
#
#   bench/codec_scan_bench.sh [BUILD_DIR] [RUNS] [SIZE_MIB] [h264|hevc]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-3}
size_mib=${3:-1024}
codec=${4:-h264}
cli="$build/quantaline-cli"

[ -x "$cli" ] || { echo "no $cli: build first" >&2; exit 1; }
command -v ffmpeg >/dev/null || { echo "ffmpeg is missing" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package time)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quantaline-codec-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ "$codec" = hevc ]; then
    encoder=(-c:v libx265 -preset ultrafast -x265-params log-level=error:keyint=25 -f hevc)
else
    encoder=(-c:v libx264 -preset ultrafast -x264-params cqm=jvt:keyint=25 -f h264)
fi
ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 \
    -t 8 -pix_fmt yuv420p -b:v 40M "${encoder[@]}" "$work/part.264"
part_size=$(stat -c %s "$work/part.264")
copies=$(( (size_mib * 1024 * 1024 + part_size - 1) / part_size ))
for _ in $(seq "$copies"); do cat "$work/part.264"; done >"$work/big.264"
ffmpeg -nostdin -hide_banner -loglevel error -y -fflags +genpts -r 25 -i "$work/big.264" \
    -c copy "$work/big.mp4"
ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/big.mp4" -c copy "$work/big.mkv"
ffmpeg -nostdin -hide_banner -loglevel error -y -i "$work/big.mp4" -c copy "$work/big.ts"

# One run under /usr/bin/time: "wall peak_kib", the output thrown away.
measure() {
    /usr/bin/time -o "$work/time" -f '%e %M' "$@" >/dev/null 2>&1 || true
    tail -n 1 "$work/time"
}
median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the runs"
echo "$copies joined copies of 8 s of 1080p $codec, $runs runs each, from the page cache"
printf '  %-10s %12s %8s %8s %9s %14s %10s %13s\n' file bytes cat scan pictures "ffmpeg -c copy" \
    "scan KiB" "pictures KiB"
for file in "$work"/big.264 "$work"/big.mp4 "$work"/big.mkv "$work"/big.ts; do
    cat "$file" >/dev/null
    : >"$work/cat" && : >"$work/scan" && : >"$work/pictures" && : >"$work/ffmpeg"
    for _ in $(seq "$runs"); do
        measure cat "$file" >>"$work/cat"
        measure "$cli" scan "$file" >>"$work/scan"
        measure "$cli" pictures "$file" >>"$work/pictures"
        measure ffmpeg -nostdin -v error -i "$file" -c copy -f null - >>"$work/ffmpeg"
    done
    printf '  %-10s %12s %8s %8s %9s %14s %10s %13s\n' "$(basename "$file")" \
        "$(stat -c %s "$file")" "$(awk '{ print $1 }' "$work/cat" | median)" \
        "$(awk '{ print $1 }' "$work/scan" | median)" \
        "$(awk '{ print $1 }' "$work/pictures" | median)" \
        "$(awk '{ print $1 }' "$work/ffmpeg" | median)" \
        "$(awk '{ print $2 }' "$work/scan" | sort -n | tail -1)" \
        "$(awk '{ print $2 }' "$work/pictures" | sort -n | tail -1)"
done
"$cli" scan "$work/big.ts" | sed -n '3,4p'
