#!/usr/bin/env bash
# Runs nobody starts by hand, on a private X desktop with a session bus, a
# stand-in notification service (notices.py, Debian's own Python) and the
# accessibility bus, on which the controls are pressed by name:
#   usage: unattended.sh EXECUTABLE CASE
#   recover       kestrune --recover runs Recover Memory to its "Complete"
#                 box; OK ends the program with 0, and no notice is sent
#   scrub         kestrune --scrub opens the scrub window running; Stop, then
#                 Close once the summary is there, ends the program with 0
#   load-trigger  a "By load" entry made in the Scheduler above 1 % starts
#                 Recover Memory within a pass, the notice says so, the
#                 cooldown holds it off, and File > Exit ends with 0
# The program runs in 3 GB of address space so that a recovery takes moments.
set -euo pipefail
exe=$1
case=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/blackbox.sh"
fail() { drive_fail "unattended $case" "$@"; }
note() { echo "unattended $case: $*"; }
notices=$work/notices.log
: >"$notices"

blackbox_desktop
/usr/bin/python3 "$here/notices.py" "$notices" 2>>"$work/stderr" &
xsession_pids+=($!)
xsession_until dbus-send --session --print-reply --dest=org.freedesktop.Notifications \
  /org/freedesktop/Notifications org.freedesktop.Notifications.GetCapabilities ||
  fail "the stand-in notification service did not start"

launch() { (ulimit -v 3000000; exec "$exe" "$@") 2>>"$work/stderr" & app=$!; }
# The program ends within 10 s with 0.
expectExit() {
  local rc=0
  for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
  drive_alive "$app" && fail "$1: still running after 10 s"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$1: exited with $rc"
  note "$1: exit 0"
}
loadTriggers() {
  sqlite3 "$KESTRUNE_REGISTRY" "SELECT CAST(rtrim(v.data, x'00') AS TEXT) FROM registry_values v
    JOIN registry_keys k ON k.id = v.key WHERE k.path = 'SOFTWARE\Tarnwick Technologies\Orbenfold\KestrunePlugin\SCHENT_LOAD'"
}

case $case in
  recover)
    launch --recover
    box=$(drive_window '^Complete$' 90) || fail "--recover: no Complete box within 90 s"
    sleep 1
    drive_alive "$app" || fail "--recover: ended before its box was dismissed"
    xdotool windowactivate --sync "$box" key Return
    expectExit "--recover, then OK"
    [ ! -s "$notices" ] || fail "--recover sent a notice for a run a person asked for: $(cat "$notices")"
    ;;

  scrub)
    launch --scrub
    drive_window '^Memory Defragmenter$' >/dev/null || fail "--scrub: no scrub window"
    # The one button: Stop first, disabled while it stops, then Close once
    # the summary is written; the program ends with the window.
    drive_scrub_close || fail "--scrub: Close did not close the scrub window"
    expectExit "--scrub, then Close"
    ;;

  load-trigger)
    # An idle machine with much memory may stand at 1 %: 2 GB held elsewhere
    # puts the load clearly above the trigger's.
    /usr/bin/python3 -c 'import time; held = bytes([1]) * (2 << 30); time.sleep(600)' &
    xsession_pids+=($!)
    launch
    drive_window '^Kestrune$' >/dev/null || fail "no main window"
    drive_menu Scheduler
    drive_window '^Scheduler$' >/dev/null || fail "Edit > Scheduler opened nothing"
    drive_press Scheduler "radio button" "By load"
    drive_type Scheduler "spin button" "Memory load, per cent" 1
    drive_press Scheduler "push button" Schedule
    [ "$(loadTriggers)" = "R 1 30 0" ] || fail "the Scheduler stored \"$(loadTriggers)\", not \"R 1 30 0\""
    drive_press Scheduler "push button" Close
    drive_gone '^Scheduler$' || fail "the Scheduler did not close"
    box=$(drive_window '^Complete$' 90) || fail "the load trigger started no recovery within 90 s"
    xdotool windowactivate --sync "$box" key Return
    for _ in $(seq 50); do [ -s "$notices" ] && break; sleep 0.1; done
    grep -q $'^Recover Memory\tRun because the memory load exceeded 1 %. ' "$notices" ||
      fail "no notice of the triggered recovery: $(cat "$notices")"
    case $(loadTriggers) in "R 1 30 0" | "") fail "the run was not stamped: \"$(loadTriggers)\"" ;; esac
    note "ran and told: $(head -n 1 "$notices" | tr '\t' ' ')"
    # Three more passes inside the cooldown start nothing.
    sleep 32
    xdotool search --onlyvisible --name '^Complete$' >/dev/null 2>&1 && fail "the trigger ran again inside its cooldown"
    [ "$(wc -l <"$notices")" -eq 1 ] || fail "more than one notice: $(cat "$notices")"
    drive_menu Exit
    expectExit "File > Exit"
    ;;

  *) echo "unknown case $case" >&2; exit 2 ;;
esac
