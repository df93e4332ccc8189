#!/usr/bin/env bash
# Finding, sorting, the due view and follow-ups, by real keys and clicks, on the virtual
# display that walkthrough.sh made: customers come in from a CSV through the open dialog and
# the import dialog, and go again through the restore dialog.
# usage: list_steps.sh PROGRAM_DIR DRIVER LOCATE ARTEFACT_DIR SHEET_DIR JETDUMP TEMPLATE
set -uo pipefail
dir=$1 driver=$2 locate=$3 artefacts=$4 sheets=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/user.sh"
source "$here/checks.sh"
step() { printf -- '-- %s (%ss)\n' "$1" "$SECONDS"; }
ago() { date -d "-$1 days" +%Y-%m-%d; }
names() { screen_list | cut -f4 | paste -sd' '; }

mkdir -p "$sheets"
csv=$sheets/old_list.csv
printf '%s\r\n' "客户旺旺,我们的旺旺,第一次咨询日期,最后跟踪日期,备注" \
    "wang_old,shop_one,$(ago 40),$(ago 30),来问过两次" \
    "wang_due,shop_one,$(ago 9),$(ago 4),想要红色" \
    "wang_new,shop_one,$(ago 1),$(ago 0)," \
    "zhang_wait,shop_one,$(ago 20),$(ago 10),\"嫌贵\"" > "$csv"

start() {
    (cd "$dir" && exec wine lanqiao.exe >/dev/null 2>&1) &
    loc window "$main_title" >/dev/null || { echo "FAIL the main window did not show"; exit 1; }
}
start

step "1. Ctrl+I: the file through the open dialog, the import dialog, Enter"
activate "$main_title"
press ctrl+i
loc window 导入客户 >/dev/null || { echo "FAIL the open dialog did not show"; exit 1; }
sleep 1
type_text "$(winepath -w "$csv" 2>/dev/null)"
press Return
sleep 2
shot l01_import
press Return
expect "the import reports what it added" "导入完成：新增 4 位客户。" \
    eval 'loc message 导入客户 | head -1'
press Return
activate "$main_title"
expect "mdb-export: four customers" 4 eval 'customers | wc -l'
expect "the list shows them newest first" "zhang_wait wang_new wang_due wang_old" names

step "2. who is due is drawn in its colour, on skin 2 and on the dark skin 23"
shot_window l02_due "$main_title"
click control "$main_title" 0
press End shift+Home
type_text 23
sleep 1
shot_window l02_due_dark "$main_title"
differ "the dark skin draws the list otherwise" l02_due l02_due_dark
click control "$main_title" 0
press End shift+Home
type_text 2
sleep 1

step "3. typing into the list finds; Esc shows everyone again"
click row 0
type_text due
expect "only the customer found" "wang_due" names
shot_window l03_find "$main_title"
press Escape
expect "Esc: everyone again" "zhang_wait wang_new wang_due wang_old" names

step "4. a click on a header sorts, a second reverses"
click client "$main_title" 170 60
expect "sorted by the customer's ID" "wang_due wang_new wang_old zhang_wait" names
click client "$main_title" 170 60
expect "reversed" "zhang_wait wang_old wang_new wang_due" names
shot_window l04_sorted "$main_title"

step "5. Ctrl+R records a follow-up from the keyboard"
click row 3
press ctrl+r
loc window 记录跟进 >/dev/null || echo "FAIL the follow-up dialog did not open"
type_text "asked for size M"
press Return
expect "the dialog closed" 0 eval 'loc gone 记录跟进; echo $?'
line="|wang_due|shop_one|$(ago 9)|$(ago 0)|$(date +%Y-%-m-%-d) [0-9]*:[0-9][0-9] asked for size M.r.n想要红色|"
expect "mdb-export: followed up today, the dated line on top of the note" 1 \
    eval 'customers | grep -c "$line"'
shot_window l05_followed "$main_title"
differ "the followed-up row lost its due colour" l04_sorted l05_followed

step "6. Ctrl+D: only the customers due"
press ctrl+d
expect "two wait, the longest first in the chosen order" "zhang_wait wang_old" names
press ctrl+d
expect "Ctrl+D again: everyone" 4 eval 'screen_list | wc -l'

step "6b. Ctrl+R with a next date from the keyboard, the 下次跟进 column from the header's menu, Ctrl+L"
next_date_of() {  # the buyer's next follow-up as mdb-export reads it
    mdb-export -H -Q -e -d '|' -T '%Y-%m-%d' "$dir/yrkb_com.db" lq_buyer 2>&1 | awk -F'|' -v w="$1" '$3 == w { print $4 }'
}
next_cell_of() { screen_cells | awk -F'\t' -v w="$1" '$4 == w { print $9 }'; }
tomorrow=$(date -d tomorrow +%Y-%m-%d)
activate "$main_title"
click row 0
press ctrl+r
loc window 记录跟进 >/dev/null || echo "FAIL the follow-up dialog did not open"
type_text "after payday"
press Tab Down
shot_window l06b_next_date 记录跟进
press Return
expect "the dialog closed" 0 eval 'loc gone 记录跟进; echo $?'
expect "mdb-export: zhang_wait's next follow-up is tomorrow" "$tomorrow" next_date_of zhang_wait
expect "mdb-export: the follow-up's line in the log" 1 \
    eval "mdb-export -H -Q -e -d '|' '$dir/yrkb_com.db' lq_log | grep -c '|shop_one|after payday'"
activate "$main_title"
right_click client "$main_title" 170 60
pick_menu_item 1 l06b_header_menu
expect "mdb-export: row 2 remembers the column shown" 1 eval "setting 2 | grep -c next_date_column=1"
expect "the header's menu shows the 下次跟进 column" "$(date -d tomorrow +%Y-%-m-%-d)" next_cell_of zhang_wait
shot_window l06b_next_column "$main_title"
click row 0
press ctrl+l
loc window 跟进记录 >/dev/null || echo "FAIL 跟进记录 did not open"
shot_window l06b_log 跟进记录
press Escape
expect "Esc closes 跟进记录" 0 eval 'loc gone 跟进记录; echo $?'

step "7. a restart keeps the order, the window's size and the columns' widths"
activate "$main_title"
# The divider between the customer's and our ID widened by 40 pixels, the window made larger.
read -r _ _ x y _ <<< "$(loc client "$main_title" 245 60)"
xdotool mousemove "$x" "$y" mousedown 1 mousemove $((x + 40)) "$y" mouseup 1
sleep 0.5
xdotool search --name "^$main_title\$" windowsize 900 620 2>/dev/null
sleep 1
size_before=$(loc area "$main_title" | cut -d' ' -f5-)
press alt+F4
loc gone "$main_title" >/dev/null
expect "mdb-export: the order kept in row 2" "sort=3,desc" eval "setting 2 | grep -o 'sort=[0-9],[a-z]*'"
expect "mdb-export: the widened column kept in row 2" "columns=60,50,175," \
    eval "setting 2 | grep -o 'columns=[0-9]*,[0-9]*,[0-9]*,'"
# A notification area for the tray icon, as a desktop has one; Wine docks the icon in it and
# draws the balloon beside it, in the screen's bottom right corner.
corner() { import -window root -crop 244x50+780+695 +repage "$artefacts/$1.png"; }
trayer --edge bottom --align right --widthtype pixel --width 200 --height 24 >/dev/null 2>&1 &
tray_pid=$!
sleep 1
corner l07_corner_before
start
# The balloon "今天有 2 位客户待跟进" comes a moment after the window and stays its ten seconds.
balloon=0
for _ in $(seq 1 16); do
    sleep 0.5
    corner l07_corner_after
    n=$(pixels_between l07_corner_before l07_corner_after)
    if [[ ${n%.*} =~ ^[0-9]+$ ]] && ((${n%.*} >= 3000)); then balloon=1; break; fi
done
shot l07_balloon
expect "the tray balloon shows at start, as two customers are due" 1 echo "$balloon"
kill "$tray_pid" 2>/dev/null
expect "the list comes back in the same order" "zhang_wait wang_old wang_new wang_due" names
expect "the window comes back at its size ($size_before)" "$size_before" \
    eval 'loc area "$main_title" | cut -d" " -f5-'
shot_window l07_restarted "$main_title"
expect "the 下次跟进 column shows after the restart" "$(date -d tomorrow +%Y-%-m-%-d)" next_cell_of zhang_wait

step "8. 恢复备份…: the copy from before the import brings the empty list back"
activate "$main_title"
right_click client "$main_title" 720 35
pick_menu_item 9
loc window 恢复备份 >/dev/null || echo "FAIL the restore dialog did not open"
shot_window l08_restore 恢复备份
press Down Return
expect "the question names the backup's counts" "确定要用" eval 'loc message 温馨提示： | head -1 | grep -o "^确定要用"'
press Return
expect "the restore says so" "已经用" eval 'loc message 恭喜： | head -1 | grep -o "^已经用"'
press Return
activate "$main_title"
expect "mdb-export: the customers of before the import (none)" 0 eval 'customers | wc -l'
expect "备份 holds the first start's copy, the import's and the restore's" 3 \
    eval 'ls "$dir/备份" | wc -l'
expect "the list is empty" 0 eval 'screen_list | wc -l'

step "9. large files: the window answers while one is read, Esc forgets it; an import of 300,000 rows shows how far it is, Esc and 取消 stop it and the file stays byte for byte"
rows_file() {  # rows_file PATH COUNT
    awk -v d="$(ago 3)" -v n="$2" 'BEGIN { printf "客户旺旺,我们的旺旺,第一次咨询日期,最后跟踪日期,备注\r\n";
        for (i = 1; i <= n; i++) printf "buyer%06d,shop_one,%s,%s,第%d位\r\n", i, d, d, i }' > "$1"
}
big=$sheets/big.csv huge=$sheets/huge.csv
# 300,000 rows take a few seconds to import, time enough for a click on 取消 (100,000 take
# about two); 700,000 take a few seconds to read, where 100,000 are read before the progress
# window would show.
rows_file "$big" 300000
rows_file "$huge" 700000
before=$(sha256sum < "$dir/yrkb_com.db")
# The longest the window kept a message waiting.
answers() { wine "$driver" latency "$1" 2>/dev/null | tr -d '\r' | awk '{ print ($1 > $4 ? $1 : $4) }'; }
choose_file() {
    activate "$main_title"
    press ctrl+i
    loc window 导入客户 >/dev/null || { echo "FAIL the open dialog did not show"; return 1; }
    sleep 1
    type_text "$(winepath -w "$1" 2>/dev/null)"
    press Return
}
choose_file "$huge" || exit 1
loc window 正在读取 >/dev/null || { echo "FAIL no progress window while the file is read"; exit 1; }
shot l09_reading
waited=$(answers 500)
check "the window answers within 0.5 s while the file is read (longest ${waited:-?} ms)" 1 \
    "$((${waited:-9999} < 500))"
loc active 正在读取 >/dev/null || click client 正在读取 100 120
press Escape
expect "Esc: the file is forgotten at once" 0 eval 'loc gone 正在读取 >/dev/null; echo $?'
sleep 3
expect "no import dialog follows" 0 eval 'loc gone 导入客户 >/dev/null; echo $?'

stop_import() {  # stop_import HOW: press Esc, or click 取消
    choose_file "$big" || return 1
    loc control 导入客户 16 >/dev/null || { echo "FAIL the import dialog did not show"; return 1; }
    sleep 1
    press Return
    # At once: the whole import takes only some seconds.
    loc window 正在导入 >/dev/null || { echo "FAIL no progress window"; return 1; }
    shot "l09_importing_$1"
    if [[ $1 == esc ]]; then
        loc active 正在导入 >/dev/null || click client 正在导入 100 120
        press Escape
    else
        click button 正在导入 取消
    fi
    expect "$1: the progress window goes once the import has undone itself" 0 \
        eval 'loc gone 正在导入 >/dev/null; echo $?'
    check "$1: the file is byte for byte as before" "$before" "$(sha256sum < "$dir/yrkb_com.db")"
    expect "$1: the import dialog stays for another try" 0 \
        eval 'loc control 导入客户 16 >/dev/null; echo $?'
    loc active 导入客户 >/dev/null || click client 导入客户 300 10
    press Escape
    expect "$1: the import dialog closed by Esc" 0 eval 'loc gone 导入客户 >/dev/null; echo $?'
}
# A failed attempt may leave a dialog open that the next keys would import into.
stop_import esc || exit 1
stop_import cancel || exit 1
expect "mdb-export: still no customers" 0 eval 'customers | wc -l'

activate "$main_title"
press alt+F4
loc gone "$main_title" >/dev/null
printf -- '-- done (%ss)\n' "$SECONDS"
[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
