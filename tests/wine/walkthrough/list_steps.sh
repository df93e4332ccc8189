#!/usr/bin/env bash
# Finding, sorting, the due view, follow-ups, giving customers up, the recycle bin and tags, by
# real keys and clicks, on the virtual display that walkthrough.sh made: customers come in from a
# CSV through the open dialog and the import dialog, and go again through the restore dialog.
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
    "wang_old,shop_two,$(ago 40),$(ago 30),来问过两次" \
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

# The program's own tables as mdb-export reads them; times to the second unless told.
table() { mdb-export -H -Q -e -d '|' -T "${2:-%Y-%m-%d %H:%M:%S}" "$dir/yrkb_com.db" "$1" 2>&1; }
number_of() { customers | awk -F'|' -v w="$1" '$2 == w { print $1 }'; }
given_up() { table lq_buyer '%Y-%m-%d' | awk -F'|' -v w="$1" '$3 == w { print $5 "|" $6 }'; }
buyer_of() { table lq_buyer | awk -F'|' -v w="$1" '$3 == w' | cut -d'|' -f2-; }
log_of() { table lq_log | awk -F'|' -v c="$1" '$2 == c' | cut -d'|' -f3- | sort; }
# The skin typed into the selector, as in step 2; the file holds it once it is applied.
use_skin() {
    activate "$main_title"
    click control "$main_title" 0
    press End shift+Home
    type_text "$1"
    expect "mdb-export: skin $1 in settings row 3" "$1" setting 3
    sleep 1
}
# 放弃跟进… for list row ROW from the keyboard: Up from the menu's top lands on its last item,
# 设置标签…, and once more on 放弃跟进….
open_give_up() {  # open_give_up ROW [SHOT]
    activate "$main_title"
    click row "$1"
    press shift+F10
    loc menu >/dev/null || { echo "FAIL no row menu"; failed=$((failed + 1)); return 1; }
    press Up Up
    [[ -n ${2:-} ]] && shot "$2"
    press Return
    loc window 放弃跟进 >/dev/null || { echo "FAIL 放弃跟进 did not open"; failed=$((failed + 1)); return 1; }
}
today=$(ago 0)

step "7b. 放弃跟进… from the keyboard: Shift+F10, Up twice, Down to 买了别家, Enter"
rows_7=$(customers)
old_id=$(number_of wang_old)
open_give_up 1 l07b_row_menu
expect "the keyboard starts in the drop-down, on the first reason" 嫌贵 loc focused 放弃跟进
press Down
expect "Down picks 买了别家, and the box takes it" 买了别家 loc text 放弃跟进 3
shot_window l07b_give_up 放弃跟进
press Return
expect "Enter gave up: the dialog closed" 0 eval 'loc gone 放弃跟进; echo $?'
expect "the open list no longer shows wang_old" "zhang_wait wang_new wang_due" names
expect "mdb-export: lq_buyer holds the day and the reason" "$today|买了别家" given_up wang_old
check "mdb-export: the log says so" 放弃跟进：买了别家 "$(log_of "$old_id" | grep -o '放弃跟进：.*')"
check "mdb-export: the customer's own row is untouched" "$rows_7" "$(customers)"

step "7c. on skin 23: an empty reason is refused, one typed instead joins the shop's reasons"
use_skin 23
open_give_up 2
# Tab selects the box's text; BackSpace clears it.
press Tab BackSpace Return
expect "an empty reason is refused" 请选择或填写放弃的原因。 loc message 信息：
press Return
expect "the dialog stays open" 0 eval 'loc window 放弃跟进 >/dev/null; echo $?'
# The refusal hands the keyboard back to the box.
paste_text 等发工资
expect "the keyboard is back in the box" 等发工资 loc text 放弃跟进 3
sleep 0.5
shot_window l07c_give_up_dark 放弃跟进
differ "the dialog drawn in the dark skin" l07b_give_up l07c_give_up_dark
press Return
expect "the dialog closed" 0 eval 'loc gone 放弃跟进; echo $?'
expect "the open list keeps two" "zhang_wait wang_new" names
expect "mdb-export: wang_due given up for the typed reason" "$today|等发工资" given_up wang_due
check "mdb-export: lq_tag keeps it as a reason (kind 1)" 1 \
    "$(table lq_tag | awk -F'|' '$2 == "等发工资" && $4 == 1' | wc -l)"

step "7d. Ctrl+G: the given-up customers, why in front of the note"
press ctrl+g
expect "both, in the order chosen in step 4" "wang_old wang_due" names
expect "each note begins with its reason" "〔买了别家〕来问过两次 〔等发工资〕" \
    eval "screen_list | cut -f8 | grep -o '^〔[^〕]*〕[^0-9]*' | paste -sd' '"
shot_window l07d_given_up_dark "$main_title"
press ctrl+g
expect "Ctrl+G again: the open list" "zhang_wait wang_new" names

step "7e. Del, 是: the customer goes to 最近删除…, where Enter puts it back with a new number"
zid=$(number_of zhang_wait)
row_before=$(customers | awk -F'|' '$2 == "zhang_wait"')
buyer_before=$(buyer_of zhang_wait) log_before=$(log_of "$zid")
largest=$(customers | cut -d'|' -f1 | sort -n | tail -1)
activate "$main_title"
click row 0
press Delete
expect "Del asks first" "确定要删除该客户信息吗？" eval 'loc message 温馨提示： | head -1 | tr -d "\r"'
click button 温馨提示： "#6"
expect "the list lost zhang_wait" wang_new names
bin_id=$(table lq_bin | cut -d'|' -f1)
expect "mdb-export: lq_bin keeps the row under its old number, deleted today" "$row_before|$today" \
    eval "table lq_bin '%Y-%m-%d' | cut -d'|' -f2-10"
check "mdb-export: and on which PC" 1 "$(table lq_bin | cut -d'|' -f11 | grep -c .)"
check "mdb-export: its log kept under the bin's number" "$log_before" "$(log_of "-$bin_id")"
open_bin() {
    activate "$main_title"
    right_click client "$main_title" 720 35
    pick_menu_item 10
    loc window 最近删除 >/dev/null || { echo "FAIL 最近删除 did not open"; failed=$((failed + 1)); return 1; }
    expect "最近删除 counts one" "最近 30 天删除的 1 位客户，选中后按“恢复”放回客户列表：" loc text 最近删除 0
}
free_spot[最近删除]="100 356"
open_bin
shot_window l07e_bin_dark 最近删除
press Escape
expect "Esc closes 最近删除" 0 eval 'loc gone 最近删除; echo $?'
use_skin 2
open_bin
shot_window l07e_bin 最近删除
differ "最近删除 drawn otherwise in the dark skin" l07e_bin l07e_bin_dark
press Return
expect "Enter put it back" "已恢复 1 位客户。" loc message 信息：
press Return
expect "the bin window stays, empty" "最近 30 天没有删除过客户。" loc text 最近删除 0
activate 最近删除
press Escape
expect "Esc closes 最近删除" 0 eval 'loc gone 最近删除; echo $?'
expect "the list shows zhang_wait again" "zhang_wait wang_new" names
new_id=$(number_of zhang_wait)
check "a new number, the highest ($zid before, $new_id now)" 1 "$((new_id > largest))"
check "mdb-export: every other field as before" "${row_before#*|}" \
    "$(customers | awk -F'|' '$2 == "zhang_wait"' | cut -d'|' -f2-)"
check "mdb-export: the next step under the new number" "$new_id|${buyer_before#*|}" "$(buyer_of zhang_wait)"
check "mdb-export: the log under the new number" "$log_before" "$(log_of "$new_id")"
check "mdb-export: lq_bin empty again" "" "$(table lq_bin)"
expect "the 下次跟进 column shows its next date" "$(date -d tomorrow +%Y-%-m-%-d)" next_cell_of zhang_wait
activate "$main_title"
click row 0
press ctrl+l
expect "Ctrl+L: its log" "“zhang_wait”的 $(grep -c . <<< "$log_before") 次跟进，最新的在前：" loc text 跟进记录 0
press Escape
expect "Esc closes 跟进记录" 0 eval 'loc gone 跟进记录; echo $?'

step "7f. 重新跟进 from the given-up view's row menu; the typed reason is offered again"
activate "$main_title"
press ctrl+g
expect "the given-up view" "wang_old wang_due" names
shot_window l07f_given_up "$main_title"
click row 0
press shift+F10
pick_menu_item 4 l07f_row_menu
expect "重新跟进: wang_due stays" wang_due names
check "mdb-export: wang_old no longer given up" "|" "$(given_up wang_old)"
check "mdb-export: the log says so" 1 "$(log_of "$old_id" | grep -c '|重新跟进$')"
press ctrl+g
expect "Ctrl+G: the open list, wang_old back in it" "zhang_wait wang_old wang_new" names
open_give_up 1
press End
expect "the shop's own reason comes last" 等发工资 loc text 放弃跟进 3
press Escape
expect "Esc closes 放弃跟进" 0 eval 'loc gone 放弃跟进; echo $?'
check "and stores nothing" "|" "$(given_up wang_old)"

# The shop's tags in their order, and a customer's by name in that order, as the file holds them.
shop_tags() { table lq_tag | awk -F'|' '$4 == 0' | sort -t'|' -k3,3n | cut -d'|' -f2 | paste -sd' '; }
tags_of() {
    local ids
    ids=$(table lq_buyer | awk -F'|' -v w="$1" '$3 == w { print $7 }')
    table lq_tag | awk -F'|' '$4 == 0' | sort -t'|' -k3,3n |
        awk -F'|' -v ids="$ids" 'index(ids, "," $1 ",") { print $2 }' | paste -sd' '
}
tags_cell_of() { screen_cells | awk -F'\t' -v w="$1" '$4 == w { print $10 }'; }
tags_in_view() { loc column 9 >/dev/null && echo shown || echo hidden; }
# The helpers below start where the main window has the keyboard, as it has again once a
# dialog of its own closes.
# 标签管理…, the last item of the window's menu: Up from the top lands on it.
open_tag_manager() {  # open_tag_manager [SHOT]
    right_click client "$main_title" 720 35
    loc menu >/dev/null || { echo "FAIL no menu"; failed=$((failed + 1)); return 1; }
    # Up from the top is the last item, 店铺统计…; the next skips the line above it.
    press Up Up
    [[ -n ${1:-} ]] && shot "$1"
    press Return
    loc window 标签管理 >/dev/null || { echo "FAIL 标签管理 did not open"; failed=$((failed + 1)); return 1; }
}
free_spot[标签管理]="280 270"
# Ctrl+T on list row ROW; the keyboard starts in the find box.
open_tag_picker() {  # open_tag_picker ROW
    click row "$1"
    press ctrl+t
    loc active 设置标签 || { echo "FAIL 设置标签 did not take the keyboard"; failed=$((failed + 1)); return 1; }
}
find_tag() {  # find_tag NAME: Ctrl+F, "#" and the name
    press ctrl+f
    type_text "#"
    paste_text "$1"
}

step "7g. 标签管理…: three tags typed, Enter adds each at once; the same name again is refused"
check "the 标签 column is not shown yet" hidden "$(tags_in_view)"
open_tag_manager l07g_more_menu
click control 标签管理 2
paste_text 老客户
press Return
paste_text 嫌贵
press Return
type_text VIP
press Return
expect "mdb-export: lq_tag holds the three in the order added" "老客户 嫌贵 VIP" shop_tags
shot_window l07g_tag_manager 标签管理
paste_text 嫌贵
press Return
expect "the same name again is refused" 已经有这个标签了。 loc message 信息：
press Return
activate 标签管理
check "the name stays in the box" 嫌贵 "$(loc text 标签管理 2)"
check "mdb-export: still three" "老客户 嫌贵 VIP" "$(shop_tags)"
press Escape
expect "Esc closes 标签管理" 0 eval 'loc gone 标签管理; echo $?'

step "7h. Ctrl+T: typed letters find VIP, Space ticks it; the whole list again, Down, Space ticks 嫌贵; Enter"
open_tag_picker 2
check "it names the customer" "“wang_new”的标签（输入文字筛选，空格勾选）：" "$(loc text 设置标签 0)"
type_text vi
press space BackSpace BackSpace Down space
shot_window l07h_tag_picker 设置标签
press Return
expect "Enter closed 设置标签" 0 eval 'loc gone 设置标签; echo $?'
expect "mdb-export: wang_new has both, in the shop's order" "嫌贵 VIP" tags_of wang_new
expect "the first tags set bring the 标签 column into view" shown tags_in_view
check "it shows them" "#嫌贵 #VIP" "$(tags_cell_of wang_new)"
expect "mdb-export: row 2 remembers the column shown" 1 eval "setting 2 | grep -c tags_column=1"

step "7i. the editor's 标签…: Space, Down, Space, Enter stores them at once; Esc on the editor keeps them"
rows_7i=$(customers)
click row 1
press Return
click button 修改客户信息 标签…
expect "设置标签 for the customer edited" "“wang_old”的标签（输入文字筛选，空格勾选）：" loc text 设置标签 0
press space Down space Return
expect "Enter closed 设置标签" 0 eval 'loc gone 设置标签; echo $?'
expect "mdb-export: wang_old has 老客户 and 嫌贵" "老客户 嫌贵" tags_of wang_old
loc active 修改客户信息 >/dev/null || activate 修改客户信息
press Escape
expect "Esc closes the editor" 0 eval 'loc gone 修改客户信息; echo $?'
check "mdb-export: the tags stay" "老客户 嫌贵" "$(tags_of wang_old)"
check "mdb-export: the customers' own rows are untouched" "$rows_7i" "$(customers)"
expect "the column shows them" "#老客户 #嫌贵" tags_cell_of wang_old

step "7j. Ctrl+F \"#嫌贵\" finds the two tagged, not zhang_wait whose note says 嫌贵"
find_tag 嫌贵
expect "only the tagged customers" "wang_old wang_new" names
shot_window l07j_tags_found "$main_title"
press Escape
expect "Esc: everyone again" "zhang_wait wang_old wang_new" names

step "7k. on skin 23: a double click and 改名 rename VIP, and the column follows; Esc in 设置标签 stores nothing"
use_skin 23
open_tag_manager
double_click row 2 标签管理
expect "the double click puts the name in the box" VIP loc text 标签管理 2
click control 标签管理 2
press End
paste_text 客户
click button 标签管理 改名
expect "mdb-export: renamed in its place" "老客户 嫌贵 VIP客户" shop_tags
shot_window l07k_tag_manager_dark 标签管理
differ "标签管理 drawn otherwise in the dark skin" l07g_tag_manager l07k_tag_manager_dark
press Escape
expect "Esc closes 标签管理" 0 eval 'loc gone 标签管理; echo $?'
expect "the column shows the new name" "#嫌贵 #VIP客户" tags_cell_of wang_new
open_tag_picker 2
press space
shot_window l07k_tag_picker_dark 设置标签
press Escape
expect "Esc closed 设置标签" 0 eval 'loc gone 设置标签; echo $?'
check "mdb-export: the tick of 老客户 was not stored" "嫌贵 VIP客户" "$(tags_of wang_new)"
find_tag 嫌贵
expect "the find by tag" "wang_old wang_new" names
shot_window l07k_tags_found_dark "$main_title"
press Escape
expect "Esc: everyone again" "zhang_wait wang_old wang_new" names

step "7s. Ctrl+M: 店铺统计 for 近 30 天, sorted by a header click, exported as a workbook (Ctrl+S) and a picture (Ctrl+P), on skin 23 and skin 2"
figures=店铺统计
open_figures() {
    activate "$main_title"
    press ctrl+m
    loc window "$figures" >/dev/null || { echo "FAIL Ctrl+M did not open 店铺统计"; return 1; }
    sleep 1
}
export_figures() {  # export_figures KEY DIALOG FILE MESSAGE
    loc active "$figures" >/dev/null || click client "$figures" 300 10
    press "$1"
    loc window "$2" >/dev/null || { echo "FAIL the $2 dialog did not open"; return 1; }
    sleep 1
    type_text "$(winepath -w "$sheets/$3" 2>/dev/null)"
    press Return
    expect "$3: the program says it exported" "$4" eval 'loc message 信息： | head -1'
    press Return
}
# Who asked within the last 30 days, by our ID, as mdb-export reads the file.
asked_lately() {
    customers | awk -F'|' -v from="$(ago 29)" '$4 >= from { n[$3]++ } END { for (k in n) print k, n[k] }' | sort
}
open_figures || exit 1
shot_window l07s_figures_dark "$figures"
press Escape
expect "Esc closed 店铺统计" 0 eval 'loc gone "$figures" >/dev/null; echo $?'
activate "$main_title"
click control "$main_title" 0
press End shift+Home
type_text 2
sleep 1
open_figures || exit 1
# The period list has the keyboard: Down twice from 本月 is 近 30 天.
press Down Down
sleep 1
click client "$figures" 91 58
click client "$figures" 91 58
sleep 1
shot_window l07s_figures "$figures"
export_figures ctrl+s 导出店铺统计 figures.xlsx 店铺统计已导出。
export_figures ctrl+p 导出统计图 figures.png 统计图已导出。
loc active "$figures" >/dev/null || click client "$figures" 300 10
press Escape
expect "Esc closed 店铺统计" 0 eval 'loc gone "$figures" >/dev/null; echo $?'
read_book() {
    /usr/bin/python3 - "$sheets/figures.xlsx" <<'PY'
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
print(ws['A1'].value, ws['B1'].value)
rows = [[c.value for c in r] for r in ws.iter_rows(min_row=3, max_row=5)]
for r in rows: print(r[0], r[1])
PY
}
book=$(read_book)
check "the sheet is of the last 30 days" "店铺统计 $(ago 29) 至 $(date +%Y-%m-%d)" "$(sed -n 1p <<< "$book")"
check "our IDs by the second click descending, the total last, each as mdb-export counts it" \
    "shop_two 0
shop_one $(asked_lately | awk '$1 == "shop_one" { print $2 }')
合计 $(asked_lately | awk '{ s += $2 } END { print s + 0 }')" "$(sed -n 2,4p <<< "$book" | sed 's/ None$/ 0/')"
check "the picture: a PNG as large as the chart" "PNG 864 340" \
    "$(/usr/bin/python3 -c 'import sys; from PIL import Image; i = Image.open(sys.argv[1]); print(i.format, *i.size)' "$sheets/figures.png" 2>&1)"

step "8. 恢复备份…: the copy from before the import brings the empty list back, and its skin"
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
# Step 7k left skin 23 on.
expect "the old file's skin 2 is back in the selector" 2 loc text "$main_title" 0

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
# A read on the window's thread would hold it for the whole read, several seconds. On some
# machines Wine holds the window about 2 s early in the read whatever the program does (the
# same with last week's build), so the bound is 2.5 s until that hold is understood.
check "the window answers within 2.5 s while the file is read (longest ${waited:-?} ms)" 1 \
    "$((${waited:-9999} < 2500))"
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
