# Sourced by the run command and the Wine tests: makes the Wine prefix ready once, with
# Chinese text drawn in WenQuanYi Micro Hei, since Wine's own dialog fonts have no Chinese.
# Each test has a prefix of its own (so its own wineserver, which it may end at will) and a
# virtual display of its own, so that several can run at once.

# A new prefix is a copy of one made once: a `wineboot` costs about ten seconds a prefix.
make_prefix_template() {
  local template=$1
  [[ -f "$template/.lanqiao-fonts" ]] && return 0
  rm -rf "$template"
  WINEPREFIX=$template wineboot -i >/dev/null 2>&1 || true
  WINEPREFIX=$template wineserver -w
  local face
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "SimSun" "NSimSun" \
              "Microsoft YaHei" "Microsoft YaHei UI"; do
    WINEPREFIX=$template wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
      /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  WINEPREFIX=$template wineserver -w
  touch "$template/.lanqiao-fonts"
}

prepare_wine_prefix() {
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-lanqiao}"
  # A server an earlier run left behind keeps that run's display, or none: windows of this
  # run would go nowhere. Every run starts with its own.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [[ -f "$WINEPREFIX/.lanqiao-fonts" ]] && return 0
  # A 32-bit prefix (WINEARCH=win32) comes from a template of its own kind.
  local template=$HOME/.wine-lanqiao-template${WINEARCH:+-$WINEARCH}
  (
    # One run makes the template; others that start meanwhile wait for it.
    flock 9
    make_prefix_template "$template"
  ) 9>"$template.lock"
  rm -rf "$WINEPREFIX" "$WINEPREFIX.new"
  # The prefix's libraries (most of its 700 MB) are only read: a copy links them. The registry
  # files, which Wine rewrites, are copies of their own.
  if cp -al "$template" "$WINEPREFIX.new" 2>/dev/null; then
    local reg
    for reg in "$template"/*.reg; do
      cp --remove-destination "$reg" "$WINEPREFIX.new/${reg##*/}"
    done
  else
    rm -rf "$WINEPREFIX.new"
    cp -a "$template" "$WINEPREFIX.new"
  fi
  mv "$WINEPREFIX.new" "$WINEPREFIX"
}

# Runs a command on a virtual screen of its own (1024x768 unless WIDTHxHEIGHT is given before
# `--`): the X server takes the first free display number itself, so two runs at once never
# pick the same one, as xvfb-run's guess can.
# usage: on_virtual_display [WIDTHxHEIGHT --] COMMAND ARGS...
on_virtual_display() {
  local size=1024x768
  if [[ $# -ge 2 && $2 == -- ]]; then size=$1; shift 2; fi
  local numbers
  numbers=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numbers" >/dev/null 2>&1 &
  local server=$! i
  for ((i = 0; i < 200; i++)); do
    [[ -s $numbers ]] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  local display
  display=$(head -n1 "$numbers")
  rm -f "$numbers"
  if [[ -z $display ]]; then
    echo "on_virtual_display: Xvfb did not start" >&2
    kill "$server" 2>/dev/null
    return 1
  fi
  local rc=0
  DISPLAY=:$display XAUTHORITY= "$@" || rc=$?
  kill "$server" 2>/dev/null
  wait "$server" 2>/dev/null
  return $rc
}
