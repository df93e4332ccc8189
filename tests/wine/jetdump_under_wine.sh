#!/usr/bin/env bash
# The Windows build of jetdump, run under Wine, reads every fixture as the native one does:
# the Win32 file layer and the cross-built engine agree with what the Linux tests check.
# usage: jetdump_under_wine.sh NATIVE_JETDUMP WINDOWS_JETDUMP_EXE FIXTURE_DIR
set -uo pipefail
native=$1 exe=$2 dir=$3
if [[ ! -f $exe ]]; then
    echo "skipped: $exe is not built (cmake --preset mingw64 && cmake --build --preset mingw64)"
    exit 77
fi
# The first use of a prefix builds it and prints about it; do that apart from the checks.
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine_prefix.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-$(basename "$0" .sh)}
prepare_wine_prefix
passed=0 failed=0
for file in "$dir"/*.mdb; do
    pw=""
    [[ $(basename "$file") == with-password.mdb ]] && pw=password
    winpath="Z:${file//\//\\}"
    for table in "" $("$native" ${pw:+--password "$pw"} "$file"); do
        want=$("$native" ${pw:+--password "$pw"} "$file" ${table:+"$table"})
        got=$(wine "$exe" ${pw:+--password "$pw"} "$winpath" ${table:+"$table"} 2>&1 | tr -d '\r')
        if [[ "$want" == "$got" ]]; then
            passed=$((passed + 1))
        else
            echo "FAIL $(basename "$file") ${table:-(tables)}:"
            diff <(echo "$want") <(echo "$got") | head -10
            failed=$((failed + 1))
        fi
    done
done
got=$(wine "$exe" --password wrong "Z:${dir//\//\\}\\with-password.mdb" 2>&1 | tr -d '\r')
rc=$?
if [[ $got == *"wrong password"* ]]; then passed=$((passed + 1)); else echo "FAIL wrong password: $got"; failed=$((failed + 1)); fi
echo "wine: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
