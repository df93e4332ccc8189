#!/usr/bin/env bash
# Installs what is missing, builds 岚桥管家 and starts it under Wine (on a
# virtual display when there is none), in out/run/, where it keeps its database.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

step() { printf '\n==> %s\n' "$*"; }

step "setup"
bash scripts/setup.sh

jobs="$(nproc)"

step "build: mingw64 (the program)"
cmake --preset mingw64
cmake --build --preset mingw64 -j"$jobs"

source scripts/wine_prefix.sh
exe=build/mingw64/lanqiao.exe
[[ -f "$exe" ]] || { echo "run: $exe was not built" >&2; exit 1; }
# A folder of its own: the program writes its database beside itself.
rundir=out/run
mkdir -p "$rundir"
cp -f "$exe" "$rundir/"
step "prepare Wine"
prepare_wine_prefix
step "starting $rundir/lanqiao.exe under Wine"
cd "$rundir"
if [[ -z "${DISPLAY:-}" ]]; then
  on_virtual_display 1280x800 -- wine lanqiao.exe
else
  wine lanqiao.exe
fi
