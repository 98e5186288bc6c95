#!/usr/bin/env bash
# Checks the files Quantaline writes with the Windows programs that read them, under Wine.
#   run.sh WINE WORKDIR prefix                         make a fresh Wine prefix
#   run.sh WINE WORKDIR ini CLI SAMPLE MINGW_CXX READER_SOURCE
#   run.sh WINE WORKDIR reg CLI SAMPLE
#   run.sh WINE WORKDIR cleanup                        stop the prefix's wineserver
set -euo pipefail
wine=$1 work=$2 mode=$3
# Wine and the program under a French locale whatever the caller's: the prefix is made in
# the language the checks below read.
# shellcheck source=tests/support/wine_language.sh
source "$(dirname "$0")/../support/wine_language.sh"
wine_language fr || { echo "skipped: no French locale for Wine"; exit 77; }
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=$(dirname "$wine")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

fail() { echo "FAIL: $*" >&2; exit 1; }

case $mode in
prefix)
    rm -rf "$work"
    mkdir -p "$work"
    "$wine" wineboot -i >/dev/null 2>&1 || fail "wineboot could not create $WINEPREFIX"
    ;;
cleanup)
    "$wineserver" -k 2>/dev/null || true
    ;;
ini)
    cli=$4 sample=$5 cxx=$6 source=$7
    dir=$(mktemp -d "$work/ini.XXXXXX")
    "$cxx" -O1 -static -o "$dir/ini_reader.exe" "$source"
    # The matrix section is not the last one: the entries must stay inside it.
    printf '[Environment]\r\nLanguage=fr\r\n\r\n[Tools.QuantizeMatrix]\r\nCount=1\r\nName0="Ancienne"\r\nReadOnly0=1\r\n' >"$dir/TMPGEnc.ini"
    for k in 0 1 2 3 4 5 6 7; do
        printf 'Intra0_%s=1 1 1 1 1 1 1 1\r\nNonIntra0_%s=2 2 2 2 2 2 2 2\r\n' $k $k >>"$dir/TMPGEnc.ini"
    done
    printf '\r\n[Tools.Other]\r\nKey=1\r\n\r\n' >>"$dir/TMPGEnc.ini"
    "$cli" export-tmpgenc "$sample" --folder "$dir" --name "Première" >/dev/null
    "$cli" export-tmpgenc "$sample" --folder "$dir" --name "Seconde" >/dev/null
    (cd "$dir" && "$wine" ini_reader.exe TMPGEnc.ini) | tr -d '\r' >"$dir/read.txt" ||
        fail "the Windows INI reader misses an entry: $(cat "$dir/read.txt")"
    ones="1 1 1 1 1 1 1 1"
    ones="$ones,$ones,$ones,$ones,$ones,$ones,$ones,$ones"
    twos="2 2 2 2 2 2 2 2"
    twos="$twos,$twos,$twos,$twos,$twos,$twos,$twos,$twos"
    intra="8 16 19 22 26 27 29 34,16 16 22 24 27 29 34 37,19 22 26 27 29 34 34 38,22 22 26 27 29 34 37 40,22 26 27 29 32 35 40 48,26 27 29 32 35 40 48 58,26 27 29 34 38 46 56 69,27 29 35 38 46 56 69 83"
    sixteens="16 16 16 16 16 16 16 16"
    non_intra="$sixteens,$sixteens,$sixteens,$sixteens,$sixteens,$sixteens,$sixteens,$sixteens"
    # The reader drops the quotes around a value, as Windows does.
    expected=$(printf 'Count=3\n0|Ancienne|%s|%s\n1|Premi\xe8re|%s|%s\n2|Seconde|%s|%s' \
        "$ones" "$twos" "$intra" "$non_intra" "$intra" "$non_intra")
    [ "$(cat "$dir/read.txt")" = "$expected" ] ||
        fail "read back under Wine:"$'\n'"$(cat "$dir/read.txt")"$'\n'"expected:"$'\n'"$expected"
    echo "GetPrivateProfileStringA finds all 3 entries"
    ;;
reg)
    cli=$4 sample=$5
    dir=$(mktemp -d "$work/reg.XXXXXX")
    key='HKEY_CURRENT_USER\Software\Quantaline Interop\qmat'
    "$cli" export-cce "$sample" --key "$key" --name 'Matrice "DVD" \ é' --output "$dir/quantaline.reg" >/dev/null
    "$wine" regedit /S "$dir/quantaline.reg" || fail "regedit /S refused the script"
    "$wine" reg query "$key" /v 'Matrice "DVD" \ é' | tr -d '\r' >"$dir/query.txt" ||
        fail "reg query finds no value: $(cat "$dir/query.txt")"
    sixteens=$(printf '10%.0s' $(seq 64))
    expected="REG_BINARY    081013161A1B1D22101016181B1D222513161A1B1D22222616161A1B1D222528161A1B1D202328301A1B1D202328303A1A1B1D22262E38451B1D23262E384553$sixteens"
    grep -qF -- "$expected" "$dir/query.txt" || fail "reg query shows:"$'\n'"$(cat "$dir/query.txt")"
    [ "$(grep -c REG_ "$dir/query.txt")" = 1 ] || fail "more than one value: $(cat "$dir/query.txt")"
    echo "regedit imported the 128 bytes as one REG_BINARY value"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
