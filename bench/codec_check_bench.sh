#!/usr/bin/env bash
# `quantaline-cli check` on a large 1080p H.264 stream from the page cache, against
# `cat FILE > /dev/null` on the same file: median wall times, their ratio (the target is
# at most 3) and check's peak resident memory.
#
# The stream is made here: twenty seconds of ffmpeg's test pattern, with grain enough that
# the slices rather than filler carry the rate, encoded by x264 at
# 1920x1080, 25 fps, with a constant-rate NAL HRD of 40 Mbit/s (its buffering period and
# picture timing SEI, filler data keeping the rate), then copies of it joined up to
# SIZE_MIB, each join a splice the check reads through. It is written to a temporary folder
# and removed at the end (never into the repository).
#
#   bench/codec_check_bench.sh [BUILD_DIR] [RUNS] [SIZE_MIB]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
runs=${2:-5}
size_mib=${3:-1024}
cli="$build/quantaline-cli"

work_name=quantaline-codec-check-bench
. "$top/bench/common.sh"
part="$work/part.264"
stream="$work/large.264"

ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1920x1080:rate=25 \
    -vf noise=alls=12:allf=t \
    -t 20 -pix_fmt yuv420p -c:v libx264 -preset ultrafast \
    -x264-params "nal-hrd=cbr:vbv-maxrate=40000:vbv-bufsize=30000:bitrate=40000:keyint=25" \
    -f h264 "$part"
part_size=$(stat -c %s "$part")
copies=$(( (size_mib * 1024 * 1024 + part_size - 1) / part_size ))
for _ in $(seq "$copies"); do cat "$part"; done >"$stream"
bytes=$(stat -c %s "$stream")

# Page cache first.
cat "$stream" >/dev/null
cat "$stream" >/dev/null

echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the runs"
echo "File: $copies joined copies of 20 s of 1080p25 H.264 at 40 Mbit/s CBR, $bytes bytes"
"$cli" check "$stream" | head -n 3 | sed 's/^/  /' || true
echo "$runs runs each, cat and check in turn (so that both meet the same load), from the"
echo "page cache; median wall time, median CPU time (user + system), largest peak memory"
echo

: >"$work/cat" && : >"$work/check"
for _ in $(seq "$runs"); do
    measure cat "$stream" >>"$work/cat"
    measure "$cli" check "$stream" >>"$work/check"
done

read -r cat_wall cat_cpu cat_peak < <(summary "$work/cat")
read -r chk_wall chk_cpu chk_peak < <(summary "$work/check")

printf '  %-22s %8s s wall %8s s CPU %8s KiB peak\n' "cat" "$cat_wall" "$cat_cpu" "$cat_peak"
printf '  %-22s %8s s wall %8s s CPU %8s KiB peak\n' "quantaline-cli check" \
    "$chk_wall" "$chk_cpu" "$chk_peak"
echo
awk -v p="$chk_wall" -v c="$cat_wall" -v pc="$chk_cpu" -v cc="$cat_cpu" 'BEGIN {
    printf "  check / cat = %.2f in wall time (target: at most 3), %.2f in CPU time\n", p / c, pc / cc }'
echo "  load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
