#!/usr/bin/env bash
# `make windows`: the Windows delivery, cross-built on Debian.
#   1. the static Qt for Windows (tools/build-qt-windows.sh; built once, then cached),
#   2. quantaline.exe and quantaline-cli.exe against it, each one .exe without DLLs,
#   3. the installer quantaline-<version>-setup.exe (NSIS) and a .zip of both programs,
# all in the build folder given (default build-windows/ in the checkout).
#
#   tools/build-windows.sh [BUILD_DIR]
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-windows}
# makensis reads the paths it is given from its own folder: make them absolute.
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)
jobs=${QUANTALINE_JOBS:-2}
triple=x86_64-w64-mingw32
say() { printf '[windows] %s\n' "$*"; }

# The Wine suite has installed what it needs already.
[ "${QUANTALINE_NO_DEPS:-0}" = 1 ] || "$source_dir/tools/install-deps.sh"

qt_dir=$("$source_dir/tools/build-qt-windows.sh" | tail -n 1)
[ -f "$qt_dir/.complete" ] || { say "no Qt for Windows"; exit 1; }

# Qt's own toolchain file finds the cached Qt and Debian's host tools (QT_HOST_PATH), and
# hands over to the project's mingw-w64 toolchain file for the compilers and `-static`.
# -O2 rather than -O3: GCC 12 reports a false -Wrestrict inside std::string at -O3.
# -s: the symbols would triple the size of the .exe. Warnings are errors, as in every build
# the project's own commands make.
cmake -S "$source_dir" -B "$build_dir" -G Ninja \
    "-DCMAKE_TOOLCHAIN_FILE=$qt_dir/lib/cmake/Qt6/qt.toolchain.cmake" \
    "-DQT_CHAINLOAD_TOOLCHAIN_FILE=$source_dir/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DQUANTALINE_WERROR=ON \
    -DQUANTALINE_TESTS=OFF -DQUANTALINE_BENCH=OFF -DQUANTALINE_SUITES=OFF >/dev/null
cmake --build "$build_dir" -j "$jobs" --target quantaline quantaline-cli

# One .exe each: nothing but Windows' own DLLs may be imported.
for exe in "$build_dir/quantaline.exe" "$build_dir/quantaline-cli.exe"; do
    imports=$("$triple-objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
    foreign=$(echo "$imports" | grep -viE '^(kernel32|user32|gdi32|shell32|ole32|oleaut32|advapi32|comdlg32|winspool|imm32|winmm|ws2_32|uxtheme|dwmapi|shlwapi|version|netapi32|userenv|msvcrt|uuid|setupapi|wtsapi32|d3d9|d3d11|d3d12|dxgi|dwrite|d2d1|mpr|authz|crypt32|bcrypt|ntdll|rpcrt4|comctl32|shcore|api-ms-win-.*)\.(dll|drv)$' || true)
    if [ -n "$foreign" ]; then
        say "$(basename "$exe") needs DLLs that Windows does not have: $foreign"
        exit 1
    fi
done

version=$(sed -n 's/^project(Quantaline VERSION \([0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
package_dir=$build_dir/package
rm -rf "$package_dir"
mkdir -p "$package_dir"
cp "$build_dir/quantaline.exe" "$build_dir/quantaline-cli.exe" "$build_dir/quantaline.ico" \
    "$package_dir/"
# Notepad-friendly copies of the texts: CR LF line ends.
sed 's/$/\r/' "$source_dir/README.md" >"$package_dir/README.txt"
sed 's/$/\r/' "$source_dir/LICENSE" >"$package_dir/LICENSE.txt"

setup=$build_dir/quantaline-$version-setup.exe
makensis -V2 -INPUTCHARSET UTF8 "-DVERSION=$version" "-DBIN_DIR=$package_dir" \
    "-DSOURCE_DIR=$source_dir" "-DOUT_FILE=$setup" "$source_dir/packaging/windows/installer.nsi"

zip=$build_dir/quantaline-$version-windows-x64.zip
rm -f "$zip"
(cd "$package_dir" && zip -q -X "$zip" quantaline.exe quantaline-cli.exe README.txt LICENSE.txt)

say "Qt:        $qt_dir"
say "programs:  $build_dir/quantaline.exe $(stat -c %s "$build_dir/quantaline.exe") bytes," \
    "$build_dir/quantaline-cli.exe $(stat -c %s "$build_dir/quantaline-cli.exe") bytes"
say "installer: $setup $(stat -c %s "$setup") bytes"
say "zip:       $zip $(stat -c %s "$zip") bytes"
