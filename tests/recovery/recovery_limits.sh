#!/usr/bin/env bash
# Black-box: Recover Memory of the real program in a small address space.
# Under `ulimit -v 200000`, after the program has sat idle past the time the
# toolkit's painting threads end, the recovery runs to its result box (its
# progress bar's paint needs such a thread started afresh) and File > Exit
# ends the program with 0. Under `ulimit -v 100000`, too small to run in,
# it says so in one line and exits 1.
#   usage: recovery_limits.sh EXECUTABLE
set -euo pipefail
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
work=$(mktemp -d)
drive_home "$work"
app=""
cleanup() {
  [ -z "$app" ] || kill -9 "$app" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { drive_fail recovery_limits "$@"; }
limited() { ulimit -v "$1" && shift && exec "$@"; }

xsession_start "$work" openbox
xsession_a11y || fail "the accessibility bus did not start"

# Too small: one line, exit 1, and no window.
rc=0
(limited 100000 "$exe") 2>"$work/stderr" || rc=$?
[ $rc -eq 1 ] || fail "ulimit -v 100000: exited with $rc, not 1"
{ [ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q 'address space' "$work/stderr"; } ||
  fail "ulimit -v 100000: not one line on the address space"
echo "recovery_limits: ulimit -v 100000: $(cat "$work/stderr") (exit 1)"

: >"$work/stderr"
limited 200000 "$exe" 2>>"$work/stderr" &
app=$!
drive_window '^Kestrune$' 30 >/dev/null || fail "ulimit -v 200000: no main window"
sleep 35  # the toolkit's idle painting threads end after 30 s
drive_press Kestrune "push button" "Recover Memory"
box=$(drive_window '^Complete$' 60) || fail "ulimit -v 200000: no result box within 60 s: the window froze"
xdotool windowactivate --sync "$box" key Return
drive_gone '^Complete$' || fail "ulimit -v 200000: the result box did not close"
drive_menu Exit
for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
drive_alive "$app" && fail "ulimit -v 200000: File > Exit did not end the program"
rc=0
wait "$app" || rc=$?
app=""
[ $rc -eq 0 ] || fail "ulimit -v 200000: the program exited with $rc"
echo "recovery_limits: ulimit -v 200000: idle 35 s, Recover Memory, its result, File > Exit: exit 0"
