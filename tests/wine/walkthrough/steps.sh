#!/usr/bin/env bash
# The walkthrough itself, on the virtual display that walkthrough.sh made: the program as a
# user meets it, by mouse and keyboard only, every step checked in the database file, on the
# screen and in the exported sheets.
# usage: steps.sh PROGRAM_DIR DRIVER LOCATE ARTEFACT_DIR SHEET_DIR JETDUMP TEMPLATE
set -uo pipefail
dir=$1 driver=$2 locate=$3 artefacts=$4 sheets=$5 jetdump=$6 template=$7
here=$(cd "$(dirname "$0")" && pwd)
source "$here/user.sh"
source "$here/checks.sh"

today=$(date +%Y-%m-%d) shown_today=$(date +%Y-%-m-%-d) stamp=$(date +%Y%-m%-d)
# Days the editor counts from 2024-05-20 to today, both counted.
days=$(( ($(date -d "$today" +%s) - $(date -d 2024-05-20 +%s)) / 86400 + 1 ))
program_pid=
start_program() {
    (cd "$dir" && exec wine lanqiao.exe >/dev/null 2>&1) &
    program_pid=$!
    loc window "$main_title" >/dev/null || { echo "FAIL the main window did not show"; exit 1; }
}
step() { printf -- '-- %s (%ss)\n' "$1" "$SECONDS"; }

step "1. first start in an empty folder"
start_program
expect "the selector shows the skin stored in the new database" 2 loc text "$main_title" 0
check "the database is written beside the program, byte for byte the template" same \
    "$(cmp -s "$dir/yrkb_com.db" "$template" && echo same || echo differs)"
check "the skin engine is written beside it" yes "$([[ -f $dir/SkinH_EL.dll ]] && echo yes)"
check "mdb-export: no customers" "" "$(customers)"
check "mdb-export: no IDs of ours, skin 2" "|2" "$(setting 1)|$(setting 3)"
expect "the list: the open customers' columns, no rows" \
    "$(printf '编号\t序号\t状态\t客户旺旺名\t我们旺旺名\t第一次咨询日期\t最后跟踪日期\t备注')" screen_list columns
check "the list is empty" "" "$(screen_list)"
shot 01_first_start

# The editor when it has to refuse: the message, then the editor still open with what was
# typed; closed by the user (a click on it, Alt+F4), it stores nothing.
refused() {  # refused WHAT MESSAGE
    click control 添加新客户 3
    check "$1: the editor refuses" "$2" "$(loc message 信息：)"
    click button 信息： "#1"
    check "$1: the editor stays open" 0 "$(loc window 添加新客户 >/dev/null; echo $?)"
    activate 添加新客户
    press alt+F4
    check "$1: Alt+F4 closes the editor" 0 "$(loc gone 添加新客户; echo $?)"
}

step "2. the editor before any ID of ours; two IDs in the manager"
click toolbar 0
click control 添加新客户 8
type_text first_try
refused "no ID of ours yet" "该客户是在我们哪家店？哪一个旺旺号上咨询的呢？！"
check "mdb-export: still no customers" "" "$(customers)"
click toolbar 1
manager=我们的旺旺号管理
click control "$manager" 2
paste_text 店主一
press Return
type_text shop_two
shot 02_manager
click control "$manager" 0
check "the manager closes on 保存" 0 "$(loc gone "$manager"; echo $?)"
expect "mdb-export: settings row 1 holds both IDs, each ended by CR LF" '店主一\r\nshop_two\r\n' setting 1
check "mdb-export: the manager wrote no customer" "" "$(customers)"

step "3. three customers through the editor"
editor=添加新客户
add_customer() {  # add_customer NAME ID_PASTED|ID_TYPED OUR_ID_INDEX NOTE_KEYS...
    local name=$1 id=$2 ours=$3
    shift 3
    click toolbar 0
    loc window "$editor" >/dev/null || { echo "FAIL the editor did not open"; failed=$((failed + 1)); return; }
    click control "$editor" 8
    case $id in paste:*) paste_text "${id#paste:}" ;; *) type_text "$id" ;; esac
    click control "$editor" 7  # the drop-down of our IDs opens; the arrow keys pick
    local keys=() i
    for ((i = 0; i < ours; i++)); do keys+=(Down); done
    press "${keys[@]}" Return
    [[ $name == a ]] && type_date "$editor" 6 2024 5 20
    click control "$editor" 4
    local part
    for part in "$@"; do
        case $part in
            paste:*) paste_text "${part#paste:}" ;;
            Return) press Return ;;
            *) type_text "$part" ;;
        esac
    done
    shot "03_editor_$name"
    [[ $name == b ]] && shot_window walkthrough_editor "$editor"
    click control "$editor" 3
    check "customer $name: the editor says it saved" "保存成功！" "$(loc message 恭喜：)"
    click button 恭喜： "#1"
    check "customer $name: the editor closes" 0 "$(loc gone "$editor"; echo $?)"
}
add_customer a 'paste:买家：小王' 1 'paste:问了尺码'
expect "customer a in the file: its ID cleaned (the full-width colon made ASCII), our first ID, the first enquiry typed, today's follow-up, the note" \
    "1|买家:小王|店主一|2024-05-20|$today|问了尺码|0|" customers
add_customer b tb_buyer_two 2 'paste:第一行：要红色' Return 'second line, "size" M' Return 'paste:第三行 周末再来'
add_customer c lisa_online 1 'paste:老客户介绍'
# The rows as mdb-export must read them, customer by customer.
note_b='第一行：要红色\r\nsecond line, "size" M\r\n第三行 周末再来'
row_a() { echo "1|买家:小王|店主一|2024-05-20|$today|$1|0|"; }
row_b() { echo "2|tb_buyer_two|shop_two|$today|$today|$note_b|$1|${2:-}"; }
row_c() { echo "3|lisa_online|店主一|$today|$today|老客户介绍|$1|${2:-}"; }
rows_3=$(row_a 问了尺码; row_b 0; row_c 0)
expect "mdb-export: the three customers, the note's lines kept, all open" "$rows_3" customers
# The same customer again with the same ID of ours, in other letters' case.
click toolbar 0
click control 添加新客户 8
type_text LISA_Online
click control 添加新客户 7
press Down Return
refused "the same customer twice" "请勿重复添加客户！"
check "mdb-export: no second lisa_online" "$rows_3" "$(customers)"
expect "the list: newest first, lisa_online online" \
    "$(printf '%s\n' "3	1	在线	lisa_online	店主一	$shown_today	$shown_today	老客户介绍" \
        "2	2		tb_buyer_two	shop_two	$shown_today	$shown_today	第一行：要红色 ↵ second line, \"size\" M ↵ 第三行 周末再来" \
        "1	3		买家:小王	店主一	2024-5-20	$shown_today	问了尺码")" screen_list
shot 03_three_customers
shot_window walkthrough_main "$main_title"

step "4. a customer edited: double-click, a new note, 保存"
double_click row 2
changed=修改客户信息
check "the editor opens titled for editing" 0 "$(loc window "$changed" >/dev/null; echo $?)"
check "it shows the customer's ID" 买家:小王 "$(loc text "$changed" 8)"
check "and which of our IDs served" 店主一 "$(loc text "$changed" 7)"
check "and the days tracked, the first enquiry counted" "已跟踪了：${days}天" "$(loc text "$changed" 1)"
click control "$changed" 4
press ctrl+Home ctrl+shift+End
paste_text 问了尺码，嫌贵
press Return
type_text "wait for 618"
shot 04_editor_changed
click control "$changed" 3
check "the editor says it saved" "保存成功！" "$(loc message 恭喜：)"
click button 恭喜： "#1"
check "the editor closes" 0 "$(loc gone "$changed"; echo $?)"
note_a='问了尺码，嫌贵\r\nwait for 618'
rows_4=$(row_a "$note_a"; row_b 0; row_c 0)
expect "mdb-export: only the note changed" "$rows_4" customers
shot 04_edited

step "5. deals: right-click a row, 登记交易, a date, 确定"
deal=交易日期选择
register_deal() {  # register_deal ROW YEAR MONTH DAY
    right_click row "$1"
    pick_menu_item 4 "05_menu_row_$1"
    loc window "$deal" >/dev/null || { echo "FAIL the deal date dialog did not open"; failed=$((failed + 1)); return; }
    type_date "$deal" 1 "$2" "$3" "$4"
    shot "05_deal_row_$1"
    click control "$deal" 0
    check "the deal date dialog closes on 确定" 0 "$(loc gone "$deal"; echo $?)"
}
register_deal 1 2025 11 11  # tb_buyer_two
register_deal 0 2025 12 12  # lisa_online, now the first row
rows_5=$(row_a "$note_a"; row_b 1 2025-11-11; row_c 1 2025-12-12)
expect "mdb-export: both closed, with their deal dates" "$rows_5" customers
expect "the open list keeps only 买家:小王" \
    "1	1		买家:小王	店主一	2024-5-20	$shown_today	问了尺码，嫌贵 ↵ wait for 618" screen_list
shot 05_after_deals

step "6. the closed customers (toolbar 已成交客户)"
click toolbar 4
expect "column 6 shows the deal date" 成功交易日期 eval 'screen_list columns | cut -f7'
expect "the closed list, newest first, with the deal dates" \
    "$(printf '%s\n' "3	1	在线	lisa_online	店主一	$shown_today	2025-12-12	老客户介绍" \
        "2	2		tb_buyer_two	shop_two	$shown_today	2025-11-11	第一行：要红色 ↵ second line, \"size\" M ↵ 第三行 周末再来")" screen_list
check "mdb-export: nothing changed" "$rows_5" "$(customers)"
shot 06_closed

step "7. one turned back (row menu 转为未成交客户)"
right_click row 0
pick_menu_item 4 07_menu_closed
rows_7=$(row_a "$note_a"; row_b 1 2025-11-11; row_c 0 2025-12-12)
expect "mdb-export: lisa_online open again, its deal date kept" "$rows_7" customers
expect "the closed list keeps tb_buyer_two" \
    "2	1		tb_buyer_two	shop_two	$shown_today	2025-11-11	第一行：要红色 ↵ second line, \"size\" M ↵ 第三行 周末再来" screen_list
shot 07_turned_back

step "8. both sheets exported through the save dialog"
save=岚桥淘宝会员跟踪记录
export_sheet() {  # export_sheet KIND FILE
    click toolbar 7
    expect "the save dialog offers the $1 sheet's name" "岚桥淘宝会员跟踪表${stamp}_$1" loc focused "$save"
    # The offered name is selected: typing replaces it.
    type_text "$(winepath -w "$sheets/$2" 2>/dev/null)"
    shot "08_save_$2"
    press Return
    check "the $1 sheet: the program says it exported" "导出文档成功！" "$(loc message 恭喜：)"
    click button 恭喜： "#1"
    check "the message closes" 0 "$(loc gone 恭喜：; echo $?)"
    activate "$main_title"
}
export_sheet 已成交 closed.xls
click toolbar 3
expect "back to the open list" 2 eval 'screen_list | wc -l'
export_sheet 未成交 open.xls
head_a=$'序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t最后跟踪日期\t备注\r\n'
head_b=$'序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t交易日期\t备注\r\n'
# A quote inside the note is doubled inside its quoted field, or a spreadsheet ends the field
# there.
closed_sheet="${head_b}1"$'\t'"tb_buyer_two"$'\t'"shop_two"$'\t'"$shown_today"$'\t'"2025-11-11"$'\t"第一行：要红色\r\nsecond line, ""size"" M\r\n第三行 周末再来"\r\n'
check "the closed sheet, byte for byte: GBK, TABs, CR LF, the quoted note over three lines" \
    "$(as_sheet "$closed_sheet")" "$(sheet "$sheets/closed.xls")"
open_sheet="${head_a}2"$'\t'"买家:小王"$'\t'"店主一"$'\t'"2024-5-20"$'\t'"$shown_today"$'\t"问了尺码，嫌贵\r\nwait for 618"\r\n'
open_sheet+="1"$'\t'"lisa_online"$'\t'"店主一"$'\t'"$shown_today"$'\t'"$shown_today"$'\t"老客户介绍"\r\n'
check "the open sheet, byte for byte, oldest customer first" "$(as_sheet "$open_sheet")" "$(sheet "$sheets/open.xls")"
check "mdb-export: nothing changed" "$rows_7" "$(customers)"
shot 08_exported

step "9. the chart: right-click the window off the list, 查看图表, flat, 三维图, closed"
right_click client "$main_title" 720 35  # right of the skin selector, off every control
pick_menu_item 1 09_menu_more
chart=图表分析
if loc window "$chart" >/dev/null; then
    sleep 1
    shot 09_chart_flat
    shot_window walkthrough_chart "$chart"
    # Two open customers and one closed: the blue slice twice the red one.
    blue=$(pixels_of 09_chart_flat 0000FF) red=$(pixels_of 09_chart_flat C80A0A)
    check "the flat pie: blue (open) twice as large as red (closed) ($blue, $red pixels)" yes \
        "$(((red > 1000 && blue * 10 >= red * 18 && blue * 10 <= red * 22)) && echo yes)"
    click control "$chart" 0
    sleep 1
    shot 09_chart_3d
    differ "三维图 draws the pie in 3-D" 09_chart_flat 09_chart_3d
    press alt+F4
    check "Alt+F4 closes the chart" 0 "$(loc gone "$chart"; echo $?)"
else
    echo "FAIL the chart did not open"; failed=$((failed + 1))
fi
check "mdb-export: nothing changed" "$rows_7" "$(customers)"

step "10. skin 12 typed into the selector"
shot 10_before_skin
click control "$main_title" 0
press End shift+Home
type_text 12
expect "mdb-export: settings row 3 holds 12" 12 setting 3
sleep 1
shot 10_skin_12
differ "skin 12 looks different from skin 2" 10_before_skin 10_skin_12

step "11. a customer deleted (row menu 删除客户), after No and then Yes"
ask=温馨提示：
delete_row() {  # delete_row ROW BUTTON
    right_click row "$1"
    pick_menu_item 5
    check "删除客户 asks first, and says where the customer can be found" \
        "确定要删除该客户信息吗？ 删除的客户在“最近删除…”里保留 30 天，可以恢复。" \
        "$(loc message "$ask" | tr -d '\r' | paste -sd' ')"
    shot "11_delete_$2"
    click button "$ask" "$2"
    check "the question closes" 0 "$(loc gone "$ask"; echo $?)"
    activate "$main_title"
}
delete_row 1 "#7"
sleep 1
check "mdb-export: No deletes nothing" "$rows_7" "$(customers)"
delete_row 1 "#6"
rows_11=$(row_b 1 2025-11-11; row_c 0 2025-12-12)
expect "mdb-export: Yes deleted 买家:小王" "$rows_11" customers
expect "the list keeps lisa_online" \
    "3	1	在线	lisa_online	店主一	$shown_today	$shown_today	老客户介绍" screen_list
list_11=$(screen_list)
shot 11_deleted
shot_window 11_main "$main_title"

step "12. the program closed (click on the window, Alt+F4)"
# The window closes the program; there is no tray to hide in.
activate "$main_title"
press alt+F4
check "the main window is gone" 0 "$(loc gone "$main_title"; echo $?)"
for ((i = 0; i < 40; i++)); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.5; done
check "the program has ended" ended "$(kill -0 "$program_pid" 2>/dev/null && echo running || echo ended)"
check "mdb-export: everything kept" "$rows_11" "$(customers)"
check "jetdump --check: the file is sound" 0 "$("$jetdump" --check "$dir/yrkb_com.db" >/dev/null 2>&1; echo $?)"
check "nothing left beside the program but the database, the skin engine and today's backup" \
    "$(printf '%s\n' SkinH_EL.dll lanqiao.exe yrkb_com.db 备份 "备份/yrkb_com-$(date +%Y-%m-%d).db")" \
    "$(cd "$dir" && ls && ls 备份 | sed 's|^|备份/|')"
shot 12_closed

step "13. started again: the same rows, the same skin"
start_program
expect "the selector shows 12 again" 12 loc text "$main_title" 0
expect "the list shows the same rows" "$list_11" screen_list
check "mdb-export: settings as left" '店主一\r\nshop_two\r\n|12' "$(setting 1)|$(setting 3)"
sleep 1
shot 13_second_start
shot_window 13_main "$main_title"
alike "the window looks as it did before closing" 11_main 13_main
activate "$main_title"
press alt+F4
loc gone "$main_title" >/dev/null
printf -- '-- done (%ss)\n' "$SECONDS"
[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
