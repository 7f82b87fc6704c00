#!/usr/bin/env bash
# Measures "Program Config" against the j1939sim emulator: ten downloads per
# simulator version, the median wall time from click to verdict and the CPU
# time per download. Targets: wall at most 1 s + the frame's time on the line
# at 9600 bit/s + 50 ms; CPU at most 50 ms per download.
#   scripts/bench-download.sh [runs]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh" build
runs="${1:-10}"
build="$top/build/release"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench_download j1939sim >/dev/null
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
status=0
for version in 1.01 2.00; do
  "$build/bench/download/bench_download" --runs "$runs" --version "$version" || status=1
  echo
done
exit $status
