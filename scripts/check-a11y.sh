#!/usr/bin/env bash
# Starts the configurator under Xvfb with accessibility on and lists what a
# screen reader is told about each list (and, with "text", each text box):
# its accessible name and the captions it is labelled by. Optionally saves a
# screenshot of the screen. Not part of the test command.
#   scripts/check-a11y.sh [--shot FILE.png] [combo] [text]
# Needs Debian's xvfb, at-spi2-core, python3-pyatspi (and imagemagick for --shot).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
bin="${J1939_CONFIG_BIN:-$top/build/release/src/apps/j1939config/j1939config}"
shot=""
if [ "${1:-}" = --shot ]; then shot="$(realpath "$2")"; shift 2; fi
work="$(mktemp -d)"
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb; rm -rf "$work"' EXIT
read -r display <"$work/display"  # Xvfb writes its display number once it is ready
export DISPLAY=":$display" XDG_CONFIG_HOME="$work" QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# The configurator keeps j1939.cfg in its working directory: run it in $work.
dbus-run-session -- bash -c '
  cd "$1" || exit; "$2" & app=$!
  /usr/bin/python3 - "${@:4}" <<"EOF"
import sys, time, pyatspi

def application(name):
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name and app.childCount:
                return app
        time.sleep(0.1)
    sys.exit("no accessible application " + name)

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

kinds = {pyatspi.ROLE_COMBO_BOX: "combo", pyatspi.ROLE_TEXT: "text"}
wanted = sys.argv[1:] or ["combo"]
for node in walk(application("TarvikConfig")):
    kind = kinds.get(node.getRole())
    if kind not in wanted:
        continue
    captions = [r.getTarget(i).name for r in node.getRelationSet()
                if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                for i in range(r.getNTargets())]
    print(f"{kind:5} {node.name!r:48} labelled by {captions}")
EOF
  [ -z "$3" ] || import -window root "$3"
  kill $app; wait $app || true' _ "$work" "$bin" "$shot" "$@" 2>&1 |
  grep -v "dbus-daemon\|SpiRegistry\|XDG_RUNTIME_DIR\|X11 connection\|X connection"
