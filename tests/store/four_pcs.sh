#!/usr/bin/env bash
# Four PCs of one shop doing random user actions against one server at the same time, then
# every PC's changes replayed in stamp order on a model and checked, with what the server
# holds at the end: nothing lost, no pair stored twice, every count right.
#   four_pcs.sh SHOP_PCS [SECONDS]
# The server is the one LQ_TEST_PG names (ctest starts it), else one of its own.
set -euo pipefail
shop_pcs=$1 seconds=${2:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
own=""
cleanup() {
  [[ -n "$own" ]] && bash "$here/pg_server.sh" stop "$own"
  rm -rf "$work"
}
trap cleanup EXIT
server=${LQ_TEST_PG:-}
if [[ -z "$server" ]]; then
  own=$work/server
  bash "$here/pg_server.sh" start "$own" >/dev/null
  server=$own
fi
# shellcheck disable=SC1091
source "$server/server.env"
db=lq_four_pcs_$$
PGPASSWORD=$LQ_PG_ADMIN_PASSWORD "$LQ_PG_BIN/psql" -X -q -h 127.0.0.1 -p "$LQ_PG_PORT" \
  -U "$LQ_PG_ADMIN" -d postgres -c "CREATE DATABASE $db OWNER $LQ_PG_SHOP"
conn="Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=$LQ_PG_PORT;Database=$db;Uid=$LQ_PG_SHOP;Pwd=$LQ_PG_SHOP_PASSWORD"
pids=()
for pc in 1 2 3 4; do
  "$shop_pcs" pc "$conn" "pc$pc" "$seconds" "$((pc * 7919))" >"$work/pc$pc.log" &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
for pc in 1 2 3 4; do
  echo "pc$pc: $(grep -vc '^failures' "$work/pc$pc.log") actions, $(grep -c '^add.*saved' "$work/pc$pc.log") saved"
done
"$shop_pcs" check "$conn" "$work"/pc*.log
# The check must bite: the same logs with one refusal turned into a save must fail it.
mkdir "$work/tampered"
cp "$work"/pc*.log "$work/tampered/"
sed -i '0,/^add\t\([0-9]*\)\tduplicate\t0/s//add\t\1\tsaved\t999999/' "$work/tampered/pc1.log"
if "$shop_pcs" check "$conn" "$work"/tampered/pc*.log >"$work/tampered.out"; then
  echo "FAIL the check passed logs that claim a save no one made"
  exit 1
fi
grep -m1 '^FAIL' "$work/tampered.out" | sed 's/^FAIL/(as it must, a tampered log fails:)/'
