#!/usr/bin/env bash
# Holds every source file to its layer: a file may include files of its own
# layer and of the layers below it, and the Qt modules its layer links.
#   rules  (j1939rules)  Qt Core
#   link   (j1939link)   + Qt SerialPort, Qt SerialBus
#   window (j1939window) + Qt Gui, Qt Widgets
# Usage: check-layers.sh BUILD_DIR   (the build writes BUILD_DIR/layers.txt)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
list="$1/layers.txt"
qt="$(dirname "$(find /usr/include -maxdepth 4 -type d -name QtCore -path '*qt6*' | head -n 1)")"

declare -A layerOf rank=([rules]=0 [link]=1 [window]=2)
declare -A modules=([rules]="QtCore" [link]="QtCore QtSerialPort QtSerialBus"
  [window]="QtCore QtSerialPort QtSerialBus QtGui QtWidgets")
while read -r layer file; do layerOf["$file"]=$layer; done <"$list"
# Generated headers: the product facts go with the rules, the forms with the window.
layerOf["$top/src/config/AppInfo.h"]=rules

faults=0
fault() { echo "$1: $2"; faults=$((faults + 1)); }
while read -r layer file; do
  while IFS= read -r header; do
    case "$header" in
      \"*\")
        name=${header//\"/}
        case "$name" in *.moc | moc_*) continue ;; ui_*) target=window ;; *)
          if [ -n "${layerOf[$top/src/$name]:-}" ]; then target=${layerOf[$top/src/$name]}
          elif [ -n "${layerOf[$(dirname "$file")/$name]:-}" ]; then target=${layerOf[$(dirname "$file")/$name]}
          else fault "${file#"$top"/}" "includes $name, which is in no layer"; continue
          fi ;;
        esac
        if [ "${rank[$target]}" -gt "${rank[$layer]}" ]; then
          fault "${file#"$top"/}" "($layer) includes $name ($target)"
        fi ;;
      \<Q*\>)
        name=${header:1:-1}
        module=""
        for m in QtCore QtSerialPort QtSerialBus QtNetwork QtGui QtWidgets QtTest; do
          if [ -e "$qt/$m/$name" ]; then module=$m; break; fi
        done
        if [ -n "$module" ] && [[ " ${modules[$layer]} " != *" $module "* ]]; then
          fault "${file#"$top"/}" "($layer) includes <$name> from $module"
        fi ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\([<"][^>"]*[>"]\).*/\1/p' "$file")
done <"$list"

if [ $faults -gt 0 ]; then
  echo "$faults include(s) against the layers"
  exit 1
fi
echo "$(wc -l <"$list") files, every include within its layer or below"

# The bench programs run where no desktop is: they may load Qt SerialPort,
# SerialBus and Network, but no GUI or widget library.
for program in src/apps/j1939cfg/j1939cfg src/apps/j1939sim/j1939sim; do
  if ldd "$1/$program" | grep -q 'libQt6\(Widgets\|Gui\)'; then
    echo "$program loads Qt Gui or Widgets"
    exit 1
  fi
done
echo "j1939cfg and j1939sim load neither Qt Gui nor Qt Widgets"
