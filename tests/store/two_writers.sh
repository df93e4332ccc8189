#!/usr/bin/env bash
# Two running copies saving customers into one file at the same time for a while: every save
# either copy was told succeeded is in the file exactly once, nothing else is, and the file
# is sound. usage: two_writers.sh STRESS_WRITER JETDUMP TEMPLATE [SECONDS]
set -euo pipefail
writer=$1 jetdump=$2 template=$3 seconds=${4:-10}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
db=$work/yrkb_com.db
cp "$template" "$db"
chmod u+w "$db"
"$writer" "$db" left "$seconds" >"$work/left" &
"$writer" "$db" right "$seconds" >"$work/right" &
wait
failed=0
fail() { echo "FAIL $1"; failed=$((failed + 1)); }
saved=$(cat "$work/left" "$work/right" | grep -v '^failed' | sort -n)
count=$(wc -l <<<"$saved")
echo "left: $(grep -vc '^failed' "$work/left") saved, $(grep '^failed' "$work/left")"
echo "right: $(grep -vc '^failed' "$work/right") saved, $(grep '^failed' "$work/right")"
[[ $count -gt 100 ]] || fail "only $count saves in $seconds seconds"
[[ $(cut -d' ' -f1 <<<"$saved" | uniq -d | wc -l) -eq 0 ]] || fail "a number was given twice"
stored=$("$jetdump" --password Kx7-pq2-Lm9w "$db" yrkb_com | tail -n +2 | cut -d, -f1,2 |
    sed 's/"//g; s/,/ /' | sort -n)
[[ "$stored" == "$saved" ]] || fail "the file does not hold exactly the confirmed saves"
[[ $("$jetdump" --check "$db") == "no faults" ]] || fail "jetdump --check: $("$jetdump" --check "$db")"
[[ $(mdb-export "$db" yrkb_com | tail -n +2 | wc -l) -eq $count ]] || fail "mdb-export count"
[[ $failed -eq 0 ]] || exit 1
echo "ok: $count customers saved by two copies at once, none lost"
