#!/usr/bin/env bash
# `quantaline-cli pictures --format csv` and `quantaline-cli check` on a large DVD-like VOB
# from the page cache, against `cat FILE > /dev/null` on the same file, side by side: median
# wall times, the ratios, and the peak resident memory of both against the budget of 16 MiB
# plus 64 bytes a picture.
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

work_name=quantaline-pictures-bench
. "$top/bench/common.sh"
part="$work/part.vob"
vob="$work/large.vob"

ffmpeg -nostdin -hide_banner -loglevel error -y \
    -f lavfi -i testsrc2=size=720x576:rate=25 -f lavfi -i sine=frequency=440:sample_rate=48000 \
    -t 20 -target pal-dvd -aspect 4:3 -bf 2 -g 12 -b:v 6000k -maxrate 9000k "$part"
part_size=$(stat -c %s "$part")
copies=$(( (size_mib * 1024 * 1024 + part_size - 1) / part_size ))
for _ in $(seq "$copies"); do cat "$part"; done >"$vob"
bytes=$(stat -c %s "$vob")

# Page cache first.
cat "$vob" >/dev/null
cat "$vob" >/dev/null

pictures=$(( $("$cli" pictures --format csv "$vob" | wc -l) - 1 ))
echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg) before the runs"
echo "File: $copies joined copies of 20 s of PAL DVD video, $bytes bytes, $pictures pictures"
echo "$runs runs each, cat and pictures in turn (so that both meet the same load), from the"
echo "page cache; median wall time, median CPU time (user + system), largest peak memory"
echo

: >"$work/cat" && : >"$work/pictures" && : >"$work/check"
for _ in $(seq "$runs"); do
    measure cat "$vob" >>"$work/cat"
    measure "$cli" pictures --format csv "$vob" >>"$work/pictures"
    measure "$cli" check "$vob" >>"$work/check"
done

read -r cat_wall cat_cpu cat_peak < <(summary "$work/cat")
read -r pic_wall pic_cpu pic_peak < <(summary "$work/pictures")
read -r chk_wall chk_cpu chk_peak < <(summary "$work/check")
budget_kib=$(( 16 * 1024 + pictures * 64 / 1024 ))

printf '  %-38s %8s s wall %8s s CPU %8s KiB peak\n' "cat" "$cat_wall" "$cat_cpu" "$cat_peak"
printf '  %-38s %8s s wall %8s s CPU %8s KiB peak\n' "quantaline-cli pictures --format csv" \
    "$pic_wall" "$pic_cpu" "$pic_peak"
printf '  %-38s %8s s wall %8s s CPU %8s KiB peak\n' "quantaline-cli check" \
    "$chk_wall" "$chk_cpu" "$chk_peak"
echo
awk -v p="$pic_wall" -v c="$cat_wall" -v pc="$pic_cpu" -v cc="$cat_cpu" 'BEGIN {
    printf "  pictures / cat = %.2f in wall time (target: at most 4), %.2f in CPU time\n", p / c, pc / cc }'
awk -v p="$chk_wall" -v c="$cat_wall" -v pc="$chk_cpu" -v cc="$cat_cpu" 'BEGIN {
    printf "  check / cat = %.2f in wall time (target: at most 3), %.2f in CPU time\n", p / c, pc / cc }'
echo "  peak memory of check $chk_peak KiB"
echo "  peak memory $pic_peak KiB, budget 16 MiB + 64 B x $pictures pictures = $budget_kib KiB"
echo "  load average after the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
