#!/usr/bin/env bash
# Installs what is missing, builds the configurator and the emulator, and starts
# the configurator in the current directory (where it keeps j1939.cfg) with COM1
# standing for the emulator j1939sim, for this run only: a pseudo-terminal that
# answers the configuration frames, and the configured device on Qt's virtual CAN
# bus, which View > Bus shows from the start. The emulator ends with the window;
# run.sh exits with the window's status.
#   scripts/run.sh [OPTIONS]              the window on the emulator
#   scripts/run.sh --hardware [OPTIONS]   the window alone, on your own ports
# Other options go to the configurator (j1939config --help).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$top/build/run"
hardware=0
options=()
for argument in "$@"; do
  if [ "$argument" = --hardware ]; then hardware=1; else options+=("$argument"); fi
done

"$top/scripts/deps.sh" run
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_UNITY_BUILD=ON >/dev/null
window="$build/src/apps/j1939config/j1939config"
if [ $hardware = 1 ]; then
  cmake --build "$build" --target j1939config
  exec "$window" "${options[@]}"
fi
cmake --build "$build" --target j1939config j1939sim

# The emulator's link, in a folder of this run's own.
work="$(mktemp -d "${XDG_RUNTIME_DIR:-${TMPDIR:-/tmp}}/j1939run.XXXXXX")"
link="$work/j1939sim"
# Ends the emulator as its own "quit" does: the end of its standard input. It
# then removes its link and ends its output, which ends the relay.
finish() {
  if [ -n "${emulator_in:-}" ]; then exec {emulator_in}>&-; fi
  wait || true
  rm -rf "$work"
}
trap finish EXIT

# The emulator's standard input is a pipe of this script's, so that it reads
# nothing typed on the terminal; its first line is its device, printed once the
# link is in place. Qt's virtual bus on Qt's own port for it (35468), the one that
# `canbusutil -l virtualcan can0` watches: the first program there holds it.
coproc emulator {
  exec "$build/src/apps/j1939sim/j1939sim" --frames 0 --link "$link" \
    --can virtualcan:tcp://127.0.0.1:35468/can0
}
# Copies of the coprocess's descriptors that later commands can use.
exec {emulator_in}>&"${emulator[1]}" {emulator_out}<&"${emulator[0]}"
exec {emulator[1]}>&- {emulator[0]}<&-
if ! read -r device <&"$emulator_out"; then
  echo "run.sh: the emulator did not start" >&2
  exit 1
fi
echo "j1939sim: $device, linked as $link"
# What the emulator receives and plays, on this terminal. Neither the relay nor
# the window keeps the emulator's input open.
sed -u 's/^/j1939sim: /' <&"$emulator_out" {emulator_in}>&- &
exec {emulator_out}<&-

# View > Bus shows the emulator's bus from the start.
"$window" --emulator "COM1=$link" --bus virtualcan:tcp://127.0.0.1:35468/can0 "${options[@]}" \
  {emulator_in}>&- &
window_pid=$!
# As if this script were the window: a termination or hang-up sent to it goes
# to the window, which stores j1939.cfg and ends. Ctrl+C on the terminal reaches
# the window by itself.
trap 'kill -TERM "$window_pid" 2>/dev/null || true' TERM
trap 'kill -HUP "$window_pid" 2>/dev/null || true' HUP
trap '' INT
status=0
wait "$window_pid" || status=$?
# A signal passed on interrupts the wait; the window's own end is its status.
while kill -0 "$window_pid" 2>/dev/null; do
  status=0
  wait "$window_pid" || status=$?
done
exit $status
