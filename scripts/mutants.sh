#!/usr/bin/env bash
# How many small planted faults the tests catch: one draw of the mutation tool.
#   bash scripts/mutants.sh --count 30 [the tool's other options]
# The options go to the tool as they are (its --help names the one that picks
# the draw: the same number draws the same faults); the test command is ctest
# with three tests at a time unless one is given.
# The tool copies the checkout to build/mutants/tree and builds it there. Its
# own build has debug information at -O2; configured here first at -O1
# without it (and linked by gold), a mutant is rebuilt and tested in about
# half a minute on 2 cores instead of a minute. Keep the machine otherwise
# quiet while it runs: the suite has timing tests, and a run slowed down by
# other work can fail for that alone and count a mutant as caught.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${MUTANTS_TOOL:-../shared/tools/mutants}
tree=build/mutants/tree
# MUTANTS_SANITIZE=ON runs the suite as the test command's sanitizer build does,
# so that a mutant that reads out of bounds counts as caught (slower per mutant).
sanitize=${MUTANTS_SANITIZE:-OFF}
cache="$tree/build/release/CMakeCache.txt"
if [ ! -f "$cache" ] || ! grep -q "^J1939_SANITIZE:BOOL=$sanitize\$" "$cache"; then
  mkdir -p "$tree"
  git ls-files -co --exclude-standard -z | xargs -0 cp -p --parents -t "$tree"
  cmake -S "$tree" -B "$tree/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -DNDEBUG" -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=gold \
    -DJ1939_SANITIZE="$sanitize" > build/mutants/configure.log
fi
if [ "$sanitize" = ON ]; then
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
case " $* " in
  *" --test "*) exec "$tool" "$@" ;;
  *) exec "$tool" "$@" --test "ctest -j3 --timeout 120 --output-on-failure" ;;
esac
