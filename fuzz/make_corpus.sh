#!/usr/bin/env bash
# Rebuilds the small seed corpus in fuzz/corpus/ from the test streams in tests/data and a
# few hand-written settings files.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
data="$here/../tests/data"
rm -rf "$here/corpus"
mkdir -p "$here/corpus/analysis" "$here/corpus/configuration" "$here/corpus/tmpgenc" \
    "$here/corpus/scan" "$here/corpus/macroblock" "$here/corpus/codec" "$here/corpus/container"
# The analysis reads headers near the start: the first 4 KiB of each stream keep them,
# through the demultiplexers for program and transport streams.
for stream in "$data"/*.m1v "$data"/*.m2v "$data"/*.mpg "$data"/*.vob "$data"/*.ts \
    "$data"/*.m2ts; do
    [ -f "$stream" ] || continue
    head -c 4096 "$stream" > "$here/corpus/analysis/$(basename "$stream")"
done
# The scan reads whole files: 8 KiB of each stream, transport streams too, hold a few
# packets of every kind.
for stream in "$data"/*.m1v "$data"/*.m2v "$data"/*.mpg "$data"/*.vob "$data"/*.ts \
    "$data"/*.m2ts; do
    [ -f "$stream" ] || continue
    head -c 8192 "$stream" > "$here/corpus/scan/$(basename "$stream")"
done
# The macroblock layer reads one picture: its bytes after the picture start code, behind
# one byte that tells the fuzz target the sequence (bit 0 MPEG-2, bits 1-2 chroma format
# less one, bit 3 progressive, bit 4 a wide picture). The first two pictures of small
# streams, cut to 6 KiB.
python3 - "$data" "$here/corpus/macroblock" <<'PYTHON'
import os, sys
data, out = sys.argv[1], sys.argv[2]
streams = {"mpeg1-es-inter.m1v": 0x18, "mpeg2-es-nodisp-short.m2v": 0x19,
           "mpeg2-es-422-component.m2v": 0x1B, "mpeg2-es-altscan-vf6.m2v": 0x19,
           "mpeg2-es-1080i-mac.m2v": 0x11}
for name, sequence in streams.items():
    stream = open(os.path.join(data, name), "rb").read()
    starts = []
    at = stream.find(b"\x00\x00\x01\x00")
    while at >= 0 and len(starts) < 3:
        starts.append(at)
        at = stream.find(b"\x00\x00\x01\x00", at + 4)
    for n in range(min(2, len(starts) - 1)):
        picture = stream[starts[n] + 4:starts[n + 1]][:6144]
        with open(os.path.join(out, f"{name}.{n}"), "wb") as seed:
            seed.write(bytes([sequence]) + picture)
PYTHON
printf '[quantaline 1  1 ]\r\n\r\n\r\n[CCE]\r\nCl\xe9 du registre=HKEY_CURRENT_USER\\Software\\Custom Technology\\CCE SP Trial Version\\qmat\r\n\r\n[TMPGEnc]\r\nChemin de TMPGEnc=C:\\Program Files\\Pegasys\\TMPGEnc\\\r\n\r\n\r\nValeurs=Defaut\r\n\r\n[EOF]\r\n' \
    > "$here/corpus/configuration/default.cfg"
printf 'Valeurs=Utilisateur\nCl\xe9 du registre:key\rChemin de TMPGEnc = x\r\n[EOF]\nValeurs=Defaut ' \
    > "$here/corpus/configuration/lenient.cfg"
printf '[Environment]\r\nLang=0\r\n[Tools.QuantizeMatrix]\r\nCount=1\r\nName0="DVD"\r\nReadOnly0=1\r\nIntra0_0=8 16 19 22 26 27 29 34\r\n\r\n[Video]\r\nBitrate=8000\r\n\r\n' \
    > "$here/corpus/tmpgenc/section-not-last.ini"
printf '[Tools.QuantizeMatrix]\r\nCount=0\r\n\r\n\r\n\r\n' > "$here/corpus/tmpgenc/empty-list.ini"
printf '[tools.quantizematrix]\nCount=deux\n[Tools.QuantizeMatrix]\nCount=2\n[Tools.QuantizeMatrix]\nCount=9\n' \
    > "$here/corpus/tmpgenc/two-sections.ini"
# The parameter sets of the other codecs: small encodes by ffmpeg (when it is there), their
# first 600 bytes behind the byte that picks the codec (0 H.264, 1 HEVC, 2 MPEG-4 visual).
codec_seed() {
    local selector=$1 name=$2
    shift 2
    local stream
    stream=$(mktemp)
    if ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=64x64:rate=25 \
        -frames:v 1 "$@" "$stream" 2>/dev/null; then
        { printf "\\x$selector"; head -c 600 "$stream"; } > "$here/corpus/codec/$name"
    fi
    rm -f "$stream"
}
if command -v ffmpeg >/dev/null; then
    codec_seed 00 h264-cqm -c:v libx264 -x264-params cqm=jvt -f h264
    codec_seed 00 h264-444 -c:v libx264 -pix_fmt yuv444p -x264-params cqm4iy=$(seq -s, 5 20) -f h264
    codec_seed 01 hevc-default -c:v libx265 -x265-params log-level=error:scaling-list=default -f hevc
    codec_seed 01 hevc-444 -c:v libx265 -pix_fmt yuv444p -x265-params log-level=error -f hevc
    codec_seed 02 mpeg4-matrices -c:v mpeg4 -mpeg_quant 1 -intra_matrix "$(seq -s, 8 71)" -f m4v
    codec_seed 02 mpeg4-h263 -c:v mpeg4 -f m4v
fi
# The containers: two small encodes of other lists one after the other (so that the lists
# change in the samples), in each container the walk reads.
container_seed() {
    local name=$1 a=$2 b=$3 raw=$4
    shift 4
    local work
    work=$(mktemp -d)
    local encode="ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=32x32:rate=25 -frames:v 2"
    if $encode $a -f "$raw" "$work/a" 2>/dev/null && $encode $b -f "$raw" "$work/b" 2>/dev/null; then
        cat "$work/a" "$work/b" > "$work/joined"
        cp "$work/joined" "$here/corpus/container/$name-es"
        for container in "$@"; do
            ffmpeg -hide_banner -loglevel error -y -fflags +genpts -r 25 -i "$work/joined" -c copy \
                -f "$container" "$work/out" 2>/dev/null &&
                cp "$work/out" "$here/corpus/container/$name-$container"
        done
        # Matroska and transport streams from the MP4, which has the timestamps the raw
        # stream lacks.
        if [ -f "$here/corpus/container/$name-mp4" ]; then
            for container in matroska mpegts; do
                ffmpeg -hide_banner -loglevel error -y -i "$here/corpus/container/$name-mp4" \
                    -c copy -f "$container" "$here/corpus/container/$name-$container" 2>/dev/null ||
                    true
            done
        fi
    fi
    rm -rf "$work"
}
if command -v ffmpeg >/dev/null; then
    container_seed h264 "-c:v libx264 -x264-params cqm=jvt" "-c:v libx264" h264 mp4 avi
    container_seed hevc "-c:v libx265 -x265-params log-level=error:scaling-list=default" \
        "-c:v libx265 -x265-params log-level=error" hevc mp4
    container_seed mpeg4 "-c:v mpeg4" "-c:v mpeg4 -mpeg_quant 1" m4v avi vob
fi
