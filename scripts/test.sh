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

status=0
for config in release asan; do
  dir="$top/build/$config"
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
  echo "== $config: build"
  cmake -S "$top" -B "$dir" -G Ninja "${args[@]}" >/dev/null
  cmake --build "$dir"
  echo "== $config: test"
  (cd "$dir" && ctest --output-on-failure --timeout 900 -j "$(nproc)") || status=1
done
exit $status
