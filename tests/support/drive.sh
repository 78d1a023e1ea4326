# shellcheck shell=bash
# Driving the real program from outside, for the black-box tests and the
# benchmarks; sourced after xsession.sh. Needs xdotool.
#   drive_home DIR                  a private home, runtime folder and store under DIR, exported
#   drive_window PATTERN [SECONDS]  id of a visible window whose title matches (waits 10 s or SECONDS)
#   drive_click ID X Y [BUTTON]     a click at X,Y of the window's client area; only for what
#                                   has no accessible name (a window manager's frame, a tray icon)
#   drive_press TITLE ROLE NAME     presses the control of that AT-SPI role and accessible name in
#                                   the window titled TITLE (any window when empty: a popup menu
#                                   has no title) once it is enabled; xsession_a11y first. A control
#                                   not found fails the test through its `fail`, naming it
#   drive_select TITLE ROLE NAME ROW  selects row ROW (from 0) of that list
#   drive_type TITLE ROLE NAME TEXT   replaces that field's text
#   drive_shows TITLE ROLE NAME [SECONDS]  waits (10 s or SECONDS) until that control is shown
#   The program is $drive_pid when set, else $app; empty: any kestrune on the bus.
#   drive_alive PID                 running, not merely waiting to be reaped
#   drive_fail WHO MESSAGE...       fails the test with what the program said and how it
#                                   ended: $app is its pid (empty once reaped), $work/stderr
#                                   what it wrote
#   drive_rss PID                   resident kB of a process
#   drive_menu ITEM                 the main window's menu item of that name ("Scheduler", "Exit")
#   drive_scrub MAIN PID            Scrub Memory to its summary; prints the scrub window's id
#                                   (by its Alt letter where the accessibility bus is off)
#   drive_scrub_close               Stop on the scrub window if it still runs, then Close until
#                                   the window goes (pressed early, Close only ends the map's
#                                   animation)
#   drive_gone PATTERN              waits ~5 s until no visible window's title matches

drive_home() {
  export HOME=$1/home XDG_RUNTIME_DIR=$1/run KESTRUNE_REGISTRY=$1/registry.sqlite3
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
}

drive_window() {
  local id=""
  for _ in $(seq $((${2:-10} * 20))); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}

drive_gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.05
  done
  return 1
}

# xwininfo's position is the client area's, with or without a window
# manager's frame around it (xdotool's is off by the frame under openbox).
drive_click() {
  local id=$1 x=$2 y=$3 button=${4:-1} X Y
  read -r X Y < <(xwininfo -id "$id" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x, y }')
  xdotool mousemove $((X + x)) $((Y + y)) click "$button"
  sleep 0.3
}

drive_atspi() {
  local command=$1 title=$2 role=$3 name=$4 pid=${drive_pid-${app:-}} out; shift 4
  local timeout=${drive_timeout:-10}
  out=$(/usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/atspi_do.py" ${pid:+--pid "$pid"} ${title:+--window "$title"} \
    --timeout "$timeout" "$command" "$role" "$name" "$@" 2>&1) && return 0
  [ -n "${drive_quiet:-}" ] && return 1
  if declare -F fail >/dev/null; then fail "$out"; fi
  echo "$out" >&2
  return 1
}
drive_press() { drive_atspi press "$@"; }
drive_select() { drive_atspi select "$@"; }
drive_type() { drive_atspi set-text "$@"; }
drive_shows() { drive_timeout=${4:-10} drive_atspi wait-for "$1" "$2" "$3"; }

drive_alive() {
  local state
  state=$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

drive_fail() {
  local who=$1 rc=0
  shift
  echo "$who: $*" >&2
  if [ -n "${app:-}" ] && ! drive_alive "$app"; then
    wait "$app" || rc=$?
    echo "$who: the program had exited with status $rc" >&2
    app=""
  fi
  if [ -s "${work:?}/stderr" ]; then
    echo "$who: the program's standard error:" >&2
    sed 's/^/  /' "$work/stderr" >&2
  fi
  exit 1
}

drive_menu() { drive_press Kestrune "menu item" "$1"; }

drive_rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null; }

# The run claims memory and gives it back (resident memory rises, then falls
# back near where it was), then the map completes and the summary shows;
# "Close" is pressed only after that, and again if it came too early and
# only stopped the animation.
drive_scrub() {
  local main=$1 pid=$2 base rss scrub
  base=$(drive_rss "$pid")
  if xsession_a11y_on; then
    drive_pid=$pid drive_press Kestrune "push button" "Scrub Memory" || return 1
  else
    # A benchmark measures the program without the accessibility bridge:
    # the button's letter, which does not move with the layout either.
    xdotool windowfocus --sync "$main" key alt+s  # focus: there may be no window manager
  fi
  scrub=$(drive_window '^Memory Defragmenter$') || { echo "drive: no scrub window" >&2; return 1; }
  for _ in $(seq 1200); do
    rss=$(drive_rss "$pid") || return 1
    [ -n "$rss" ] || { echo "drive: the program ended during the scrub" >&2; return 1; }
    [ "$rss" -gt $((base + 65536)) ] && break
    sleep 0.1
  done
  for _ in $(seq 1800); do
    rss=$(drive_rss "$pid")
    [ -n "$rss" ] || { echo "drive: the program ended during the scrub" >&2; return 1; }
    [ "$rss" -lt $((base + 32768)) ] && break
    sleep 0.1
  done
  [ "$rss" -lt $((base + 32768)) ] || {
    echo "drive: resident memory stayed at $((rss / 1024)) MB after the scrub (was $((base / 1024)) MB)" >&2
    return 1
  }
  sleep 4  # the map completes (at most ~32 steps of 100 ms), then the summary
  echo "$scrub"
}

drive_scrub_close() {
  local i
  drive_quiet=1 drive_timeout=1 drive_press "Memory Defragmenter" "push button" Stop || true
  for i in 1 2 3; do
    # A window that went after the last try's check, on a loaded machine,
    # has no Close left to press: gone is what is asked.
    drive_timeout=60 drive_press "Memory Defragmenter" "push button" Close || {
      drive_gone '^Memory Defragmenter$' && return 0
      # Seen under a tight address-space limit: the window is on the screen
      # but not on the accessibility bus. The keyboard closes it as a user
      # would (Escape on a finished scrub is Close).
      echo "drive: the scrub window is not on the accessibility bus; closing it by Escape" >&2
      xdotool search --onlyvisible --name '^Memory Defragmenter$' windowactivate --sync key Escape 2>/dev/null || true
      drive_gone '^Memory Defragmenter$' && return 0
      return 1
    }
    drive_gone '^Memory Defragmenter$' && return 0
    [ "$i" -lt 3 ] && sleep 4
    # On a loaded machine the window can go after the check above.
    xdotool search --onlyvisible --name '^Memory Defragmenter$' >/dev/null 2>&1 || return 0
  done
  echo "drive: Close did not close the scrub window" >&2
  return 1
}
