#!/usr/bin/env bash
# Black-box: Recover Memory of the real program under tight limits.
# Under `ulimit -v 200000`, after the program has sat idle past the time the
# toolkit's painting threads end, the recovery runs to its result box (its
# progress bar's paint needs such a thread started afresh) and File > Exit
# ends the program with 0. Under `ulimit -v 100000`, too small to run in,
# it says so in one line and exits 1. So it does under `ulimit -n 16` and,
# as an ordinary user, `ulimit -u 2`; under a soft `ulimit -Sn 16` it raises
# its own limit, the recovery reaches its result box, and a SIGTERM while
# that box is up ends the program with 0 within 5 s.
#   usage: recovery_limits.sh EXECUTABLE
set -euo pipefail
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/blackbox.sh"
fail() { drive_fail recovery_limits "$@"; }
limited() { ulimit "$1" "$2" && shift 2 && exec "$@"; }
# One line naming the limit, exit 1, and no window.
refused() {
  local what=$1 word=$2 rc=0; shift 2
  ("$@") 2>"$work/stderr" || rc=$?
  [ $rc -eq 1 ] || fail "$what: exited with $rc, not 1"
  { [ "$(wc -l <"$work/stderr")" -eq 1 ] && grep -q "$word" "$work/stderr"; } || fail "$what: not one line on the $word"
  echo "recovery_limits: $what: $(cat "$work/stderr") (exit 1)"
}
# The first SIGTERM ends the program with 0 within 5 s.
terminated() {
  local what=$1 rc=0
  kill -TERM "$app"
  for _ in $(seq 100); do drive_alive "$app" || break; sleep 0.05; done
  drive_alive "$app" && fail "$what: the first SIGTERM did not end the program within 5 s"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$what: SIGTERM: the program exited with $rc"
}

blackbox_desktop

# Too small: one line, exit 1, and no window.
refused "ulimit -v 100000" "address space" limited -v 100000 "$exe"
refused "ulimit -n 16" "file descriptors" limited -n 16 "$exe"
# The limit on processes counts the user's every thread, and binds no root.
if [ "$(id -u)" -ne 0 ]; then
  refused "ulimit -u 2" "threads" limited -u 2 "$exe"
elif setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
  refused "ulimit -u 2, as nobody" "threads" setpriv --reuid=65534 --regid=65534 --clear-groups \
    prlimit --nproc=2 "$exe"
else
  echo "recovery_limits: ulimit -u 2: cannot become the user nobody here: skipped"
fi

# A soft limit it may raise: the recovery's result box, then SIGTERM.
: >"$work/stderr"
limited -Sn 16 "$exe" 2>>"$work/stderr" &
app=$!
drive_window '^Kestrune$' 30 >/dev/null || fail "ulimit -Sn 16: no main window"
drive_press Kestrune "push button" "Recover Memory"
drive_window '^Complete$' 60 >/dev/null || fail "ulimit -Sn 16: no result box within 60 s: the window froze"
terminated "ulimit -Sn 16, the result box up"
[ ! -s "$work/stderr" ] || fail "ulimit -Sn 16: the program said: $(cat "$work/stderr")"
echo "recovery_limits: ulimit -Sn 16: Recover Memory, its result box, SIGTERM: exit 0"

: >"$work/stderr"
limited -v 200000 "$exe" 2>>"$work/stderr" &
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
