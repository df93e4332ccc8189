#!/usr/bin/env bash
# The release package as a user unpacks it: both programs of the right kind, each carrying
# the skin engine of its own kind, and the user guide readable on Windows.
# usage: release_package.sh SOURCE_DIR   (run after the mingw64 and mingw32 builds)
set -uo pipefail
cd "$1"
for exe in build/mingw64/lanqiao.exe build/mingw32/lanqiao.exe; do
  [[ -f $exe ]] || { echo "skipped: $exe is not built"; exit 77; }
done
failed=0
check() {  # check WHAT EXPECTED ACTUAL
  if [[ "$2" == "$3" ]]; then echo "ok   $1"; else
    echo "FAIL $1"; diff <(echo "$2") <(echo "$3") | head -20; failed=$((failed + 1)); fi
}
bash scripts/release.sh --no-build >/dev/null || { echo "FAIL the packing"; exit 1; }
zip=$(ls build/release/lanqiao-*.zip)
python3 - "$zip" >"${TMPDIR:-/tmp}/lanqiao_release_$$.txt" <<'PY'
import struct, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print("files", " ".join(sorted(i.filename for i in z.infolist())))
def machine(data):
    at = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[at:at + 4] == b"PE\0\0"
    return {0x8664: "x86-64", 0x14C: "i386"}.get(struct.unpack_from("<H", data, at + 4)[0], "?")
def embedded_engine(data):
    # The skin engine rides inside the program as a DLL image of its own: the first image
    # after the program's own headers that exports SkinH_AttachRes.
    at = data.find(b"MZ", 2)
    while at != -1:
        try:
            if data.find(b"SkinH_AttachRes", at) != -1 and machine(data[at:]) != "?":
                return machine(data[at:])
        except (AssertionError, struct.error):
            pass
        at = data.find(b"MZ", at + 2)
    return "none"
for name in ("岚桥管家/lanqiao.exe", "岚桥管家/32位/lanqiao.exe"):
    data = z.read(name)
    print(name, machine(data), "engine", embedded_engine(data))
guide = z.read("岚桥管家/使用说明.txt")
print("guide bom", guide[:3] == b"\xef\xbb\xbf", "crlf", b"\n" not in guide.replace(b"\r\n", b""))
text = guide[3:].decode("utf-8")
for word in ("添加新客户", "我们的旺旺", "未成交跟踪", "已成交客户", "刷新状态", "导出文档",
             "更多选项", "官方网站", "皮肤模板选择", "yrkb_com.db", "备份", "恢复"):
    if word not in text:
        print("guide lacks", word)
PY
seen="${TMPDIR:-/tmp}/lanqiao_release_$$.txt"
check "the zip holds the two programs and the guide" \
  "files 岚桥管家/32位/lanqiao.exe 岚桥管家/lanqiao.exe 岚桥管家/使用说明.txt" "$(sed -n 1p "$seen")"
check "the 64-bit program carries a 64-bit skin engine" "岚桥管家/lanqiao.exe x86-64 engine x86-64" "$(sed -n 2p "$seen")"
check "the 32-bit program carries a 32-bit skin engine" "岚桥管家/32位/lanqiao.exe i386 engine i386" "$(sed -n 3p "$seen")"
check "the guide: UTF-8 with its mark, CR LF lines, every button and the backup" \
  "guide bom True crlf True" "$(sed -n '4,$p' "$seen")"
rm -f "$seen"
[[ $failed -eq 0 ]] || { echo "$failed checks failed"; exit 1; }
