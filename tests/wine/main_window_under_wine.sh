#!/usr/bin/env bash
# The real program under Wine on a virtual display: a first start in an empty folder writes
# the built-in database and shows the main window; a start on a database with customers
# shows the open ones newest first with their online status from a local stand-in of the
# status service, and the toolbar switches to the closed ones.
# usage: main_window_under_wine.sh BUILD_DIR_OF_MINGW64 JETDUMP TEMPLATE ARTEFACT_DIR STATUS_SERVER
set -uo pipefail
build=$1 jetdump=$2 template=$3 artefacts=$4 status_server=$5
exe=$build/lanqiao.exe driver=$build/lanqiao_driver.exe
for f in "$exe" "$driver"; do
    [[ -f $f ]] || { echo "skipped: $f is not built (cmake --preset mingw64 && cmake --build --preset mingw64)"; exit 77; }
done
source "$(dirname "$0")/common.sh" "$artefacts"

# Runs the program in folder $1 on its own display, waits for $3 rows to show online, then
# runs each "ENTRY:ONLINE" after it as a toolbar click that leaves ONLINE rows online. The
# statuses follow the rows, so each dump waits for them.
session() {
    local dir=$1 shot=$2 online=$3
    shift 3
    cp "$exe" "$driver" "$dir/"
    on_virtual_display bash -c '
        cd "$1"; shot=$2; online=$3; shift 3
        wine lanqiao.exe >/dev/null 2>&1 &
        wine lanqiao_driver.exe wait-online "$online" >/dev/null 2>&1
        wine lanqiao_driver.exe dump > before.txt 2>/dev/null
        sleep 1
        import -window root "$shot"
        for step in "$@"; do
            entry=${step%%:*}
            wine lanqiao_driver.exe click "$entry" >/dev/null 2>&1
            wine lanqiao_driver.exe wait-online "${step#*:}" >/dev/null 2>&1
            wine lanqiao_driver.exe dump > "after_$entry.txt" 2>/dev/null
        done
        wineserver -k' _ "$dir" "$shot" "$online" "$@"
}

# First start in an empty folder.
first=$work/first
mkdir -p "$first"
session "$first" "$artefacts/first_start.png" 0
check "database written beside the program, byte for byte the template" same \
    "$(cmp -s "$first/yrkb_com.db" "$template" && echo same || echo differs)"
check "main window, title and columns" "$(printf 'title\t岚桥管家 V2.0  未成交客户跟踪管理中心\ncolumns\t编号\t序号\t状态\t客户旺旺名\t我们旺旺名\t第一次咨询日期\t最后跟踪日期\t备注\t下次跟进\t标签')" \
    "$(tr -d '\r' < "$first/before.txt")"
colours=$(convert "$artefacts/first_start.png" -format %k info: 2>/dev/null)
[[ ${colours:-0} -gt 16 ]] && echo "ok   the screenshot shows a window ($colours colours)" ||
    { echo "FAIL the screenshot is blank ($colours colours)"; failed=$((failed + 1)); }

# A database with three open and two closed customers, made by our engine.
shop=$work/shop
mkdir -p "$shop"
cp "$template" "$shop/yrkb_com.db"
chmod u+w "$shop/yrkb_com.db"
add() { "$jetdump" --password Kx7-pq2-Lm9w "$shop/yrkb_com.db" --insert yrkb_com "$@" >/dev/null; }
add wang=买家一 wang2=小店 "time1=2015-01-09 00:00:00" "time2=2015-01-10 00:00:00" bs=第一个
add wang=closed_a wang2=小店 "time1=2014-03-05 00:00:00" "time2=2014-03-06 00:00:00" yn=true "time3=2014-04-01 00:00:00"
add "wang=buyer online" wang2=小店 "time1=2015-02-01 00:00:00" "time2=2015-02-02 00:00:00"
add wang=closed_b wang2=小店 "time1=2014-12-31 00:00:00" "time2=2015-01-01 00:00:00" yn=true "time3=2015-01-02 00:00:00"
add wang=o\'neil wang2=大店 "time1=2015-03-01 00:00:00" "time2=2015-03-02 00:00:00" bs=最新
# Every host of the program points at the stand-in of the status service.
log=$work/status_requests.txt
coproc SERVER { exec "$status_server" "$log" 600; }
server_pid=$SERVER_PID
read -r port <&"${SERVER[0]}"
export LQ_SERVICE_HOST=127.0.0.1:$port
session "$shop" "$artefacts/three_open.png" 1 4:0 3:1
# The list's columns from the id to the note (the next date, hidden, is checked elsewhere).
rows() { grep '^row' "$1" | tr -d '\r' | cut -f2-9; }
check "the open customers, newest first" "$(printf '5\t1\t\to'"'"'neil\t大店\t2015-3-1\t2015-3-2\t最新\n3\t2\t在线\tbuyer online\t小店\t2015-2-1\t2015-2-2\t\n1\t3\t\t买家一\t小店\t2015-1-9\t2015-1-10\t第一个')" \
    "$(rows "$shop/before.txt")"
check "toolbar: the closed customers, with the deal date" "$(printf '4\t1\t\tclosed_b\t小店\t2014-12-31\t2015-1-2\t\n2\t2\t\tclosed_a\t小店\t2014-3-5\t2014-4-1\t')" \
    "$(rows "$shop/after_4.txt")"
check "column 6 in closed mode" "成功交易日期" "$(grep '^columns' "$shop/after_4.txt" | tr -d '\r' | cut -f8)"
check "toolbar: back to the open customers" "$(rows "$shop/before.txt")" "$(rows "$shop/after_3.txt")"
uid() { grep -o 'uid=[^&]*' "$log" | sed 's/^uid=//'; }
# It goes out first, together with the first rows, so it may arrive among them.
check "status requests: the ID that cannot exist leads the start's round" 1 \
    "$(uid | head -4 | grep -c '^lanqiao_no_such_member_000000000000000$')"
check "status requests: IDs percent-encoded as UTF-8" "$(printf '%s\n' 'o%27neil' 'buyer%20online' '%E4%B9%B0%E5%AE%B6%E4%B8%80' | sort)" \
    "$(uid | head -4 | grep -v '^lanqiao_no_such_member' | sort)"
check "status requests: the exact address" "/realonline.aw?v=2&uid=buyer%20online&site=cntaobao&s=1&charset=utf-8" \
    "$(grep 'uid=buyer%20online' "$log" | head -1)"
# The start and the closed list each ask once for the ID that cannot exist, then once per
# row; back on the open list every status is known from a moment ago and nothing is asked.
check "status requests: only what is not known" 7 "$(grep -c '^/realonline.aw' "$log")"
check "the update check asked the update host once" 1 "$(grep -c '^/hygl/var.txt' "$log")"

# Adding a customer as a user does: our IDs typed into the manager, then the editor filled in
# and saved; the new row shows first. The messenger hand-off loads in the hidden browser, the
# open sheet is exported; then the deal, picked from the row menu by keyboard, the closed
# sheet, and the chart, flat and 3-D.
shop2=$work/editor
mkdir -p "$shop2"
cp "$exe" "$driver" "$shop2/"
on_virtual_display bash -c '
    cd "$1"; artefacts=$2
    shoot() {  # waits for the driver to fill dialog $1 in, then takes its picture
        for i in $(seq 200); do [[ -f $1_ready ]] && break; sleep 0.1; done
        import -window root "$artefacts/$1.png"; touch "$1_shot"
    }
    wine lanqiao.exe >/dev/null 2>&1 &
    shoot manager &
    wine lanqiao_driver.exe our-ids "店主一\n店主二" >/dev/null 2>&1
    shoot editor &
    wine lanqiao_driver.exe add-customer "  tb 买家：01　" "问了尺码" > saved.txt 2>/dev/null
    wine lanqiao_driver.exe dump > after.txt 2>/dev/null
    wine lanqiao_driver.exe contact > contact.txt 2>&1; echo "rc=$?" >> contact.txt
    wine lanqiao_driver.exe export "Z:${PWD//\//\\}\\open.xls" > export_open.txt 2>/dev/null
    shoot deal &
    wine lanqiao_driver.exe deal 2026 12 1 >/dev/null 2>&1
    wine lanqiao_driver.exe dump > after_deal.txt 2>/dev/null
    wine lanqiao_driver.exe click 4 >/dev/null 2>&1
    wine lanqiao_driver.exe dump > closed.txt 2>/dev/null
    wine lanqiao_driver.exe export "Z:${PWD//\//\\}\\closed.xls" > export_closed.txt 2>/dev/null
    shoot chart &
    shoot chart_3d &
    wine lanqiao_driver.exe chart > chart.txt 2>&1; echo "rc=$?" >> chart.txt
    wineserver -k' _ "$shop2" "$artefacts"
check "the editor saved and said so" "恭喜： 保存成功！" "$(tr -d '\r' < "$shop2/saved.txt")"
today=$(date +%Y-%-m-%-d)
check "the new customer first, its ID cleaned up, our first ID, today's dates" \
    "$(printf '1\t1\t\ttb买家:01\t店主一\t%s\t%s\t问了尺码' "$today" "$today")" "$(rows "$shop2/after.txt")"
check "stored by our engine, as mdb-export reads it" '1,"tb买家:01","店主一"' \
    "$(mdb-export "$shop2/yrkb_com.db" yrkb_com | tail -n +2 | cut -d, -f1-3)"
check "a deal from the row menu takes the customer off the open list" "" "$(rows "$shop2/after_deal.txt")"
check "and into the closed list with its deal date" \
    "$(printf '1\t1\t\ttb买家:01\t店主一\t%s\t2026-12-1\t问了尺码' "$today")" "$(rows "$shop2/closed.txt")"
check "the hand-off page loaded in the program's own hidden browser, which then closed" \
    "/getcid.aw?v=2&uid=tb%E4%B9%B0%E5%AE%B6%3A01&site=cntaobao&s=1&groupid=0&charset=utf-8 rc=0" \
    "$(grep '^/getcid.aw' "$log" | tr '\n' ' ')$(tr -d '\r' < "$shop2/contact.txt")"
stamp=$(date +%Y%-m%-d)
check "export: the save dialog's title and offered name, then success" \
    "$(printf '岚桥淘宝会员跟踪记录 岚桥淘宝会员跟踪表%s_未成交\n恭喜： 导出文档成功！' "$stamp")" \
    "$(tr -d '\r' < "$shop2/export_open.txt")"
sheet() { iconv -f GB18030 -t UTF-8 "$1" | od -An -c | tr -s ' \n' ' '; }
check "the open sheet, GBK, TABs and CR LF" \
    "$(printf '序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t最后跟踪日期\t备注\r\n1\ttb买家:01\t店主一\t%s\t%s\t"问了尺码"\r\n' "$today" "$today" | od -An -c | tr -s ' \n' ' ')" \
    "$(sheet "$shop2/open.xls")"
check "the closed sheet, with the deal date" \
    "$(printf '序号\t客户旺旺\t我们的旺旺\t第一次咨询日期\t交易日期\t备注\r\n1\ttb买家:01\t店主一\t%s\t2026-12-1\t"问了尺码"\r\n' "$today" | od -An -c | tr -s ' \n' ' ')" \
    "$(sheet "$shop2/closed.xls")"
check "the closed sheet's name" "岚桥淘宝会员跟踪表${stamp}_已成交" "$(head -1 "$shop2/export_closed.txt" | tr -d '\r' | cut -d' ' -f2)"
check "the chart opened, switched to 3-D and closed" "rc=0" "$(tr -d '\r' < "$shop2/chart.txt")"
differ=$(compare -metric AE "$artefacts/chart.png" "$artefacts/chart_3d.png" null: 2>&1 | cut -d' ' -f1)
[[ ${differ:-0} -gt 500 ]] && echo "ok   the 3-D chart looks different from the flat one ($differ pixels)" ||
    { echo "FAIL the 3-D chart looks like the flat one ($differ pixels)"; failed=$((failed + 1)); }
for shot in manager editor deal chart chart_3d; do
    [[ -s "$artefacts/$shot.png" ]] && echo "ok   screenshot $shot.png" ||
        { echo "FAIL no screenshot $shot.png"; failed=$((failed + 1)); }
done

# A clock set back: 备份 holds 60 copies dated after today, two of last year, one the user
# put there. The start keeps every one of them, says once that the date looks wrong, and
# takes today's copy.
clock=$work/clock
mkdir -p "$clock/备份"
cp "$template" "$clock/yrkb_com.db"
chmod u+w "$clock/yrkb_com.db"
for d in $(seq 1 60); do
    cp "$template" "$clock/备份/yrkb_com-$(date -d "+$d day" +%Y-%m-%d).db"
done
last_year=$(date -d '-400 day' +%Y-%m-%d)
cp "$template" "$clock/备份/yrkb_com-$last_year.db"
cp "$template" "$clock/备份/yrkb_com-$(date -d '-401 day' +%Y-%m-%d).db"
cp "$template" "$clock/备份/店里的旧电脑.mdb"
cp "$exe" "$driver" "$clock/"
on_virtual_display bash -c '
    cd "$1"
    wine lanqiao.exe >/dev/null 2>&1 &
    wine lanqiao_driver.exe answer > clock_message.txt 2>/dev/null
    for i in $(seq 1 40); do ls 备份 | grep -q "$(date +%Y-%m-%d)" && break; sleep 0.5; done
    import -window root "$2"
    wineserver -k' _ "$clock" "$artefacts/clock_set_back.png"
future=0
for d in $(seq 1 60); do
    [[ -f "$clock/备份/yrkb_com-$(date -d "+$d day" +%Y-%m-%d).db" ]] && future=$((future + 1))
done
check "60 copies dated after today, all kept" 60 "$future"
check "the hand copy kept" yes "$([[ -f "$clock/备份/店里的旧电脑.mdb" ]] && echo yes)"
check "today's copy taken" yes "$([[ -f "$clock/备份/yrkb_com-$(date +%Y-%m-%d).db" ]] && echo yes)"
check "with fewer than 7 copies up to today, last year's kept too" yes \
    "$([[ -f "$clock/备份/yrkb_com-$last_year.db" ]] && echo yes)"
check "the user told once that the date looks wrong" 1 \
    "$(tr -d '\r' < "$clock/clock_message.txt" | grep -c '这台电脑的日期可能不对')"

[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
