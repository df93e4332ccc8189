#!/usr/bin/env bash
# The built-in database, rebuilt and read by mdbtools, mdb-reader and jetdump.
# usage: template_oracles.sh MAKE_TEMPLATE JETDUMP COMMITTED_TEMPLATE
set -euo pipefail
make_template=$1 jetdump=$2 committed=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
expect() {  # expect WHAT EXPECTED ACTUAL
    if [[ "$2" == "$3" ]]; then
        echo "ok   $1"
    else
        echo "FAIL $1"
        diff <(echo "$2") <(echo "$3") || true
        failed=$((failed + 1))
    fi
}

db=$work/yrkb_com.db
"$make_template" "$db"
expect "rebuilt template equals the one in the program" "same" \
    "$(cmp -s "$db" "$committed" && echo same || echo differs)"
expect "159,744 bytes" 159744 "$(stat -c %s "$db")"

expect "mdb-tables" $'yrkb_com\nvantel_ww' "$(mdb-tables -1 "$db")"
expect "mdb-schema" "$(cat <<'SCHEMA'
CREATE TABLE [yrkb_com]
 (
	[id]			Long Integer, 
	[wang]			Text (50), 
	[wang2]			Text (50), 
	[time1]			DateTime, 
	[time2]			DateTime, 
	[bs]			Memo/Hyperlink (255), 
	[yn]			Boolean NOT NULL, 
	[time3]			DateTime
);

CREATE TABLE [vantel_ww]
 (
	[id]			Long Integer, 
	[ww]			Memo/Hyperlink (255)
);
SCHEMA
)" "$(mdb-schema --no-drop-table "$db" | grep -v '^--' | sed '/./,$!d' | sed -e :a -e '/^\n*$/{$d;N;ba' -e '}')"
expect "mdb-export vantel_ww" $'id,ww\n1,\n2,\n3,"2"' "$(mdb-export "$db" vantel_ww)"
expect "mdb-export yrkb_com" "id,wang,wang2,time1,time2,bs,yn,time3" "$(mdb-export "$db" yrkb_com)"

reader=$root/tests/oracles/mdb_reader_export.mjs
expect "mdb-reader password" "Kx7-pq2-Lm9w" "$(node "$reader" --password-of "$db")"
expect "mdb-reader tables" $'yrkb_com\nvantel_ww' "$(node "$reader" --password Kx7-pq2-Lm9w "$db")"
expect "mdb-reader columns" "$(cat <<'COLUMNS'
yrkb_com: id long autonumber, wang text 100, wang2 text 100, time1 datetime, time2 datetime, bs memo, yn boolean, time3 datetime
vantel_ww: id long autonumber, ww memo
COLUMNS
)" "$(node "$root/tests/oracles/mdb_reader_columns.mjs" --password Kx7-pq2-Lm9w "$db" yrkb_com vantel_ww)"
expect "mdb-reader vantel_ww" $'id,ww\n1,\n2,\n3,"2"' \
    "$(node "$reader" --password Kx7-pq2-Lm9w "$db" vantel_ww)"

expect "jetdump --check" "no faults" "$("$jetdump" --check "$db")"
expect "jetdump with another password" "refused" \
    "$("$jetdump" --password kx7-pq2-lm9w "$db" >/dev/null 2>&1 && echo opened || echo refused)"

[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
