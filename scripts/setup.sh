#!/usr/bin/env bash
# Installs what building, running and testing 岚桥管家 needs, and only what is
# missing: a second run finds everything and does nothing.
#   - Debian packages: compilers, cross compilers, Wine and X tools, mdbtools,
#     the Chinese font, Node, zlib (native and for the Windows builds), and the
#     spreadsheet tools the format tests check against (LibreOffice, openpyxl),
#     and the PNG readers the chart pictures are checked with (Pillow, pngcheck);
#   - the Node test oracles (npm ci), when node_modules is missing or
#     package-lock.json changed since the last install.
# Runs as root (CI) or through sudo.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

log() { printf 'setup: %s\n' "$*"; }
die() { printf 'setup: error: %s\n' "$*" >&2; exit 1; }

packages=(
  cmake g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libbenchmark-dev hyperfine
  g++-mingw-w64-x86-64 g++-mingw-w64-i686
  wine wine64 xvfb xauth xdotool xclip imagemagick fonts-wqy-microhei
  matchbox-window-manager trayer
  mdbtools ccache
  zlib1g-dev libz-mingw-w64-dev
  libreoffice-calc-nogui python3-openpyxl
  python3-pil pngcheck
  postgresql odbc-postgresql unixodbc unixodbc-dev
)

installed() {
  [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}

did_something=0
missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
# Node may come from another packaging that bundles npm (no separate npm
# package to find); what matters is that both commands work.
if ! command -v node >/dev/null 2>&1; then
  missing+=(nodejs)
fi
if ! command -v npm >/dev/null 2>&1; then
  missing+=(npm)
fi
# The release and its test pack and read zips with Python; any python3 on the path will do.
if ! command -v python3 >/dev/null 2>&1; then
  missing+=(python3)
fi

as_root=()
if ((EUID != 0)) && command -v sudo >/dev/null 2>&1; then as_root=(sudo); fi
if ((${#missing[@]})); then
  if ((EUID == 0)); then
    as_root=()
  elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    die "not root and no sudo; install these packages first: ${missing[*]}"
  fi
  log "installing: ${missing[*]}"
  # Another apt run (an image build, an unattended upgrade) may hold the lock:
  # wait for it instead of failing.
  apt_opts=(-o DPkg::Lock::Timeout=900 -o Acquire::Retries=3)
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "${apt_opts[@]}" update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get "${apt_opts[@]}" install -y -qq --no-install-recommends "${missing[@]}"
  did_something=1
fi

# The exported tracking sheet is GBK with GB18030 for the rest; natively that
# goes through glibc's iconv, whose converter modules must be present.
if ! printf '\xe5\xb2\x9a' | iconv -f UTF-8 -t GB18030 >/dev/null 2>&1; then
  die "iconv cannot convert UTF-8 to GB18030 (glibc's gconv modules are missing)"
fi

# npm ci wipes and reinstalls node_modules, so it runs only when the lockfile
# differs from the one the current node_modules was installed from.
stamp=node_modules/.lanqiao-lock.sha256
want="$(sha256sum package-lock.json | cut -d' ' -f1)"
if [[ ! -d node_modules || ! -f "$stamp" || "$(cat "$stamp")" != "$want" ]]; then
  log "installing the Node test oracles (npm ci)"
  npm ci --no-audit --no-fund --loglevel=error
  printf '%s\n' "$want" >"$stamp"
  did_something=1
fi

# 32-bit Wine, for running the 32-bit build, only where the kernel runs 32-bit programs: on a
# machine whose kernel refuses them its loader could not start, and Debian's wine wrapper
# would prefer it to the 64-bit one. The i386 packages come beside the amd64 ones (multiarch).
source scripts/runs_32bit.sh
if kernel_runs_32bit; then
  if ! installed wine32:i386; then
    log "installing 32-bit Wine (wine32:i386)"
    "${as_root[@]}" dpkg --add-architecture i386
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 \
      -o Acquire::Retries=3 update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 \
      -o Acquire::Retries=3 install -y -qq --no-install-recommends wine32:i386
    did_something=1
  fi
else
  log "this kernel does not run 32-bit programs: the 32-bit build is built but not run"
fi

((did_something)) || log "everything is installed"
