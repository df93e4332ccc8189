#!/usr/bin/env bash
# The status column of the real program under Wine against local stand-ins of the status
# service. One that never answers: the cells stay empty, no more than 8 requests are ever
# under way however often the list reloads, and closing the main window ends the process
# within a second. A slow one: the rows scrolled into view are asked before the rest, and
# every status arrives.
# usage: statuses_under_wine.sh BUILD_DIR_OF_MINGW64 JETDUMP TEMPLATE ARTEFACT_DIR STATUS_SERVER
set -uo pipefail
build=$1 jetdump=$2 template=$3 artefacts=$4 status_server=$5
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
for f in "$exe" "$driver"; do
    [[ -f $f ]] || { echo "skipped: $f is not built (cmake --preset mingw64 && cmake --build --preset mingw64)"; exit 77; }
done
source "$(dirname "$0")/common.sh" "$artefacts"

# A folder with the program, the driver and COUNT open customers PREFIX0, PREFIX1, ...
shop() {
    local dir=$1 count=$2 prefix=$3 i
    mkdir -p "$dir"
    cp "$exe" "$driver" "$dir/"
    cp "$template" "$dir/yrkb_com.db"
    chmod u+w "$dir/yrkb_com.db"
    for ((i = 0; i < count; i++)); do
        "$jetdump" --password Kx7-pq2-Lm9w "$dir/yrkb_com.db" --insert yrkb_com "wang=$prefix$i" \
            wang2=小店 "time1=2015-01-09 00:00:00" "time2=2015-01-10 00:00:00" >/dev/null
    done
}
# Starts the stand-in with the given mode; its requests go to $log.
serve() {
    [[ -n ${server_pid:-} ]] && kill "$server_pid" 2>/dev/null
    log=$work/requests_$1.txt
    : >"$log"
    coproc SERVER { exec "$status_server" "$log" 600 "$1"; }
    server_pid=$SERVER_PID
    read -r port <&"${SERVER[0]}"
    export LQ_SERVICE_HOST=127.0.0.1:$port
}
status_requests() { grep -c '^/realonline.aw' "$log"; }
# Each session runs a window manager, as every desktop has: without one Wine waits two
# seconds for each window it hides to be withdrawn, which would be measured as the program's
# own closing time.

# A service that accepts every request and never answers.
serve hang
hanging=$work/hanging
shop "$hanging" 30 online_
on_virtual_display bash -c '
    cd "$1"; log=$2
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    sleep 0.5
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe wait-rows 30 >/dev/null 2>&1
    sleep 2
    wine lanqiao_driver.exe dump > dump.txt 2>/dev/null
    grep -c "^/realonline.aw" "$log" > asked_first.txt
    for entry in 6 3 6 4 3; do wine lanqiao_driver.exe click $entry >/dev/null 2>&1; done
    sleep 7  # past the time limit of the first requests: their places are taken again
    cp "$log.peak" peak.txt
    wine lanqiao_driver.exe close > close.txt 2>/dev/null
    echo "rc=$?" >> close.txt
    wineserver -k' _ "$hanging" "$log"
rows() { grep '^row' "$1" | tr -d '\r'; }
check "the rows show, every status cell empty while the service hangs" "30 0" \
    "$(rows "$hanging/dump.txt" | wc -l) $(rows "$hanging/dump.txt" | cut -f4 | grep -c .)"
check "eight requests under way, one of them for the ID that cannot exist" "8 1" \
    "$(tr -d '\r' < "$hanging/asked_first.txt") $(head -8 "$log" | grep -c lanqiao_no_such_member)"
check "five reloads and given-up requests later still no more than eight at once" 8 \
    "$(cat "$hanging/peak.txt")"
check "and new requests took the places of the given-up ones" yes \
    "$( (($(status_requests) > 8)) && echo yes || echo "no: $(status_requests)")"
close_ms=$(head -1 "$hanging/close.txt" | tr -d '\r')
check "closing ended the process" rc=0 "$(sed -n 2p "$hanging/close.txt" | tr -d '\r')"
if [[ -n $close_ms && $close_ms -lt 1000 ]]; then
    echo "ok   the process ended ${close_ms} ms after the close"
else
    echo "FAIL the process ended ${close_ms:-never} ms after the close (at most 1000)"
    failed=$((failed + 1))
fi

# A service that answers every status after 300 ms: 300 customers take over ten seconds;
# those scrolled into view go first.
serve 300
slow=$work/slow
shop "$slow" 300 online_
on_virtual_display bash -c '
    cd "$1"
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    sleep 0.5
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe wait-rows 300 >/dev/null 2>&1
    wine lanqiao_driver.exe scroll 250 > view.txt 2>/dev/null
    wine lanqiao_driver.exe wait-online 300 >/dev/null 2>&1
    wine lanqiao_driver.exe dump > dump.txt 2>/dev/null
    wine lanqiao_driver.exe close > close.txt 2>/dev/null
    wineserver -k' _ "$slow"
uids=$work/slow_uids.txt
grep -o 'uid=[^&]*' "$log" | cut -d= -f2 > "$uids"
view=$(tr -d '\r' < "$slow/view.txt")
check "scrolled to row 250: the rows in view are customers 49 and lower" online_49 "$(head -1 <<<"$view")"
last_in_view=0
while read -r id; do
    at=$(grep -nx "$id" "$uids" | head -1 | cut -d: -f1)
    ((${at:-99999} > last_in_view)) && last_in_view=${at:-99999}
done <<<"$view"
row_150_at=$(grep -nx online_149 "$uids" | head -1 | cut -d: -f1)
if ((last_in_view < ${row_150_at:-0})); then
    echo "ok   the rows scrolled into view were asked (by request $last_in_view) before row 150 (request $row_150_at)"
else
    echo "FAIL the rows scrolled into view were asked by request $last_in_view, row 150 at request ${row_150_at:-never}"
    failed=$((failed + 1))
fi
# The program asks each ID once (300 customers and the ID that cannot exist). WinInet itself
# sends a request again, on a new connection, when a kept one failed under it (a busy machine
# lets a wait run out): such a repeat is the platform's, at most one per connection, and is
# told apart from a program that asks twice by the count of different IDs.
distinct=$(grep -o 'uid=[^&]*' "$log" | sort -u | wc -l)
check "every customer online in the end, each ID asked" "300 301" \
    "$(rows "$slow/dump.txt" | cut -f4 | grep -c 在线) $distinct"
repeats=$(($(status_requests) - distinct))
if ((repeats <= 8)); then
    echo "ok   $repeats requests sent again by WinInet (at most one per connection: 8)"
else
    echo "FAIL $repeats requests sent twice: more than WinInet's resends on 8 connections"
    failed=$((failed + 1))
fi

[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
