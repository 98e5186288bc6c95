#!/usr/bin/env bash
# Builds the core, the CLI and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs those tests; any report fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${SANITIZE_BUILD_DIR:-$top/build-sanitize}
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUANTALINE_UI=OFF \
    -DQUANTALINE_BENCH=OFF -DQUANTALINE_SUITES=OFF -DQUANTALINE_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
# What its tests run: the two test programs and the CLI that cli_tests drive.
cmake --build "$build" -j "$(nproc)" --target core_tests cli_tests quantaline-cli
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cd "$build" && ctest --output-on-failure -j "$(nproc)"
