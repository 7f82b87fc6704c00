#!/usr/bin/env bash
# View > Bus under load: j1939sim plays a configuration on a virtual CAN bus with
# --bus-load N (default 4000 frames per second); the configurator runs headless
# (offscreen) on the same configuration as its j1939.cfg, its Bus dock open and
# connected to that bus (--bus). count_frames holds the bus and counts what it
# delivered. Prints the configurator's CPU time (user + system, all its threads)
# over S seconds of load (default 10), against the goal: under 15 % of one core.
#   bash scripts/measure-bus-dock.sh [N] [S]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
rate="${1:-4000}"
seconds="${2:-10}"
"$top/scripts/deps.sh" build
build="$top/build/measure"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target count_frames j1939sim j1939cfg j1939config >/dev/null

work=$(mktemp -d)
counter="" sim="" window=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  for pid in $window $counter $sim; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The configuration played: the factory one at address 25, PGN1 every 50 ms.
cfg="$build/src/apps/j1939cfg/j1939cfg"
echo '{}' >"$work/bench.json"
"$cfg" make "$work/bench.json" -o "$work/bench.cfg"
"$cfg" set "$work/bench.cfg" SourceAddress=0x25 Pgn1InUse=1 Pgn1UpdateRate=1 Pgn1Pf=0xFF \
  Pgn1Ps=0x10 Pgn1=65296 Pgn1DataLength=8 Pgn1ParamType=1 Pgn1ParamPos=3 DynamicMode=-1

bus="tcp://127.0.0.1:$((30000 + $$ % 20000))/can0"
"$build/bench/busload/count_frames" virtualcan "$bus" "$((seconds + 3))" >"$work/count.out" &
counter=$!
for _ in $(seq 50); do grep -q connected "$work/count.out" && break; sleep 0.1; done
grep -q connected "$work/count.out" || { echo "count_frames did not connect" >&2; exit 1; }

# The emulator runs until its standard input ends: a FIFO held open by this script.
mkfifo "$work/in"
"$build/src/apps/j1939sim/j1939sim" --can "virtualcan:$bus" --config "$work/bench.cfg" \
  --bus-load "$rate" <"$work/in" >"$work/sim.out" 2>&1 &
sim=$!
exec 3>"$work/in"

# The window in a folder of its own, its j1939.cfg the configuration played.
mkdir -p "$work/window/config"
cp "$work/bench.cfg" "$work/window/j1939.cfg"
(cd "$work/window" && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/window/config" \
  exec "$build/src/apps/j1939config/j1939config" --bus "virtualcan:$bus") >"$work/window.out" 2>&1 &
window=$!

# Its start-up and the connection are not measured: the load is.
sleep 2
# The first field of each thread's schedstat is its time on a processor in ns.
cpu_ns() { cat /proc/"$window"/task/*/schedstat | awk '{ ns += $1 } END { printf "%.0f", ns }'; }
before=$(cpu_ns)
start=$(date +%s%N)
sleep "$seconds"
after=$(cpu_ns)
end=$(date +%s%N)
kill -TERM "$window"
wait "$window" || true
window=""
exec 3>&-
wait "$sim" || true
sim=""
wait "$counter" && counter=""

cpu=$(( (after - before) / 1000000 ))
wall=$(( (end - start) / 1000000 ))
echo "j1939config --bus on virtualcan, j1939sim --bus-load $rate, measured for $seconds s:"
sed 's/^/  count_frames: /' <(grep -v connected "$work/count.out")
share=$(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.1f", 100 * c / w }')
echo "  j1939config: ${cpu} ms of CPU in ${wall} ms (${share} % of one core; goal: under 15 %)"
grep -v "XDG_RUNTIME_DIR\|propagateSizeHints" "$work/window.out" | sed 's/^/  j1939config: /' || true
