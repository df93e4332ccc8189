# Sourced by steps.sh: the user's hands. Mouse and keyboard go in through the X server only
# (xdotool); `locate` tells where things are and what they show, and changes nothing.
# Needs: $locate (the path of locate.exe) and $artefacts.

main_title="岚桥管家 V2.0  未成交客户跟踪管理中心"

loc() { wine "$locate" "$@" 2>/dev/null; }

# The middle of what `locate` finds, as "X Y"; nothing when it does not show.
where() { loc "$@" | cut -d' ' -f1,2; }

_pointer() {  # _pointer BUTTON-ARGS -- LOCATE-ARGS
    local buttons=() xy
    while [[ $1 != -- ]]; do buttons+=("$1"); shift; done
    shift
    xy=$(where "$@")
    if [[ -z $xy ]]; then echo "     (not on the screen: $*)"; return 1; fi
    # shellcheck disable=SC2086
    xdotool mousemove $xy
    sleep 0.2
    xdotool "${buttons[@]}"
    sleep 0.3
}
click() { _pointer click 1 -- "$@"; }
right_click() { _pointer click 3 -- "$@"; }
double_click() { _pointer click --repeat 2 --delay 120 1 -- "$@"; }

# Where a click on a window touches none of its controls.
# The editor of a stored customer has its 标签… button where the new one's corner is free.
declare -A free_spot=(["$main_title"]="720 35" [添加新客户]="100 440" [修改客户信息]="250 440")

# Clicks a window where it has no control and waits until it takes the keyboard. Needed after
# a message box: without a window manager, Wine hands the keyboard to its tray window when a
# message box without an owner closes, and keys typed then are lost.
activate() {
    # shellcheck disable=SC2086
    click client "$1" ${free_spot[$1]} || return 1
    loc active "$1" || { echo "     ($1 did not take the keyboard)"; return 1; }
}

# Keys by their X names, one after another.
press() { xdotool key --delay 120 "$@"; sleep 0.3; }

# ASCII text, key by key.
type_text() { xdotool type --delay 60 "$1"; sleep 0.3; }

# Chinese text: xdotool types only some of its characters into Wine (it remaps a spare key
# for each one and Wine misses some remappings), so it goes through the clipboard and Ctrl+V,
# as a user pastes it.
paste_text() {
    printf '%s' "$1" | xclip -selection clipboard
    local i
    for ((i = 0; i < 20; i++)); do
        [[ $(xclip -o -selection clipboard 2>/dev/null) == "$1" ]] && break
        sleep 0.1
    done
    xdotool key ctrl+v
    sleep 0.3
}

# Picks the Nth item (from 1) of the pop-up menu that shows, with the arrow keys and Enter;
# a screenshot NAME, when given, shows the menu with that item lit.
pick_menu_item() {
    loc menu >/dev/null || { echo "     (no menu showed)"; return 1; }
    local keys=() i
    for ((i = 0; i < $1; i++)); do keys+=(Down); done
    press "${keys[@]}"
    [[ -n ${2:-} ]] && shot "$2"
    press Return
}

# A date picker set from the keyboard: month, day, year, as the locale C.UTF-8 orders them.
type_date() {  # type_date WINDOW CONTROL YEAR MONTH DAY
    local xy x y
    xy=$(loc control "$1" "$2") || return 1
    read -r _ _ x y _ <<< "$xy"
    xdotool mousemove $((x + 9)) $((y + 12)) click 1
    sleep 0.3
    type_text "$4"
    press Right
    type_text "$5"
    press Right
    type_text "$3"
}

shot() { import -window root "$artefacts/$1.png"; }

# A window's picture without the screen around it.
shot_window() {  # shot_window NAME TITLE
    local area w h x y
    area=$(loc area "$2") || return 1
    read -r _ _ x y w h <<< "$area"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$artefacts/$1.png"
}
