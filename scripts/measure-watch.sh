#!/usr/bin/env bash
# j1939cfg watch --summary under load: j1939sim plays a configuration on a
# virtual CAN bus with --bus-load N (default 4000 frames per second) for S
# seconds (default 10). count_frames holds the bus and counts every frame the
# bus delivered; j1939cfg watch --summary, on the bus before j1939sim starts
# and after it stops, counts what it got. Prints both counts and the CPU time
# of the watch (user + system, all its threads) against the seconds of load.
#   bash scripts/measure-watch.sh [N] [S]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
rate="${1:-4000}"
seconds="${2:-10}"
"$top/scripts/deps.sh" build
build="$top/build/measure"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target count_frames j1939sim j1939cfg >/dev/null

work=$(mktemp -d)
counter="" watcher="" sim=""
cleanup() {
  exec 3>&- 2>/dev/null || true
  for pid in $counter $watcher $sim; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The configuration played: the factory one at address 25, PGN1 every 50 ms.
cfg="$build/src/apps/j1939cfg/j1939cfg"
echo '{}' >"$work/bench.json"
"$cfg" make "$work/bench.json" -o "$work/bench.cfg"
"$cfg" set "$work/bench.cfg" SourceAddress=0x25 Pgn1InUse=1 Pgn1UpdateRate=1 Pgn1Pf=0xFF \
  Pgn1Ps=0x10 Pgn1=65296 Pgn1DataLength=8 Pgn1ParamType=1 Pgn1ParamPos=3 DynamicMode=-1

bus="tcp://127.0.0.1:$((10000 + $$ % 10000))/can0"
"$build/bench/busload/count_frames" virtualcan "$bus" "$((seconds + 2))" >"$work/count.out" &
counter=$!
for _ in $(seq 50); do grep -q connected "$work/count.out" && break; sleep 0.1; done
grep -q connected "$work/count.out" || { echo "count_frames did not connect" >&2; exit 1; }

# The watch in a shell of its own, whose `times` gives the CPU time of its
# child. It ends a second after j1939sim, a second before count_frames, which
# serves the bus.
( "$cfg" watch --can "virtualcan:$bus" --summary --seconds "$((seconds + 2))" >"$work/watch.out" ||
    true
  times >"$work/times.out" ) &
watcher=$!
sleep 1

# The emulator runs until its standard input ends: a FIFO held open for S seconds.
mkfifo "$work/in"
"$build/src/apps/j1939sim/j1939sim" --can "virtualcan:$bus" --config "$work/bench.cfg" \
  --bus-load "$rate" <"$work/in" >"$work/sim.out" 2>&1 &
sim=$!
exec 3>"$work/in"
sleep "$seconds"
exec 3>&-
wait "$sim" || true
sim=""
wait "$counter" && counter=""
wait "$watcher" && watcher=""

# `times`: the shell's own times, then its children's ("0m1.234s 0m0.567s").
cpu=$(sed -n 2p "$work/times.out" | awk '{
  split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%.0f", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1000 }')
delivered=$(grep -o '^[0-9]* frames' "$work/count.out" | cut -d' ' -f1)
watched=$(head -n 1 "$work/watch.out" | cut -d' ' -f1)

echo "j1939sim --bus-load $rate on virtualcan for $seconds s:"
sed 's/^/  count_frames: /' <(grep -v connected "$work/count.out")
echo "  j1939cfg watch --summary: $(head -n 1 "$work/watch.out")"
# The load's frames carry a running count in their first four bytes, from 0:
# the highest count seen and one is how many the load sent (j1939sim skips
# counts when it falls more than 50 ms behind: count_frames is the reference).
load=$(awk 'function hex(s,  v, i) {
    for (i = 1; i <= length(s); ++i) v = v * 16 + index("0123456789ABCDEF", substr(s, i, 1)) - 1
    return v
  }
  $1 ~ /^8[0-9A-F]$/ && $3 == "(FF00)" { n += $4; c = hex($10 $9 $8 $7); if (c > top) top = c }
  END { printf "%d %d", n, top + 1 }' "$work/watch.out")
echo "  the load: ${load% *} frames watched of the ${load#* } it sent (by the counts they carry)"
if [ "$watched" = "$delivered" ]; then
  echo "  the watch counted every frame the bus delivered ($watched)"
else
  echo "  the watch counted $watched of the $delivered frames the bus delivered"
fi
echo "  j1939cfg watch: ${cpu} ms of CPU over $seconds s of load ($(awk -v c="$cpu" -v s="$seconds" 'BEGIN { printf "%.1f", c / (10 * s) }') % of one core)"
echo "  the rows of the load's 16 addresses and the device's groups:"
sed -n '2,$p' "$work/watch.out" | sed 's/^/    /'
