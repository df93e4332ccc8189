#!/usr/bin/env bash
# Time from the start of lanqiao.exe under Wine to its first filled list, for a database of
# COUNT customers (default 1000). usage: bench/wine_first_list.sh [COUNT]
# LQ_SERVICE_HOST, when set, points the status probes at that host (see services/hosts.h).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
count=${1:-1000}
source scripts/wine_prefix.sh
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-tests}
prepare_wine_prefix
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
build/native/bench/make_customer_db "$work/yrkb_com.db" "$count"
cp build/mingw64/lanqiao.exe build/mingw64/lanqiao_driver.exe "$work/"
open=$((count - count / 5))  # every fifth customer is closed
# Status probes go to a local stand-in of the service unless LQ_SERVICE_HOST says otherwise.
if [[ -z ${LQ_SERVICE_HOST:-} && -x build/native/tests/wine/status_server ]]; then
  coproc SERVER { exec build/native/tests/wine/status_server "$work/requests.txt" 600; }
  server_pid=$SERVER_PID
  read -r port <&"${SERVER[0]}"
  export LQ_SERVICE_HOST=127.0.0.1:$port
  trap 'wineserver -k 2>/dev/null || true; kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
fi
ms=$(xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
    cd "$1"
    # Wine itself warm, so that the figure is the program'"'"'s own start.
    wine lanqiao_driver.exe >/dev/null 2>&1 || true
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe wait-rows "$2"
    wineserver -k' _ "$work" "$open" | tr -d '\r')
echo "start to first list under Wine, $count customers ($open open, each probed at ${LQ_SERVICE_HOST:-the status host}): $ms ms"
