#!/usr/bin/env bash
# The Debian package, installed for real: builds quantaline_<version>_amd64.deb with
# CPack, checks its control fields and contents, installs it with apt, runs the
# installed quantaline-cli and (when packaged) the desktop program offscreen, checks
# that their files go to the per-user data folder, then removes the package and
# whatever apt pulled in with it, so that the machine is left as it was.
#
#   tests/package/run.sh BUILD_DIR VERSION SAMPLE
#
# Exit status 77 (a skip for CTest), with the reason printed, when packages cannot be
# installed here (not root, no apt) or when Quantaline is already installed.
set -euo pipefail

build_dir=$(cd "$1" && pwd)
version=$2
sample=$3
skip=77
deb_name="quantaline_${version}_amd64.deb"
source "$(dirname "$0")/../support/wait.sh"

say() { printf '[package] %s\n' "$*"; }
failures=0
fail() {
    say "FAILED: $*"
    failures=$((failures + 1))
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
        sudo="sudo -n"
    else
        say "SKIPPED: installing a package needs root (or sudo without a password)"
        exit $skip
    fi
fi
for tool in apt-get dpkg dpkg-deb dpkg-shlibdeps cpack desktop-file-validate; do
    command -v "$tool" >/dev/null || { say "SKIPPED: $tool is missing"; exit $skip; }
done
if dpkg-query -W -f='${Status}' quantaline 2>/dev/null | grep -q "install ok installed"; then
    say "SKIPPED: a quantaline package is installed already; this test would replace it"
    exit $skip
fi

# --- Build the package ---------------------------------------------------------------------
work=$build_dir/package
rm -rf "$work"
mkdir -p "$work"
start=$(date +%s)
(cd "$build_dir" && cpack -G DEB -B "$work" >"$work/cpack.log" 2>&1) || {
    cat "$work/cpack.log"
    say "FAILED: cpack -G DEB"
    exit 1
}
deb=$work/$deb_name
[ -f "$deb" ] || { ls "$work"; say "FAILED: cpack made no $deb_name"; exit 1; }
say "$deb_name built in $(($(date +%s) - start)) s ($(stat -c %s "$deb") bytes)"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = quantaline ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ "$(field Section)" = video ] || fail "Section: $(field Section)"
[ -n "$(field Description)" ] || fail "no Description"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
say "Depends: $depends"
# From dpkg-shlibdeps: the C and C++ runtimes of any C++ program.
for library in libc6 libstdc++6; do
    [[ "$depends" == *"$library ("* ]] || fail "Depends lacks $library"
done

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|')
expect_file() {
    grep -qx "$1" <<<"$contents" || fail "the package lacks $1"
}
expect_file /usr/bin/quantaline-cli
expect_file /usr/share/man/man1/quantaline-cli.1.gz
expect_file /usr/share/man/fr/man1/quantaline-cli.1.gz
expect_file /usr/share/doc/quantaline/README.md
expect_file /usr/share/doc/quantaline/LICENSE
expect_file /usr/share/doc/quantaline/copyright
with_desktop=false
if grep -qx /usr/bin/quantaline <<<"$contents"; then
    with_desktop=true
    [[ "$depends" == *libqt6widgets6* ]] || fail "Depends lacks libqt6widgets6"
    expect_file /usr/share/applications/quantaline.desktop
    expect_file /usr/share/icons/hicolor/scalable/apps/quantaline.svg
    expect_file /usr/share/icons/hicolor/48x48/apps/quantaline.png
    expect_file /usr/share/icons/hicolor/256x256/apps/quantaline.png
    dpkg-deb -x "$deb" "$work/unpacked"
    desktop-file-validate "$work/unpacked/usr/share/applications/quantaline.desktop" ||
        fail "quantaline.desktop is not a valid desktop entry"
    desktop_entry=$(cat "$work/unpacked/usr/share/applications/quantaline.desktop")
    expect_file /usr/share/mime/packages/quantaline.xml
    # "Open with" in a file manager: the file is handed over as %f, for the types of every
    # extension the open dialog lists.
    for line in "Exec=quantaline %f" "MimeType=video/mpeg;video/mpv;video/mp2t;video/mp4;video/x-m4v;video/x-matroska;video/x-msvideo;video/h264;video/h265;" \
        "Categories=AudioVideo;Video;" "Icon=quantaline"; do
        grep -qx "$line" <<<"$desktop_entry" || fail "quantaline.desktop lacks $line"
    done
    if command -v xmllint >/dev/null; then
        xmllint --noout "$work/unpacked/usr/share/mime/packages/quantaline.xml" ||
            fail "quantaline.xml is not well-formed"
    fi
    # The program speaks French: so do its name and comment, English being the translation.
    grep -qx 'Comment=Affiche les matrices de quantification .*' <<<"$desktop_entry" ||
        fail "quantaline.desktop has no French comment"
else
    say "the package holds no desktop program (built without QUANTALINE_UI)"
fi
[ "$failures" -eq 0 ] || exit 1

# Nothing of the package may be on the machine already: removing it would take it away.
while read -r path; do
    if [ -f "$path" ]; then
        say "SKIPPED: $path exists already, outside any quantaline package"
        exit $skip
    fi
done <<<"$contents"

# --- Install it with apt, remove it whatever happens --------------------------------------
packages_before=$work/packages-before.txt
dpkg-query -W -f='${Package}\n' | sort >"$packages_before"
installed=false
remove_package() {
    $installed || return 0
    local added
    added=$(comm -13 "$packages_before" <(dpkg-query -W -f='${Package}\n' | sort) | tr '\n' ' ')
    say "removing: $added"
    # shellcheck disable=SC2086  # one word per package
    DEBIAN_FRONTEND=noninteractive $sudo apt-get purge -y -qq -o DPkg::Lock::Timeout=600 \
        $added >/dev/null
    if dpkg-query -W -f='${Status}' quantaline 2>/dev/null | grep -q "install ok installed"; then
        say "FAILED: quantaline is still installed"
        return 1
    fi
    comm -3 "$packages_before" <(dpkg-query -W -f='${Package}\n' | sort) >"$work/packages-diff.txt"
    if [ -s "$work/packages-diff.txt" ]; then
        say "FAILED: the installed packages differ from before:"
        cat "$work/packages-diff.txt"
        return 1
    fi
    say "the package is removed; the installed packages are as before"
}
cleanup() {
    local status=$?
    remove_package || status=1
    rm -rf "${home:-}"
    exit $status
}
trap cleanup EXIT

start=$(date +%s)
installed=true
# Without the recommended xdg-utils: it would pull some fifty packages in and out again,
# and nothing here opens a file with the desktop.
if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "$deb" >"$work/apt.log" 2>&1; then
    cat "$work/apt.log"
    say "FAILED: apt-get install ./$deb_name"
    exit 1
fi
say "installed with apt-get in $(($(date +%s) - start)) s"

# --- The installed CLI ---------------------------------------------------------------------
home=$(mktemp -d)
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config
export XDG_RUNTIME_DIR=$home/runtime
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
user_folder=$XDG_DATA_HOME/Quantaline

cli=/usr/bin/quantaline-cli
[ -x "$cli" ] || fail "$cli is not installed"
got_version=$("$cli" --version) || fail "quantaline-cli --version failed"
[ "$got_version" = "quantaline-cli $version" ] || fail "--version says: $got_version"
installed_info=$("$cli" info "$sample") || fail "quantaline-cli info failed"
built_info=$("$build_dir/quantaline-cli" info "$sample")
[ "$installed_info" = "$built_info" ] || fail "the installed CLI and the build's differ on info"
grep -qx "Résolution : 720 x 576" <<<"$installed_info" || fail "info: $installed_info"
installed_json=$("$cli" info --json "$sample")
[[ "$installed_json" == '{"file":'*'"messages":[]}' ]] || fail "info --json: $installed_json"
if command -v man >/dev/null; then
    man -w quantaline-cli >/dev/null 2>&1 || fail "man does not find quantaline-cli(1)"
fi

# /usr/bin cannot be written by a user: the report goes to the per-user data folder.
report=$(cd "$home" && "$cli" report "$sample") || fail "quantaline-cli report failed"
[ "$report" = "$user_folder/matrice de $(basename "$sample").txt" ] ||
    fail "the report went to $report"
[ -f "$report" ] || fail "no report at $report"

# --- The installed desktop program, offscreen ----------------------------------------------
if $with_desktop; then
    cp "$sample" "$home/sample.vob"
    # The installed program, opening a file as a file manager's "Open with" starts it: it
    # must come up, write its configuration into the per-user folder and keep running.
    QT_QPA_PLATFORM=offscreen /usr/bin/quantaline "$home/sample.vob" >"$work/quantaline.log" 2>&1 &
    program=$!
    wait_until 120 test -f "$user_folder/quantaline.cfg" || true
    # Not a wait: the time the program must go on running after its start-up.
    sleep 1
    if kill -0 "$program" 2>/dev/null; then
        kill "$program"
        wait "$program" 2>/dev/null || true
    else
        cat "$work/quantaline.log"
        fail "quantaline ended by itself"
    fi
    [ -f "$user_folder/quantaline.cfg" ] ||
        fail "no configuration in $user_folder: $(ls -A "$XDG_DATA_HOME" 2>&1)"
    head -n 1 "$user_folder/quantaline.cfg" | grep -q '^\[quantaline ' ||
        fail "the configuration does not name the program: $(head -n 1 "$user_folder/quantaline.cfg")"
    # Test hooks live in the test driver only: the shipped program reads no variable of ours.
    if grep -a -o 'QUANTALINE_[A-Z_]*' /usr/bin/quantaline /usr/bin/quantaline-cli; then
        fail "the shipped programs name environment variables of their own"
    fi
fi
[ ! -e /usr/bin/quantaline.cfg ] || fail "a configuration was written into /usr/bin"

if [ "$failures" -ne 0 ]; then
    say "$failures check(s) failed"
    exit 1
fi
say "the installed package works"
