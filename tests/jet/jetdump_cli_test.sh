#!/usr/bin/env bash
# jetdump's exit codes and messages: listing, export, check, and refusals.
set -uo pipefail
jetdump=$1 dir=$2
passed=0 failed=0
expect() {  # expect NAME WANT_RC WANT_TEXT -- command...
    local name=$1 want_rc=$2 want_text=$3
    shift 4
    local out rc
    out=$("$@" 2>&1)
    rc=$?
    if [[ $rc -eq $want_rc && $out == *"$want_text"* ]]; then
        passed=$((passed + 1))
    else
        echo "FAIL $name: rc=$rc out=[$out]"
        failed=$((failed + 1))
    fi
}
expect list 0 "Table1" -- "$jetdump" "$dir/no-password.mdb"
expect export 0 $'ID,Data\n1,"One"' -- "$jetdump" "$dir/no-password.mdb" Table1
expect password 0 '3,"Three"' -- "$jetdump" --password password "$dir/with-password.mdb" Table1
expect wrong-password 1 "wrong password" -- "$jetdump" --password Password "$dir/with-password.mdb"
expect no-password-given 1 "wrong password" -- "$jetdump" "$dir/with-password.mdb" Table1
expect no-table 1 "no table named Nope" -- "$jetdump" "$dir/no-password.mdb" Nope
expect missing-file 1 "no file" -- "$jetdump" "$dir/absent.mdb"
expect directory 1 "directory" -- "$jetdump" "$dir"
expect check-clean 0 "no faults" -- "$jetdump" --check "$dir/overflow-rows.mdb"
expect usage 2 "usage" -- "$jetdump"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
head -c 10000 "$dir/no-password.mdb" >"$scratch/cut.mdb"
expect check-truncated 1 "fault" -- "$jetdump" --check "$scratch/cut.mdb"
# Writing: one row in, one statement run, and every refusal leaves the file as it was.
cp "$dir/no-password.mdb" "$scratch/w.mdb"
chmod u+w "$scratch/w.mdb"
expect insert 0 "4" -- "$jetdump" "$scratch/w.mdb" --insert Table1 "Data=客户 O'Neil"
expect insert-again 0 "5" -- "$jetdump" "$scratch/w.mdb" --insert Table1 Data=hello
expect exec 0 "2" -- "$jetdump" "$scratch/w.mdb" --exec "delete * from Table1 where ID=2 or Data='HELLO'"
expect after-writes 0 $'ID,Data\n1,"One"\n3,"Three"\n4,"客户 O\'Neil"' -- mdb-export "$scratch/w.mdb" Table1
expect check-after-writes 0 "no faults" -- "$jetdump" --check "$scratch/w.mdb"
before=$(md5sum <"$scratch/w.mdb")
expect unknown-column 1 "no column named Nope" -- "$jetdump" "$scratch/w.mdb" --insert Table1 Nope=1
expect wrong-type 1 "is no value for Long Integer" -- "$jetdump" "$scratch/w.mdb" --insert Table1 ID=abc
expect too-long 1 "longer than the column" -- "$jetdump" "$scratch/w.mdb" --insert Table1 "Data=$(printf 'x%.0s' $(seq 300))"
expect read-only 1 "read-only" -- "$jetdump" "$scratch/w.mdb" --insert MSysObjects Name=x
expect delete-everything 1 "expected 'where'" -- "$jetdump" "$scratch/w.mdb" --exec "delete * from Table1"
expect bad-condition 1 "no column named Nope" -- "$jetdump" "$scratch/w.mdb" --exec "delete * from Table1 where Nope=1"
expect wrong-password-write 1 "wrong password" -- "$jetdump" --password nope "$dir/with-password.mdb" --insert Table1 Data=x
if [[ $(md5sum <"$scratch/w.mdb") == "$before" ]]; then passed=$((passed + 1)); else echo "FAIL refusals changed the file"; failed=$((failed + 1)); fi
# A long note goes to long-value pages; deleting it frees them for the next one.
cp "$dir/numeric.mdb" "$scratch/n.mdb"
chmod u+w "$scratch/n.mdb"
big=$(printf '备注note%.0s' $(seq 4000))
expect long-insert 0 "0" -- "$jetdump" "$scratch/n.mdb" --insert test "col1=$big"
expect long-read 0 "\"$big\"" -- mdb-export "$scratch/n.mdb" test
expect long-check 0 "no faults" -- "$jetdump" --check "$scratch/n.mdb"
size=$(stat -c %s "$scratch/n.mdb")
expect long-delete 0 "1" -- "$jetdump" "$scratch/n.mdb" --exec "delete * from test where col1<>'some data'"
expect long-again 0 "0" -- "$jetdump" "$scratch/n.mdb" --insert test "col1=$big"
if [[ $(stat -c %s "$scratch/n.mdb") -eq $size ]]; then passed=$((passed + 1)); else echo "FAIL freed long-value pages were not reused"; failed=$((failed + 1)); fi
# A file the real engine wrote, with deleted rows: rows added and removed stay readable
# by both real readers.
cp "$dir/deleted-rows.mdb" "$scratch/d.mdb"
chmod u+w "$scratch/d.mdb"
for i in $(seq 40); do "$jetdump" "$scratch/d.mdb" --insert Table "a=新$i" "b=值 $i" >/dev/null; done
expect real-file-delete 0 "2" -- "$jetdump" "$scratch/d.mdb" --exec "delete * from Table where a='Z' or a='新7'"
expect real-file-check 0 "no faults" -- "$jetdump" --check "$scratch/d.mdb"
ours=$("$jetdump" "$scratch/d.mdb" Table | sort)
theirs=$(mdb-export "$scratch/d.mdb" Table | sort)
node_out=$(node "$(dirname "$0")/../oracles/mdb_reader_export.mjs" "$scratch/d.mdb" Table | sort)
if [[ $ours == "$theirs" && $ours == "$node_out" && $(wc -l <<<"$ours") -eq 41 && $ours == *'"v","u"'* && $ours != *'"z"'* ]]; then
    passed=$((passed + 1))
else
    echo "FAIL real file after writes: [$ours] [$theirs] [$node_out]" | head -c 600
    failed=$((failed + 1))
fi
echo "jetdump: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
