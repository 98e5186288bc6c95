#!/usr/bin/env bash
# Builds the static Qt for 64-bit Windows that quantaline.exe links with, from Debian's own
# qt6-base source package, with Debian's mingw-w64 (posix threads).
#
#   tools/build-qt-windows.sh            build (or find) the cached Qt, print its folder last
#   tools/build-qt-windows.sh --prefix   only print the folder the cached Qt lives in
#   tools/build-qt-windows.sh --check    exit 0 when that folder is complete, 1 otherwise
#
# The result lives outside the checkout, in
#   ${XDG_CACHE_HOME:-$HOME/.cache}/quantaline/qt-<Debian version>-mingw64-<options hash>
# keyed by the Qt version and by everything that shapes the build (the options below, the
# toolchain file, this script's patch list), so a changed option builds a new folder and an
# unchanged one is reused: when the folder holds its ".complete" stamp the script does nothing.
#
# Environment:
#   QUANTALINE_QT_JOBS        parallel jobs for ninja (default 2: the build machine is shared)
#   QUANTALINE_QT_KEEP_BUILD  1 keeps the 2.5 GB build folder after a successful install
#
# This is also the way to relink quantaline.exe with another Qt (the LGPL's requirement for a
# statically linked program): change the version or options here, rebuild, run `make windows`.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
triple=x86_64-w64-mingw32
jobs=${QUANTALINE_QT_JOBS:-2}

# The host tools (moc, rcc, uic, syncqt...) are Debian's qt6-base-dev-tools; a cross build of
# Qt must use host tools of exactly its own version, so the source package is fetched at the
# installed tools' version.
version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools 2>/dev/null || true)
if [ -z "$version" ]; then
    echo "build-qt-windows: qt6-base-dev-tools is not installed (it gives the host tools)" >&2
    exit 2
fi

# Configure options, one per line with why. Every line enters the cache key.
options=(
    # the Windows target through Qt's own mkspec; the compilers come from the toolchain file
    -xplatform win32-g++
    # host tools from Debian's qt6-base-dev-tools instead of building them a second time
    -qt-host-path /usr
    -release
    # one .exe: Qt's libraries and plugins linked in, and the C/C++ runtime too
    -static
    -static-runtime
    -nomake tests
    -nomake examples
    # the program draws with QPainter only
    -no-opengl
    -no-feature-vulkan
    # Linux-only services
    -no-dbus
    -no-glib
    # Windows has no pkg-config for the target; the host's would find Linux libraries
    -no-pkg-config
    # ICU would add 30 MB of data; Windows' own collation and Qt's codecs cover our texts
    -no-icu
    # the third-party libraries bundled in the source, built for the target (Debian ships
    # none of them for mingw-w64 except zlib, and a static Qt wants them all the same way)
    -qt-zlib
    -qt-pcre
    -qt-doubleconversion
    -qt-libpng
    -qt-libjpeg
    -qt-freetype
    -qt-harfbuzz
    # modules the program does not use: only Core, Gui, Widgets and PrintSupport are built
    -no-feature-sql
    -no-feature-network
    -no-feature-testlib
    -no-feature-xml
    -no-feature-concurrent
    # required: Debian's source package drops the bundled wintab headers (3rdparty/wintab)
    # that the Windows tablet support includes
    -no-feature-tabletevent
    # Direct2D 1.1 is an optional paint engine. Keep plain direct2d on: turning it off breaks
    # the Windows font code at link time (a symbol it still references).
    -no-feature-direct2d1_1
)

# The toolchain file Qt is configured with. Qt records its path in its installed CMake files
# (qt.toolchain.cmake chain-loads it), so it is written inside the installed folder, where it
# stays valid as long as the folder does, whatever happens to the checkout.
toolchain_text=$(cat <<EOF
# Written by tools/build-qt-windows.sh: Debian's mingw-w64 with posix threads.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
)

# Source patches applied on top of Debian's: none needed for 6.4.2+dfsg-10 (a trial build
# went through with the options above alone). Add "name: why" lines here with the patch.
patches=""

key=$(printf '%s\n' "$version" "${options[@]}" "$toolchain_text" "$patches" | sha256sum | cut -c1-12)
safe_version=$(printf '%s' "$version" | tr -c 'A-Za-z0-9.\n' '-')
cache=${XDG_CACHE_HOME:-$HOME/.cache}/quantaline
prefix=$cache/qt-$safe_version-mingw64-$key
work=$cache/work-qt-$safe_version-mingw64-$key

case "${1:-}" in
    --prefix) echo "$prefix"; exit 0 ;;
    --check) [ -f "$prefix/.complete" ]; exit ;;
    "") ;;
    *) echo "usage: $0 [--prefix|--check]" >&2; exit 2 ;;
esac

if [ -f "$prefix/.complete" ]; then
    echo "build-qt-windows: Qt $version for Windows is ready in $prefix"
    echo "$prefix"
    exit 0
fi

# One build of this Qt at a time: a second build (another checkout, `make windows` beside
# `make test`) would write the same folders and both would fail. It waits for the lock, then
# finds the cache the first one made.
mkdir -p "$cache"
exec 9>"$cache/qt-$safe_version-mingw64-$key.lock"
if ! flock -n 9; then
    notice="build-qt-windows: another build of Qt for Windows is running; waiting for it to end"
    echo "$notice" >&2
    # `make test` keeps this script's output in a log: the terminal is told too.
    [ -t 2 ] || { echo "$notice" >/dev/tty; } 2>/dev/null || true
    flock 9
fi
if [ -f "$prefix/.complete" ]; then
    echo "build-qt-windows: Qt $version for Windows is ready in $prefix"
    echo "$prefix"
    exit 0
fi

for tool in ${triple}-g++-posix dpkg-source cmake ninja; do
    command -v "$tool" >/dev/null || {
        echo "build-qt-windows: $tool is missing (tools/packages.txt lists its package)" >&2
        exit 2
    }
done

mkdir -p "$work"
started=$(date +%s)

# --- 1. Debian's source package -------------------------------------------------------------
# apt is asked through a private configuration: the system's own sources turned into deb-src
# entries, with their own lists folder, so nothing of the system's apt setup is changed and no
# host is named here.
if [ ! -f "$work/source.done" ]; then
    apt_dir=$work/apt
    rm -rf "$apt_dir" "$work/source"
    mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/archives/partial" \
        "$work/source"
    : >"$apt_dir/sources.list"
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" >>"$apt_dir/sources.list"
    done
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        # deb822 stanzas: every "Types:" becomes deb-src, the rest (URIs, suites, keys) stays
        sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
    done
    apt_options=(
        -o "Dir::Etc::SourceList=$apt_dir/sources.list"
        -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
        -o "Dir::State::Lists=$apt_dir/lists"
        -o "Dir::Cache::Archives=$apt_dir/archives"
        -o "Dir::Cache::pkgcache=" -o "Dir::Cache::srcpkgcache="
    )
    apt-get "${apt_options[@]}" update -qq
    (cd "$work/source" && apt-get "${apt_options[@]}" source -qq "qt6-base=$version")
    touch "$work/source.done"
fi
source_dir=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d | head -n1)
[ -x "$source_dir/configure" ] || { echo "build-qt-windows: no source in $work/source" >&2; exit 1; }

# --- 2. Configure, build, install ----------------------------------------------------------
mkdir -p "$prefix"
printf '%s\n' "$toolchain_text" >"$prefix/mingw-w64-toolchain.cmake"
build=$work/build
mkdir -p "$build"
cd "$build"
if [ ! -f build.ninja ]; then
    "$source_dir/configure" -prefix "$prefix" "${options[@]}" -- -G Ninja \
        "-DCMAKE_TOOLCHAIN_FILE=$prefix/mingw-w64-toolchain.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
fi
# nice and ionice: the build machine is shared with other builds
nice -n 19 ionice -c3 ninja -j "$jobs"
ninja install >/dev/null

# a few checks before the folder is called complete
for file in lib/libQt6Core.a lib/libQt6Gui.a lib/libQt6Widgets.a lib/libQt6PrintSupport.a \
    plugins/platforms/libqwindows.a lib/cmake/Qt6/qt.toolchain.cmake; do
    [ -f "$prefix/$file" ] || { echo "build-qt-windows: $file was not installed" >&2; exit 1; }
done

finished=$(date +%s)
{
    echo "version=$version"
    echo "options=${options[*]}"
    echo "build_seconds=$((finished - started))"
    echo "source_size=$(du -sh "$work/source" | cut -f1)"
    echo "build_size=$(du -sh "$build" | cut -f1)"
    echo "installed_size=$(du -sh --exclude=.complete "$prefix" | cut -f1)"
} | tee "$prefix/build-info.txt"
touch "$prefix/.complete"
[ "${QUANTALINE_QT_KEEP_BUILD:-0}" = 1 ] || rm -rf "$build"
echo "build-qt-windows: Qt $version for Windows is ready in $prefix"
echo "$prefix"
