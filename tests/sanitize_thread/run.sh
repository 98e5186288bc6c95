#!/usr/bin/env bash
# Builds the core and its unit tests with ThreadSanitizer and runs the tests whose code runs
# on several threads: the scan runner, the quantiser pass and its pool, the picture map,
# the background job and the session's reads; any report fails the run.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${TSAN_BUILD_DIR:-$top/build-tsan}
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUANTALINE_UI=OFF \
    -DQUANTALINE_BENCH=OFF -DQUANTALINE_SUITES=OFF -DQUANTALINE_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$flags -O1" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build" -j "$(nproc)" --target thread_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
"$build/tests/thread_tests" \
    --gtest_filter='ScanRunner.*:QuantiserPass.*:BackgroundJob.*:WholeStream.*'
