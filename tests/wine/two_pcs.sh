#!/usr/bin/env bash
# Two PCs of one shop on one PostgreSQL, each the real program under Wine on a display and
# in a Wine prefix of its own (Wine's odbc32 hands the calls to the host's unixODBC and its
# "PostgreSQL Unicode" driver). A customer added on PC A by mouse and keyboard shows in PC B's
# list without a click on B; how long that took is printed.
# Exit code 77 when Wine, Xvfb, xdotool, the test PostgreSQL (LQ_TEST_PG) or the ODBC driver
# is missing.
# usage: two_pcs.sh BUILD_DIR_OF_MINGW64 ARTEFACT_DIR WORK_DIR
set -uo pipefail
build=$1 artefacts=$2 work_dir=$3
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
skip() { echo "skipped: $1"; exit 77; }
for tool in wine Xvfb xdotool xclip import odbcinst x86_64-w64-mingw32-g++-posix; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
for f in "$exe" "$driver"; do [[ -f $f ]] || skip "$f is not built (cmake --preset mingw64)"; done
[[ -n ${LQ_TEST_PG:-} && -f $LQ_TEST_PG/server.env ]] || skip "no test PostgreSQL (LQ_TEST_PG)"
odbcinst -q -d -n "PostgreSQL Unicode" >/dev/null 2>&1 || skip "no \"PostgreSQL Unicode\" ODBC driver"
# shellcheck disable=SC1091
source "$LQ_TEST_PG/server.env"

# The screen reader of the walkthrough, built when missing or older than its source.
mkdir -p "$work_dir" "$artefacts"
locate=$work_dir/locate.exe
if [[ ! -f $locate ]] || [[ -n $(find "$here/walkthrough/locate" "$root"/runtime/win32/wide_text.* -newer "$locate" -type f) ]]; then
    x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -municode -DUNICODE -D_UNICODE -I"$root" \
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror \
        "$here"/walkthrough/locate/*.cpp "$root/runtime/win32/wide_text.cpp" -lcomctl32 -static \
        -o "$locate" || { echo "FAIL locate.exe does not build"; exit 1; }
fi
# shellcheck disable=SC1091
source "$here/walkthrough/user.sh"

admin_sql() {
    PGPASSWORD=$LQ_PG_ADMIN_PASSWORD "$LQ_PG_BIN/psql" -h 127.0.0.1 -p "$LQ_PG_PORT" \
        -U "$LQ_PG_ADMIN" -At -v ON_ERROR_STOP=1 "$@"
}
db=lq_two_pcs_$$
admin_sql -d postgres -qc "CREATE DATABASE $db OWNER $LQ_PG_SHOP" ||
    { echo "FAIL cannot make the database"; exit 1; }
# Wine hands the host's environment to the program: both PCs keep their customers there.
export LQ_STORE="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$LQ_PG_PORT;Database=$db;Uid=$LQ_PG_SHOP;Pwd=$LQ_PG_SHOP_PASSWORD;"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

source "$root/scripts/wine_prefix.sh"
base=${WINEPREFIX:-$HOME/.wine-lanqiao-two-pcs}
work=$(mktemp -d)
pids=()
cleanup() {
    touch "$work/stop"
    for pc in a b; do WINEPREFIX=$base-$pc wineserver -k 2>/dev/null; done
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    admin_sql -d postgres -qc "DROP DATABASE IF EXISTS $db" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
check() {  # check WHAT EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
        echo "FAIL $1"; diff <(echo "$2") <(echo "$3") | head -20; failed=$((failed + 1)); fi
}

# Each PC: its own prefix (so its own wineserver and windows), its own virtual display, the
# program in a folder of its own; the display's name and its key (empty: a display of its own
# lets in every local client, xdotool and import too) are left in the folder.
start_pc() {
    local pc=$1
    mkdir -p "$work/$pc"
    cp "$exe" "$driver" "$work/$pc/"
    WINEPREFIX=$base-$pc prepare_wine_prefix
    WINEPREFIX=$base-$pc on_virtual_display bash -c '
        echo "$XAUTHORITY" > "$1/xauthority"; echo "$DISPLAY" > "$1/display"; cd "$1"
        wine lanqiao.exe >/dev/null 2>&1 &
        while [[ ! -f $2 ]]; do sleep 0.2; done' _ "$work/$pc" "$work/stop" &
    pids+=($!)
    local i
    for ((i = 0; i < 100; i++)); do [[ -s $work/$pc/display ]] && break; sleep 0.1; done
}
on() {  # on PC: the commands that follow in this shell speak to that PC
    export WINEPREFIX=$base-$1 DISPLAY XAUTHORITY
    DISPLAY=$(cat "$work/$1/display")
    XAUTHORITY=$(cat "$work/$1/xauthority")
    pc_dir=$work/$1
}
list_of() { (on "$1"; cd "$pc_dir" && wine lanqiao_driver.exe dump 2>/dev/null | tr -d '\r' | grep '^row' | cut -f5); }

start_pc a
start_pc b
for pc in a b; do
    (on $pc; loc window "$main_title" >/dev/null) || { echo "FAIL PC $pc: the main window did not show"; exit 1; }
done
# Both programs reached the server through Wine's odbc32: the first one made the tables.
check "the programs made their tables on the server through Wine's ODBC" 1 \
    "$(admin_sql -d "$db" -c "SELECT count(*) FROM lq_schema" 2>&1)"
check "PC B's list starts empty" "" "$(list_of b)"

# PC A: an ID of ours, then a customer through the editor by mouse and keyboard.
(on a; cd "$pc_dir" && wine lanqiao_driver.exe our-ids "shop_one" >/dev/null 2>&1)
# PC B's list is watched from inside its Wine every 10 ms from before the save on: the moment
# its first row shows is taken without the start of a reader in the way.
(
    on b
    cd "$pc_dir" && wine lanqiao_driver.exe wait-rows 1 >/dev/null 2>&1 &&
        date +%s.%N > "$work/shown_at"
) &
watcher=$!
sleep 2
(
    on a
    editor=添加新客户
    click toolbar 0
    loc window "$editor" >/dev/null || { echo "FAIL the editor did not open on PC A"; exit 1; }
    click control "$editor" 8
    type_text buyer_from_pc_a
    click control "$editor" 7
    press Down Return
    # The save button: the clock starts at the click itself.
    xy=$(where control "$editor" 3)
    # shellcheck disable=SC2086
    xdotool mousemove $xy
    sleep 0.2
    date +%s.%N > "$work/saved_at"
    xdotool click 1
    check "PC A: the editor says it saved" "保存成功！" "$(loc message 恭喜：)"
    shot two_pcs_a_saved
    click button 恭喜： "#1"
    exit "$failed"
) || failed=$((failed + 1))

# PC B is not touched: its list shows the customer by itself.
wait "$watcher"
check "PC B shows PC A's customer without a click" buyer_from_pc_a "$(list_of b)"
(on b; import -window root "$artefacts/two_pcs_b.png")
[[ -s $work/shown_at && -s $work/saved_at ]] &&
    printf 'PC A saved -> PC B shows it: %.2f s from the click on save (goal under 2 s)\n' \
        "$(echo "$(cat "$work/shown_at") - $(cat "$work/saved_at")" | bc -l)"
check "PC A shows its own customer" buyer_from_pc_a "$(list_of a)"
exit $((failed > 0))
