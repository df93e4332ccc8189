#!/usr/bin/env bash
# Holds the Node oracle (tests/oracles/mdb_reader_export.mjs, mdb-reader) to
# mdbtools on every fixture: the table list must match `mdb-tables -1` and
# every table must match `mdb-export` byte for byte. Tests compare our engine
# with both readers, so the two must first agree with each other.
# Usage: scripts/check-oracle.sh [FILE.mdb ...]   (default: every fixture)
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh

oracle=tests/oracles/mdb_reader_export.mjs
files=("$@")
if ((${#files[@]} == 0)); then
  dir="$(fixture_dir)"
  files=("$dir"/*.mdb)
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

passed=0
failed=0
check() { # name expected-file actual-file
  if cmp -s "$2" "$3"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $1"
    diff "$2" "$3" | head -20 || true
  fi
}

for f in "${files[@]}"; do
  name="$(basename "$f")"
  mdb-tables -1 "$f" >"$work/tables.mdbtools"
  node "$oracle" "$f" >"$work/tables.oracle"
  check "$name: table list" "$work/tables.mdbtools" "$work/tables.oracle"
  while IFS= read -r table; do
    mdb-export "$f" "$table" >"$work/export.mdbtools"
    node "$oracle" "$f" "$table" >"$work/export.oracle"
    check "$name: $table" "$work/export.mdbtools" "$work/export.oracle"
  done <"$work/tables.mdbtools"
done

echo "oracle: $passed passed, $failed failed"
((failed == 0))
