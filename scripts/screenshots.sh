#!/usr/bin/env bash
# Screenshots of the configurator under Xvfb with a small window manager, on
# the screens it must fit: 1024x768, 1920x1080 at scale 2, and 144 dpi fonts.
# COM1 is the emulator, so that no port message covers the window.
#   scripts/screenshots.sh [BUILD_DIR]   (default build/release) -> docs/screen-*.png
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$top/build/release}")"
"$top/scripts/deps.sh" shots
cmake --build "$build" --target j1939config j1939sim >/dev/null

shot() {  # NAME WIDTHxHEIGHT ENVIRONMENT...
  local name=$1 size=$2 work
  shift 2
  work="$(mktemp -d)"
  mkfifo "$work/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  local xvfb=$!
  read -r display <"$work/display"
  export DISPLAY=":$display"
  openbox >/dev/null 2>&1 &
  local wm=$!
  mkdir -p "$work/config/TarvikConfig"
  "$build/src/apps/j1939sim/j1939sim" --frames 0 --link "$work/com1" </dev/zero >/dev/null 2>&1 &
  local sim=$!
  while [ ! -e "$work/com1" ]; do sleep 0.1; done
  printf '[Ports]\nCOM1=%s\n' "$work/com1" >"$work/config/TarvikConfig/TarvikConfig.conf"
  (cd "$work" && env XDG_CONFIG_HOME="$work/config" "$@" "$build/src/apps/j1939config/j1939config") &
  local app=$!
  sleep 3
  import -window root "$top/docs/screen-$name.png"
  kill $app $sim $wm $xvfb 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
  echo "docs/screen-$name.png"
}

shot 1024x768 1024x768
shot scale2-1920x1080 1920x1080 QT_SCALE_FACTOR=2
shot dpi144-1280x1024 1280x1024 QT_FONT_DPI=144
