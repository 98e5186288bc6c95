#!/usr/bin/env bash
# Starts the real program under Xvfb, opens a DVD stream through its open dialog and
# saves what the screen shows of the open dialog, the main window, the CCE warning, the
# export dialog and the About box.
#   tests/ui/screenshots.sh [build folder] [output folder] [stream]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
out=${2:-$build/screenshots}
stream=${3:-}
if [ -z "$stream" ]; then
    for candidate in "$top"/tests/data/sample-dvd.vob "$top"/tests/data/*dvd*.vob; do
        [ -f "$candidate" ] && { stream=$candidate; break; }
    done
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out"/frm_ouvrir.png "$out"/header_frm.png "$out"/frm_propos.png "$out"/frm_exporter.png \
    "$out"/cce_warning.png

# A runtime folder of our own, so that a copy running on the desktop does not refuse us.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
chmod 700 "$runtime"

QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$runtime" \
    QUANTALINE_SCREENSHOT_DIR="$out" QUANTALINE_SCREENSHOT_FILE="$stream" \
    timeout 600 xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$build/quantaline-driver"

# Bare Xvfb has no window manager, so a shot is the client area: the twips sizes / 15.
status=0
for expected in frm_ouvrir:491x190 header_frm:534x612 frm_propos:438x278 frm_exporter:510x138; do
    shot=${expected%%:*}
    [ -s "$out/$shot.png" ] || { echo "missing $out/$shot.png" >&2; status=1; continue; }
    size=$(identify -format '%wx%h' "$out/$shot.png")
    echo "$out/$shot.png $size"
    [ "$size" = "${expected#*:}" ] || { echo "$shot is $size, not ${expected#*:}" >&2; status=1; }
done
exit $status
