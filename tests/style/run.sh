#!/usr/bin/env bash
# The habits the repository declares, enforced:
#   run.sh format SOURCE_DIR              clang-format --dry-run --Werror over every tracked
#                                         .cpp and .h, with the repository's .clang-format
#   run.sh tidy SOURCE_DIR BUILD_DIR      clang-tidy (the repository's .clang-tidy) over every
#                                         tracked .cpp of the build's compile_commands.json,
#                                         once each (tests/style/tidy.py)
# Exit status 77 (a skip for CTest), with the reason, where the tool or git is missing.
set -euo pipefail
mode=$1
source_dir=$(cd "$2" && pwd)
skip=77
cd "$source_dir"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || {
    echo "SKIPPED: $source_dir is not a git checkout: no list of the project's files"
    exit $skip
}

case $mode in
format)
    command -v clang-format >/dev/null || { echo "SKIPPED: clang-format is not installed"; exit $skip; }
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
    clang-format --dry-run --Werror "${files[@]}"
    echo "${#files[@]} files formatted as .clang-format asks"
    ;;
tidy)
    build_dir=$(cd "$3" && pwd)
    command -v clang-tidy >/dev/null || { echo "SKIPPED: clang-tidy is not installed"; exit $skip; }
    [ -f "$build_dir/compile_commands.json" ] || { echo "FAILED: no compile_commands.json in $build_dir"; exit 1; }
    # Once per translation unit, units that passed unchanged since are not checked again.
    python3 "$source_dir/tests/style/tidy.py" "$source_dir" "$build_dir"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
