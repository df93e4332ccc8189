#!/usr/bin/env bash
# Builds the release package: one zip with the 64-bit program, the 32-bit build beside it
# and the user guide, in build/release/lanqiao-<version>.zip.
#   scripts/release.sh             installs what is missing, builds both, packs
#   scripts/release.sh --no-build  packs what build/mingw64 and build/mingw32 hold
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

step() { printf '\n==> %s\n' "$*"; }
die() { printf 'release: error: %s\n' "$*" >&2; exit 1; }

if [[ ${1:-} != --no-build ]]; then
  step "setup"
  bash scripts/setup.sh
  for preset in mingw64 mingw32; do
    step "build: $preset"
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j"$(nproc)"
  done
fi

version=$(sed -n 's/^project(lanqiao VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || die "no version in CMakeLists.txt"
for exe in build/mingw64/lanqiao.exe build/mingw32/lanqiao.exe; do
  [[ -f $exe ]] || die "$exe is not built"
done

out=build/release
zip="$out/lanqiao-$version.zip"
mkdir -p "$out"
step "pack $zip"
python3 - "$zip" <<'PY'
import sys, zipfile
folder = "岚桥管家"
guide = open("docs/使用说明.txt", encoding="utf-8").read().replace("\r\n", "\n")
# Notepad of older Windows takes a text as UTF-8 only with the byte-order mark, and
# shows its lines apart only with CR LF.
guide_bytes = b"\xef\xbb\xbf" + guide.replace("\n", "\r\n").encode("utf-8")
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.write("build/mingw64/lanqiao.exe", f"{folder}/lanqiao.exe")
    z.write("build/mingw32/lanqiao.exe", f"{folder}/32位/lanqiao.exe")
    z.writestr(f"{folder}/使用说明.txt", guide_bytes)
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    print(f"{info.file_size:>10}  {info.filename}")
PY
echo "release: $zip"
