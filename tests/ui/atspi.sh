#!/usr/bin/env bash
# The whole-stream strip and the "Flux complet" window read through AT-SPI: the real
# program under Xvfb, on a session bus of its own with the accessibility bus, read by
# tests/ui/atspi_read.py. Skips (77) where python3-pyatspi, at-spi2-core or dbus-x11 are
# missing.
#   tests/ui/atspi.sh [build folder]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
command -v dbus-launch >/dev/null || { echo "dbus-launch missing (dbus-x11)" >&2; exit 77; }
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "python3-pyatspi missing" >&2; exit 77; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "at-spi2-core missing" >&2; exit 77; }

runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"
export XDG_RUNTIME_DIR=$runtime XDG_CONFIG_HOME=$runtime/config LANG=C.UTF-8

# Inside Xvfb: a session bus, the program with accessibility on, the reader.
inner=$(cat <<'INNER'
set -euo pipefail
eval "$(dbus-launch --sh-syntax)"
trap 'kill "$DBUS_SESSION_BUS_PID" 2>/dev/null || true' EXIT
QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 \
    "$BUILD/quantaline-driver" "$STREAM" &
program=$!
status=0
timeout 120 /usr/bin/python3 "$TOP/tests/ui/atspi_read.py" $READ || status=$?
sleep 1
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
exit $status
INNER
)
BUILD=$build TOP=$top STREAM=$top/tests/data/mpeg2-es-joined.m2v READ= \
    timeout 300 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c "$inner"

# An H.264 video whose lists change (JVT, flat, JVT), made by ffmpeg where it has libx264.
if ffmpeg -hide_banner -encoders 2>/dev/null | grep ' libx264 ' >/dev/null; then
    for part in jvt flat; do
        options=$([ $part = jvt ] && echo "-x264-params cqm=jvt" || true)
        ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=size=96x64:rate=25 \
            -frames:v 2 -pix_fmt yuv420p -c:v libx264 $options -f h264 "$runtime/$part.264"
    done
    cat "$runtime/jvt.264" "$runtime/flat.264" "$runtime/jvt.264" > "$runtime/joined.264"
    BUILD=$build TOP=$top STREAM=$runtime/joined.264 READ=codec \
        timeout 300 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" bash -c "$inner"
else
    echo "ffmpeg with libx264 missing: the H.264 window is not read" >&2
fi
