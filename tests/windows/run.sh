#!/usr/bin/env bash
# The Windows build under Wine: cross-compiles the core, quantaline-cli and core_tests
# with mingw-w64, runs core_tests.exe in a fresh Wine prefix, then runs
# quantaline-cli.exe on every stream of tests/data and compares what it prints with
# the Linux build's output, byte for byte once the Windows line ends are set aside.
#
#   tests/windows/run.sh SOURCE_DIR WORK_DIR LINUX_CLI [fr|en]
#
# The last argument is the user's language under Wine (French when it is left out): both
# programs run under a locale of that language, and the texts checked are its own.
#
# Exit status 77 (a skip for CTest) when mingw-w64 or Wine is missing and cannot be
# installed; the reason is printed.
set -euo pipefail

source_dir=$(cd "$1" && pwd)
work_dir=$2
linux_cli=$(realpath "$3")
language=${4:-fr}
skip=77
triple=x86_64-w64-mingw32
jobs=${QUANTALINE_JOBS:-2}

say() { printf '[windows %s] %s\n' "$language" "$*"; }
seconds_since() { echo "$(($(date +%s%N) / 1000000 - $1))" | awk '{ printf "%.1f", $1 / 1000 }'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

have_tools() {
    command -v "$triple-g++-posix" >/dev/null && command -v wine >/dev/null &&
        command -v wineserver >/dev/null && [ -f /usr/src/googletest/CMakeLists.txt ]
}

# --- Tools ------------------------------------------------------------------------------
if ! have_tools; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
            sudo="sudo -n"
        else
            say "SKIPPED: mingw-w64 or Wine is missing and installing them needs root" \
                "(apt-get install g++-mingw-w64-x86-64-posix wine googletest)"
            exit $skip
        fi
    fi
    say "installing mingw-w64, wine and googletest with apt-get"
    start=$(now_ms)
    if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 g++-mingw-w64-x86-64-posix wine googletest >/dev/null; then
        say "SKIPPED: apt-get could not install mingw-w64, wine and googletest"
        exit $skip
    fi
    say "installed in $(seconds_since "$start") s"
    have_tools || { say "SKIPPED: the tools are still missing after apt-get"; exit $skip; }
fi

mkdir -p "$work_dir"
work_dir=$(cd "$work_dir" && pwd)

# shellcheck source=tests/support/wine_language.sh
. "$source_dir/tests/support/wine_language.sh"
wine_language "$language" || { say "SKIPPED: no $language locale for Wine"; exit $skip; }
case $language in
fr)
    file_caption="Fichier : "
    report_path_caption="Nom du fichier trait$(printf '\351') = "
    ;;
en)
    file_caption="File: "
    report_path_caption="File = "
    ;;
esac

# --- A fresh Wine prefix, its server stopped at the end ------------------------------------
# shellcheck source=tests/support/wine_prefix.sh
. "$source_dir/tests/support/wine_prefix.sh"
wine_prefix_new "$work_dir"
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
trap wine_prefix_stop EXIT
start=$(now_ms)
wine wineboot --init >/dev/null 2>&1
wineserver -w
say "first Wine start (wineboot of a fresh prefix): $(seconds_since "$start") s"
# One server for every run below instead of one per program. Its helper processes
# (services.exe, ...) are started here, away from the pipes of CMake's test discovery,
# which would otherwise wait for them to close until its timeout.
wineserver -p
wine cmd /c exit 0 </dev/null >/dev/null 2>&1

# --- Cross build --------------------------------------------------------------------------
generator=()
command -v ninja >/dev/null && generator=(-G Ninja)
toolchain=$source_dir/cmake/mingw-w64.cmake
sysroot=$work_dir/sysroot
start=$(now_ms)
if [ ! -f "$sysroot/lib/libgtest.a" ]; then
    cmake -S /usr/src/googletest -B "$work_dir/googletest" "${generator[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$sysroot" >/dev/null
    cmake --build "$work_dir/googletest" -j "$jobs" >/dev/null
    cmake --install "$work_dir/googletest" >/dev/null
    say "GoogleTest for Windows built in $(seconds_since "$start") s"
fi
start=$(now_ms)
# The flags of the delivered programs (tools/build-windows.sh): the core's objects compile
# to the same ccache entries as that build's.
cmake -S "$source_dir" -B "$work_dir/quantaline" "${generator[@]}" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_FIND_ROOT_PATH="$sysroot" \
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DQUANTALINE_UI=OFF \
    -DQUANTALINE_BENCH=OFF -DQUANTALINE_SUITES=OFF -DQUANTALINE_WERROR=ON >/dev/null
# Only what runs on Windows: cli_tests drive the CLI with POSIX processes.
cmake --build "$work_dir/quantaline" -j "$jobs" --target quantaline-cli core_tests
say "core, quantaline-cli.exe and core_tests.exe built in $(seconds_since "$start") s"

cli_exe=$work_dir/quantaline/quantaline-cli.exe
tests_exe=$work_dir/quantaline/tests/core_tests.exe

# --- core_tests under Wine ---------------------------------------------------------------
start=$(now_ms)
wine "$tests_exe" --gtest_brief=1 >"$work_dir/core_tests.log" 2>&1 || {
    cat "$work_dir/core_tests.log"
    say "FAILED: core_tests.exe under Wine"
    exit 1
}
tail -n 2 "$work_dir/core_tests.log" | tr -d '\r'
passed=$(tr -d '\r' <"$work_dir/core_tests.log" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p')
if [ -z "$passed" ] || [ "$passed" -eq 0 ]; then
    say "FAILED: no test ran"
    exit 1
fi
skipped=$(tr -d '\r' <"$work_dir/core_tests.log" | sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?\./\1/p')
say "core_tests.exe: $passed tests passed, ${skipped:-0} skipped, under Wine in $(seconds_since "$start") s"
tr -d '\r' <"$work_dir/core_tests.log" | grep -A1 ': Skipped$' || true

# --- quantaline-cli.exe on the real streams ---------------------------------------------
failures=0
fail() {
    say "FAILED: $*"
    failures=$((failures + 1))
}
# Runs one command and keeps its standard output (CR LF turned into LF), its standard error
# and its exit status.
run_into() {
    local out=$1
    shift
    local status=0
    "$@" >"$out.raw" 2>"$out.err" || status=$?
    tr -d '\r' <"$out.raw" >"$out"
    echo "$status" >"$out.status"
}
# What a failed run printed on standard error: Wine's own complaints land there.
show_errors() {
    [ -s "$1.err" ] || return 0
    say "standard error of $(basename "$1"):"
    head -n 20 "$1.err" | tr -d '\r'
}
compare() { # name, Windows command..., -- Linux command...
    local name=$1
    shift
    local windows=() linux=()
    while [ "$1" != "--" ]; do windows+=("$1"); shift; done
    shift
    linux=("$@")
    run_into "$out_dir/$name.windows" wine "${windows[@]}"
    run_into "$out_dir/$name.linux" "${linux[@]}"
    if ! cmp -s "$out_dir/$name.windows" "$out_dir/$name.linux"; then
        fail "$name: the Windows output differs from the Linux output"
        diff "$out_dir/$name.linux" "$out_dir/$name.windows" | head -n 20 || true
        show_errors "$out_dir/$name.windows"
    fi
    if ! cmp -s "$out_dir/$name.windows.status" "$out_dir/$name.linux.status"; then
        fail "$name: exit status $(cat "$out_dir/$name.windows.status") on Windows," \
            "$(cat "$out_dir/$name.linux.status") on Linux"
        show_errors "$out_dir/$name.windows"
    fi
}

out_dir=$work_dir/cli-output
rm -rf "$out_dir"
mkdir -p "$out_dir"
cd "$source_dir/tests/data"
streams=(*.m1v *.m2v *.mpg *.vob)
[ -e "${streams[0]}" ] || { say "FAILED: tests/data holds no stream"; exit 1; }
start=$(now_ms)
for stream in "${streams[@]}"; do
    compare "$stream.txt" "$cli_exe" info "$stream" -- "$linux_cli" info "$stream"
    compare "$stream.json" "$cli_exe" info --json "$stream" -- "$linux_cli" info --json "$stream"
done
# Every stream in one call, as a batch does it.
compare batch.json "$cli_exe" info --json "${streams[@]}" -- "$linux_cli" info --json "${streams[@]}"
say "quantaline-cli.exe on ${#streams[@]} streams in $(seconds_since "$start") s"

# A drive-letter path with "\" separators names the same file as its Unix path (Wine's
# Z: is /), and is echoed as given.
unix_path=$source_dir/tests/data/sample-dvd.vob
windows_path="Z:${unix_path//\//\\}"
run_into "$out_dir/drive.windows" wine "$cli_exe" info "$windows_path"
run_into "$out_dir/drive.linux" "$linux_cli" info "$unix_path"
if ! diff <(tail -n +2 "$out_dir/drive.linux") <(tail -n +2 "$out_dir/drive.windows") >/dev/null ||
    [ "$(head -n 1 "$out_dir/drive.windows")" != "$file_caption$windows_path" ]; then
    fail "a drive-letter path: $(head -n 3 "$out_dir/drive.windows" | tr '\n' '|')"
fi

# A file name outside the ANSI code page must reach the analysis intact.
unicode_dir=$(mktemp -d)
unicode_name="matrice été ½ Ωmega.vob"
cp "$source_dir/tests/data/sample-dvd.vob" "$unicode_dir/$unicode_name"
(cd "$unicode_dir" && run_into "$out_dir/unicode.windows" wine "$cli_exe" info --json "$unicode_name")
(cd "$unicode_dir" && run_into "$out_dir/unicode.linux" "$linux_cli" info --json "$unicode_name")
rm -rf "$unicode_dir"
cmp -s "$out_dir/unicode.windows" "$out_dir/unicode.linux" ||
    fail "a non-ASCII file name: $(head -c 200 "$out_dir/unicode.windows")"

# The text report of a Windows program goes next to its .exe, named after what follows
# the last "\" of the video's path; apart from that path its bytes are the Linux ones.
program_dir=$(mktemp -d)
cp "$cli_exe" "$program_dir/quantaline-cli.exe"
report_status=0
printed=$(cd "$source_dir/tests/data" &&
    wine "$program_dir/quantaline-cli.exe" report sample-dvd.vob 2>&1 | tr -d '\r') ||
    report_status=$?
windows_report="$program_dir/matrice de sample-dvd.vob.txt"
linux_report_dir=$(mktemp -d)
(cd "$source_dir/tests/data" && "$linux_cli" report sample-dvd.vob --output-dir "$linux_report_dir" >/dev/null)
linux_report="$linux_report_dir/matrice de sample-dvd.vob.txt"
if [ "$report_status" -ne 0 ] || [ ! -f "$windows_report" ]; then
    fail "report: status $report_status, printed $printed, folder: $(ls "$program_dir")"
elif [ "$printed" != "Z:${program_dir//\//\\}\\matrice de sample-dvd.vob.txt" ]; then
    fail "report: printed $printed"
elif ! diff <(sed 4d "$linux_report") <(sed 4d "$windows_report") >/dev/null; then
    fail "report: the Windows report differs from the Linux one beyond the video's path"
elif [ "$(sed -n 4p "$windows_report")" != "${report_path_caption}Z:${source_dir//\//\\}\\tests\\data\\sample-dvd.vob"$'\r' ]; then
    fail "report: the video's path line is $(sed -n 4p "$windows_report" | od -c | head -3)"
fi
rm -rf "$program_dir" "$linux_report_dir"

# The exit statuses: a missing file and a usage error.
compare missing.json "$cli_exe" info --json no-such-file.vob -- \
    "$linux_cli" info --json no-such-file.vob
[ "$(cat "$out_dir/missing.json.windows.status")" = 1 ] || fail "a missing file must give status 1"
compare usage "$cli_exe" info -- "$linux_cli" info
[ "$(cat "$out_dir/usage.windows.status")" = 2 ] || fail "a usage error must give status 2"
compare version "$cli_exe" --version -- "$linux_cli" --version

if [ "$failures" -ne 0 ]; then
    say "$failures check(s) of quantaline-cli.exe failed"
    exit 1
fi
say "quantaline-cli.exe: every check passed under Wine"
