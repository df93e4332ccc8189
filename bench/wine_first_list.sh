#!/usr/bin/env bash
# Start-up of lanqiao.exe under Wine with a database of COUNT customers (default 1000): the
# time from the start of the program to its first filled list, the time until every online
# status had been asked, the longest the window took to answer a message meanwhile, and the
# program's peak memory then.
# usage: bench/wine_first_list.sh [COUNT]
# LQ_SERVICE_HOST, when set, points the status probes at that host (see services/hosts.h);
# otherwise a local stand-in of the status service answers them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count=${1:-1000}
source bench/wine_shop.sh "$count"
open=$((count - count / 5))  # every fifth customer is closed
log=$work/requests.txt
touch "$log"
if [[ -z ${LQ_SERVICE_HOST:-} && -x build/native/tests/wine/status_server ]]; then
  coproc SERVER { exec build/native/tests/wine/status_server "$log" 600; }
  server_pid=$SERVER_PID
  read -r port <&"${SERVER[0]}"
  export LQ_SERVICE_HOST=127.0.0.1:$port
  # The stand-in may have ended its time already: its end is no failure of the run.
  trap 'wineserver -k 2>/dev/null || true; kill "$server_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
fi
on_virtual_display bash -c '
    cd "$1"; open=$2; log=$3
    # Wine itself warm, so that the figures are the program'"'"'s own.
    wine lanqiao_driver.exe >/dev/null 2>&1 || true
    start=$(date +%s%N)
    wine lanqiao.exe >/dev/null 2>&1 &
    # How long the window keeps anyone waiting while the list fills and the statuses stream in.
    wine lanqiao_driver.exe latency 20000 > latency.txt &
    watcher=$!
    wine lanqiao_driver.exe wait-rows "$open" > first.txt
    # The statuses are all asked once the service has had every row and nothing more comes.
    last=0 same=0
    while ((same < 15)); do
        n=$(grep -c "^/realonline.aw" "$log" || true)
        if ((n == last)); then same=$((same + 1)); else same=0 last=$n done_at=$(date +%s%N); fi
        sleep 0.1
    done
    echo $(((${done_at:-$start} - start) / 1000000)) > statuses.txt
    echo "$last" > asked.txt
    wait "$watcher"
    wine lanqiao_driver.exe memory > memory.txt
    wineserver -k' _ "$work" "$open" "$log"
ms=$(tr -d '\r' < "$work/first.txt")
read -r peak private < <(tr -d '\r' < "$work/memory.txt")
printf 'start to first list under Wine, %d customers (%d open, probed at %s): %s ms\n' \
  "$count" "$open" "${LQ_SERVICE_HOST:-the status host}" "$ms"
asked=$(cat "$work/asked.txt")
if [[ -n ${server_pid:-} ]] && ((asked < open + 1)); then
  # The stand-in answers for 600 s: what was left then was never asked.
  printf 'every status asked: NOT within the stand-in'"'"'s 600 s, %d of %d requests by %s ms after the start\n' \
    "$asked" "$((open + 1))" "$(cat "$work/statuses.txt")"
else
  printf 'every status asked (%d requests) by about %s ms after the start\n' \
    "$asked" "$(cat "$work/statuses.txt")"
fi
read -r longest asks longest_at first_wait < <(tr -d '\r' < "$work/latency.txt")
printf 'longest wait for the window to answer a message in its first 20 s, after its start-up: %s ms (asked %s times; the longest ended %s ms after the window showed; the first answer, after the start-up list load, came in %s ms)\n' \
  "$longest" "$asks" "$longest_at" "$first_wait"
awk -v p="$peak" -v q="$private" \
  'BEGIN { printf "peak memory of the program: working set %.1f MiB, private %.1f MiB\n", p / 1024, q / 1024 }'
