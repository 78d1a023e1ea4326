#!/usr/bin/env bash
# Black-box runs of the real program on a private X desktop: openbox as the
# window manager, trayer as the tray host where a case needs one.
#   usage: desktop.sh EXECUTABLE CASE
#   tray-exit     the tray menu's Exit ends the program with 0
#   late-tray     a tray that starts after the program gets its icon; the
#                 window minimised into it comes back when the tray goes
#   wm-close      the window manager's close during a recovery and during a
#                 scrub is carried out once the operation is over
#   autostart     the tray menu's "Start Kestrune at login" writes the login
#                 entry and takes it away again
#   minimized     --minimized starts in the tray where there is one (the
#                 tray's icon brings the window back), shown where there is none
#   session-end   SIGTERM, SIGINT and SIGHUP while idle, SIGTERM during a
#                 recovery and during a scrub: exit 0 each time, promptly
#   font          the desktop's font, as qt6ct gives it to Qt: the default
#                 keeps the designed size, 20 points grow the window by 20/9;
#                 at 20 points every window's buttons are within reach
#   fit           at twice the size every window's buttons are within reach
#   display-lost  the X server ends during a scrub and during a recovery: the
#                 toolkit's message and exit 1, promptly, the threads stopped
#                 first (no store connection left open: no -wal left behind)
# Every other exit must be 0. Waits are long enough for a sanitizer build.
set -euo pipefail
exe=$1
case=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/blackbox.sh"

fail() { drive_fail "desktop $case" "$@"; }
note() { echo "desktop $case: $*"; }
ms() { echo $(($(date +%s%N) / 1000000)); }

# within SECONDS COMMAND...: true once the command succeeds in that time.
within() {
  local seconds=$1; shift
  for _ in $(seq $((seconds * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
alive() { drive_alive "$app"; }
dead() { ! alive; }

# Managed windows by title; the main window is the first "Kestrune" (the
# recovery's progress window has the same title).
windows() { wmctrl -l | awk -v t="$1" '{ $1 = $2 = $3 = ""; sub(/^ +/, "") } $0 == t' | wc -l; }
windowId() { wmctrl -l | awk -v t="$1" '{ id = $1; $1 = $2 = $3 = ""; sub(/^ +/, "") } $0 == t { print id; exit }'; }
# shown TITLE N: at least N managed windows with that title.
shown() { [ "$(windows "$1")" -ge "$2" ]; }
# The tray menu open: a third window of the program's, after main and icon.
menuOpen() { [ "$(xdotool search --onlyvisible --class '^kestrune$' | wc -l)" -ge 3 ]; }
mapped() { xwininfo -id "$1" | grep -q IsViewable; }
unmapped() { xwininfo -id "$1" | grep -q IsUnMapped; }
# The tray's icon is no accessible object, only a window docked in the
# panel, and Qt leaves popup menus out of the accessibility tree: the icon is
# clicked in its middle (its window is 22 pixels square whatever the
# program's layout) and its menu is gone through by keyboard. The program's
# own buttons are pressed by name, on the accessibility bus (xsession_a11y).
click() { drive_click "$@"; }
recoverMemory() { drive_press Kestrune "push button" "Recover Memory"; }
scrubMemory() { drive_press Kestrune "push button" "Scrub Memory"; }
trayIcon() {
  local panel
  panel=$(xdotool search --onlyvisible --name '^panel$' | head -n 1)
  [ -n "$panel" ] && xwininfo -tree -id "$panel" | awk '/"Kestrune"/ { print $1; exit }' | grep .
}
committedKB() { awk '/^Committed_AS:/ { print $2 }' /proc/meminfo; }

# inReach WHAT: every window of the program, opened by keyboard, lies within
# the 1280x1024 screen with its buttons, radio buttons and check boxes inside
# it and the window (none cut off or scrolled away), and is closed by its
# Close, Done or Stop from the keyboard.
inReach() {
  local what=$1 id x y w h
  reach() {
    local out
    out=$(/usr/bin/python3 "$here/../support/atspi_do.py" --pid "$app" --window "$1" --timeout 20 within "$2" 1280x1024 2>&1) ||
      fail "$what: $out"
    note "$what: $(echo "$out" | wc -l) ${2}s of $1 in reach"
  }
  onScreen() {
    read -r x y w h < <(xwininfo -id "$2" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
      /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
    { [ "$x" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ "$y" -ge 0 ] && [ $((y + h)) -le 1024 ]; } ||
      fail "$what: $1 (${w}x${h} at $x,$y) is not wholly on the 1280x1024 screen"
    note "$what: $1 ${w}x${h} at $x,$y"
  }
  keys() { xdotool windowactivate --sync "$1" key --delay 150 "${@:2}"; }
  onScreen "the main window" "$main"
  reach Kestrune "push button"
  keys "$main" alt+h t
  id=$(drive_window '^Memory Tutorial$') || fail "$what: Alt+H, T opened no tutorial"
  sleep 1
  onScreen "the tutorial" "$id"
  reach "Memory Tutorial" "push button"
  reach "Memory Tutorial" "check box"
  keys "$id" alt+d
  drive_gone '^Memory Tutorial$' || fail "$what: Alt+D did not close the tutorial"
  keys "$main" alt+e s
  id=$(drive_window '^Scheduler$') || fail "$what: Alt+E, S opened no Scheduler"
  sleep 1
  onScreen "the Scheduler" "$id"
  reach Scheduler "push button"
  reach Scheduler "radio button"
  keys "$id" alt+c
  drive_gone '^Scheduler$' || fail "$what: Alt+C did not close the Scheduler"
  keys "$main" alt+e a
  id=$(drive_window '^Applications$') || fail "$what: Alt+E, A opened no Applications window"
  sleep 1
  onScreen "the Applications window" "$id"
  reach Applications "push button"
  keys "$id" alt+c
  drive_gone '^Applications$' || fail "$what: Alt+C did not close the Applications window"
  keys "$main" alt+s
  id=$(drive_window '^Memory Defragmenter$') || fail "$what: Alt+S opened no scrub window"
  sleep 1
  onScreen "the scrub window" "$id"
  reach "Memory Defragmenter" "push button"
  keys "$id" alt+s  # Stop, then Close once it has stopped
  for _ in $(seq 20); do
    sleep 0.5
    xdotool search --onlyvisible --name '^Memory Defragmenter$' >/dev/null 2>&1 || break
    keys "$id" alt+s 2>/dev/null || true
  done
  drive_gone '^Memory Defragmenter$' || fail "$what: Alt+S did not stop and close the scrub window"
}

start() {
  "$exe" 2>>"$work/stderr" &
  app=$!
  within 30 shown Kestrune 1 || fail "no window titled Kestrune within 30 s"
  main=$(windowId Kestrune)
  within 30 mapped "$main" || fail "the main window was not shown"
}
# The program ends within `seconds` with 0; `since` is when it was asked to.
expectExit() {
  local what=$1 seconds=$2 since=$3 rc=0
  for _ in $(seq $((seconds * 20))); do dead && break; sleep 0.05; done
  alive && fail "$what: still running after $seconds s"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$what: exited with $rc"
  note "$what: exit 0 after $(($(ms) - since)) ms"
}

case $case in
  tray-menu)
    xsession_start "$work" openbox trayer
    start
    within 30 trayIcon || fail "no tray icon docked in the panel"
    entry=$HOME/.config/autostart/kestrune.desktop
    toggle() {
      click "$(trayIcon)" 11 11 3
      within 30 menuOpen || fail "the tray menu did not open"
      # The keys are words of their own.
      # shellcheck disable=SC2086
      xdotool key ${1:-Up Up} Return  # the item above Exit
    }
    # Where the memory controller is on cgroup v1 trimming cannot work, and
    # the menu offers no "Trim Idle Applications" after "Scrub Memory": its
    # fourth item is then this one.
    if grep -q ':memory:' /proc/self/cgroup; then toggle "Down Down Down Down"; else toggle; fi
    within 10 test -f "$entry" || fail "Start Kestrune at login wrote no $entry"
    grep -qx "Exec=$(readlink -f "$exe") --minimized" "$entry" || fail "the login entry does not start $exe minimised: $(cat "$entry")"
    toggle
    within 10 test ! -e "$entry" || fail "Start Kestrune at login, unchecked, left $entry"
    click "$(trayIcon)" 11 11 3
    within 30 menuOpen || fail "the tray menu did not open"
    xdotool key Up Return
    expectExit "tray menu > Exit" 10 "$(ms)"
    ;;

  minimized)
    xsession_start "$work" openbox trayer
    "$exe" --minimized 2>>"$work/stderr" &
    app=$!
    within 30 trayIcon || fail "--minimized: no tray icon docked"
    sleep 1
    main=$(windowId Kestrune)
    [ -z "$main" ] || unmapped "$main" || fail "--minimized: the window is shown beside the tray"
    alive || fail "--minimized: the program ended"
    click "$(trayIcon)" 11 11
    within 30 shown Kestrune 1 || fail "--minimized: the tray icon did not bring the window back"
    main=$(windowId Kestrune)
    within 30 mapped "$main" || fail "--minimized: the window came back unmapped"
    wmctrl -i -c "$main"
    expectExit "close after --minimized" 10 "$(ms)"
    xsession_kill_trayer
    "$exe" --minimized 2>>"$work/stderr" &
    app=$!
    within 30 shown Kestrune 1 || fail "--minimized without a tray: no window"
    main=$(windowId Kestrune)
    wmctrl -i -c "$main"
    expectExit "close after --minimized without a tray" 10 "$(ms)"
    ;;

  late-tray)
    xsession_start "$work" openbox
    start
    xsession_trayer "$work"
    t=$(ms)
    within 30 trayIcon || fail "no tray icon docked when the tray came after the program"
    note "icon docked $(($(ms) - t)) ms after the tray appeared"
    xdotool windowminimize "$main"
    within 30 unmapped "$main" || fail "minimised with a tray, the window did not go to the tray"
    xsession_kill_trayer
    t=$(ms)
    within 30 mapped "$main" || fail "the tray went away and the window hidden in it stayed hidden"
    note "window back $(($(ms) - t)) ms after the tray went"
    wmctrl -i -c "$main"
    expectExit "close" 10 "$(ms)"
    ;;

  wm-close)
    blackbox_desktop
    start
    scrubMemory
    within 30 shown 'Memory Defragmenter' 1 || fail "Scrub Memory opened no scrub window"
    wmctrl -i -c "$main"
    sleep 1
    alive || fail "the close was carried out during the scrub"
    wmctrl -c 'Memory Defragmenter'
    expectExit "close put off by a scrub" 10 "$(ms)"

    start
    recoverMemory
    within 30 shown Kestrune 2 || fail "Recover Memory showed no progress window"
    wmctrl -i -c "$main"
    within 60 shown Complete 1 || fail "no Complete box after the recovery"
    alive || fail "the close was carried out during the recovery"
    xdotool windowactivate --sync "$(windowId Complete)" key Return
    expectExit "close put off by a recovery, after OK" 10 "$(ms)"
    ;;

  session-end)
    blackbox_desktop
    start
    kill -TERM "$app"
    expectExit "SIGTERM while idle" 10 "$(ms)"
    start
    kill -INT "$app"
    expectExit "SIGINT while idle" 10 "$(ms)"
    start
    kill -HUP "$app"  # the terminal it was started from closes
    expectExit "SIGHUP while idle" 10 "$(ms)"

    start
    before=$(committedKB)
    recoverMemory
    within 30 shown Kestrune 2 || fail "Recover Memory showed no progress window"
    sleep 2  # past the first step: the blocks are committed
    during=$(committedKB)
    kill -TERM "$app"
    expectExit "SIGTERM during a recovery" 10 "$(ms)"
    after=$(committedKB)
    note "Committed_AS ${before} kB, ${during} kB during the recovery, ${after} kB after"
    # Other programs commit and return too: only a rise well above their noise says anything.
    if [ $((during - before)) -gt 1048576 ] && [ $((after - before)) -gt $(((during - before) / 2)) ]; then
      fail "the recovery's blocks were not given back"
    fi

    start
    scrubMemory
    within 30 shown 'Memory Defragmenter' 1 || fail "Scrub Memory opened no scrub window"
    sleep 1
    kill -TERM "$app"
    expectExit "SIGTERM during a scrub" 10 "$(ms)"
    ;;

  font)
    xsession_start "$work" openbox
    clientSize() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
    start
    size=$(clientSize "$main")
    [ "$size" = 531x404 ] || fail "at the default font the main window is $size, not 531x404"
    wmctrl -i -c "$main"
    expectExit "close" 10 "$(ms)"
    # The desktop set up with qt6ct and a 20-point font.
    mkdir -p "$HOME/.config/qt6ct"
    printf '%s\n' '[Appearance]' 'style=Fusion' '[Fonts]' \
      'general="DejaVu Sans,20,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' \
      'fixed="DejaVu Sans Mono,20,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' >"$HOME/.config/qt6ct/qt6ct.conf"
    export QT_QPA_PLATFORMTHEME=qt6ct
    xsession_a11y || fail "the accessibility bus did not start"
    start
    size=$(clientSize "$main")
    # 531 × 404 design pixels, times 20/9.
    [ "$size" = 1180x898 ] || fail "at a 20-point font the main window is $size, not 1180x898"
    note "the main window is 531x404 at the default font, $size at 20 points"
    inReach "at 20 points"
    wmctrl -i -c "$main"
    expectExit "close" 10 "$(ms)"
    ;;

  fit)
    blackbox_desktop
    export QT_SCALE_FACTOR=2
    start
    inReach "at twice the size"
    wmctrl -i -c "$main"
    expectExit "close" 10 "$(ms)"
    ;;

  display-lost)
    # Ends when the X server goes: exit 1 with the toolkit's message, and
    # nothing of the program's left running or open.
    lost() {
      local what=$1 since rc=0
      since=$(ms)
      xsession_stop
      for _ in $(seq 200); do dead && break; sleep 0.05; done
      alive && fail "$what: still running 10 s after the X server ended"
      wait "$app" || rc=$?
      app=""
      [ $rc -eq 1 ] || fail "$what: exited with $rc, not 1"
      grep -q 'The X11 connection broke' "$work/stderr" || fail "$what: no word of the broken connection"
      # Every store connection was closed, the schedule thread's too: the
      # last one takes the -wal away.
      [ ! -e "$KESTRUNE_REGISTRY-wal" ] || fail "$what: a store connection was left open (its -wal is there)"
      note "$what: exit 1 after $(($(ms) - since)) ms"
      : >"$work/stderr"
    }
    # A store, so that the schedule thread keeps a connection open to it.
    sqlite3 "$KESTRUNE_REGISTRY" 'PRAGMA journal_mode = WAL' >/dev/null
    blackbox_desktop
    start
    sleep 12  # past the schedule thread's first pass
    scrubMemory
    within 30 shown 'Memory Defragmenter' 1 || fail "Scrub Memory opened no scrub window"
    sleep 1
    lost "during a scrub"

    blackbox_desktop
    start
    sleep 12
    recoverMemory
    within 30 shown Kestrune 2 || fail "Recover Memory showed no progress window"
    sleep 2  # the blocks are committed
    lost "during a recovery"
    ;;

  *) echo "desktop.sh: unknown case $case" >&2; exit 2 ;;
esac
