#!/usr/bin/env bash
# The emulator under load: j1939sim plays a configuration on a virtual CAN bus
# of its own with --bus-load N (default 4000 frames per second) for S seconds
# (default 10); count_frames, holding the bus, counts every frame that arrives,
# and the emulator's CPU time (user + system) over its run is printed.
#   bash scripts/measure-bus-load.sh [N] [S]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
rate="${1:-4000}"
seconds="${2:-10}"
"$top/scripts/deps.sh" build
build="$top/build/measure"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target count_frames j1939sim j1939cfg >/dev/null

work=$(mktemp -d)
counter="" sim=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  for pid in $counter $sim; do kill "$pid" 2>/dev/null || true; done
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
"$build/bench/busload/count_frames" virtualcan "$bus" "$seconds" >"$work/count.out" &
counter=$!
for _ in $(seq 50); do grep -q connected "$work/count.out" && break; sleep 0.1; done
grep -q connected "$work/count.out" || { echo "count_frames did not connect" >&2; exit 1; }

# The emulator runs until its standard input ends: a FIFO held open by this script.
mkfifo "$work/in"
"$build/src/apps/j1939sim/j1939sim" --can "virtualcan:$bus" --config "$work/bench.cfg" \
  --bus-load "$rate" <"$work/in" >"$work/sim.out" 2>&1 &
sim=$!
exec 3>"$work/in"
start=$(date +%s%N)
wait "$counter" && counter=""
end=$(date +%s%N)
# The first field of each thread's schedstat is its time on a processor in ns.
cpu=$(cat /proc/"$sim"/task/*/schedstat | awk '{ ns += $1 } END { printf "%.0f", ns / 1e6 }')
wall=$(( (end - start) / 1000000 ))
exec 3>&-
wait "$sim" || true
sim=""

echo "j1939sim --bus-load $rate on virtualcan, counted for $seconds s:"
sed 's/^/  /' <(grep -v connected "$work/count.out")
echo "  j1939sim: ${cpu} ms of CPU in ${wall} ms ($(awk -v c="$cpu" -v w="$wall" 'BEGIN { printf "%.1f", 100 * c / w }') % of one core)"
# Frames the bus refused (the bus's going away when count_frames ends is no news).
grep "a frame was not sent" "$work/sim.out" | sed 's/^/  j1939sim: /' || true
