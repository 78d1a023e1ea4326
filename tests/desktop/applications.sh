#!/usr/bin/env bash
# The Applications window of the real program, as a keyboard and screen-reader
# user meets it: Alt+E then A opens it from the Edit menu, once however often
# asked; the AT-SPI tree holds its names and states; Escape closes it, and so
# does its Close button; the Scheduler still opens beside it, and Alt+F then
# X ends the program with 0. Where the memory controller is on cgroup v1, as
# on the machine this project is built on, trimming cannot work: the window
# must say why in the list's place, with both trim buttons disabled.
#   usage: applications.sh EXECUTABLE
set -euo pipefail
exe=$1
work=$(mktemp -d)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
drive_home "$work"
app=""
cleanup() {
  [ -n "$app" ] && kill -KILL "$app" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { drive_fail "applications" "$@"; }
count() { xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l; }

expect=any
grep -q ':memory:' /proc/self/cgroup && expect=unavailable

xsession_bus
xsession_start "$work" openbox
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
xsession_pids+=($!)
xsession_until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress ||
  fail "the accessibility bus did not start"
dbus-send --session --type=method_call --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
  string:org.a11y.Status string:IsEnabled variant:boolean:true

"$exe" 2>>"$work/stderr" &
app=$!
main=$(drive_window '^Kestrune$') || fail "no main window"

xdotool windowactivate --sync "$main" key --delay 150 alt+e a
win=$(drive_window '^Applications$') || fail "Alt+E, A opened no Applications window"
/usr/bin/python3 "$here/a11y_tree.py" applications "$expect" || fail "the Applications window's names and states"
# Asked again while it is open: the same window comes to the front.
xdotool windowactivate --sync "$main" key --delay 150 alt+e a
sleep 0.5
[ "$(count '^Applications$')" -eq 1 ] || fail "a second Applications window opened"
xdotool windowactivate --sync "$win" key Escape
drive_gone '^Applications$' || fail "Escape did not close the Applications window"

xdotool windowactivate --sync "$main" key --delay 150 alt+e a
win=$(drive_window '^Applications$') || fail "Alt+E, A did not open the Applications window again"
sleep 0.3
drive_click "$win" 511 399  # Close
drive_gone '^Applications$' || fail "its Close button did not close the Applications window"

# The rest is as it was: the Scheduler opens from the same menu.
xdotool windowactivate --sync "$main" key --delay 150 alt+e s
scheduler=$(drive_window '^Scheduler$') || fail "Alt+E, S opened no Scheduler"
xdotool windowactivate --sync "$scheduler" key Escape
drive_gone '^Scheduler$' || fail "Escape did not close the Scheduler"

xdotool windowactivate --sync "$main" key --delay 150 alt+f x
rc=0
for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
drive_alive "$app" && fail "Alt+F, X did not end the program"
wait "$app" || rc=$?
app=""
[ $rc -eq 0 ] || fail "Alt+F, X: exit status $rc"
echo "applications: opened once by Alt+E A ($expect here), closed by Escape and by Close; exit 0"
