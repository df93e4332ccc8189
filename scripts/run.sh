#!/usr/bin/env bash
# Installs what is missing, builds 岚桥管家 and starts it under Wine.
# Until the program has a window, it shows what the Jet 4 engine reads from
# every fixture instead: `jetdump FILE` (the tables) and `jetdump FILE TABLE`
# (each table as CSV).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/lib.sh

step() { printf '\n==> %s\n' "$*"; }

step "setup"
bash scripts/setup.sh

jobs="$(nproc)"

step "build: mingw64 (the program)"
cmake --preset mingw64
cmake --build --preset mingw64 -j"$jobs"

step "build: native (jetdump)"
cmake --preset native
cmake --build --preset native -j"$jobs"

jetdump=build/native/tools/jetdump/jetdump
[[ -x "$jetdump" ]] || { echo "run: $jetdump was not built" >&2; exit 1; }

dir="$(fixture_dir)"
for f in "$dir"/*.mdb; do
  step "jetdump $f"
  pw=()
  if ! tables="$("$jetdump" "$f" 2>/dev/null)"; then
    # A protected fixture: mdb-reader (our test oracle) tells its password.
    password="$(node tests/oracles/mdb_reader_export.mjs --password-of "$f")"
    pw=(--password "$password")
    echo "(database password, as mdb-reader reads it: $password)"
    tables="$("$jetdump" "${pw[@]}" "$f")"
  fi
  [[ -n "$tables" ]] && printf '%s\n' "$tables" || echo "(no user tables)"
  while IFS= read -r table; do
    [[ -n "$table" ]] || continue
    step "jetdump ${pw[*]} $f $table"
    "$jetdump" "${pw[@]}" "$f" "$table"
  done <<<"$tables"
done

# ---------------------------------------------------------------------------
# Starting the program. Once build/mingw64/lanqiao.exe exists it is copied
# into a folder of its own (it writes its database and skin engine beside
# itself) and started with Wine, on a virtual display when there is none.
# ---------------------------------------------------------------------------
exe=build/mingw64/lanqiao.exe
if [[ -f "$exe" ]]; then
  rundir=out/run
  mkdir -p "$rundir"
  cp -f "$exe" "$rundir/"
  step "starting $rundir/lanqiao.exe under Wine"
  export WINEDEBUG="${WINEDEBUG:--all}"
  cd "$rundir"
  if [[ -z "${DISPLAY:-}" ]]; then
    xvfb-run -a -s '-screen 0 1280x800x24' wine lanqiao.exe
  else
    wine lanqiao.exe
  fi
else
  step "$exe is not built yet: nothing to start"
fi
