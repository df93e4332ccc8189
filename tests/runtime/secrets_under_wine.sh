#!/usr/bin/env bash
# The Windows secrets adapter (DPAPI), cross-built into a small exe and run under Wine.
# usage: secrets_under_wine.sh SOURCE_DIR WORK_DIR
set -uo pipefail
src=$1 work=$2
cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null || ! command -v wine >/dev/null; then
    echo "skipped: $cxx or wine is not installed"
    exit 77
fi
mkdir -p "$work"
exe=$work/secrets_under_wine.exe
"$cxx" -std=c++20 -O1 -I"$src" -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror \
    "$src/tests/runtime/secrets_under_wine.cpp" "$src/runtime/win32/secrets.cpp" \
    -lcrypt32 -static -o "$exe" || exit 1
source "$src/scripts/wine_prefix.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-$(basename "$0" .sh)}
prepare_wine_prefix
wine "$exe"
