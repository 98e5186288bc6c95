#!/usr/bin/env bash
# The main window, the open dialog and the About box under a real window manager
# (openbox on Xvfb): each must come up with its outer frame, title bar included, in the
# middle of the screen, and stay there (no move once it is up). Measured from outside with
# xwininfo, and from the root window's events (xev): no frame moves while it is mapped.
# With the About box up, the pointer is put over its web link and the screen is
# saved with the pointer drawn in (about_hand.png, where ffmpeg is installed), for a look at
# the hand.
#   tests/ui/centring.sh [build folder] [output folder]
# Exits 77 (skipped) where Xvfb, openbox or the X tools are missing.
set -euo pipefail

if [ "${1:-}" != "--inside" ]; then
    top=$(cd "$(dirname "$0")/../.." && pwd)
    build=$(cd "${1:-$top/build}" && pwd)
    out=${2:-$build/centring}
    for tool in xvfb-run Xvfb openbox xdotool xwininfo xprop xev; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is not installed (Debian: xvfb, openbox, xdotool, x11-utils)"
            exit 77
        fi
    done
    mkdir -p "$out"
    out=$(cd "$out" && pwd)
    rm -f "$out/about_hand.png"
    # A runtime folder of our own, so that a copy running on the desktop does not refuse us.
    runtime=$(mktemp -d)
    trap 'rm -rf "$runtime"' EXIT
    chmod 700 "$runtime"
    XDG_RUNTIME_DIR="$runtime" timeout 600 \
        xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$0" --inside "$build" "$out"
    exit $?
fi

build=$2
out=$3
source "$(dirname "$0")/../support/wait.sh"
screen_width=1024
screen_height=768
openbox --sm-disable >/dev/null 2>&1 &
openbox_pid=$!
driver_pid=
cleanup() {
    [ -n "$driver_pid" ] && kill "$driver_pid" 2>/dev/null || true
    [ -n "${xev_pid:-}" ] && kill "$xev_pid" 2>/dev/null || true
    kill "$openbox_pid" 2>/dev/null || true
}
trap cleanup EXIT
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 120 wm_running || { echo "openbox did not start within 120 s" >&2; exit 1; }

# Every window the manager creates, maps and moves on the root, from before the program
# starts: a frame that moves once it is mapped is a jump the user sees. xev listens once a
# window of ours shows in its log; what comes before the program starts is not looked at.
xev -root -event substructure >"$out/root-events.log" 2>/dev/null &
xev_pid=$!
xev_listens() {
    xmessage -timeout 1 -geometry 10x10+0+0 ping >/dev/null 2>&1 &
    wait_until 5 grep -q CreateNotify "$out/root-events.log"
}
wait_until 120 xev_listens || { echo "xev did not listen within 120 s" >&2; exit 1; }
# The ping windows come and go; the program's windows are read from after them.
wait_while 30 xdotool search --onlyvisible --name '^ping$' >/dev/null 2>&1 || true
events_from=$(($(wc -l <"$out/root-events.log") + 1))

QT_QPA_PLATFORM=xcb QUANTALINE_MESSAGE_LOG="$out/messages.log" "$build/quantaline-driver" &
driver_pid=$!

failures=$out/failures
: >"$failures"
# The outer frame of a window: the window manager's frame is the ancestor that is a child
# of the root. Prints left top width height.
frame_of() {
    local window=$1 parent
    while parent=$(xwininfo -children -id "$window" | awk '/Parent window id:/ { print $4 }') &&
        [ -n "$parent" ] && ! xwininfo -children -id "$window" | grep -q 'Parent window id: .*(the root window)'; do
        window=$parent
    done
    xwininfo -id "$window" | awk '
        /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF }
        END { print x, y, w, h }'
}
# Waits for the window titled $2, checks its frame is centred as it comes up and after a
# while; prints its id. Runs in a subshell: failures go to a file.
check_centred() {
    local name=$1 title=$2 id first later
    id=$(timeout 120 xdotool search --sync --onlyvisible --name "$title" | head -1) || {
        echo "$name did not show" >&2
        echo "$name" >>"$failures"
        return 0
    }
    first=$(frame_of "$id")
    # Not a wait: the time the frame is watched for a move after it came up.
    sleep 0.5
    later=$(frame_of "$id")
    read -r x y w h <<<"$later"
    # Half a pixel goes to the next whole one.
    local want_x=$(( (screen_width - w + 1) / 2 )) want_y=$(( (screen_height - h + 1) / 2 ))
    echo "$name: frame ${w}x${h} at $x,$y (as it came up: $first); centred: $want_x,$want_y" >&2
    if [ "$first" != "$later" ]; then
        echo "$name moved after it came up: $first, then $later" >&2
        echo "$name" >>"$failures"
    fi
    if (( x - want_x > 1 || want_x - x > 1 || y - want_y > 1 || want_y - y > 1 )); then
        echo "$name is not centred by its frame" >&2
        echo "$name" >>"$failures"
    fi
    echo "$id"
}

main=$(check_centred header_frm '^Quantaline -  1.10 - by Velnor$')
if [ -z "$main" ]; then exit 1; fi
# The frame must be there: a window manager that added none would prove nothing.
read -r _ _ _ main_h <<<"$(frame_of "$main")"
if (( main_h <= 612 )); then
    echo "no title bar around the main window (${main_h} high): nothing measured" >&2
    exit 1
fi

# "Ouvrir un fichier", then "Annuler" (positions from the layout, in pixels).
xdotool mousemove --window "$main" 51 19 click 1
dialog=$(check_centred frm_ouvrir '^Ouvrir un fichier mpg,')
shown() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
if [ -n "$dialog" ]; then
    xdotool mousemove --window "$dialog" 458 172 click 1
    # A click on the main window while the modal dialog is up would be lost.
    wait_while 60 shown '^Ouvrir un fichier mpg,' || echo "the open dialog did not close" >&2
fi

# "A propos", the pointer over the web link, then "O-K".
xdotool mousemove --window "$main" 427 537 click 1
about=$(check_centred frm_propos '^A propos de Quantaline')
if [ -n "$about" ]; then
    xdotool mousemove --window "$about" 291 111
    # For a look only (nothing is checked on it): the hand has a moment to show.
    sleep 0.3
    # X leaves the pointer out of a screen grab; ffmpeg draws it in from the server's cursor.
    if command -v ffmpeg >/dev/null; then
        ffmpeg -loglevel error -y -f x11grab -draw_mouse 1 -video_size ${screen_width}x${screen_height} \
            -i "$DISPLAY" -frames:v 1 "$out/about_hand.png" || true
    fi
    xdotool mousemove --window "$about" 406 257 click 1
    wait_while 60 shown '^A propos de Quantaline' || echo "the About box did not close" >&2
fi
kill "$xev_pid" 2>/dev/null || true
wait "$xev_pid" 2>/dev/null || true
xev_pid=
# A window (not a menu or tooltip) that moves between its MapNotify and its UnmapNotify.
awk '
    /^[A-Za-z]+ event,/ { kind = $1; next }
    kind != "" && /window 0x/ {
        line = $0; kind_now = kind; kind = ""
        match(line, /window 0x[0-9a-f]+/); id = substr(line, RSTART + 7, RLENGTH - 7)
        if (kind_now == "CreateNotify" || kind_now == "ConfigureNotify") {
            match(line, /\(-?[0-9]+,-?[0-9]+\)/); at = substr(line, RSTART, RLENGTH)
            if (kind_now == "ConfigureNotify" && (id in mapped) && at != position[id]) {
                print "a window moved from " position[id] " to " at " while up"; moved = 1
            }
            position[id] = at
        } else if (kind_now == "MapNotify" && line ~ /override NO/) { mapped[id] = 1; maps++ }
        else if (kind_now == "UnmapNotify") delete mapped[id]
    }
    END { if (maps < 3) { print "only " maps + 0 " windows mapped: nothing watched"; moved = 1 }
          exit moved }' <(tail -n "+$events_from" "$out/root-events.log") >&2 || echo "jump" >>"$failures"
[ ! -s "$failures" ]
