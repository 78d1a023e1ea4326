#!/usr/bin/env bash
# Idle CPU of kestrune.exe under Wine, against a bare one-button Win32
# program (bare_window.exe, built beside it) that runs in the same session
# at the same time: both under one wineserver, on a private Xvfb with
# openbox, in a fresh prefix. Its main window shown, or minimised to the
# tray (trayer hosts Wine's tray icons).
#   usage: bench/idle-wine.sh [KESTRUNE_EXE] [SECONDS] [shown|tray] [ROUNDS]
# Prints, for each round of SECONDS, each process's clock ticks (1/CLK_TCK s
# of user and system time) and its exact CPU time (the scheduler's count of
# its threads' time on a processor): kestrune.exe, bare_window.exe and
# wineserver. IDLE_BESIDE=OTHER_KESTRUNE_EXE runs a second build (say, the
# one before a change) in the same session and measures it the same way, so
# that the two compare within one run. IDLE_THREADS=1 also prints
# kestrune.exe's threads that took any time.
# Target: kestrune.exe within 2 ticks of the bare program in 30 s.
set -euo pipefail
exe=$(realpath "${1:-build-windows-i686/app/kestrune.exe}")
beside=${IDLE_BESIDE:+$(realpath "$IDLE_BESIDE")}
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

# This prefix's processes only: other prefixes may be running programs of the same names.
ours() {
  local p
  for p in $(pgrep -x "$1"); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}
windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null || true; }
# Starts a program and waits for one more window of that name; sets
# started_window and started_pid to the new window and the new process.
started=()
start() {
  local before pid
  before=$(windows "$2" | wc -l)
  "$wine" "$1" >/dev/null 2>&1 &
  xsession_until sh -c "[ \$(xdotool search --onlyvisible --name '$2' 2>/dev/null | wc -l) -gt $before ]" ||
    { echo "the window of ${1##*/} did not come up" >&2; exit 1; }
  for pid in $(ours "$3"); do
    [[ " ${started[*]} " == *" $pid "* ]] && continue
    started+=("$pid") started_pid=$pid started_window=$(windows "$2" | tail -n 1)
    return 0
  done
  echo "no new $3 of this prefix is running" >&2
  exit 1
}
start "$bare" '^Bare window$' bare_window.exe
baseline=$started_pid
start "$exe" '^Kestrune$' kestrune.exe
program=$started_pid
names=(kestrune.exe) pids=("$program") mains=("$started_window")
if [ -n "$beside" ]; then
  start "$beside" '^Kestrune$' kestrune.exe
  names+=("beside") pids+=("$started_pid") mains+=("$started_window")
fi
if [ "$mode" = tray ]; then
  sleep 2
  for w in "${mains[@]}"; do xdotool windowminimize "$w"; done
  sleep 1
  [ -z "$(windows '^Kestrune$')" ] || { echo "a window did not go to the tray" >&2; exit 1; }
fi
sleep 5 # start-up settles

server=$(ours 'wineserver(32|64)?' | head -n 1)
names+=(bare_window.exe wineserver) pids+=("$baseline" "$server")
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Nanoseconds on a processor, summed over the process's threads.
cpu() {
  local t n total=0
  for t in /proc/"$1"/task/*; do
    n=$(cut -d' ' -f1 "$t/schedstat" 2>/dev/null) || n=0
    total=$((total + ${n:-0}))
  done
  echo "$total"
}
threads() { for t in /proc/"$program"/task/*; do echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat") $(cat "$t/comm")"; done; }
hz=$(getconf CLK_TCK)
for ((round = 1; round <= rounds; round++)); do
  t0=() c0=()
  for p in "${pids[@]}"; do t0+=("$(ticks "$p")") c0+=("$(cpu "$p")"); done
  threads >"$work/threads0"
  sleep "$secs"
  ticked="" timed=""
  for i in "${!pids[@]}"; do
    ticked+=" ${names[$i]} $(($(ticks "${pids[$i]}") - t0[i])),"
    timed+=" ${names[$i]} $(awk -v d=$(($(cpu "${pids[$i]}") - c0[i])) 'BEGIN { printf "%.1f", d / 1e6 }') ms,"
  done
  echo "idle over $secs s ($mode, $arch, $hz ticks a second): ticks${ticked%,}; CPU time${timed%,}"
  if [ "${IDLE_THREADS:-0}" = 1 ]; then
    threads | awk 'NR == FNR { a[$1] = $2; next } ($1 in a) && $2 > a[$1] { printf "  thread %s (%s): %.1f ms\n", $1, $3, ($2 - a[$1]) / 1e6 }' "$work/threads0" -
  fi
done
echo "resident: kestrune.exe $(awk '/^VmRSS/ {print $2}' "/proc/$program/status") kB, bare_window.exe $(awk '/^VmRSS/ {print $2}' "/proc/$baseline/status") kB"
