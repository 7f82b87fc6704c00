#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the build needs and is missing.
#   scripts/deps.sh build    compiler, CMake, Ninja, Qt 6 (Widgets, SerialPort, SerialBus and
#                            its CAN plugins, Test)
#   scripts/deps.sh run      the above, plus what a desktop session needs to show the window
#   scripts/deps.sh shots    the above, plus Xvfb and ImageMagick for screenshots
set -euo pipefail

# Debian 12 ships Qt SerialBus's CAN plugins (virtualcan, socketcan, ...) in the
# library's own package; canbusutil, the bus monitor, in libqt6serialbus6-bin.
packages=(g++ cmake ninja-build qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
  qt6-serialbus-dev libqt6serialbus6 libqt6serialbus6-bin libgl-dev desktop-file-utils)
case "${1:-build}" in
  build) ;;
  run) packages+=(qt6-qpa-plugins fonts-dejavu-core) ;;
  shots) packages+=(qt6-qpa-plugins fonts-dejavu-core xvfb xauth openbox imagemagick) ;;
  *) echo "usage: $0 [build|run|shots]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
