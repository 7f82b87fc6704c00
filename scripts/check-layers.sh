#!/usr/bin/env bash
# Holds every source file to its layer. A file's folder is its layer, and each
# include line, written from src/, names the layer of what it includes: a file
# may include its own layer and the layers below it, and the Qt modules its
# layer links.
#   src/rules/   Qt Core                                   j1939rules
#   src/link/    + Qt SerialPort, Qt SerialBus (Network)   j1939link
#   src/window/  + Qt Gui, Qt Widgets                      j1939window
# The programs sit on the layer they link: apps/console on the rules,
# apps/j1939cfg and apps/j1939sim on the link, apps/j1939config on the window;
# a program's folder may include its own files too.
# Usage: check-layers.sh BUILD_DIR   (the build holds the programs it checks)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
qt="$(dirname "$(find /usr/include -maxdepth 4 -type d -name QtCore -path '*qt6*' | head -n 1)")"

declare -A rank=([rules]=0 [link]=1 [window]=2)
declare -A modules=([rules]="QtCore" [link]="QtCore QtSerialPort QtSerialBus QtNetwork"
  [window]="QtCore QtSerialPort QtSerialBus QtNetwork QtGui QtWidgets")

# The layer of a path below src/, by its first folders, into `found`; empty
# for no layer. (Set rather than printed: a subshell per include line is
# most of the check's time.)
layerOf() {
  case "$1" in
    rules/* | apps/console/*) found=rules ;;
    link/* | apps/j1939cfg/* | apps/j1939sim/*) found=link ;;
    window/* | apps/j1939config/*) found=window ;;
    *) found="" ;;
  esac
}

faults=0
fault() { echo "$1: $2"; faults=$((faults + 1)); }
count=0
while IFS= read -r path; do
  file=${path#"$top"/src/}
  layerOf "$file"
  layer=$found
  [ -n "$layer" ] || { fault "src/$file" "is in no layer's folder"; continue; }
  count=$((count + 1))
  while IFS= read -r header; do
    case "$header" in
      \"*\")
        name=${header//\"/}
        case "$name" in
          *.moc | moc_*) continue ;;
          ui_*) target=window ;;
          */*) layerOf "$name"
            target=$found
            if [ -z "$target" ]; then fault "src/$file" "includes $name, which is in no layer"; continue; fi
            # A program's own files are its own; no other folder includes them.
            case "$name" in apps/j1939*)
              if [ "${name%/*}" != "${file%/*}" ]; then fault "src/$file" "includes $name of another program"; fi ;;
            esac ;;
          *) fault "src/$file" "includes $name: write it from src/, with its layer's folder"; continue ;;
        esac
        if [ "${rank[$target]}" -gt "${rank[$layer]}" ]; then
          fault "src/$file" "($layer) includes $name ($target)"
        fi ;;
      \<Q*\>)
        name=${header:1:-1}
        module=""
        for m in QtCore QtSerialPort QtSerialBus QtNetwork QtGui QtWidgets QtTest; do
          if [ -e "$qt/$m/$name" ]; then module=$m; break; fi
        done
        if [ -n "$module" ] && [[ " ${modules[$layer]} " != *" $module "* ]]; then
          fault "src/$file" "($layer) includes <$name> from $module"
        fi ;;
    esac
  done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*\([<"][^>"]*[>"]\).*/\1/p' "$path")
done < <(find "$top/src" -name '*.h' -o -name '*.cpp' | sort)

if [ $faults -gt 0 ]; then
  echo "$faults include(s) against the layers"
  exit 1
fi
echo "$count files, every include within its layer or below"

# The bench programs run where no desktop is: they may load Qt SerialPort,
# SerialBus and Network, but no GUI or widget library.
for program in src/apps/j1939cfg/j1939cfg src/apps/j1939sim/j1939sim; do
  if ldd "$1/$program" | grep -q 'libQt6\(Widgets\|Gui\)'; then
    echo "$program loads Qt Gui or Widgets"
    exit 1
  fi
done
echo "j1939cfg and j1939sim load neither Qt Gui nor Qt Widgets"
