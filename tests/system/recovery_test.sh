#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Unsaved changes survive the real program's end by kill -9 and by SIGTERM:
# a later start offers them, and the window then shows exactly the entries
# it showed before, still to be saved.
#
# Usage: recovery_test.sh <path of the ovrin binary>
# Exit 77 (skipped) when Xvfb, openbox, xdotool or xprop is not installed.
set -uo pipefail

ovrin=${1:?usage: $0 <ovrin binary>}
source "$(dirname "$0")/x_session.sh"
x_session_start
doc=$work/docs/notes.ovr
printf 'KeyWords: banana\n\nKeyWords: cherry\n\nKeyWords: grape\n' >"$work/notes.rec"
"$ovrin" --import "$work/notes.rec" "$doc" || fail "cannot make the document"

# The bytes of the recovery records, and a wait until a change has reached
# them: on a busy machine a key can take longer than any fixed pause.
record_bytes() { cat "$XDG_STATE_HOME"/ovrin/* 2>/dev/null | wc -c; }
recorded_after() {
  for _ in $(seq 200); do
    (( $(record_bytes) > $1 )) && return 0
    sleep 0.1
  done
  fail "a change did not reach the recovery record"
}
add() {
  local before
  before=$(record_bytes)
  keys "$main" key a
  keys "$(window Edit-Dialog)" type --delay 20 "$1"
  xdotool key Return
  recorded_after "$before"
}
# Answers the question about the record left behind with Recover, then
# saves what the window shows and checks it is $1.
recover_and_save() {
  keys "$(window Ovrin)" key Return
  # Recovered changes are unsaved: the title carries their mark.
  main=$(window "notes.ovr\\* - Ovrin")
  keys "$main" key ctrl+s
  local shown
  shown=$("$ovrin" --list "$doc" | tr '\n' ' ')
  [[ $shown == "$1" ]] || fail "the recovered document holds \"$shown\", not \"$1\""
  [[ -z $(ls -A "$XDG_STATE_HOME/ovrin") ]] || fail "the record stayed after the save"
}

# 1. Add, edit (the entry moves) and delete, then kill -9.
start "$doc"
main=$(window "notes.ovr - Ovrin")
add apple
before=$(record_bytes)
keys "$main" key e
keys "$(window Edit-Dialog)" key ctrl+a type --delay 20 melon
xdotool key Return
recorded_after "$before"
before=$(record_bytes)
keys "$main" key b alt+e Down Down Right Return
recorded_after "$before"
[[ $(ls -A "$work/docs") == notes.ovr ]] || fail "something lies beside the document: $(ls -A "$work/docs")"
kill -9 "$program"
wait "$program" 2>/dev/null
[[ $("$ovrin" --list "$doc" | tr '\n' ' ') == "banana cherry grape " ]] || fail "the changes reached the file"
start "$doc"
recover_and_save "cherry grape melon "

# 2. One more entry, then SIGTERM ends the program; a start without a file
#    offers the record and opens its document.
add zucchini
kill -TERM "$program"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "SIGTERM did not end the program"
start
recover_and_save "cherry grape melon zucchini "

# 3. Later keeps a record for the next start, Discard removes it; neither
#    touches the file.
add fig
kill -9 "$program"
wait "$program" 2>/dev/null
start "$doc"
keys "$(window Ovrin)" key Escape
main=$(window "notes.ovr - Ovrin")
kill -TERM "$program"
wait "$program" 2>/dev/null
[[ -n $(ls -A "$XDG_STATE_HOME/ovrin") ]] || fail "Later removed the record"
start "$doc"
keys "$(window Ovrin)" key alt+d
main=$(window "notes.ovr - Ovrin")
[[ -z $(ls -A "$XDG_STATE_HOME/ovrin") ]] || fail "Discard left the record"

# 4. A record whose file is away is kept. (One over a file that another
#    program changed is merged into it: merge_test.sh.)
add fig
kill -9 "$program"
wait "$program" 2>/dev/null
mv "$doc" "$work/away.ovr"
start
keys "$(window Ovrin)" key Return
sleep 1
keys "$(window Ovrin)" key Return
sleep 1
keys "$(window Ovrin)" key Return
main=$(window "Untitled - Ovrin")
kill -TERM "$program"
wait "$program" 2>/dev/null
[[ -n $(ls -A "$XDG_STATE_HOME/ovrin") ]] || fail "the record of a file that is away was removed"
mv "$work/away.ovr" "$doc"
rm "$XDG_STATE_HOME"/ovrin/*

# 5. A start that hands its file to the running program offers the record
#    of another window that was killed, here of an untitled document.
start "$doc"
first=$program
main=$(window "notes.ovr - Ovrin")
start
second=$program
# The only untitled window is the second program's; a search by its pid
# could answer with the first program's window while the second still starts.
main=$(window "Untitled - Ovrin")
add kiwi
kill -9 "$second"
wait "$second" 2>/dev/null
"$ovrin" "$doc" || fail "the hand-over failed"
keys "$(window Ovrin)" key Return
main=$(window "Untitled\\* - Ovrin")
keys "$main" key ctrl+s
keys "$(window "Save As")" key ctrl+a type --delay 20 "$work/kiwi.ovr"
xdotool key Return
sleep 1
[[ $("$ovrin" --list "$work/kiwi.ovr" | tr '\n' ' ') == "kiwi " ]] || fail "the untitled document was not recovered"

# 6. Text typed into the Edit dialog survives kill -9 a few seconds later,
#    and SIGTERM at once.
kill -TERM "$first"
wait "$first" 2>/dev/null
for end in KILL TERM; do
  start "$doc"
  main=$(window "notes.ovr - Ovrin")
  before=$(record_bytes)
  keys "$main" key a
  # SIGTERM comes before the record's pause of a second is over.
  type_into "$(window Edit-Dialog)" type --delay 20 "typed$end"
  sleep 0.3
  [[ $end == KILL ]] && recorded_after "$before"
  kill -$end "$program"
  wait "$program" 2>/dev/null
  start "$doc"
  keys "$(window Ovrin)" key Return
  main=$(window "notes.ovr\\* - Ovrin")
  keys "$main" key ctrl+s
  named "$main" "notes.ovr - Ovrin"
  "$ovrin" --list "$doc" | grep -qx "typed$end" || fail "what was typed before $end was lost"
  kill -TERM "$program"
  wait "$program" 2>/dev/null
done
echo PASS
