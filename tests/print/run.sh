#!/usr/bin/env bash
# The printed report on a real print queue: CUPS with a cups-pdf queue that writes each job
# as a PDF, made the system's default printer, read back with poppler's pdftotext.
#   run.sh setup WORK                       CUPS running, the queue added and made the default
#   run.sh page WORK PROGRAM STREAM [FACE]  print STREAM's report from the program, check the page;
#                                           FACE: the program's sans-serif face, and so the
#                                           printer's default, instead of the system's
#   run.sh no-printer WORK PROGRAM STREAM   no default printer: the failure message
#   run.sh rejected WORK PROGRAM STREAM     a default printer that refuses jobs: the same message
#   run.sh cleanup WORK                     the previous default back; a scheduler we started stops
# Running it again is harmless: every step looks first at what is already there.
set -euo pipefail
mode=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
queue=QuantalinePDF
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
state=$work/state
source "$here/../support/wait.sh"
fonts= # a fontconfig file for the program, when one is given

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*"; exit 77; }

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'scheduler is running'; }

install_missing() {
    local missing=()
    for package in cups printer-driver-cups-pdf poppler-utils; do
        dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return
    [ "$(id -u)" = 0 ] || skip "not root, and ${missing[*]} missing"
    DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -q \
        --no-install-recommends "${missing[@]}" >"$work/apt.log" 2>&1 ||
        fail "apt-get could not install ${missing[*]}: $(tail -5 "$work/apt.log")"
}

# Where cups-pdf writes the jobs of the user running the program.
pdf_folder() {
    local home out
    home=$(getent passwd "$(id -un)" | cut -d: -f6)
    out=$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf | tail -1)
    out=${out:-\$\{HOME\}/PDF}
    echo "${out//\$\{HOME\}/$home}"
}

# Runs the real windows (the test driver): they open STREAM through its open dialog, presses "Imprimer les
# matrices" and quits; message boxes go to $work/messages.log.
print_from_program() {
    local program=$1 stream=$2 runtime
    runtime=$(mktemp -d "$work/runtime.XXXXXX")
    chmod 700 "$runtime"
    rm -f "$work/messages.log"
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=$runtime QUANTALINE_MESSAGE_LOG=$work/messages.log \
        QUANTALINE_PRINT_FILE=$stream env ${fonts:+"FONTCONFIG_FILE=$fonts"} timeout 300 "$program" ||
        fail "the program ended with status $?"
    rm -rf "$runtime"
}

case $mode in
setup)
    mkdir -p "$work"
    install_missing
    [ "$(id -u)" = 0 ] || skip "setting up a print queue needs root"
    # A setup run twice keeps what the first one found: the scheduler it started and the
    # default printer before it.
    touch "$state"
    if ! scheduler_running; then
        # Our own scheduler, detached from the test's output so that the test can end.
        setsid /usr/sbin/cupsd -f </dev/null >/dev/null 2>&1 &
        echo "started_cupsd=$!" >>"$state"
        wait_until 120 scheduler_running || fail "cupsd did not start within 120 s"
    fi
    if ! lpstat -v "$queue" >/dev/null 2>&1; then
        lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd" 2>&1 | grep -v -i deprecated || true
    fi
    # The PostScript step keeps the fonts' text (Ghostscript's own step turns the glyphs
    # into unreadable Type 3 bitmaps), so pdftotext reads the page back.
    lpadmin -p "$queue" -o pdftops-renderer-default=pdftocairo
    cupsenable "$queue"
    cupsaccept "$queue"
    if ! grep -q '^previous_default=' "$state"; then
        previous=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
        echo "previous_default=$previous" >>"$state"
    fi
    lpadmin -d "$queue"
    lpstat -d | grep -q ": $queue\$" || fail "$queue is not the default printer: $(lpstat -d)"
    echo "$queue is the default printer"
    ;;
page)
    # The path as the open dialog builds it: absolute and clean, links left as they are.
    program=$3 stream=$(realpath -s "$4") face=${5:-}
    [ -f "$state" ] || skip "no print queue was set up"
    if [ -n "$face" ]; then
        fc-list -q "$face" || skip "the face $face is not installed"
        # The system's fonts, with $face first for sans-serif: Qt's default font, which the
        # printer keeps, is the desktop's sans-serif face.
        fonts=$work/fonts.conf
        printf '%s\n' '<?xml version="1.0"?>' '<!DOCTYPE fontconfig SYSTEM "fonts.dtd">' \
            '<fontconfig><include ignore_missing="yes">/etc/fonts/fonts.conf</include>' \
            "<alias binding=\"strong\"><family>sans-serif</family><prefer><family>$face</family></prefer></alias>" \
            "<alias binding=\"strong\"><family>Sans Serif</family><prefer><family>$face</family></prefer></alias>" \
            '</fontconfig>' >"$fonts"
    fi
    folder=$(pdf_folder)
    mkdir -p "$folder"
    marker=$work/marker
    touch "$marker"
    sleep 1 # the PDF must be newer than the marker at the file system's resolution
    print_from_program "$program" "$stream"
    [ ! -s "$work/messages.log" ] || fail "a message was shown: $(cat "$work/messages.log")"
    # cups-pdf writes the file under its final name: wait until no job is left.
    printed() {
        pdf=$(find "$folder" -maxdepth 1 -name '*.pdf' -newer "$marker" | head -1)
        [ -n "$pdf" ] && [ -z "$(lpstat -o "$queue" 2>/dev/null)" ]
    }
    wait_until 300 printed ||
        fail "no PDF in $folder after 300 s; jobs: $(lpstat -W all -o "$queue" | tail -3)"
    copy=$work/$(basename "$stream")${face:+-${face// /-}}.pdf
    mv "$pdf" "$copy"
    python3 "$here/check_page.py" "$copy" "$stream" "/etc/cups/ppd/$queue.ppd"
    # For a look: the page as a picture beside the PDF.
    pdftoppm -r 80 -png -singlefile "$copy" "${copy%.pdf}" || true
    ;;
no-printer)
    program=$3 stream=$4
    # A scheduler address where nothing listens: the system has no printer at all.
    CUPS_SERVER=$work/no-scheduler.sock print_from_program "$program" "$stream"
    expected=$'exclamation\tImpression impossible...\tImpossible d\'imprimer le document; Vérifiez l\'imprimante !'
    [ "$(cat "$work/messages.log" 2>/dev/null)" = "$expected" ] ||
        fail "messages shown:"$'\n'"$(cat "$work/messages.log" 2>/dev/null)"$'\n'"expected:"$'\n'"$expected"
    echo "no default printer: the failure message, and no other"
    ;;
rejected)
    program=$3 stream=$4
    [ -f "$state" ] || skip "no print queue was set up"
    trap 'cupsaccept "$queue"' EXIT
    cupsreject "$queue"
    print_from_program "$program" "$stream"
    expected=$'exclamation\tImpression impossible...\tImpossible d\'imprimer le document; Vérifiez l\'imprimante !'
    [ "$(cat "$work/messages.log" 2>/dev/null)" = "$expected" ] ||
        fail "messages shown:"$'\n'"$(cat "$work/messages.log" 2>/dev/null)"$'\n'"expected:"$'\n'"$expected"
    echo "a queue that refuses the job: the failure message, and no other"
    ;;
cleanup)
    [ -f "$state" ] || exit 0
    previous=$(sed -n 's/^previous_default=//p' "$state")
    if [ -n "$previous" ] && [ "$previous" != "$queue" ] && lpstat -v "$previous" >/dev/null 2>&1; then
        lpadmin -d "$previous"
    fi
    pid=$(sed -n 's/^started_cupsd=//p' "$state")
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait_while 60 kill -0 "$pid" 2>/dev/null || true
    fi
    rm -f "$state"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
