#!/usr/bin/env bash
# The real program as a screen reader and a keyboard-only user meet it: on a
# private X desktop with a session bus and the accessibility bus switched on,
# the AT-SPI tree holds the names and roles to say; Alt+E then S opens the
# Scheduler, Escape closes it; Alt+E then A opens the Applications window,
# once however often asked, and Escape and its Close button close it; Alt+F
# then X ends the program with 0. Where the memory controller is on cgroup
# v1, as on the machine this project is built on, trimming cannot work: the
# Applications window must say why in the list's place, with both trim
# buttons disabled. Started with --recover, no figure ever shows its design
# text; started with --scrub, the scrub window, its log and its page-set map
# are named. Every window met on the way (main, Tutorial, About, Scheduler,
# Applications, the recovery's progress and result, scrub) is walked whole:
# no shown object nameless, a filler or of unknown role, or read out of
# screen order; the main window, the Tutorial and the Scheduler open with the
# keyboard on their first control. Debian's own Python, which has the AT-SPI
# bindings.
#   usage: a11y.sh EXECUTABLE
set -euo pipefail
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/blackbox.sh"
fail() { drive_fail "a11y" "$@"; }

blackbox_desktop

"$exe" 2>>"$work/stderr" &
app=$!
main=$(drive_window '^Kestrune$') || fail "no main window"
/usr/bin/python3 "$here/a11y_tree.py" main || fail "the main window's accessible names"

xdotool windowactivate --sync "$main" key --delay 150 alt+h t
tutorial=$(drive_window '^Memory Tutorial$') || fail "Alt+H, T opened no Tutorial"
/usr/bin/python3 "$here/a11y_tree.py" tutorial || fail "the Tutorial's accessible names"
xdotool windowactivate --sync "$tutorial" key alt+d
drive_gone '^Memory Tutorial$' || fail "Alt+D did not close the Tutorial"
xdotool windowactivate --sync "$main" key --delay 150 alt+h a
about=$(drive_window '^About Kestrune$') || fail "Alt+H, A opened no About box"
/usr/bin/python3 "$here/a11y_tree.py" about || fail "the About box's accessible names"
xdotool windowactivate --sync "$about" key Return
drive_gone '^About Kestrune$' || fail "Enter did not close the About box"

xdotool windowactivate --sync "$main" key --delay 150 alt+e s
scheduler=$(drive_window '^Scheduler$') || fail "Alt+E, S opened no Scheduler"
/usr/bin/python3 "$here/a11y_tree.py" scheduler || fail "the Scheduler's accessible names"
xdotool windowactivate --sync "$scheduler" key Escape
drive_gone '^Scheduler$' || fail "Escape did not close the Scheduler"

expect=any
grep -q ':memory:' /proc/self/cgroup && expect=unavailable
xdotool windowactivate --sync "$main" key --delay 150 alt+e a
applications=$(drive_window '^Applications$') || fail "Alt+E, A opened no Applications window"
/usr/bin/python3 "$here/a11y_tree.py" applications "$expect" || fail "the Applications window's names and states"
# Asked again while it is open: the same window comes to the front.
xdotool windowactivate --sync "$main" key --delay 150 alt+e a
sleep 0.5
[ "$(xdotool search --onlyvisible --name '^Applications$' | wc -l)" -eq 1 ] || fail "a second Applications window opened"
xdotool windowactivate --sync "$applications" key Escape
drive_gone '^Applications$' || fail "Escape did not close the Applications window"
xdotool windowactivate --sync "$main" key --delay 150 alt+e a
applications=$(drive_window '^Applications$') || fail "Alt+E, A did not open the Applications window again"
sleep 0.3
drive_press Applications "push button" Close
drive_gone '^Applications$' || fail "its Close button did not close the Applications window"
# The rest as it was: the Scheduler opens again.
xdotool windowactivate --sync "$main" key --delay 150 alt+e s
scheduler=$(drive_window '^Scheduler$') || fail "Alt+E, S opened no Scheduler after the Applications window"
xdotool windowactivate --sync "$scheduler" key Escape
drive_gone '^Scheduler$' || fail "Escape did not close the Scheduler"

xdotool windowactivate --sync "$main" key --delay 150 alt+f x
rc=0
for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
drive_alive "$app" && fail "Alt+F, X did not end the program"
wait "$app" || rc=$?
app=""
[ $rc -eq 0 ] || fail "Alt+F, X: exit status $rc"

# In 3 GB of address space, so the operations take moments.
launch() { (ulimit -v 3000000; exec "$exe" "$@") 2>>"$work/stderr" & app=$!; }
ended() {
  local rc=0
  for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
  drive_alive "$app" && fail "$1: still running after 10 s"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$1: exit status $rc"
}

# The recovery holds the UI thread from the start: the figures shown meanwhile
# are the first sample's, never the design's.
# The progress window is read while the run answers between its ticks; on a
# loaded machine the run may end first, and then it is run again (3 tries).
for try in 1 2 3; do
  launch --recover
  drive_window '^Kestrune$' >/dev/null || fail "--recover: no window"
  read_rc=0
  /usr/bin/python3 "$here/a11y_tree.py" progress "$app" || read_rc=$?
  [ $read_rc -eq 0 ] || [ $read_rc -eq 2 ] || fail "the recovery's progress window's accessible names"
  /usr/bin/python3 "$here/a11y_tree.py" honest "$app" || fail "--recover showed made-up figures"
  box=$(drive_window '^Complete$' 90) || fail "--recover: no Complete box within 90 s"
  /usr/bin/python3 "$here/a11y_tree.py" result "$app" || fail "the recovery's result box's accessible names"
  xdotool windowactivate --sync "$box" key Return
  ended "--recover, then OK"
  [ $read_rc -eq 2 ] || break
  [ "$try" -lt 3 ] || fail "the recovery's progress window went before it was read whole, 3 times"
  echo "a11y: the progress window went before it was read whole (try $try of 3); again" >&2
done

launch --scrub
drive_window '^Memory Defragmenter$' >/dev/null || fail "--scrub: no scrub window"
/usr/bin/python3 "$here/a11y_tree.py" scrub "$app" || fail "the scrub window's accessible names"
# Stop, then Close once the summary is written; the program ends with it.
drive_scrub_close || fail "--scrub: Close did not close the scrub window"
ended "--scrub, then Close"
echo "a11y: Alt+E S, Escape, Alt+E A ($expect here), Escape and Close, Alt+F X by keyboard; honest figures under --recover; the scrub window named; exit 0 each time"
