#!/bin/sh
# SPDX-License-Identifier: MIT
# Starts the real program on a private X server and desktop bus and lets
# the reader in atspi_reader.py work it through the accessibility bus, as a
# screen reader would. Exit 77 (skipped) where a piece of the desktop is
# missing.
set -eu
program=$1
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3
[ -x "$python" ] || python=python3

for tool in Xvfb dbus-run-session; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skipped: $tool is missing"; exit 77; }
done
"$python" -c "import gi; gi.require_version('Atspi', '2.0')" 2>/dev/null ||
  { echo "skipped: the AT-SPI bindings for Python are missing"; exit 77; }

work=$(mktemp -d)
xvfb=""
cleanup() {
  # Wait for the server to be gone: a dying server removes its socket, and
  # a new server may already have taken the same display number.
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
mkdir -p "$work/config" "$work/data" "$work/runtime"
chmod 700 "$work/runtime"

# The server picks a free display and writes its number. -noreset: the
# bus launcher connects briefly, and a server that resets when its last
# client leaves refuses the program that connects at that moment.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] && kill -0 "$xvfb" 2>/dev/null ||
  { echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1; }

export DISPLAY=":$(cat "$work/display")"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
export HOME="$work"
# Qt speaks to the bus only when told that a reader is on.
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_QPA_PLATFORM
dbus-run-session -- "$python" "$here/atspi_reader.py" "$program"
