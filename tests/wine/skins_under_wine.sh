#!/usr/bin/env bash
# The skin engine under Wine on a virtual display. First the built SkinH_EL.dll called
# directly (skin_check engine: every skin's colours on every kind of control, refusals, GDI
# objects over a thousand attaches). Then the real program: a first start writes the engine
# hidden beside itself and shows skin 2; "12" typed into the selector is attached and stored
# and comes back after a restart; 33, 0 and 34; a stranger's SkinH_EL.dll is left alone and
# never loaded, even when it is a real library (one that marks its folder when loaded).
# Screenshots are kept in ARTEFACT_DIR.
# usage: skins_under_wine.sh BUILD_DIR_OF_MINGW64 ARTEFACT_DIR
set -uo pipefail
build=$1 artefacts=$2
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
engine=$build/skin/SkinH_EL.dll probe=$build/skin/skin_check.exe
foreign=$build/skin/foreign_engine.dll
for tool in wine Xvfb xdotool import compare mdb-export; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
for f in "$exe" "$driver" "$engine" "$probe" "$foreign"; do
    [[ -f $f ]] || { echo "skipped: $f is not built (cmake --preset mingw64 && cmake --build --preset mingw64)"; exit 77; }
done
source "$(dirname "$0")/common.sh" "$artefacts"
differ() {  # differ WHAT A B: the screenshots differ in at least 5000 pixels
    local n
    n=$(compare -metric AE "$artefacts/$2.png" "$artefacts/$3.png" null: 2>&1 | cut -d' ' -f1)
    if [[ ${n%.*} =~ ^[0-9]+$ ]] && (( ${n%.*} >= 5000 )); then echo "ok   $1 ($n pixels differ)"; else
        echo "FAIL $1: only $n pixels differ"; failed=$((failed + 1)); fi
}
alike() {  # alike WHAT A B: the screenshots differ in at most 300 pixels (the caret, a digit)
    local n
    n=$(compare -metric AE "$artefacts/$2.png" "$artefacts/$3.png" null: 2>&1 | cut -d' ' -f1)
    if [[ ${n%.*} =~ ^[0-9]+$ ]] && (( ${n%.*} <= 300 )); then echo "ok   $1 ($n pixels differ)"; else
        echo "FAIL $1: $n pixels differ"; failed=$((failed + 1)); fi
}
stored_skin() { mdb-export "$1/yrkb_com.db" vantel_ww | awk -F, '$1 == 3 { gsub(/"/, "", $2); print $2 }'; }
# Wine keeps the attribute to itself; its own attrib reads it. The wineserver that starts
# without a display must be gone before the next session starts one with its display.
hidden() {
    local attributes
    attributes=$(wine cmd /c attrib "$(winepath -w "$1" 2>/dev/null)" 2>/dev/null | tr -d '\r')
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    [[ ${attributes:0:12} == *H* ]] && echo hidden || echo visible
}

# The engine on its own.
(cd "$build/skin" && on_virtual_display wine skin_check.exe engine) \
    > "$artefacts/engine_check.txt" 2>/dev/null
status=$?
tr -d '\r' < "$artefacts/engine_check.txt" | grep -E '^(FAIL|     )' | head -40
check "skin_check engine: every check held" 0 "$status"
grep -o 'GDI objects.*' "$artefacts/engine_check.txt" | tr -d '\r' | sed 's/^/     /'

# Runs the program in folder $1 on its own display, then the steps: "shot NAME" takes a
# screenshot, "type TEXT" types TEXT into the skin selector over its old text, "focus" clicks
# into the selector (the program starts with the keyboard in the list, which draws it apart;
# shots to be compared are taken with the keyboard in the same place), "alive" writes the
# driver's dump to alive.txt.
session() {
    local dir=$1
    shift
    cp "$exe" "$driver" "$dir/"
    # The last session's server must be gone, not going: a program started meanwhile joins
    # it and dies with it, and the session sees no window (a busy machine gave that).
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    on_virtual_display bash -c '
        cd "$1"; probe=$2; artefacts=$3; shift 3
        wine lanqiao.exe >/dev/null 2>&1 &
        wine lanqiao_driver.exe dump >/dev/null 2>&1
        for step in "$@"; do
            case $step in
                shot\ *) sleep 2; import -window root "$artefacts/${step#shot }.png" ;;
                type\ *)
                    read -r x y < <(wine "$probe" selector 2>/dev/null | tr -d "\r")
                    xdotool mousemove "$x" "$y" click 1
                    sleep 0.5
                    xdotool key End shift+Home
                    xdotool type --delay 400 "${step#type }"
                    sleep 1 ;;
                focus)
                    read -r x y < <(wine "$probe" selector 2>/dev/null | tr -d "\r")
                    xdotool mousemove "$x" "$y" click 1
                    sleep 0.5
                    xdotool key End
                    sleep 0.5 ;;
                alive) wine lanqiao_driver.exe dump > alive.txt 2>/dev/null ;;
            esac
        done
        wineserver -k' _ "$dir" "$probe" "$artefacts" "$@"
}

first=$work/first
mkdir -p "$first"
session "$first" "shot skin_2" "type 12" "shot skin_12"
check "first start: the engine written beside the program, byte for byte the one built" same \
    "$(cmp -s "$first/SkinH_EL.dll" "$engine" && echo same || echo differs)"
check "the engine file is hidden" hidden "$(hidden "$first/SkinH_EL.dll")"
check "\"12\" typed into the selector is stored" 12 "$(stored_skin "$first")"

session "$first" focus "shot restart_12" "type 33" "shot skin_33" "type 0" "shot skin_0" \
    "type 34" "shot skin_34" alive
check "after 33, 0 and 34 the program still answers" title \
    "$(cut -f1 "$first/alive.txt" | tr -d '\r' | head -1)"
check "\"34\" is stored all the same" 34 "$(stored_skin "$first")"

stranger=$work/stranger
mkdir -p "$stranger"
printf 'not our engine' > "$stranger/SkinH_EL.dll"
session "$stranger" focus "shot no_skin" alive
check "a SkinH_EL.dll already there is not replaced" "not our engine" "$(cat "$stranger/SkinH_EL.dll")"
check "nor made hidden" visible "$(hidden "$stranger/SkinH_EL.dll")"
check "with it the program runs, without a skin" title \
    "$(cut -f1 "$stranger/alive.txt" | tr -d '\r' | head -1)"

marked=$work/marked
mkdir -p "$marked"
cp "$foreign" "$marked/SkinH_EL.dll"
session "$marked" focus "shot foreign_library" alive
check "a stranger's library of that name is never loaded: no mark" absent \
    "$([[ -e $marked/marked.txt ]] && echo present || echo absent)"
check "nor changed" same "$(cmp -s "$foreign" "$marked/SkinH_EL.dll" && echo same || echo differs)"
check "with it the program runs" title "$(cut -f1 "$marked/alive.txt" | tr -d '\r' | head -1)"
alike "with a stranger's library the program has the plain look" foreign_library no_skin

differ "skin 2 and skin 12 look different" skin_2 skin_12
differ "skin 2 and skin 33 look different" skin_2 skin_33
differ "skin 12 and skin 33 look different" skin_12 skin_33
for shot in skin_2 skin_12 skin_33; do
    differ "$shot and no skin look different" "$shot" no_skin
done
alike "after a restart skin 12 is attached again" skin_12 restart_12
alike "0 attaches no skin" skin_0 no_skin
alike "34 attaches no skin" skin_34 no_skin

[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
