#!/usr/bin/env bash
# Two processes adding rows to one file at the same time: the lock keeps their writes apart,
# so nothing is lost and nothing is corrupted.
# usage: concurrent_writers.sh JETDUMP FIXTURE_DIR [ROWS_EACH]
set -uo pipefail
jetdump=$1 dir=$2 each=${3:-150}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
db="$scratch/shared.mdb"
cp "$dir/no-password.mdb" "$db"
chmod u+w "$db"
writer() {
    local name=$1 failures=0
    for i in $(seq "$each"); do
        "$jetdump" "$db" --insert Table1 "Data=$name-$i" >/dev/null 2>>"$scratch/$name.err" || failures=$((failures + 1))
    done
    echo "$failures" >"$scratch/$name.failures"
}
writer left &
writer right &
wait
passed=0 failed=0
check() {
    if eval "$2"; then passed=$((passed + 1)); else echo "FAIL $1"; failed=$((failed + 1)); fi
}
check "no insert failed" '[[ $(cat "$scratch/left.failures") -eq 0 && $(cat "$scratch/right.failures") -eq 0 ]]'
rows=$(mdb-export "$db" Table1 | tail -n +2)
check "every row is there" '[[ $(wc -l <<<"$rows") -eq $((3 + 2 * each)) ]]'
check "left rows" '[[ $(grep -c "\"left-" <<<"$rows") -eq $each ]]'
check "right rows" '[[ $(grep -c "\"right-" <<<"$rows") -eq $each ]]'
check "ids are distinct" '[[ $(cut -d, -f1 <<<"$rows" | sort -u | wc -l) -eq $((3 + 2 * each)) ]]'
check "structure" '"$jetdump" --check "$db" >/dev/null'
check "no journal left" '[[ ! -e "$db-journal" ]]'
[[ -s "$scratch/left.err" || -s "$scratch/right.err" ]] && cat "$scratch"/*.err | head -5
echo "concurrent writers: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
