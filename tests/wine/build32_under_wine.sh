#!/usr/bin/env bash
# The 32-bit build under 32-bit Wine, where this machine's kernel runs 32-bit programs: a first
# start in an empty folder writes the built-in database and the skin engine beside itself and
# shows the main window in skin 2. Elsewhere the test is skipped and says why.
# usage: build32_under_wine.sh BUILD_DIR_OF_MINGW32 ARTEFACT_DIR
set -uo pipefail
build=$1 artefacts=$2
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/runs_32bit.sh"
if ! kernel_runs_32bit; then
    echo "skipped: this machine's kernel does not run 32-bit programs (Exec format error), so 32-bit Wine cannot start"
    exit 77
fi
for f in "$exe" "$driver"; do
    [[ -f $f ]] || { echo "FAIL $f is not built (cmake --preset mingw32 && cmake --build --preset mingw32)"; exit 1; }
done
[[ -x /usr/lib/wine/wine ]] || { echo "FAIL 32-bit Wine is not installed (scripts/setup.sh installs wine32:i386)"; exit 1; }
# A 32-bit prefix of its own.
export WINEARCH=win32
source "$(dirname "$0")/common.sh" "$artefacts"

dir=$work/first
mkdir -p "$dir"
cp "$exe" "$driver" "$dir/"
on_virtual_display bash -c '
    cd "$1"
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe wait-rows 0 >/dev/null 2>&1
    sleep 1
    wine lanqiao_driver.exe dump > dump.txt 2>/dev/null
    import -window root "$2/main_window_32bit.png"
    wine lanqiao_driver.exe close > closed.txt 2>/dev/null
    wineserver -k' _ "$dir" "$artefacts"

check "the 32-bit program showed its main window" "title	岚桥管家 V2.0  未成交客户跟踪管理中心" \
    "$(tr -d '\r' < "$dir/dump.txt" | head -n1)"
check "it wrote the built-in database, skin 2 in its settings" "2" \
    "$(mdb-export "$dir/yrkb_com.db" vantel_ww 2>/dev/null | awk -F, '$1 == 3 { gsub(/"/, "", $2); print $2 }')"
# The engine it carries is its own kind: a 32-bit library (PE machine 0x14c).
machine() { od -An -tx2 -j $(( $(od -An -tu4 -j 60 -N4 "$1") + 4 )) -N2 "$1" | tr -d ' '; }
check "it wrote its 32-bit skin engine beside itself" "014c" \
    "$([[ -f $dir/SkinH_EL.dll ]] && machine "$dir/SkinH_EL.dll")"
exit $((failed > 0))
