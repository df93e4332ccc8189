#!/usr/bin/env bash
# The whole program as a user meets it, under Wine on a virtual display, by mouse and keyboard
# only: a first start in an empty folder, our IDs, three customers, an edit, deals, the closed
# list, a customer turned back, both sheets exported, the chart, a skin, a deletion, closing
# and a second start. After every step the database file is read with mdb-export and a
# screenshot is kept in ARTEFACT_DIR (steps.sh has the steps). Chinese text is pasted through
# the X clipboard (xclip), since xdotool types only some Chinese characters into Wine.
# Exit code 77 when Wine, Xvfb or xdotool is missing.
# STEPS names another script of steps to run the same way (default: steps.sh).
# usage: walkthrough.sh BUILD_DIR_OF_MINGW64 JETDUMP TEMPLATE ARTEFACT_DIR STATUS_SERVER WORK_DIR [STEPS]
set -uo pipefail
build=$1 jetdump=$2 template=$3 artefacts=$4 status_server=$5 work_dir=$6 steps=${7:-steps.sh}
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
for tool in wine Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
for tool in xclip import convert compare mdb-export iconv x86_64-w64-mingw32-g++-posix; do
    command -v "$tool" >/dev/null || { echo "FAIL $tool is not installed (scripts/setup.sh)"; exit 1; }
done
for f in "$exe" "$driver" "$jetdump" "$template" "$status_server"; do
    [[ -f $f ]] || { echo "FAIL $f is not built"; exit 1; }
done

# The screen reader of the walkthrough, built when missing or older than its source; the
# walkthroughs that run at once share it, so one builds it while the others wait.
mkdir -p "$work_dir"
locate=$work_dir/locate.exe
sources=("$here"/locate/*.cpp "$root/runtime/win32/wide_text.cpp")
(
    flock 9
    if [[ ! -f $locate ]] || [[ -n $(find "$here/locate" "$root"/runtime/win32/wide_text.* -newer "$locate" -type f) ]]; then
        x86_64-w64-mingw32-g++-posix -std=c++20 -O1 -municode -DUNICODE -D_UNICODE -I"$root" \
            -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror \
            "${sources[@]}" -lcomctl32 -static -o "$work_dir/locate-new.exe" && mv "$work_dir/locate-new.exe" "$locate"
    fi
) 9>"$work_dir/locate.lock"
[[ -f $locate ]] || { echo "FAIL locate.exe does not build"; exit 1; }

source "$root/scripts/wine_prefix.sh"
# A prefix of its own: its wineserver is ended at the end without touching other runs.
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-lanqiao-${steps%.sh}}
# The date pickers' fields come in the order of the locale: month, day, year here.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
prepare_wine_prefix
mkdir -p "$artefacts"
rm -f "$artefacts"/*.png
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null; [[ -n ${server_pid:-} ]] && kill "$server_pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/sheets"
cp "$exe" "$work/program/"

# Every host of the program points at the stand-in of the status service: nothing leaves
# the machine, and IDs with "online" in them show as online.
coproc SERVER { exec "$status_server" "$work/status_requests.txt" 600; }
server_pid=$SERVER_PID
read -r port <&"${SERVER[0]}"
export LQ_SERVICE_HOST=127.0.0.1:$port

on_virtual_display \
    bash "$here/$steps" "$work/program" "$driver" "$locate" "$artefacts" "$work/sheets" \
    "$jetdump" "$template"
