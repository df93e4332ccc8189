#!/usr/bin/env bash
# The program's WinInet adapter, cross-built into a small exe and run under Wine against a
# local server: the buffer rules, the fragment, error pages, refused and silent servers, the
# bounded waits and concurrent requests.
# usage: wininet_under_wine.sh DRIVER SOURCE_DIR WORK_DIR
set -uo pipefail
driver=$1 src=$2 work=$3
cxx=x86_64-w64-mingw32-g++-posix
if ! command -v "$cxx" >/dev/null || ! command -v wine >/dev/null; then
    echo "skipped: $cxx or wine is not installed"
    exit 77
fi
mkdir -p "$work"
exe=$work/wininet_fetch.exe
sources=("$src/tests/wine/wininet_fetch.cpp" "$src/runtime/win32/wininet_http.cpp"
         "$src/runtime/win32/internet_handle.cpp" "$src/runtime/http_reply.cpp")
if [[ ! -f $exe ]] || [[ -n $(find "${sources[@]}" "$src/runtime/http_reply.h" \
        "$src/runtime/win32/wininet_http.h" "$src/runtime/http_session.h" -newer "$exe") ]]; then
    "$cxx" -std=c++20 -O1 -I"$src" -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
        -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror \
        "${sources[@]}" -lwininet -static -o "$exe" || exit 1
fi
source "$src/scripts/wine_prefix.sh"
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-$(basename "$0" .sh)}
prepare_wine_prefix
"$driver" "$exe"
