# SPDX-License-Identifier: MIT
# Sourced by the tests that drive the real program on an X display of their
# own: a private Xvfb with openbox, private profile, data and runtime
# folders, and helpers that wait for windows and processes.
#   x_session_start [SCREEN]   e.g. 1280x1024x24 (the default)
# Exits 77 (skipped) when Xvfb, openbox, xdotool or xprop is not installed.

for tool in Xvfb openbox xdotool xprop "${x_session_tools[@]}"; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (see scripts/packages.txt)"
    exit 77
  fi
done

work=$(mktemp -d)
pids=()
wm=
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# Reports on standard error, which also reaches the user from inside $(...);
# there the caller must end as well: id=$(window NAME) || exit 1.
fail() {
  echo "FAIL: $*" >&2
  local log
  for log in "$work"/*.log; do
    [[ -s $log ]] && { echo "--- $(basename "$log"):"; tail -n 20 "$log"; } >&2
  done
  if command -v import >/dev/null && [[ -n ${OVRIN_TEST_SCREENSHOT:-} ]]; then
    import -window root "$OVRIN_TEST_SCREENSHOT" 2>/dev/null
  fi
  exit 1
}

# Starts openbox and waits until it manages the screen.
start_window_manager() {
  openbox --sm-disable >>"$work/openbox.log" 2>&1 &
  wm=$!
  pids+=($wm)
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
  sleep 0.3
}

# Ends openbox: from then on no one hands the keyboard focus around.
stop_window_manager() {
  [[ -n $wm ]] || return 0
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  wm=
  xprop -root -remove _NET_SUPPORTING_WM_CHECK 2>/dev/null
}

x_session_start() {
  # A display of our own: Xvfb picks a free number and writes it to fd 3.
  Xvfb -displayfd 3 -noreset -screen 0 "${1:-1280x1024x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
  [[ -s $work/display ]] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  export DISPLAY=:$(head -n1 "$work/display")
  start_window_manager

  # Private profile, runtime, state and data folders, and $work/docs; the real X display for Qt.
  mkdir -m 700 "$work/runtime"
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
  export XDG_RUNTIME_DIR=$work/runtime XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb
  unset SESSION_MANAGER
  # Under the sanitizers, leaks of the X and font libraries are not ours.
  export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0
  mkdir -p "$HOME" "$work/docs"
}

# Waits for a window whose whole name is $1 and prints its id.
window() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1)
  [[ -n $id ]] || fail "no window named \"$1\" (windows: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|'))"
  echo "$id"
}
# Waits until window $1 is named $2.
named() {
  for _ in $(seq 300); do
    [[ $(xdotool getwindowname "$1" 2>/dev/null) == "$2" ]] && return 0
    sleep 0.1
  done
  fail "window $1 is named \"$(xdotool getwindowname "$1" 2>/dev/null)\", not \"$2\""
}
# Waits until process $1 has ended and checks its exit code is $2.
ended() {
  local code=0
  for _ in $(seq 600); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$1" 2>/dev/null && fail "process $1 ($3) did not end"
  wait "$1" || code=$?
  [[ $code == "$2" ]] || fail "$3 ended with $code, not $2"
}
# Sends keys to window $1 and gives the program time to take them.
keys() { xdotool windowactivate --sync "$1" >/dev/null 2>&1; sleep 0.3; shift; xdotool "$@"; sleep 0.5; }
# Starts $ovrin (set by the test) with the arguments given; its pid in $program.
start() {
  "$ovrin" "$@" >>"$work/ovrin.log" 2>&1 &
  program=$!
  pids+=($program)
}
type_into() { xdotool windowactivate --sync "$1" >/dev/null 2>&1; sleep 0.3; shift; xdotool "$@"; }
