#!/usr/bin/env bash
# The habits the repository declares, enforced:
#   run.sh format SOURCE_DIR              clang-format --dry-run --Werror over every tracked
#                                         .cpp and .h, with the repository's .clang-format
#   run.sh tidy SOURCE_DIR BUILD_DIR      clang-tidy (the repository's .clang-tidy) over every
#                                         tracked .cpp of the build's compile_commands.json
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
    # The project's own translation units that the build compiles (not the Qt-generated ones).
    mapfile -t files < <(git ls-files '*.cpp' | while read -r file; do
        grep -qF "\"file\": \"$source_dir/$file\"" "$build_dir/compile_commands.json" && echo "$file"
    done)
    log=$build_dir/clang-tidy.log
    # One file a process, two at a time; every finding goes to the log and fails the test.
    # GCC's flags that clang does not know are dropped rather than reported.
    printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 1 clang-tidy -p "$build_dir" --quiet \
        --extra-arg=-Wno-unknown-warning-option --warnings-as-errors='*' >"$log" 2>&1 || {
        grep -E 'warning:|error:' "$log" | sort -u | head -n 50
        echo "FAILED: clang-tidy found the above (whole output: $log)"
        exit 1
    }
    echo "${#files[@]} files clean for clang-tidy"
    ;;
*)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
