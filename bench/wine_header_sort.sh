#!/usr/bin/env bash
# A click on a text column's header under Wine with COUNT customers (default 100000): the
# milliseconds from the mouse click until the list's top row shows another customer, for the
# customer ID the moment the list has filled, the note two seconds later, and the note again
# (the other way).
# usage: bench/wine_header_sort.sh [COUNT]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count=${1:-100000}
source bench/wine_shop.sh "$count"
open=$((count - count / 5))
# A status service that never answers: eight requests wait, nothing else moves, and the
# figures are the sort's alone.
coproc SERVER { exec build/native/tests/wine/status_server "$work/requests.txt" 900 hang; }
server_pid=$SERVER_PID
read -r port <&"${SERVER[0]}"
export LQ_SERVICE_HOST=127.0.0.1:$port
trap 'wineserver -k 2>/dev/null || true; kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
on_virtual_display bash -c '
    cd "$1"; open=$2
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe wait-rows "$open" >/dev/null
    wine lanqiao_driver.exe sort-click 3 > id.txt
    sleep 2
    wine lanqiao_driver.exe sort-click 7 > note.txt
    # Past the double-click time: two quick clicks on one header are a double click.
    sleep 1
    wine lanqiao_driver.exe sort-click 7 > note_again.txt
    wineserver -k' _ "$work" "$open"
printf 'header click under Wine, %d customers (%d open): customer ID at once %s ms, note 2 s later %s ms, note again %s ms\n' \
  "$count" "$open" "$(tr -d '\r' < "$work/id.txt")" "$(tr -d '\r' < "$work/note.txt")" \
  "$(tr -d '\r' < "$work/note_again.txt")"
