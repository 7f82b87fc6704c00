#!/usr/bin/env bash
# Installs a build folder into a temporary DESTDIR and checks what a desktop needs: the three
# programs in bin/, a valid desktop entry, and the icon that entry names; and that the installed
# programs find their CAN module, which the configurator does not load until a bus is used.
#   scripts/check-install.sh BUILD_DIR
set -euo pipefail
build="$1"
dest="$(mktemp -d)"
trap 'rm -rf "$dest"' EXIT
DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
fail=0
for program in j1939config j1939cfg j1939sim; do
  [ -x "$dest/usr/bin/$program" ] || { echo "missing: /usr/bin/$program"; fail=1; }
done
# The programs find the module from their bin folder wherever the tree is put.
module=$(find "$dest/usr/lib" -name libj1939canbus.so -path '*/j1939config/*')
[ -n "$module" ] || { echo "missing: the CAN module libj1939canbus.so"; fail=1; }
if [ -x "$dest/usr/bin/j1939cfg" ]; then
  listed=$("$dest/usr/bin/j1939cfg" buses 2>&1) || true
  grep -q '^virtualcan:' <<<"$listed" || { echo "the installed j1939cfg lists no bus: $listed"; fail=1; }
fi
if [ -x "$dest/usr/bin/j1939config" ] &&
  readelf -d "$dest/usr/bin/j1939config" | grep -q 'NEEDED.*Qt6\(SerialBus\|Network\)'; then
  echo "j1939config loads Qt SerialBus at start-up"; fail=1
fi
entry="$dest/usr/share/applications/j1939config.desktop"
if [ -f "$entry" ]; then
  desktop-file-validate "$entry" || fail=1
  grep -qx 'Categories=Development;Electronics;' "$entry" || { echo "wrong categories"; fail=1; }
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -f "$dest/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    { echo "missing: the icon $icon"; fail=1; }
else
  echo "missing: $entry"; fail=1
fi
exit "$fail"
