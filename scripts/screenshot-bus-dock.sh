#!/usr/bin/env bash
# A screenshot of View > Bus under Xvfb with a small window manager: the window
# on the emulator as scripts/run.sh starts it (COM1 its terminal, --bus its
# virtual CAN bus), j1939.cfg the configuration of the bench in the README,
# after one "Program Config" (F5, the message box closed with Enter) and the
# check that follows it, with the row of PGN1 selected for its strip chart.
#   scripts/screenshot-bus-dock.sh [BUILD_DIR] [WIDTHxHEIGHT]   -> docs/bus-dock.png
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath "${1:-$top/build/release}")"
size="${2:-1280x1024}"
"$top/scripts/deps.sh" shots
command -v xdotool >/dev/null || { echo "needs xdotool (apt-get install xdotool)" >&2; exit 1; }
cmake --build "$build" --target j1939config j1939sim j1939cfg >/dev/null

work="$(mktemp -d)"
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
read -r display <"$work/display"
export DISPLAY=":$display"
openbox >/dev/null 2>&1 &
pids+=($!)

# The bench: address 25, PGN1 FF10 every 50 ms, PGN2 1EF00 on request, "2.00".
cfg="$build/src/apps/j1939cfg/j1939cfg"
echo '{}' >"$work/bench.json"
"$cfg" make "$work/bench.json" -o "$work/j1939.cfg"
"$cfg" set "$work/j1939.cfg" SourceAddress=0x25 Pgn1InUse=1 Pgn1UpdateRate=1 Pgn1Pf=0xFF \
  Pgn1Ps=0x10 Pgn1=65296 Pgn1DataLength=8 Pgn1ParamType=1 Pgn1ParamPos=3 DynamicMode=-1 \
  Pgn2InUse=1 Pgn2UpdateRate=0 Pgn2Pf=0xEF Pgn2Ps=0 Pgn2=61184 Pgn2DataLength=8 >/dev/null

bus="virtualcan:tcp://127.0.0.1:$((30000 + $$ % 20000))/can0"
mkfifo "$work/in"
"$build/src/apps/j1939sim/j1939sim" --version 2.00 --frames 0 --link "$work/com1" --can "$bus" <"$work/in" \
  >/dev/null 2>&1 &
pids+=($!)
exec 3>"$work/in"
while [ ! -e "$work/com1" ]; do sleep 0.1; done
mkdir -p "$work/config"
(cd "$work" && XDG_CONFIG_HOME="$work/config" \
  exec "$build/src/apps/j1939config/j1939config" --emulator "COM1=$work/com1" --bus "$bus") \
  >/dev/null 2>&1 &
pids+=($!)
sleep 3
window=$(xdotool search --sync --name "Tarvik Configuration" | head -n 1)
xdotool windowactivate --sync "$window"
xdotool windowsize --sync "$window" 1180 960
xdotool windowmove --sync "$window" 40 20
xdotool key F5        # Program Config
sleep 2
xdotool key Return    # the verdict's box
sleep 25              # the check on the bus, and some history for the strip chart
xdotool key alt+l Tab Tab Down Down Down Down Down Down Down
sleep 2
import -window root "$top/docs/bus-dock.png"
exec 3>&-
echo "docs/bus-dock.png"
