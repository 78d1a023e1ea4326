#!/usr/bin/env bash
# Idle CPU of kestrune.exe under Wine, against a bare one-button Win32
# program (bare_window.exe, built beside it) that runs in the same session
# at the same time: both under one wineserver, on a private Xvfb with
# openbox, in a fresh prefix. Its main window shown, or minimised to the
# tray (trayer hosts Wine's tray icons).
#   usage: bench/idle-wine.sh [KESTRUNE_EXE] [SECONDS] [shown|tray] [ROUNDS]
# Prints, for each round of SECONDS, the clock ticks (1/CLK_TCK s of user
# and system time) each process took: kestrune.exe, bare_window.exe and
# wineserver. IDLE_THREADS=1 also prints kestrune.exe's threads that took any.
# Target: kestrune.exe within 2 ticks of the bare program in 30 s.
set -euo pipefail
exe=$(realpath "${1:-build-windows-i686/app/kestrune.exe}")
secs=${2:-30}
mode=${3:-shown}
rounds=${4:-1}
bare=$(realpath "$(dirname "$exe")/../bench/win32/bare_window.exe")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../tests/support/xsession.sh"
[ -f "$bare" ] || { echo "no $bare: build the bare_window target" >&2; exit 2; }
case $mode in shown | tray) ;; *) echo "usage: idle-wine.sh [KESTRUNE_EXE] [SECONDS] [shown|tray] [ROUNDS]" >&2; exit 2 ;; esac

# The loader for the program's width: a PE32+ header (machine 0x8664) is 64-bit.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')
if [ "$machine" = 8664 ]; then wine=/usr/lib/wine/wine64; arch=win64; else wine=/usr/lib/wine/wine; arch=win32; fi
wine=${KESTRUNE_WINE:-$wine}

work=$(mktemp -d)
# No Mono or Gecko, and no menu builder: nothing is written outside the prefix.
export WINEPREFIX=$work/prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
if [ "$mode" = tray ]; then
  xsession_have openbox trayer wmctrl xdotool || { echo "tray mode needs openbox, trayer, wmctrl and xdotool" >&2; exit 2; }
  xsession_start "$work" openbox trayer
else
  xsession_have openbox wmctrl xdotool || { echo "needs openbox, wmctrl and xdotool" >&2; exit 2; }
  xsession_start "$work" openbox
fi
"$wine" wineboot -i >"$work/wineboot.log" 2>&1

window() { xsession_until xdotool search --onlyvisible --name "$1" && xdotool search --onlyvisible --name "$1" | tail -n 1; }
"$wine" "$bare" >/dev/null 2>&1 &
"$wine" "$exe" >/dev/null 2>&1 &
window '^Bare window$' >/dev/null || { echo "the bare window did not come up" >&2; exit 1; }
main=$(window '^Kestrune$') || { echo "the Kestrune window did not come up" >&2; exit 1; }
if [ "$mode" = tray ]; then
  sleep 2
  xdotool windowminimize "$main"
  sleep 1
  xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && { echo "the window did not go to the tray" >&2; exit 1; }
fi
sleep 5 # start-up settles

# This prefix's processes only: other prefixes may be running programs of the same names.
ours() {
  local p
  for p in $(pgrep -x "$1"); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return 0; }
  done
  echo "no $1 of this prefix is running" >&2
  return 1
}
program=$(ours kestrune.exe)
baseline=$(ours bare_window.exe)
server=$(ours 'wineserver(32|64)?')
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
threads() { for t in /proc/"$program"/task/*; do echo "${t##*/} $(awk '{print $14 + $15}' "$t/stat") $(cat "$t/comm")"; done; }
hz=$(getconf CLK_TCK)
for ((round = 1; round <= rounds; round++)); do
  p0=$(ticks "$program") b0=$(ticks "$baseline") s0=$(ticks "$server")
  threads >"$work/threads0"
  if command -v perf >/dev/null && perf stat -e task-clock true >/dev/null 2>&1; then
    # Exact CPU time besides the ticks, where perf can count it.
    perf stat -e task-clock -p "$program" -x, -o "$work/perf.kestrune.exe" -- sleep "$secs" >/dev/null 2>&1 &
    local_perf=$!
    perf stat -e task-clock -p "$baseline" -x, -o "$work/perf.bare_window.exe" -- sleep "$secs" >/dev/null 2>&1 || true
    wait "$local_perf" || true
  else
    sleep "$secs"
  fi
  p1=$(ticks "$program") b1=$(ticks "$baseline") s1=$(ticks "$server")
  echo "idle over $secs s ($mode, $arch, $hz ticks a second): kestrune.exe $((p1 - p0)), bare_window.exe $((b1 - b0)), wineserver $((s1 - s0)) ticks"
  for f in "$work"/perf.*; do
    [ -s "$f" ] && awk -F, -v who="${f##*/perf.}" '/task-clock/ { printf "  CPU time (perf task-clock): %s %.1f ms\n", who, $1 }' "$f"
    rm -f "$f"
  done
  if [ "${IDLE_THREADS:-0}" = 1 ]; then
    threads | awk 'NR == FNR { a[$1] = $2; next } ($1 in a) && $2 > a[$1] { printf "  thread %s (%s): %d ticks\n", $1, $3, $2 - a[$1] }' "$work/threads0" -
  fi
done
echo "resident: kestrune.exe $(awk '/^VmRSS/ {print $2}' "/proc/$program/status") kB, bare_window.exe $(awk '/^VmRSS/ {print $2}' "/proc/$baseline/status") kB"
