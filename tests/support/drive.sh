# shellcheck shell=bash
# Driving the real program from outside, for the black-box tests and the
# benchmarks; sourced after xsession.sh. Needs xdotool.
#   drive_home DIR                  a private home, runtime folder and store under DIR, exported
#   drive_window PATTERN [SECONDS]  id of a visible window whose title matches (waits 10 s or SECONDS)
#   drive_click ID X Y [BUTTON]     a click at X,Y of the window's client area
#   drive_alive PID                 running, not merely waiting to be reaped
#   drive_fail WHO MESSAGE...       fails the test with what the program said and how it
#                                   ended: $app is its pid (empty once reaped), $work/stderr
#                                   what it wrote
#   drive_rss PID                   resident kB of a process
#   drive_menu MAIN MENU_X ITEM_Y   a menu item of the main window (File 17, Edit 52; first item 34)
#   drive_scrub MAIN PID            Scrub Memory to its summary; prints the scrub window's id
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

drive_menu() {
  drive_click "$1" "$2" 11
  drive_click "$1" $(($2 + 13)) "$3"
}

drive_rss() { awk '/^VmRSS/ {print $2}' "/proc/$1/status" 2>/dev/null; }

# The run claims memory and gives it back (resident memory rises, then falls
# back near where it was), then the map completes and the summary shows;
# "Close" is pressed only after that, and again if it came too early and
# only stopped the animation.
drive_scrub() {
  local main=$1 pid=$2 base rss scrub
  base=$(drive_rss "$pid")
  drive_click "$main" 324 360  # "Scrub Memory"
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
