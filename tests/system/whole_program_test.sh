#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a real X display with a window manager, driven with
# xdotool as a person would: add an entry, save it through the Save As
# dialog, print it from a second start with /p, hand files over from later
# starts to the first one, and end it through its File menu.
#
# Usage: whole_program_test.sh <path of the ovrin binary>
# Exit 77 (skipped) when Xvfb, openbox, xdotool or xprop is not installed.
set -uo pipefail

ovrin=${1:?usage: $0 <ovrin binary>}
x_session_tools=()
source "$(dirname "$0")/x_session.sh"
x_session_start

ovrin_windows() { xdotool search --onlyvisible --name ' - Ovrin$' 2>/dev/null | wc -l; }

# 1. The first start shows an empty document.
"$ovrin" >"$work/first.log" 2>&1 &
first=$!
pids+=($first)
main=$(window "Untitled - Ovrin") || exit 1

# 2. 'a' opens the Edit dialog; the key words and Return add the entry.
#    Characters beyond the Basic Multilingual Plane (an emoji, a CJK
#    extension B ideograph) are typed into both fields like any other.
type_into "$main" key a
dialog=$(window "Edit-Dialog") || exit 1
#    xdotool gives a character the keyboard lacks a key of its own for the
#    moment of the press; a long delay lets a busy program read it before
#    the key is taken back.
type_into "$dialog" type --delay 250 "alpha🎉"
xdotool key Tab
xdotool type --delay 250 "x😀y𠀀z"
xdotool key Tab Return
named "$main" "Untitled* - Ovrin"

# 3. Ctrl+S asks for a name (untitled) and writes the file.
type_into "$main" key ctrl+s
save=$(window "Save As") || exit 1
type_into "$save" key ctrl+a
xdotool type --delay 20 "$work/one.ovr"
xdotool key Return
named "$main" "one.ovr - Ovrin"
[[ -s $work/one.ovr ]] || fail "Save As wrote no file"
[[ $("$ovrin" --list "$work/one.ovr") == "alpha🎉" ]] || fail "the saved file holds \"$("$ovrin" --list "$work/one.ovr")\", not alpha🎉"
"$ovrin" --find "x😀y𠀀z" --descriptions "$work/one.ovr" | grep -q alpha ||
  fail "the saved description is not x😀y𠀀z"

# 4. A start with /p prints and ends; it neither takes nor removes the
#    first one's channel. Without a printer the pages go to a new PDF beside
#    the file (the user's own one.pdf stays) and a message says where.
socket=$work/runtime/ovrin.socket
[[ -S $socket ]] || fail "the first start does not answer open requests"
echo "the user's own" >"$work/one.pdf"
"$ovrin" /p "$work/one.ovr" >"$work/print.log" 2>&1 &
printing=$!
pids+=($printing)
no_printer=$([[ -z $(lpstat -a 2>/dev/null) ]] && echo 1)
if [[ -n $no_printer ]]; then
  told=$(window "Ovrin") || fail "no message says where the pages went"
  type_into "$told" key Return
fi
ended "$printing" 0 "the /p start"
if [[ -n $no_printer ]]; then
  [[ $(cat "$work/one.pdf") == "the user's own" ]] || fail "/p wrote over one.pdf"
  [[ -s "$work/one (2).pdf" ]] || fail "/p wrote no new PDF: $(cat "$work/print.log")"
  grep -qF "one (2).pdf" "$work/print.log" || fail "/p did not say where the pages went"
fi
[[ -S $socket ]] || fail "the /p start removed the first start's socket"

# 5. A later start with a file hands it to the first one and ends.
cp "$work/one.ovr" "$work/two words.ovr"
"$ovrin" "$work/two words.ovr" >"$work/second.log" 2>&1 &
second=$!
pids+=($second)
ended "$second" 0 "the start handing over \"two words.ovr\""
named "$main" "two words.ovr - Ovrin"
[[ $(ovrin_windows) == 1 ]] || fail "a second window came up for a handed-over file"

# 6. A later start without a file opens its own window; when it ends, the
#    first one still takes the files of later starts.
"$ovrin" >"$work/third.log" 2>&1 &
third=$!
pids+=($third)
sleep 1
other=$(timeout 60 xdotool search --sync --all --onlyvisible --pid "$third" --name " - Ovrin$" | head -n1)
[[ -n $other ]] || fail "a start without a file showed no window"
type_into "$other" key alt+f
sleep 0.3
xdotool key x
ended "$third" 0 "the start without a file"
"$ovrin" "$work/one.ovr" >"$work/fourth.log" 2>&1 &
fourth=$!
pids+=($fourth)
ended "$fourth" 0 "the start handing over one.ovr after another start ended"
named "$main" "one.ovr - Ovrin"
[[ -S $socket ]] || fail "the socket is gone while the first start runs"

# 7. File/Exit ends the first start, which removes its socket.
type_into "$main" key alt+f
sleep 0.3
xdotool key x
ended "$first" 0 "the first start"
[[ -e $socket ]] && fail "the socket stayed after the program ended"
echo "PASS"
exit 0
