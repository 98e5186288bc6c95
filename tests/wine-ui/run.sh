#!/usr/bin/env bash
# The desktop program for Windows, on its real windows under Wine on Xvfb, in a fresh prefix:
# cross-builds quantaline.exe, quantaline-cli.exe, the installer and the zip against the
# cached static Qt (tools/build-windows.sh), then drives the program the way a user does,
# with clicks and keys sent through the Windows input queue (winprobe.exe), and checks what
# it writes with Windows' own readers (GetPrivateProfileString, regedit, reg query).
#
#   tests/wine-ui/run.sh SOURCE_DIR WORK_DIR LINUX_CLI
#
# Screenshots of every window go to WORK_DIR/screenshots. Exit status 77 (a skip for CTest)
# with the reason when a tool is missing, or when the Qt for Windows is not cached and
# QUANTALINE_BUILD_QT=0 forbids building it (about 25 minutes on two cores).
set -euo pipefail

source_dir=$(cd "$1" && pwd)
mkdir -p "$2"
work_dir=$(cd "$2" && pwd)
linux_cli=$(realpath "$3")
skip=77
triple=x86_64-w64-mingw32
suite_start=$(date +%s)
source "$source_dir/tests/support/wait.sh"

say() { printf '[wine-ui] %s\n' "$*"; }
failures=0
fail() {
    say "FAILED: $*"
    failures=$((failures + 1))
}
stop() {
    say "FAILED: $*"
    exit 1
}

# --- Tools -------------------------------------------------------------------------------
packages=(g++-mingw-w64-x86-64-posix wine xvfb imagemagick fonts-wine nsis zip dpkg-dev
    qt6-base-dev-tools ninja-build cmake)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -ne 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        say "SKIPPED: ${missing[*]} missing, and installing them needs root"
        exit $skip
    fi
    say "installing ${missing[*]}"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}" >"$work_dir/apt.log" 2>&1 || {
        say "SKIPPED: apt-get could not install ${missing[*]}"
        exit $skip
    }
fi

# --- Qt for Windows, the programs, the installer -------------------------------------------
if ! "$source_dir/tools/build-qt-windows.sh" --check; then
    if [ "${QUANTALINE_BUILD_QT:-1}" = 0 ]; then
        say "SKIPPED: Qt for Windows is not in the cache ($("$source_dir/tools/build-qt-windows.sh" --prefix))" \
            "and QUANTALINE_BUILD_QT=0; \`make windows\` builds it once (about 25 minutes)"
        exit $skip
    fi
    say "Qt for Windows is not cached: building it once (about 25 minutes on two cores)"
    start=$(date +%s)
    "$source_dir/tools/build-qt-windows.sh" >"$work_dir/qt-build.log" 2>&1 || {
        tail -n 30 "$work_dir/qt-build.log"
        stop "tools/build-qt-windows.sh"
    }
    say "Qt for Windows built in $(($(date +%s) - start)) s"
fi
start=$(date +%s)
build=$work_dir/build
QUANTALINE_NO_DEPS=1 "$source_dir/tools/build-windows.sh" "$build" >"$work_dir/build.log" 2>&1 || {
    tail -n 30 "$work_dir/build.log"
    stop "tools/build-windows.sh"
}
say "programs, installer and zip built in $(($(date +%s) - start)) s"
grep '^\[windows\]' "$work_dir/build.log" || true
version=$(sed -n 's/^project(Quantaline VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
setup_exe=$build/quantaline-$version-setup.exe
probe_exe=$work_dir/winprobe.exe
ini_reader=$work_dir/ini_reader.exe
"$triple-g++-posix" -std=c++20 -O1 -static -o "$probe_exe" "$source_dir/tests/wine-ui/winprobe.cpp" \
    -lwinspool
"$triple-g++-posix" -O1 -static -o "$ini_reader" "$source_dir/tests/wine-interop/ini_reader.cpp"

# --- An X server, a fresh Wine prefix -----------------------------------------------------
# The windows' texts checked below are French: Wine and the program run under a French
# locale whatever the caller's.
source "$source_dir/tests/support/wine_language.sh"
wine_language fr || { say "SKIPPED: no French locale for Wine"; exit $skip; }
shots=$work_dir/screenshots
rm -rf "$shots"
mkdir -p "$shots"
# shellcheck source=tests/support/wine_prefix.sh
source "$source_dir/tests/support/wine_prefix.sh"
wine_prefix_new "$work_dir"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display_file=$work_dir/display
rm -f "$display_file"
Xvfb -displayfd 7 -screen 0 1024x768x24 -nolisten tcp 7>"$display_file" 2>/dev/null &
xvfb_pid=$!
print_work=$work_dir/print
print_started=0
cleanup() {
    wine_prefix_stop
    kill "$xvfb_pid" 2>/dev/null || true
    [ "$print_started" = 0 ] || "$source_dir/tests/print/run.sh" cleanup "$print_work" >/dev/null 2>&1 || true
}
trap cleanup EXIT
wait_until 120 test -s "$display_file" || stop "Xvfb did not start within 120 s"
export DISPLAY=:$(cat "$display_file")
screen_width=1024 screen_height=768

start=$(date +%s)
wine wineboot --init >/dev/null 2>&1
wineserver -w
# Debian's Wine does not find its own fonts: without them in the prefix, "MS Shell Dlg" and
# "MS Sans Serif" fall back to a serif face.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# No window manager here: Wine's own frames, and no 2-second wait for every hidden window.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# What Windows has and Wine lacks: .reg files open with the registry editor.
wine reg add 'HKCR\.reg' /ve /d regfile /f >/dev/null 2>&1
wine reg add 'HKCR\regfile\shell\open\command' /ve /d 'regedit.exe "%1"' /f >/dev/null 2>&1
wineserver -w
# A drive without a medium: D: is listed, its root cannot be read.
ln -sfn /nonexistent/quantaline-no-medium "$WINEPREFIX/dosdevices/d:"
wineserver -p
wine cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
say "fresh Wine prefix in $(($(date +%s) - start)) s"

probe() { wine "$probe_exe" "$@" 2>/dev/null | tr -d '\r'; }
# The window's picture as the screen shows it, frame included.
shoot() { # title file
    local geometry
    geometry=$(probe geometry "$1" | sed -n 's/^window //p')
    [ -n "$geometry" ] || { fail "no window \"$1\" to photograph"; return; }
    read -r x y w h <<<"$geometry"
    # For a look only: a moment for the window to paint what it has just been given.
    sleep 0.5
    import -display "$DISPLAY" -window root -crop "${w}x${h}+${x}+${y}" +repage "$shots/$2"
}
wait_window() { # title seconds
    probe wait "$1" "$2" >/dev/null || { fail "no window \"$1\" after $2 s; shown: $(probe titles | tr '\n' '|')"; return 1; }
}
dos_to_unix() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }

c_drive=$WINEPREFIX/drive_c
stream_name=mpeg2-es-422-component.m2v
stream=$source_dir/tests/data/$stream_name
program_folder=$c_drive/Quantaline
mkdir -p "$program_folder" "$c_drive/Clips"
cp "$build/quantaline.exe" "$build/quantaline-cli.exe" "$program_folder/"
cp "$stream" "$c_drive/Clips/"
# TMPGEnc's settings file where the export looks by default, with a matrix of its own.
tmpgenc_folder="$c_drive/Program Files/Pegasys/TMPGEnc"
mkdir -p "$tmpgenc_folder"
initial_ini=$work_dir/TMPGEnc.initial.ini
printf '[Environment]\r\nLanguage=fr\r\n\r\n[Tools.QuantizeMatrix]\r\nCount=1\r\nName0="Ancienne"\r\n' >"$initial_ini"
for k in 0 1 2 3 4 5 6 7; do
    printf 'Intra0_%s=1 1 1 1 1 1 1 1\r\nNonIntra0_%s=2 2 2 2 2 2 2 2\r\n' $k $k >>"$initial_ini"
done
printf '\r\n[Tools.Other]\r\nKey=1\r\n\r\n' >>"$initial_ini"
cp "$initial_ini" "$tmpgenc_folder/TMPGEnc.ini"

main_title="Quantaline -  1.10 - by Velnor"
open_title="Ouvrir un fichier mpg,  mpeg, m1v, mpv, m2v, mv2, vob"

# Client-area centres of the controls (twips / 15).
click_main() { probe click "$main_title" "$@" >/dev/null; }
ouvrir=(51 19) cce=(109 462) tmpgenc=(109 487) texte=(109 512) imprimer=(109 537)
propos=(427 537) quitter=(497 537)
# Rows of the folder and file lists are 20 pixels high in MS Sans Serif 8.25 under Wine.
drive_box=(85 18) folder_row_1=(85 72) file_row_0=(250 16) open_button=(392 172)
name_box=(130 95) export_button=(412 116)

# --- 1. The main window: caption, client size, position ---------------------------------
start=$(date +%s)
(cd "$program_folder" && wine 'C:\Quantaline\quantaline.exe' >/dev/null 2>&1) &
program_pid=$!
if wait_window "$main_title" 300; then
    say "main window shown $(($(date +%s) - start)) s after the start"
    geometry=$(probe geometry "$main_title")
    read -r _ wx wy ww wh <<<"$(grep '^window' <<<"$geometry")"
    read -r _ cx cy cw ch <<<"$(grep '^client' <<<"$geometry")"
    say "main window: outer ${ww}x${wh} at $wx,$wy; client ${cw}x${ch} at $cx,$cy"
    [ "$cw $ch" = "534 612" ] || fail "client area ${cw}x${ch}, expected 534x612 (8010 x 8340 twips and the 840-twip strip of the whole-stream read)"
    # Centred: the outer window, frame included, in the middle of the 1024 x 768 screen.
    # The frame is known before the window shows from the window's style; Wine, drawing
    # its own frames without a window manager, makes the title bar 3 pixels taller than
    # that, hence the tolerance downwards.
    expected_x=$(((screen_width - ww) / 2)) expected_y=$(((screen_height - wh) / 2))
    if [ $((wx - expected_x)) -lt -1 ] || [ $((wx - expected_x)) -gt 1 ] ||
        [ $((wy - expected_y)) -lt -1 ] || [ $((wy - expected_y)) -gt 3 ]; then
        fail "main window at $wx,$wy, centred would be $expected_x,$expected_y"
    fi
    shoot "$main_title" main-empty.png
else
    stop "the program did not show its main window"
fi

# --- 2. The open dialog: drives, a drive without a medium, a folder, a stream -------------
click_main "${ouvrir[@]}"
if wait_window "$open_title" 120; then
    shoot "$open_title" open-dialog.png
    # The drive box lists Wine's drives; picking D:, which has no medium, tells so.
    probe click "$open_title" "${drive_box[@]}" >/dev/null
    # For a look only: the list has a moment to drop down before the screen is saved.
    sleep 0.5
    import -display "$DISPLAY" -window root "$shots/open-drive-list-screen.png"
    probe key "$open_title" 40 >/dev/null # down: from C:\ to D:\ in the open list
    probe key "$open_title" 13 >/dev/null
    if wait_window "Erreur d'accès au périphérique" 120; then
        shoot "Erreur d'accès au périphérique" drive-unavailable.png
        probe key "Erreur d'accès au périphérique" 13 >/dev/null
        probe gone "Erreur d'accès au périphérique" 120 || fail "the drive message stayed"
    fi
    probe click "$open_title" "${folder_row_1[@]}" 2 >/dev/null
    # The file list fills once the folder is open: until then "Ouvrir" has nothing selected
    # and leaves the dialog up, so the file and "Ouvrir" are clicked again until it closes.
    open_first_file() {
        probe click "$open_title" "${file_row_0[@]}" >/dev/null
        probe click "$open_title" "${open_button[@]}" >/dev/null
        probe gone "$open_title" 5
    }
    probe click "$open_title" "${file_row_0[@]}" >/dev/null
    shoot "$open_title" open-dialog-clips.png
    wait_until 180 open_first_file || fail "the open dialog stayed open"
    shoot "$main_title" main-open.png
fi

# --- 3. The text report, beside the .exe ------------------------------------------------
# "Sauver dans un fichier texte" until its box shows and FILE is there: the button is
# enabled only once the program has opened its file, which a loaded machine takes a while
# to do, and a click on a disabled button is lost. The box is given a minute to show
# before the next click, so that no second box comes up behind the first.
report_from_window() { # FILE [SCREENSHOT]
    local deadline=$((SECONDS + 300 * ${QUANTALINE_WAIT_SCALE:-1}))
    while ((SECONDS < deadline)); do
        click_main "${texte[@]}"
        if probe wait "Matrice sauvegardées..." 60 >/dev/null; then
            [ -z "${2:-}" ] || shoot "Matrice sauvegardées..." "$2"
            probe key "Matrice sauvegardées..." 13 >/dev/null
            probe gone "Matrice sauvegardées..." 60 >/dev/null || true
            [ -f "$1" ] && return 0
        fi
    done
    return 1
}
report_name="matrice de $stream_name.txt"
report_from_window "$program_folder/$report_name" report-saved.png ||
    fail "no text report from the window"
windows_report=$program_folder/$report_name
linux_report_dir=$(mktemp -d)
(cd "$c_drive/Clips" && "$linux_cli" report "$stream_name" --output-dir "$linux_report_dir" >/dev/null)
cli_report_dir=$c_drive/Rapports
mkdir -p "$cli_report_dir"
wine 'C:\Quantaline\quantaline-cli.exe' report "C:\\Clips\\$stream_name" --output-dir 'C:\Rapports' >/dev/null 2>&1 ||
    fail "quantaline-cli.exe report failed"
if [ ! -f "$windows_report" ]; then
    fail "no report beside the .exe: $(ls "$program_folder" | tr '\n' '|')"
else
    # The values and matrices of the window's report are those quantaline-cli.exe gives for
    # the same file, byte for byte; against the Linux report, only the video's path differs.
    cmp -s "$windows_report" "$cli_report_dir/$report_name" ||
        fail "the window's report differs from quantaline-cli.exe's: $(diff <(tr -d '\r' <"$cli_report_dir/$report_name") <(tr -d '\r' <"$windows_report") | head -n 10)"
    diff <(sed 4d "$linux_report_dir/$report_name") <(sed 4d "$windows_report") >/dev/null ||
        fail "the Windows report differs from the Linux one beyond the video's path"
    [ "$(sed -n 4p "$windows_report")" = "Nom du fichier trait$(printf '\351') = C:\\Clips\\$stream_name"$'\r' ] ||
        fail "the report's path line: $(sed -n 4p "$windows_report" | od -c | head -n 3)"
fi
rm -rf "$linux_report_dir"

# --- 4. TMPGEnc: the export dialog writes TMPGEnc.ini, Windows' INI API reads it -----------
matrix_name="Essai Wine"
click_main "${tmpgenc[@]}"
if wait_window "Exporter les matrices vers TMPGEnc ..." 120; then
    probe key "Exporter les matrices vers TMPGEnc ..." 13 >/dev/null # OK, the default
    # The values are the defaults: this box's default is Cancel; Tab to OK, Space.
    if wait_window "Exporter les matrices ..." 120; then
        shoot "Exporter les matrices ..." tmpgenc-default-values.png
        probe key "Exporter les matrices ..." 9 >/dev/null
        probe key "Exporter les matrices ..." 32 >/dev/null
    fi
    if wait_window "Exporter les matrices dans TMPGEnc..." 120; then
        probe text "Exporter les matrices dans TMPGEnc..." "$matrix_name" >/dev/null
        shoot "Exporter les matrices dans TMPGEnc..." tmpgenc-export.png
        probe click "Exporter les matrices dans TMPGEnc..." "${export_button[@]}" >/dev/null
        probe gone "Exporter les matrices dans TMPGEnc..." 120 || fail "the TMPGEnc dialog stayed"
    fi
fi
expected_ini_dir=$(mktemp -d)
cp "$initial_ini" "$expected_ini_dir/TMPGEnc.ini"
"$linux_cli" export-tmpgenc "$stream" --folder "$expected_ini_dir" --name "$matrix_name" >/dev/null
wait_until 60 cmp -s "$expected_ini_dir/TMPGEnc.ini" "$tmpgenc_folder/TMPGEnc.ini" ||
    fail "TMPGEnc.ini differs from the Linux export: $(diff <(tr -d '\r' <"$expected_ini_dir/TMPGEnc.ini") <(tr -d '\r' <"$tmpgenc_folder/TMPGEnc.ini") | head -n 10)"
read_back=$(cd "$tmpgenc_folder" && wine "$ini_reader" TMPGEnc.ini 2>/dev/null | tr -d '\r') ||
    fail "GetPrivateProfileStringA misses an entry: $read_back"
grep -q "^1|$matrix_name|" <<<"$read_back" && grep -q '^Count=2$' <<<"$read_back" ||
    fail "TMPGEnc.ini read back: $read_back"
rm -rf "$expected_ini_dir"

# --- 5. CCE: the registry script, handed to ShellExecuteW, imported by regedit ------------
cce_key='HKEY_CURRENT_USER\Software\Custom Technology\CCE SP Trial Version\qmat'
click_main "${cce[@]}"
if wait_window "Exporter les matrices vers CCE..." 120; then
    probe key "Exporter les matrices vers CCE..." 9 >/dev/null
    probe key "Exporter les matrices vers CCE..." 32 >/dev/null
    if wait_window "Exporter les matrices dans CCE..." 120; then
        probe text "Exporter les matrices dans CCE..." "$matrix_name" >/dev/null
        shoot "Exporter les matrices dans CCE..." cce-export.png
        probe click "Exporter les matrices dans CCE..." "${export_button[@]}" >/dev/null
        probe gone "Exporter les matrices dans CCE..." 120 || fail "the CCE dialog stayed"
    fi
fi
expected_script=$(mktemp)
"$linux_cli" export-cce "$stream" --key "$cce_key" --name "$matrix_name" --output "$expected_script" >/dev/null
cmp -s "$expected_script" "$program_folder/quantaline.reg" ||
    fail "the registry script differs from the Linux export"
# The bytes the script gives, as reg query prints them.
expected_hex=$(sed -n 's/^"[^"]*"=hex://p' "$expected_script" | tr -d ',\\\r\n ' | tr a-f A-F)
query=
imported() { query=$(wine reg query "$cce_key" /v "$matrix_name" 2>/dev/null | tr -d '\r'); }
wait_until 120 imported || true
grep -qF "REG_BINARY    $expected_hex" <<<"$query" ||
    fail "regedit did not import the script through ShellExecuteW: $query"
rm -f "$expected_script"

# --- 6. A second copy ---------------------------------------------------------------------
(wine 'C:\Quantaline\quantaline.exe' >/dev/null 2>&1) &
second_pid=$!
if wait_window "Doublon..." 120; then
    shoot "Doublon..." second-copy.png
    probe key "Doublon..." 13 >/dev/null
    wait_while 120 kill -0 "$second_pid" 2>/dev/null ||
        fail "the second copy did not end after its message"
    probe wait "$main_title" 1 >/dev/null || fail "the first copy's window has gone"
fi

# --- 6b. A second copy with a file hands it to the first ---------------------------------
cp "$c_drive/Clips/$stream_name" "$c_drive/Clips/remis.m2v"
(wine 'C:\Quantaline\quantaline.exe' 'C:\Clips\remis.m2v' >/dev/null 2>&1) &
second_pid=$!
if ! wait_while 180 kill -0 "$second_pid" 2>/dev/null; then
    fail "the second copy with a file did not end by itself: $(probe titles | tr '\n' '|')"
    kill "$second_pid" 2>/dev/null
fi
probe wait "Doublon..." 1 >/dev/null && fail "the second copy with a file showed \"Doublon...\""
# The first copy opened it: its text report is now that file's.
report_from_window "$program_folder/matrice de remis.m2v.txt" ||
    fail "the running copy did not open the file handed over: $(ls "$program_folder" | tr '\n' '|')"

# --- 6c. The whole stream: a stream with two matrix sets, the end of its read, the window -
# Handed over like 6b; the strip under the layout tells that the matrices change, and
# "Flux complet…" (enabled once the read has ended) opens the window photographed here.
cp "$source_dir/tests/data/mpeg2-ps-joined.vob" "$c_drive/Clips/"
flux_title="Flux complet - mpeg2-ps-joined.vob"
flux_button=(462 572)
(wine 'C:\Quantaline\quantaline.exe' 'C:\Clips\mpeg2-ps-joined.vob' >/dev/null 2>&1) &
second_pid=$!
wait_while 180 kill -0 "$second_pid" 2>/dev/null || kill "$second_pid" 2>/dev/null
flux_shown=no
for _ in $(seq 60); do
    # A click on a disabled button does nothing: the read has not ended yet.
    click_main "${flux_button[@]}"
    if probe wait "$flux_title" 2 >/dev/null; then
        flux_shown=yes
        break
    fi
done
if [ "$flux_shown" = yes ]; then
    say "Flux complet window shown after the read"
    shoot "$main_title" main-window-stream-read.png
    shoot "$flux_title" flux-complet.png
    # Another file closes the window of the previous one.
    (wine 'C:\Quantaline\quantaline.exe' 'C:\Clips\remis.m2v' >/dev/null 2>&1) &
    second_pid=$!
    wait_while 180 kill -0 "$second_pid" 2>/dev/null || kill "$second_pid" 2>/dev/null
    probe gone "$flux_title" 60 || fail "the Flux complet window stayed after another file"
else
    fail "no \"$flux_title\" window after the read; shown: $(probe titles | tr '\n' '|')"
fi

# --- 7. Printing to the cups-pdf queue through Wine's spooler -----------------------------
if [ "$(id -u)" -eq 0 ] && "$source_dir/tests/print/run.sh" setup "$print_work" >"$work_dir/print-setup.log" 2>&1; then
    print_started=1
    pdf_folder=$(sed -n 's/^Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf | tail -n 1)
    pdf_folder=${pdf_folder:-\$\{HOME\}/PDF}
    pdf_folder=${pdf_folder//\$\{HOME\}/$(getent passwd "$(id -un)" | cut -d: -f6)}
    mkdir -p "$pdf_folder"
    if probe printers | grep -q '^default QuantalinePDF$'; then
        marker=$(mktemp)
        # Not a wait: the PDF must be newer than the marker at the file system's resolution.
        sleep 1
        click_main "${imprimer[@]}"
        pdf=
        printed() {
            pdf=$(find "$pdf_folder" -maxdepth 1 -name '*.pdf' -newer "$marker" | head -n 1)
            [ -n "$pdf" ] && [ -z "$(lpstat -o QuantalinePDF 2>/dev/null)" ]
        }
        wait_until 300 printed || pdf=
        rm -f "$marker"
        if [ -z "$pdf" ]; then
            fail "no PDF from the Windows program; shown: $(probe titles | tr '\n' '|')"
        else
            mv "$pdf" "$work_dir/printed.pdf"
            pdftotext -layout "$work_dir/printed.pdf" "$work_dir/printed.txt"
            pdftoppm -r 80 -png -singlefile "$work_dir/printed.pdf" "$shots/printed-page" || true
            # Every line of the text report with something on it is on the page (spacing
            # aside: the page sets its columns by measure).
            page=$(tr -s ' \n' '  ' <"$work_dir/printed.txt")
            while IFS= read -r line; do
                line=$(printf '%s' "$line" | iconv -f CP1252 -t UTF-8 | tr -d '\r' | tr -s ' ')
                line=${line# }
                [ -z "$line" ] && continue
                grep -qF -- "${line:0:20}" <<<"$page" ||
                    { fail "the printed page lacks \"$line\""; break; }
            done <"$windows_report"
            # Nothing past the printable area, whatever Wine's printer font measures.
            python3 "$source_dir/tests/print/check_page.py" --inside "$work_dir/printed.pdf" \
                /etc/cups/ppd/QuantalinePDF.ppd >"$work_dir/printed-area.log" 2>&1 ||
                fail "$(cat "$work_dir/printed-area.log")"
            say "printed through Wine to cups-pdf: $(pdfinfo "$work_dir/printed.pdf" | sed -n 's/^Pages: *//p') page(s); $(cat "$work_dir/printed-area.log")"
        fi
    else
        say "print check SKIPPED: Wine does not see the cups-pdf queue as its default printer" \
            "($(probe printers | tr '\n' '|'))"
    fi
else
    say "print check SKIPPED: no cups-pdf queue (needs root and tests/print/run.sh setup)"
fi

# --- 8. Quit; the configuration stays beside the .exe -------------------------------------
click_main "${quitter[@]}"
wait_while 120 kill -0 "$program_pid" 2>/dev/null || fail "the program did not end on Quitter"
[ -f "$program_folder/quantaline.cfg" ] ||
    fail "no configuration beside the .exe: $(ls "$program_folder" | tr '\n' '|')"

# --- 9. The installer: silent install, the installed program, silent uninstall ------------
local_app_data=$(dos_to_unix "$(wine cmd /c echo '%LOCALAPPDATA%' 2>/dev/null | tr -d '\r')")
installed="$c_drive/Program Files/Quantaline"
# The user's player owns .m2v: the installer must leave it so.
wine reg add 'HKCR\.m2v' /ve /d Lecteur.Video /f >/dev/null 2>&1
start=$(date +%s)
wine "$setup_exe" /S >/dev/null 2>&1 || fail "the installer ended with status $?"
wait_until 120 test -f "$installed/uninstall.exe" || true
say "silent install in $(($(date +%s) - start)) s: $(ls "$installed" | tr '\n' ' ')"
for file in quantaline.exe quantaline-cli.exe LISEZMOI.txt LICENCE.txt uninstall.exe; do
    [ -f "$installed/$file" ] || fail "the installer did not put $file in Program Files\\Quantaline"
done
cmp -s "$installed/quantaline.exe" "$build/quantaline.exe" || fail "the installed quantaline.exe differs"
[ -f "$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Quantaline.lnk" ] ||
    fail "no Start-menu entry"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quantaline'
wine reg query "$uninstall_key" /v UninstallString 2>/dev/null | grep -qi 'uninstall.exe' ||
    fail "no uninstaller in Programs and Features"
for ext in .m2v .mpg .mv2 .mpeg .m1v .mpv .vob .ts .m2ts .mts; do
    wine reg query "HKCR\\$ext\\OpenWithProgids" /v Quantaline.VideoMPEG >/dev/null 2>&1 ||
        fail "no Open with entry for $ext"
done
wine reg query 'HKCR\Applications\quantaline.exe\SupportedTypes' /v .vob >/dev/null 2>&1 ||
    fail "quantaline.exe does not list .vob among its supported types"
# The user's default player stays: the extension's own default value is untouched.
# reg query names the default value in Wine's language ("(par défaut)", not in UTF-8): the
# value is cut out byte by byte.
m2v_default=$(wine reg query 'HKCR\.m2v' /ve 2>/dev/null | tr -d '\r' | LC_ALL=C sed -n 's/.*REG_SZ *//p' || true)
[ "$m2v_default" = Lecteur.Video ] || fail "the installer changed the default program of .m2v: $m2v_default"

# The installed copy keeps its files in %LOCALAPPDATA%\Quantaline\, not in Program Files.
# Started as Explorer's "Open with" starts it: the command the installer registered.
rm -rf "$local_app_data/Quantaline"
open_command=$(wine reg query 'HKCR\Applications\quantaline.exe\shell\open\command' /ve 2>/dev/null |
    tr -d '\r' | LC_ALL=C sed -n 's/.*REG_SZ *//p' || true)
[ "$open_command" = '"C:\Program Files\Quantaline\quantaline.exe" "%1"' ] ||
    fail "the Open with command is $open_command"
(wine 'C:\Program Files\Quantaline\quantaline.exe' "C:\\Clips\\$stream_name" >/dev/null 2>&1) &
installed_pid=$!
if wait_window "$main_title" 300; then
    report_from_window "$local_app_data/Quantaline/$report_name" ||
        fail "no text report from the installed program"
    shoot "$main_title" installed-open-with.png
    click_main "${quitter[@]}"
fi
wait_while 120 kill -0 "$installed_pid" 2>/dev/null ||
    fail "the installed program did not end on Quitter"
[ -f "$local_app_data/Quantaline/quantaline.cfg" ] ||
    fail "the installed program wrote no configuration in %LOCALAPPDATA%\\Quantaline: $(ls "$local_app_data/Quantaline" 2>&1)"
cmp -s "$local_app_data/Quantaline/$report_name" "$windows_report" ||
    fail "the installed program's report is not in %LOCALAPPDATA%\\Quantaline or differs"
[ "$(ls "$installed" | sort | tr '\n' ' ')" = "LICENCE.txt LISEZMOI.txt quantaline-cli.exe quantaline.exe uninstall.exe " ] ||
    fail "the installed program wrote into Program Files: $(ls "$installed" | tr '\n' ' ')"

start=$(date +%s)
wine "C:\\Program Files\\Quantaline\\uninstall.exe" /S >/dev/null 2>&1 || true
# The uninstaller runs from a copy of itself in the temporary folder and returns at once.
wait_while 120 test -e "$installed" || true
# It removes the Start-menu entry after the folder: a moment later on a busy machine.
start_menu_link="$c_drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Quantaline.lnk"
wait_while 30 test -e "$start_menu_link" || true
say "silent uninstall in $(($(date +%s) - start)) s"
[ -e "$installed" ] && fail "left in Program Files after the uninstall: $(find "$installed" | tr '\n' ' ')"
[ -e "$start_menu_link" ] && fail "the Start-menu entry survived the uninstall"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the uninstaller is still registered"
wine reg query 'HKCR\.vob\OpenWithProgids' /v Quantaline.VideoMPEG >/dev/null 2>&1 &&
    fail "the Open with entry survived the uninstall"
[ -f "$local_app_data/Quantaline/quantaline.cfg" ] || fail "the uninstall removed the user's settings"
m2v_default=$(wine reg query 'HKCR\.m2v' /ve 2>/dev/null | tr -d '\r' | LC_ALL=C sed -n 's/.*REG_SZ *//p' || true)
[ "$m2v_default" = Lecteur.Video ] || fail "the uninstaller changed the default program of .m2v: $m2v_default"

say "screenshots in $shots: $(ls "$shots" | tr '\n' ' ')"
say "sizes: quantaline.exe $(stat -c %s "$build/quantaline.exe") bytes," \
    "quantaline-cli.exe $(stat -c %s "$build/quantaline-cli.exe") bytes," \
    "installer $(stat -c %s "$setup_exe") bytes"
if [ "$failures" -ne 0 ]; then
    say "$failures check(s) failed ($(($(date +%s) - suite_start)) s)"
    exit 1
fi
say "every check passed under Wine in $(($(date +%s) - suite_start)) s"
