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
  # Whole folders compiled at once: a clean build in a fraction of the time.
  args+=(-DCMAKE_UNITY_BUILD=ON)
  cmake -S "$top" -B "$dir" -G Ninja "${args[@]}" >/dev/null
}

configs=(release asan)
for config in "${configs[@]}"; do
  echo "== $config: configure"
  configure "$config"
done

# Both builds at once: each has steps that keep one compiler busy alone (the
# precompiled headers, moc, linking), and the other build fills the idle cores.
echo "== build: ${configs[*]}"
pids=()
for config in "${configs[@]}"; do
  targets=(all)
  # The benches' programs are built once too, so that they keep compiling.
  [ "$config" = release ] && targets+=(bench_download bare_window)
  cmake --build "$top/build/$config" -j "$(nproc)" --target "${targets[@]}" >"$top/build/$config.log" 2>&1 &
  pids+=($!)
done
built=0
for i in "${!configs[@]}"; do
  if wait "${pids[$i]}"; then
    tail -n 1 "$top/build/${configs[$i]}.log"
  else
    echo "== ${configs[$i]}: build failed"
    cat "$top/build/${configs[$i]}.log"
    built=1
  fi
done
[ $built -eq 0 ] || exit 1

status=0
for config in "${configs[@]}"; do
  echo "== $config: test"
  (cd "$top/build/$config" && ctest --output-on-failure --timeout 900 -j "$(nproc)") || status=1
done
exit $status
