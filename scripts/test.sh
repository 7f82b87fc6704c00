#!/usr/bin/env bash
# Installs what is missing, builds the project twice (a normal build and one
# with AddressSanitizer and UndefinedBehaviorSanitizer) and runs every test in both.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh" build

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$top/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

configure() {
  local config=$1 dir="$top/build/$1" args
  if [ "$config" = asan ]; then
    # Line tables are all a sanitizer report needs, and much quicker to build.
    args=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DJ1939_SANITIZE=ON)
  else
    # Optimised, yet quick to build: the suite runs against optimised code
    # without paying for -O3 on every clean clone.
    args=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG")
  fi
  # Each target compiled as one file: Qt's headers, most of what a file costs,
  # are read once a target instead of once a file. Gold links in a fraction of
  # the default linker's time. Every warning is an error here.
  args+=(-DCMAKE_UNITY_BUILD=ON -DCMAKE_UNITY_BUILD_BATCH_SIZE=0 -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold
    -DJ1939_WERROR=ON)
  cmake -S "$top" -B "$dir" -G Ninja "${args[@]}" >/dev/null
}

configs=(release asan)

# Runs "$@ CONFIG" for both configurations at once, each into its own log, and
# prints the logs in order once both have ended (of a build that succeeded,
# only its tests' part); fails if either failed. Each build has steps that keep
# one compiler busy alone (moc, linking), and the other build fills the idle
# cores; the tests of one mostly wait on timers and pseudo-terminals.
together() {
  local step=$1 pids=() failed=0 i
  shift
  for config in "${configs[@]}"; do
    "$@" "$config" >"$top/build/$config.$step.log" 2>&1 &
    pids+=($!)
  done
  for i in "${!configs[@]}"; do
    local log="$top/build/${configs[$i]}.$step.log" ok=1
    wait "${pids[$i]}" || { ok=0; failed=1; }
    echo "== ${configs[$i]}: $step"
    if [ "$step" = build ] && [ $ok = 1 ]; then sed -n '/^Test project/,$p' "$log"; else cat "$log"; fi
  done
  return $failed
}

# Each configuration's tests start as soon as its own build is done: the
# normal build's run while the sanitizer build still compiles. The sanitizer
# build's tests run last, alone on the machine, and mostly wait on timers and
# child processes: one more at a time than there are cores.
build_and_test() {
  local jobs=$(nproc)
  [ "$1" = asan ] && jobs=$((jobs + 1))
  cmake --build "$top/build/$1" -j "$(nproc)" || return 1
  cd "$top/build/$1" && ctest --output-on-failure --timeout 900 -j "$jobs"
}

mkdir -p "$top/build"
together configure configure
together build build_and_test
