#!/usr/bin/env bash
# Runs the resource probe under Wine in a prefix of its own, made ready as every Wine test's
# is, so that it may run beside other Wine tests.
# usage: probe_under_wine.sh PROBE_EXE
source "$(cd "$(dirname "$0")/../.." && pwd)/scripts/wine_prefix.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-resources}
prepare_wine_prefix >/dev/null 2>&1
wine "$1" 2>/dev/null
status=$?
wineserver -k 2>/dev/null
exit $status
