#!/usr/bin/env bash
# Compares jetdump with a real Jet reader on every table of every fixture.
# usage: compare_readers.sh JETDUMP FIXTURE_DIR mdb-export|mdb-reader
set -euo pipefail
jetdump=$1 dir=$2 oracle=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
passed=0 failed=0
export_with() {
    local file=$1 table=$2 pw=$3
    if [[ $oracle == mdb-export ]]; then
        mdb-export "$file" "$table"
    else
        node "$root/tests/oracles/mdb_reader_export.mjs" ${pw:+--password "$pw"} "$file" "$table"
    fi
}
for file in "$dir"/*.mdb; do
    pw=""
    [[ $(basename "$file") == with-password.mdb ]] && pw=password
    ours_tables=$("$jetdump" ${pw:+--password "$pw"} "$file" | sort)
    if [[ $oracle == mdb-export ]]; then
        theirs_tables=$(mdb-tables -1 "$file" | sort)
    else
        theirs_tables=$(node "$root/tests/oracles/mdb_reader_export.mjs" ${pw:+--password "$pw"} "$file" | sort)
    fi
    if [[ "$ours_tables" != "$theirs_tables" ]]; then
        echo "FAIL $(basename "$file"): tables differ: [$ours_tables] vs [$theirs_tables]"
        failed=$((failed + 1))
        continue
    fi
    while IFS= read -r table; do
        [[ -z $table ]] && continue
        ours=$("$jetdump" ${pw:+--password "$pw"} "$file" "$table")
        theirs=$(export_with "$file" "$table" "$pw")
        # Moved rows are listed where they were first stored, not where they now live,
        # so the other readers may list them later; the rows themselves must agree.
        if [[ "$ours" == "$theirs" ]] ||
           [[ $(basename "$file") == overflow-rows.mdb &&
              "$(head -1 <<<"$ours")" == "$(head -1 <<<"$theirs")" &&
              "$(sort <<<"$ours")" == "$(sort <<<"$theirs")" ]]; then
            passed=$((passed + 1))
        else
            echo "FAIL $(basename "$file") $table:"
            diff <(echo "$ours") <(echo "$theirs") | head -20 || true
            failed=$((failed + 1))
        fi
    done <<<"$ours_tables"
done
echo "$oracle: $passed passed, $failed failed"
[[ $failed -eq 0 && $passed -gt 0 ]]
