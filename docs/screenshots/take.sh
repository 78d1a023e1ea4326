#!/usr/bin/env bash
# Takes the README's screenshots of every window under a private Xvfb, with
# openbox for window frames and trayer for a system tray when installed.
#   usage: docs/screenshots/take.sh [EXECUTABLE] [FOLDER]
# Saves into FOLDER (this folder by default). The clicks follow
# QT_SCALE_FACTOR, so a larger scale can be looked at the same way. With
# qt6ct installed it also takes the main window at desktop fonts of 9, 11, 14
# and 20 points, every window at 20 points (into FOLDER/20pt), and the
# Scheduler fitted to the screen at twice the size.
# Each shot is taken once its window shows what its caption says (the scrub's
# summary once its button reads "Close"), read from the accessibility bus;
# a window that never gets there fails the run.
# Needs: xvfb xdotool imagemagick at-spi2-core python3-pyatspi (openbox,
# trayer and qt6ct optional).
set -euo pipefail
exe=$(realpath "${1:-build/app/kestrune}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(mkdir -p "${2:-$here}" && cd "${2:-$here}" && pwd)
scale=${QT_SCALE_FACTOR:-1}
work=$(mktemp -d)
. "$here/../../tests/support/xsession.sh"
. "$here/../../tests/support/drive.sh"
fail() { echo "take.sh: $*" >&2; exit 1; }
export HOME=$work XDG_RUNTIME_DIR=$work KESTRUNE_REGISTRY=$work/registry.sqlite3
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; xsession_stop; rm -rf "$work"' EXIT
helpers=()
xsession_have openbox wmctrl && helpers+=(openbox)
xsession_have trayer && helpers+=(trayer)
xsession_start "$work" "${helpers[@]}"
xsession_a11y

window() { for _ in $(seq 200); do id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1); [ -n "$id" ] && { echo "$id"; return; }; sleep 0.05; done; return 1; }
# The client area's place on the screen (xdotool's figure is off under some window managers).
origin() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print "X=" x " Y=" y}'; }
scaled() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s }'; }
client() { eval "$(origin "$1")"; xdotool mousemove $((X + $(scaled "$2"))) $((Y + $(scaled "$3"))) click 1; sleep 0.4; }
shot() { import -window "$1" -frame "$out/$2.png" 2>/dev/null || import -window "$1" "$out/$2.png"; echo "saved $2.png"; }

# Ends the copy last started, as logging out does (File > Exit's way), and
# waits for it to go.
quit() { kill "${pids[-1]}" 2>/dev/null || true; wait "${pids[-1]}" 2>/dev/null || true; }

# The main window as a user starts it: no limit on its address space, so
# "Virtual Memory" shows the 128 TiB a 64-bit process has.
"$exe" 2>/dev/null &
pids+=($!)
main=$(window '^Kestrune$')
sleep 6
shot "$main" main-window
quit

# The user's desktop font, as qt6ct gives it to Qt.
if [ -e /usr/lib/x86_64-linux-gnu/qt6/plugins/platformthemes/libqt6ct.so ] && [ "$scale" = 1 ]; then
  mkdir -p "$HOME/.config/qt6ct"
  for pt in 9 11 14 20; do
    printf '%s\n' '[Appearance]' 'style=Fusion' '[Fonts]' \
      "general=\"DejaVu Sans,$pt,-1,5,400,0,0,0,0,0,0,0,0,0,0,1\"" >"$HOME/.config/qt6ct/qt6ct.conf"
    QT_QPA_PLATFORMTHEME=qt6ct "$exe" 2>/dev/null &
    pids+=($!)
    main=$(window '^Kestrune$')
    sleep 3
    shot "$main" "main-window-font-${pt}pt"
    quit
  done
  # Every window at 20 points, the whole screen each time, as it stands on
  # this 1280 × 1024 screen; opened and closed from the keyboard.
  mkdir -p "$out/20pt"
  export QT_QPA_PLATFORMTHEME=qt6ct
  printf '%s\n' '[Appearance]' 'style=Fusion' '[Fonts]' \
    'general="DejaVu Sans,20,-1,5,400,0,0,0,0,0,0,0,0,0,0,1"' >"$HOME/.config/qt6ct/qt6ct.conf"
  "$exe" 2>/dev/null &
  pids+=($!)
  main=$(window '^Kestrune$')
  sleep 3
  screen() { import -window root "$out/20pt/$1.png"; echo "saved 20pt/$1.png"; }
  keys() { xdotool windowactivate --sync "$1" key --delay 200 "${@:2}"; sleep 2; }
  screen main-window
  keys "$main" alt+h t
  screen tutorial
  keys "$(window '^Memory Tutorial$')" alt+d
  keys "$main" alt+e s
  screen scheduler
  keys "$(window '^Scheduler$')" alt+c
  keys "$main" alt+e a
  sleep 1
  screen applications
  keys "$(window '^Applications$')" Escape
  keys "$main" alt+s
  drive_pid=${pids[-1]} drive_shows "Memory Defragmenter" "push button" Stop 5
  screen scrub-running
  quit
  unset QT_QPA_PLATFORMTHEME
  rm -rf "$HOME/.config/qt6ct"
  # Twice the size on this 1280 × 1024 screen: the Scheduler is fitted to it.
  QT_SCALE_FACTOR=2 "$exe" 2>/dev/null &
  pids+=($!)
  main=$(window '^Kestrune$')
  sleep 2
  xdotool windowactivate --sync "$main" key --delay 150 alt+e s
  scheduler=$(window '^Scheduler$')
  sleep 1
  shot "$scheduler" scheduler-fitted
  quit
fi

# Small enough that a recovery and a scrub take moments, not minutes.
(ulimit -v 3000000; exec "$exe") 2>/dev/null &
pids+=($!)
main=$(window '^Kestrune$')
sleep 3

client "$main" 88 11; client "$main" 100 34      # Help > Tutorial
tutorial=$(window '^Memory Tutorial$')
sleep 0.5
import -window root "$work/screen.png"
eval "$(origin "$main")"; mx=$X; my=$Y
eval "$(origin "$tutorial")"
tw=$(xwininfo -id "$tutorial" | awk '/Width:/ {print $2}')
th=$(xwininfo -id "$tutorial" | awk '/Height:/ {print $2}')
convert "$work/screen.png" -crop $((X + tw - mx + 12))x$((th + 30))+$((mx - 6))+$((my - 26)) +repage "$out/tutorial.png"
echo "saved tutorial.png"
client "$tutorial" 112 $((80 + 265 + 12))         # Done

client "$main" 52 11; client "$main" 62 34        # Edit > Scheduler
scheduler=$(window '^Scheduler$')
client "$scheduler" 628 63                        # Schedule (daily)
client "$scheduler" 54 28                         # Hourly
client "$scheduler" 628 63
client "$scheduler" 54 103                        # By load
client "$scheduler" 628 63
shot "$scheduler" scheduler
client "$scheduler" 636 320                       # Close

xdotool windowactivate --sync "$main" key --delay 150 alt+e a   # Edit > Applications…
applications=$(window '^Applications$')
sleep 2.5                                         # its figures read once more
shot "$applications" applications
xdotool windowactivate --sync "$applications" key Escape
sleep 0.5

client "$main" 212 360                            # Recover Memory
sleep 5
progress=$(window '^Kestrune$')
shot "$progress" recovery-progress
sleep 19
box=$(window '^Complete$') || fail "the recovery's result box never showed"
shot "$box" recovery-result
xdotool key Return
sleep 1

client "$main" 324 360                            # Scrub Memory
scrub=$(window '^Memory Defragmenter$')
sleep 2
drive_pid=${pids[-1]} drive_shows "Memory Defragmenter" "push button" Stop 5
shot "$scrub" scrub-running
drive_pid=${pids[-1]} drive_shows "Memory Defragmenter" "push button" Close 300
sleep 1
shot "$scrub" scrub-done
