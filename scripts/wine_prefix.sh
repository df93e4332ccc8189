# Sourced by the run command and the Wine tests: makes the Wine prefix ready once, with
# Chinese text drawn in WenQuanYi Micro Hei, since Wine's own dialog fonts have no Chinese.
prepare_wine_prefix() {
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-lanqiao}"
  # A server an earlier run left behind keeps that run's display, or none: windows of this
  # run would go nowhere. Every run starts with its own.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  local stamp="$WINEPREFIX/.lanqiao-fonts"
  [[ -f "$stamp" ]] && return 0
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  local face
  for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "SimSun" "NSimSun" \
              "Microsoft YaHei" "Microsoft YaHei UI"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" \
      /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$stamp"
}
