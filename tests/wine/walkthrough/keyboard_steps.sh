#!/usr/bin/env bash
# The dialogs from the keyboard, on the virtual display that walkthrough.sh made: each opens
# with the keyboard in its first box, Tab walks on, Enter presses the default button and Esc
# closes without storing. Only the toolbar and the row menu are reached with the mouse.
# usage: keyboard_steps.sh PROGRAM_DIR DRIVER LOCATE ARTEFACT_DIR SHEET_DIR JETDUMP TEMPLATE
set -uo pipefail
dir=$1 driver=$2 locate=$3 artefacts=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/user.sh"
source "$here/checks.sh"
today=$(date +%Y-%m-%d)
step() { printf -- '-- %s (%ss)\n' "$1" "$SECONDS"; }

(cd "$dir" && exec wine lanqiao.exe >/dev/null 2>&1) &
loc window "$main_title" >/dev/null || { echo "FAIL the main window did not show"; exit 1; }

step "1. our IDs typed into the manager, Tab to 保存, Enter"
manager=我们的旺旺号管理
click toolbar 1
loc window "$manager" >/dev/null || { echo "FAIL the manager did not open"; exit 1; }
type_text shop_one
press Return
type_text shop_two
shot k01_manager
press Tab Return
expect "the manager saved and closed" 0 eval 'loc gone "$manager"; echo $?'
expect "mdb-export: both IDs" 'shop_one\r\nshop_two\r\n' setting 1

step "2. a customer with the keyboard alone: type, Tab to our IDs, Down, Enter"
editor=添加新客户
click toolbar 0
loc window "$editor" >/dev/null || { echo "FAIL the editor did not open"; exit 1; }
type_text kb_buyer
press Tab Down
shot k02_editor
press Return
expect "保存 was pressed: the success message" "保存成功！" loc message 恭喜：
press Return
expect "the editor closed after saving" 0 eval 'loc gone "$editor"; echo $?'
expect "mdb-export: the customer, served by the first ID of ours" \
    "1|kb_buyer|shop_one|$today|$today||0|" customers
expect "the list shows it" kb_buyer eval 'screen_list | cut -f4'

step "3. Esc closes every dialog and stores nothing"
activate "$main_title"
click toolbar 0
loc window "$editor" >/dev/null || echo "FAIL the editor did not open"
type_text esc_buyer
press Escape
check "Esc closes the editor" 0 "$(loc gone "$editor"; echo $?)"
click toolbar 1
loc window "$manager" >/dev/null || echo "FAIL the manager did not open"
type_text more
press Escape
check "Esc closes the manager" 0 "$(loc gone "$manager"; echo $?)"
deal=交易日期选择
right_click row 0
pick_menu_item 4
loc window "$deal" >/dev/null || echo "FAIL the deal date dialog did not open"
press Escape
check "Esc closes the deal date dialog" 0 "$(loc gone "$deal"; echo $?)"
chart=图表分析
right_click client "$main_title" 720 35
pick_menu_item 1
loc window "$chart" >/dev/null || echo "FAIL the chart did not open"
press Escape
check "Esc closes the chart" 0 "$(loc gone "$chart"; echo $?)"
check "mdb-export: nothing stored by any of them" "1|kb_buyer|shop_one|$today|$today||0|" "$(customers)"
check "mdb-export: our IDs as they were" 'shop_one\r\nshop_two\r\n' "$(setting 1)"

step "4. a deal registered with Enter"
right_click row 0
pick_menu_item 4
loc window "$deal" >/dev/null || echo "FAIL the deal date dialog did not open"
shot k04_deal
press Return
expect "Enter pressed 确定: the dialog closed" 0 eval 'loc gone "$deal"; echo $?'
expect "mdb-export: the deal, dated today" "1|kb_buyer|shop_one|$today|$today||1|$today" customers
expect "the open list is empty" "" screen_list

activate "$main_title"
press alt+F4
loc gone "$main_title" >/dev/null
printf -- '-- done (%ss)\n' "$SECONDS"
[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
