#!/usr/bin/env bash
# Configures and builds the core, quantaline-cli and quantaline in Release with COMPILER
# and -DQUANTALINE_WERROR=ON: a warning that only the optimiser or only this compiler
# sees fails the check. No tests or benchmarks are built here.
#   tests/release/run.sh g++|clang++ SOURCE_DIR BUILD_DIR
set -euo pipefail
compiler=$1 source_dir=$2 build_dir=$3
if ! command -v "$compiler" >/dev/null; then
    echo "$compiler is not installed (tools/packages.txt lists it)" >&2
    exit 1
fi
start=$(date +%s)
cmake -S "$source_dir" -B "$build_dir" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" \
    -DCMAKE_BUILD_TYPE=Release -DQUANTALINE_WERROR=ON -DQUANTALINE_UI=ON \
    -DQUANTALINE_TESTS=OFF -DQUANTALINE_BENCH=OFF -DQUANTALINE_SUITES=OFF >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target quantaline-cli quantaline
echo "Release build with $compiler: $(($(date +%s) - start)) s"
