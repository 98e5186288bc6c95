#!/usr/bin/env bash
# The shape of the code: Qt only in src/ui/ and the desktop program's app folder, and every
# folder of src/ including only itself and the folders below it, in this order (lowest
# first). A folder that is not listed is an error: place it in the order.
set -u
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top" || exit 1
order=(io mpeg mpeg4 h264 hevc container scaling check analysis config export report session ui)
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

rank() {
    local i
    for i in "${!order[@]}"; do
        [ "${order[$i]}" = "$1" ] && echo "$i" && return
    done
    echo -1
}

qt_outside=$(grep -rlE '^#include <Q[A-Za-z]*>' src app/quantaline-cli | grep -v '^src/ui/')
[ -z "$qt_outside" ] || fail "Qt included outside src/ui/: $qt_outside"

for folder in src/*/; do
    folder=$(basename "$folder")
    own=$(rank "$folder")
    [ "$own" -ge 0 ] || { fail "src/$folder/ has no place in the order (${order[*]})"; continue; }
    while IFS=: read -r file included; do
        target=${included%%/*}
        target_rank=$(rank "$target")
        if [ "$target_rank" -lt 0 ] || [ "$target_rank" -gt "$own" ]; then
            fail "$file includes $included: $folder may include only what lies below it"
        fi
    done < <(grep -rhoE '^#include "[a-z_]+/[^"]+"' "src/$folder" --with-filename |
        sed -E 's/:#include "/:/; s/"$//')
done

ui_in_cli=$(grep -rlE '#include "ui/' app/quantaline-cli)
[ -z "$ui_in_cli" ] || fail "the command-line tool includes the windows: $ui_in_cli"

[ "$failures" -eq 0 ] || exit 1
echo "the layout holds: Qt in src/ui/ only; ${order[*]} include downwards"
