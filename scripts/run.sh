#!/usr/bin/env bash
# Installs what is missing, builds the configurator and starts it in the
# current directory (where it keeps j1939.cfg).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/deps.sh" run
cmake -S "$top" -B "$top/build/release" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build/release" --target j1939config
exec "$top/build/release/src/apps/j1939config/j1939config" "$@"
