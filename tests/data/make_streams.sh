#!/usr/bin/env bash
# Makes the real MPEG-1 and MPEG-2 test streams of this folder with Debian's ffmpeg and
# writes streams.txt, the list of each file with the ffmpeg options that made it.
#
# The streams are committed: their expected values are never taken from them by hand
# but from ffmpeg's header trace and MediaInfo (tests/reference). Run this script again
# only to change the set, then commit the new files with the script.
#
#   tests/data/make_streams.sh [OUTPUT_FOLDER]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
mkdir -p "$out"
manifest="$out/streams.txt"

# Every file is cut to this size: nothing past the first 300138 bytes can change an
# analysis, and the set must stay small in the repository.
max_bytes=$((400 * 1024))

# Quantiser matrices in raster order (row after row), as -intra_matrix and
# -inter_matrix take them.
# Rising to 255 along the rows: values of 128 and more take the one-bit shift of the
# intra matrix in the sequence header.
intra_high="8,16,24,32,40,48,56,64,\
20,28,36,44,52,60,68,76,\
32,40,48,56,64,72,80,88,\
44,52,60,68,76,84,92,100,\
96,104,112,120,128,136,144,152,\
128,136,144,152,160,168,176,184,\
160,168,176,184,192,200,208,216,\
200,210,220,230,240,250,254,255"
# A mild matrix as an encoder's "custom" one would be.
intra_soft="8,9,10,12,14,17,20,24,\
9,10,12,14,17,20,24,28,\
10,12,14,17,20,24,28,33,\
12,14,17,20,24,28,33,39,\
14,17,20,24,28,33,39,46,\
17,20,24,28,33,39,46,54,\
20,24,28,33,39,46,54,63,\
24,28,33,39,46,54,63,74"
# Non-intra values, all different, some of them above 128 too.
inter_wide="16,17,18,19,20,21,22,23,\
24,26,28,30,32,34,36,38,\
40,43,46,49,52,55,58,61,\
64,68,72,76,80,84,88,92,\
96,101,106,111,116,121,126,131,\
136,142,148,154,160,166,172,178,\
184,190,196,202,208,214,220,226,\
232,235,238,241,244,247,250,253"
inter_flat="18,18,18,18,18,18,18,18,\
18,18,18,18,18,18,18,18,\
18,18,18,18,18,18,18,18,\
18,18,18,18,20,20,20,20,\
20,20,20,20,20,20,20,20,\
22,22,22,22,22,22,22,22,\
22,22,22,22,24,24,24,24,\
24,24,24,24,24,24,24,26"

: >"$manifest.tmp"

# make NAME INPUT_OPTIONS... -- OUTPUT_OPTIONS...
# The picture source is ffmpeg's test pattern; sound, where a stream has one, a tone.
make() {
    local name=$1
    shift
    local inputs=() outputs=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        inputs+=("$1")
        shift
    done
    shift
    outputs=("$@")
    ffmpeg -nostdin -hide_banner -loglevel error -y "${inputs[@]}" "${outputs[@]}" \
        -fflags +bitexact -flags:v +bitexact -flags:a +bitexact "$out/$name"
    if [ "$(stat -c %s "$out/$name")" -gt "$max_bytes" ]; then
        truncate -s "$max_bytes" "$out/$name"
    fi
    echo "$name ${inputs[*]} ${outputs[*]}" >>"$manifest.tmp"
}

pattern() { echo -f lavfi -i "testsrc2=size=$1:rate=$2"; }
tone() { echo -f lavfi -i "sine=frequency=440:sample_rate=48000"; }

# MPEG-1 elementary streams: the frame rate codes 1 to 4, default and custom matrices.
make mpeg1-es-default.m1v $(pattern 176x144 24000/1001) -- \
    -frames:v 3 -c:v mpeg1video -q:v 4 -f mpeg1video
make mpeg1-es-matrices.m1v $(pattern 176x144 24) -- \
    -frames:v 3 -c:v mpeg1video -b:v 1150k -maxrate 1150k -bufsize 320k \
    -intra_matrix "$intra_high" -inter_matrix "$inter_wide" -f mpeg1video
make mpeg1-es-intra.m1v $(pattern 320x240 25) -- \
    -frames:v 3 -c:v mpeg1video -q:v 5 -intra_matrix "$intra_soft" -f mpeg1video
make mpeg1-es-inter.m1v $(pattern 160x120 30000/1001) -- \
    -frames:v 4 -c:v mpeg1video -q:v 5 -inter_matrix "$inter_flat" -f mpeg1video

# MPEG-2 elementary streams: frame rate codes 5 to 8, DC precisions 9 to 11, every
# video_format of the display extension, 4:2:2, 1080i, 2.21:1, alternate scan.
# No display extension and shorter than 100000 bytes: the picture coding extension is
# out of reach.
make mpeg2-es-nodisp-short.m2v $(pattern 176x144 30) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -seq_disp_ext 0 -f mpeg2video
# No display extension, long enough that the picture coding extension of a later
# picture lies between 99999 and 149998.
make mpeg2-es-nodisp-long.m2v $(pattern 352x288 25) -- \
    -frames:v 24 -g 6 -c:v mpeg2video -q:v 2 -seq_disp_ext 0 \
    -intra_matrix "$intra_soft" -f mpeg2video
make mpeg2-es-dc9-pal.m2v $(pattern 176x144 50) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -dc 9 -seq_disp_ext 1 -video_format pal \
    -f mpeg2video
make mpeg2-es-dc10-ntsc.m2v $(pattern 176x144 60000/1001) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -dc 10 -aspect 16:9 -seq_disp_ext 1 \
    -video_format ntsc -inter_matrix "$inter_wide" -f mpeg2video
make mpeg2-es-dc11-secam.m2v $(pattern 176x144 60) -- \
    -frames:v 3 -c:v mpeg2video -profile:v 1 -q:v 4 -dc 11 -seq_disp_ext 1 \
    -video_format secam -intra_matrix "$intra_high" -f mpeg2video
make mpeg2-es-422-component.m2v $(pattern 176x144 25) -- \
    -frames:v 3 -c:v mpeg2video -pix_fmt yuv422p -q:v 4 -seq_disp_ext 1 \
    -video_format component -intra_matrix "$intra_high" -inter_matrix "$inter_wide" \
    -f mpeg2video
make mpeg2-es-1080i-mac.m2v $(pattern 1920x1080 30000/1001) -- \
    -frames:v 2 -c:v mpeg2video -flags +ilme+ildct -top 1 -q:v 12 -aspect 16:9 \
    -seq_disp_ext 1 -video_format mac -f mpeg2video
make mpeg2-es-221-vf5.m2v $(pattern 352x288 24) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -aspect 2.21 -seq_disp_ext 1 \
    -video_format unspecified -intra_matrix "$intra_soft" -inter_matrix "$inter_flat" \
    -f mpeg2video
make mpeg2-es-altscan-vf6.m2v $(pattern 176x144 24000/1001) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -alternate_scan 1 -seq_disp_ext 1 \
    -video_format 6 -intra_matrix "$intra_high" -f mpeg2video
make mpeg2-es-vf7.m2v $(pattern 176x144 30000/1001) -- \
    -frames:v 3 -c:v mpeg2video -q:v 4 -b:v 4000k -maxrate 6000k -bufsize 1000k \
    -seq_disp_ext 1 -video_format 7 -f mpeg2video

# Program streams.
make mpeg2-ps-vob.vob $(pattern 352x288 25) -- \
    -frames:v 6 -c:v mpeg2video -q:v 3 -intra_matrix "$intra_soft" -f vob
make mpeg2-ps-dvd.vob $(pattern 720x480 30000/1001) $(tone) -- \
    -frames:v 4 -t 0.15 -c:v mpeg2video -q:v 6 -dc 10 -aspect 16:9 -c:a ac3 -b:a 192k -f dvd
make mpeg1-ps-pal-vcd.mpg $(pattern 352x288 25) $(tone) -- \
    -frames:v 4 -t 0.17 -target pal-vcd -intra_matrix "$intra_high"
make mpeg2-ps-ntsc-svcd.mpg $(pattern 480x480 30000/1001) $(tone) -- \
    -frames:v 4 -t 0.14 -target ntsc-svcd -inter_matrix "$inter_wide"
# The sample that `make run` shows: a DVD program stream with its own intra matrix.
make sample-dvd.vob $(pattern 720x576 25) $(tone) -- \
    -frames:v 4 -t 0.17 -target pal-dvd -q:v 4 -aspect 16:9 -seq_disp_ext 1 -video_format pal \
    -intra_matrix "$intra_soft" -dc 9
# Sound first, the video later: uncompressed sound pushes the first sequence header
# past 99998, so that no extension is looked for, and then past 299998, so that no
# header is found at all. The video is encoded once and muxed behind the sound.
late_video="$out/.late-video.m2v"
ffmpeg -nostdin -hide_banner -loglevel error -y $(pattern 720x576 25) -frames:v 3 \
    -c:v mpeg2video -q:v 8 -fflags +bitexact -flags:v +bitexact -f mpeg2video "$late_video"
make_late() {
    local name=$1 offset=$2
    # The muxer warns about its buffer model for every late video packet: only the
    # errors that stop it matter here.
    ffmpeg -nostdin -hide_banner -loglevel fatal -y -itsoffset "$offset" -i "$late_video" \
        -f lavfi -t 3 -i "sine=frequency=440:sample_rate=48000" -map 0:v -map 1:a \
        -c:v copy -c:a pcm_s16be -ac 2 -fflags +bitexact -flags:a +bitexact -f dvd "$out/$name"
    if [ "$(stat -c %s "$out/$name")" -gt "$max_bytes" ]; then
        truncate -s "$max_bytes" "$out/$name"
    fi
    echo "$name (pattern 720x576 25 -frames:v 3 -c:v mpeg2video -q:v 8 -f mpeg2video)" \
        "-itsoffset $offset -i VIDEO $(tone | sed 's/-i/-t 3 -i/') -map 0:v -map 1:a" \
        "-c:v copy -c:a pcm_s16be -ac 2 -f dvd" >>"$manifest.tmp"
}
make_late mpeg2-ps-late-header.vob 1.4
make_late mpeg2-ps-no-header.vob 2.4
rm -f "$late_video"

# Whole-stream scans (quantaline-cli scan): matrices that change along a file, packets
# small enough to cut start codes, transport streams.
# Elementary streams joined: `cat a b a` is a valid stream whose matrices change twice.
joined_part() {
    ffmpeg -nostdin -hide_banner -loglevel error -y $(pattern 176x144 25) -frames:v 4 -g 2 \
        -c:v mpeg2video -q:v 4 "$@" -fflags +bitexact -flags:v +bitexact -f mpeg2video
}
joined_a="$out/.joined-a.m2v" joined_b="$out/.joined-b.m2v"
joined_part -intra_matrix "$intra_soft" "$joined_a"
joined_part -intra_matrix "$intra_high" -inter_matrix "$inter_wide" "$joined_b"
cat "$joined_a" "$joined_b" "$joined_a" >"$out/mpeg2-es-joined.m2v"
echo "mpeg2-es-joined.m2v A B A, A: $(pattern 176x144 25) -frames:v 4 -g 2 -c:v mpeg2video" \
    "-q:v 4 -intra_matrix $intra_soft -f mpeg2video; B: the same with -intra_matrix" \
    "$intra_high -inter_matrix $inter_wide" >>"$manifest.tmp"
rm -f "$joined_a" "$joined_b"
# Two VOBs joined as a DVD's VTS_01_1.VOB and VTS_01_2.VOB are: the program end code of
# the first is followed by the packs of the second. Small packets cut the start codes.
joined_vob() {
    ffmpeg -nostdin -hide_banner -loglevel error -y $(pattern 352x288 25) $(tone) \
        -frames:v 3 -t 0.12 -c:v mpeg2video -q:v 5 -c:a mp2 -b:a 64k -packetsize 300 "$@" \
        -fflags +bitexact -flags:v +bitexact -flags:a +bitexact -f vob
}
joined_vob -intra_matrix "$intra_high" "$out/.vts-1.vob"
joined_vob -inter_matrix "$inter_flat" "$out/.vts-2.vob"
# ffmpeg ends a program stream without its end code: written here as an authoring tool would.
{ cat "$out/.vts-1.vob"; printf '\000\000\001\271'; cat "$out/.vts-2.vob"; } \
    >"$out/mpeg2-ps-joined.vob"
echo "mpeg2-ps-joined.vob 1, 00 00 01 B9, 2: $(pattern 352x288 25) $(tone) -frames:v 3 -t 0.12" \
    "-c:v mpeg2video -q:v 5 -c:a mp2 -b:a 64k -packetsize 300 -f vob; 1: -intra_matrix" \
    "$intra_high; 2: -inter_matrix $inter_flat" >>"$manifest.tmp"
rm -f "$out/.vts-1.vob" "$out/.vts-2.vob"
# MPEG-1 system stream with small packets: the MPEG-1 forms of pack and PES headers.
make mpeg1-ps-small-packets.mpg $(pattern 176x144 25) $(tone) -- \
    -frames:v 4 -t 0.16 -c:v mpeg1video -q:v 4 -g 2 -c:a mp2 -b:a 64k -packetsize 256 \
    -inter_matrix "$inter_wide" -f mpeg
# Transport streams: MPEG-2 video with sound, 188-byte packets and 192-byte ones.
make mpeg2-ts-audio.ts $(pattern 352x288 25) $(tone) -- \
    -frames:v 6 -t 0.24 -g 3 -c:v mpeg2video -q:v 5 -intra_matrix "$intra_soft" \
    -c:a mp2 -b:a 64k -f mpegts
make mpeg2-m2ts-audio.m2ts $(pattern 352x288 30000/1001) $(tone) -- \
    -frames:v 4 -t 0.14 -c:v mpeg2video -q:v 5 -inter_matrix "$inter_wide" \
    -c:a ac3 -b:a 96k -mpegts_m2ts_mode 1 -f mpegts
# 4:2:2 in a transport stream.
make mpeg2-ts-422.ts $(pattern 176x144 25) -- \
    -frames:v 3 -c:v mpeg2video -pix_fmt yuv422p -q:v 4 -intra_matrix "$intra_high" \
    -inter_matrix "$inter_wide" -f mpegts
# A transport stream cut in the middle of a packet.
make .truncated-whole.ts $(pattern 176x144 25) $(tone) -- \
    -frames:v 6 -t 0.24 -g 3 -c:v mpeg2video -q:v 4 -c:a mp2 -b:a 64k -f mpegts
head -c $((188 * 60 + 100)) "$out/.truncated-whole.ts" >"$out/mpeg2-ts-truncated.ts"
rm -f "$out/.truncated-whole.ts"
sed -i 's/^\.truncated-whole\.ts /mpeg2-ts-truncated.ts (the first 188 * 60 + 100 bytes of) /' \
    "$manifest.tmp"

# Pictures in stream order against display order: B pictures (two between the reference
# pictures) in each container, from ffmpeg's encoder and from mpeg2enc, whose temporal
# references, picture types and picture bytes `pictures` reports.
make mpeg2-es-bframes.m2v $(pattern 176x144 25) -- \
    -frames:v 10 -g 7 -bf 2 -c:v mpeg2video -q:v 8 -f mpeg2video
make mpeg2-ps-bframes.vob $(pattern 176x144 25) $(tone) -- \
    -frames:v 10 -t 0.4 -g 7 -bf 2 -c:v mpeg2video -q:v 8 -c:a mp2 -b:a 64k -packetsize 800 \
    -f vob
make mpeg2-ts-bframes.ts $(pattern 176x144 25) $(tone) -- \
    -frames:v 10 -t 0.4 -g 7 -bf 2 -c:v mpeg2video -q:v 8 -c:a mp2 -b:a 64k -f mpegts
# mpeg2enc reads YUV4MPEG; its elementary stream is multiplexed by mplex into a program
# stream, and copied by ffmpeg from there into a transport stream.
mpeg2enc_y4m="$out/.mpeg2enc-in.y4m"
ffmpeg -nostdin -hide_banner -loglevel error -y $(pattern 176x144 25) -frames:v 9 \
    -pix_fmt yuv420p -f yuv4mpegpipe "$mpeg2enc_y4m"
mpeg2enc -v 0 -f 3 -R 2 -g 6 -G 6 -q 10 -b 1500 -o "$out/mpeg2-es-mpeg2enc.m2v" <"$mpeg2enc_y4m"
mplex -v 0 -f 3 -o "$out/mpeg2-ps-mpeg2enc.mpg" "$out/mpeg2-es-mpeg2enc.m2v"
ffmpeg -nostdin -hide_banner -loglevel error -y -i "$out/mpeg2-ps-mpeg2enc.mpg" -map 0:v \
    -c copy -fflags +bitexact -f mpegts "$out/mpeg2-ts-mpeg2enc.ts"
rm -f "$mpeg2enc_y4m"
mpeg2enc_source="($(pattern 176x144 25) -frames:v 9 -pix_fmt yuv420p -f yuv4mpegpipe)"
{
    echo "mpeg2-es-mpeg2enc.m2v $mpeg2enc_source mpeg2enc -f 3 -R 2 -g 6 -G 6 -q 10 -b 1500"
    echo "mpeg2-ps-mpeg2enc.mpg mplex -f 3 mpeg2-es-mpeg2enc.m2v"
    echo "mpeg2-ts-mpeg2enc.ts -i mpeg2-ps-mpeg2enc.mpg -map 0:v -c copy -f mpegts"
} >>"$manifest.tmp"

mv "$manifest.tmp" "$manifest"
