#!/usr/bin/env bash
# A build of the program from the last commit before it kept tables of its own (lq_buyer,
# lq_log, lq_tag, lq_bin) beside the customer table opens a file this build wrote. It must
# list, export and change the customers as it always did, and this build must then read the
# old one's changes with every one of its own rows as it left them.
# usage: old_build.sh SOURCE_DIR WORK_DIR CURRENT_SIDE JETDUMP CXX CMAKE
# The old tree and its build stay in WORK_DIR, so only the first run compiles it.
set -euo pipefail
src=$1 work=$2 current=$3 jetdump=$4 cxx=$5 cmake=$6
old=a7e8c45
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
started=$SECONDS

if ! git -C "$src" cat-file -e "$old^{commit}" 2>/dev/null; then
    echo "skipped: commit $old is not in this checkout's history (a shallow clone?)," \
        "so the old build cannot be made"
    exit 77
fi
command -v mdb-export >/dev/null || {
    echo "mdb-export (mdbtools) is not installed"
    exit 1
}

# The old tree, taken whole from the history; a marker says the copy is complete.
old_source=$work/old_source old_build=$work/old_build
if [[ $(cat "$old_source/.lq_commit" 2>/dev/null) != "$old" ]]; then
    rm -rf "$old_source" "$old_build"
    mkdir -p "$old_source"
    git -C "$src" archive "$old" | tar -x -C "$old_source"
    echo "$old" >"$old_source/.lq_commit"
fi
# Only the store and the old side, unoptimised and without debug information: fast to
# compile. -Werror is left off for the old sources alone (old_side.cmake).
if ! "$cmake" -S "$old_source" -B "$old_build" -G "Unix Makefiles" \
    -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
    -DLQ_WERROR=OFF -DLQ_TESTS=OFF -DLQ_BENCH=OFF \
    -DCMAKE_PROJECT_INCLUDE="$here/old_side.cmake" -DLQ_OLD_SIDE_DIR="$here" \
    >"$work/old_configure.log" 2>&1; then
    tail -n 40 "$work/old_configure.log"
    echo "FAIL the old tree does not configure"
    exit 1
fi
if ! "$cmake" --build "$old_build" --target old_side -j"$(nproc)" >"$work/old_build.log" 2>&1; then
    tail -n 60 "$work/old_build.log"
    echo "FAIL the old build does not compile"
    exit 1
fi
old_side=$old_build/old_side
echo "old build ready in $((SECONDS - started)) s"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/lq_old_build.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
db=$tmp/yrkb_com.db
# Both sides keep to the file they are given; no server is to stand in for it.
unset LQ_STORE

failed=0
fail() {
    echo "FAIL $1"
    failed=$((failed + 1))
}
same() { # what, expected file, actual file
    diff -u --label "$1: expected" --label "$1: found" "$2" "$3" || fail "$1"
}
# Every column of a table, dates to the second, nulls and line breaks spelt out.
export_table() {
    mdb-export -T '%Y-%m-%d %H:%M:%S' -0 NULL -e "$db" "$1"
}

"$current" write "$db" "$tmp"
own_tables=(lq_buyer lq_log lq_tag lq_bin)
tables=$(mdb-tables -1 "$db")
for t in "${own_tables[@]}"; do
    grep -qx "$t" <<<"$tables" || fail "the current build made no $t"
    export_table "$t" >"$tmp/$t.before.csv" || fail "mdb-export $t before the old build"
done

if "$old_side" "$db" "$tmp"; then
    same "the old build's lists" "$tmp/customers.txt" "$tmp/old_list.txt"
    same "the old build's tracking sheets" "$here/expected_sheet.txt" "$tmp/old_sheet.txt"
else
    fail "the old build did not get through the file"
fi

if "$current" check "$db" "$tmp"; then
    same "this build's lists after the old build" "$tmp/old_after.txt" "$tmp/customers_after.txt"
    same "this build's own rows after the old build" "$tmp/kept.txt" "$tmp/kept_after.txt"
else
    fail "this build did not read the file after the old build"
fi

for t in "${own_tables[@]}"; do
    if export_table "$t" >"$tmp/$t.after.csv"; then
        same "$t as mdb-export reads it" "$tmp/$t.before.csv" "$tmp/$t.after.csv"
    else
        fail "mdb-export $t after the old build"
    fi
done
for t in yrkb_com vantel_ww; do
    export_table "$t" >"$tmp/$t.csv" || fail "mdb-export $t after the old build"
done
[[ $(tail -n +2 "$tmp/yrkb_com.csv" | wc -l) -eq 7 ]] || fail "mdb-export does not find 7 customers"
check=$("$jetdump" --check "$db" 2>&1) || true
[[ $check == "no faults" ]] || fail "jetdump --check: $check"

echo "took $((SECONDS - started)) s"
[[ $failed -eq 0 ]] || exit 1
echo "ok: the old build listed, exported and changed the customers; this build kept its own rows"
