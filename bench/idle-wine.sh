#!/usr/bin/env bash
# Idle CPU of kestrune.exe under Wine, against a bare Win32 program built
# beside it that runs in the same session at the same time: both under one
# wineserver, on a private Xvfb with openbox, in a fresh prefix. The bare
# program is bare_figures.exe: a window of the main window's size showing
# the same four figures, four bars, scrolling graph and status line from
# GlobalMemoryStatusEx on a one-second timer, with plain GDI.
# IDLE_BARE=window measures against bare_window.exe instead, one button
# that never wakes: the floor of a Wine window. The program's main window
# shown, or minimised to the tray (trayer hosts Wine's tray icons).
#   usage: bench/idle-wine.sh [KESTRUNE_EXE] [SECONDS] [shown|tray] [ROUNDS]
# Defaults: the 32-bit product, 30 s, one round.
# Prints, for each round of SECONDS, each process's clock ticks (1/CLK_TCK s
# of user and system time), its exact CPU time (the scheduler's count of
# its threads' time on a processor) and its wake-ups (voluntary switches of
# the threads that live through the round): kestrune.exe, the bare program
# and wineserver; then the medians of the rounds, resident and anonymous
# memory, and each ratio kestrune.exe / bare, as a markdown table.
# IDLE_BESIDE=OTHER_KESTRUNE_EXE runs a second build (say, the one before a
# change) in the same session and measures it the same way, so that the two
# compare within one run. IDLE_THREADS=1 also prints kestrune.exe's threads
# that took any time.
# Target: kestrune.exe at most 1.2 times the bare figures program.
set -euo pipefail
trap 'echo "idle-wine.sh: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
exe=$(realpath "${1:-build-windows-i686/app/kestrune.exe}")
beside=${IDLE_BESIDE:+$(realpath "$IDLE_BESIDE")}
secs=${2:-30}
mode=${3:-shown}
rounds=${4:-1}
case ${IDLE_BARE:-figures} in
  figures) bare_name=bare_figures.exe bare_title='^Bare figures$' ;;
  window) bare_name=bare_window.exe bare_title='^Bare window$' ;;
  *) echo "IDLE_BARE is figures or window" >&2; exit 2 ;;
esac
bare=$(realpath "$(dirname "$exe")/../bench/win32/$bare_name")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../tests/support/xsession.sh"
[ -f "$bare" ] || { echo "no $bare: build the ${bare_name%.exe} target" >&2; exit 2; }
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
  return 0 # whether or not the last one was ours
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
# A process name as the kernel keeps it: at most 15 characters.
start "$bare" "$bare_title" "${bare_name:0:15}"
baseline=$started_pid bare_window=$started_window
start "$exe" '^Kestrune$' kestrune.exe
program=$started_pid
size() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
echo "client areas: kestrune.exe $(size "$started_window"), $bare_name $(size "$bare_window")"
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
names+=(bare wineserver) pids+=("$baseline" "$server")
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
# One line a thread: its id and its voluntary switches (it waited, then was woken).
switches() { for t in /proc/"$1"/task/*; do echo "${t##*/} $(awk '/^voluntary/ { print $2 }' "$t/status" 2>/dev/null || echo 0)"; done; }
hz=$(getconf CLK_TCK)
: >"$work/results"
for ((round = 1; round <= rounds; round++)); do
  t0=() c0=()
  for i in "${!pids[@]}"; do
    t0+=("$(ticks "${pids[$i]}")") c0+=("$(cpu "${pids[$i]}")")
    switches "${pids[$i]}" >"$work/switches$i"
  done
  threads >"$work/threads0"
  sleep "$secs"
  line=""
  for i in "${!pids[@]}"; do
    tk=$(($(ticks "${pids[$i]}") - t0[i]))
    ms=$(awk -v d=$(($(cpu "${pids[$i]}") - c0[i])) 'BEGIN { printf "%.1f", d / 1e6 }')
    woken=$(switches "${pids[$i]}" | awk -v s="$secs" 'NR == FNR { a[$1] = $2; next } { n += $2 - a[$1] } END { printf "%.2f", n / s }' "$work/switches$i" -)
    echo "$round ${names[$i]} $tk $ms $woken" >>"$work/results"
    line+=" ${names[$i]} $tk ticks, $ms ms, $woken wake-ups/s;"
  done
  echo "round $round, idle over $secs s ($mode, $arch, $hz ticks a second):${line%;}"
  if [ "${IDLE_THREADS:-0}" = 1 ]; then
    threads | awk 'NR == FNR { a[$1] = $2; next } ($1 in a) && $2 > a[$1] { printf "  thread %s (%s): %.1f ms\n", $1, $3, ($2 - a[$1]) / 1e6 }' "$work/threads0" -
  fi
done
kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
echo "resident: kestrune.exe $(kb "$program" VmRSS) kB ($(kb "$program" RssAnon) kB anonymous)," \
  "$bare_name $(kb "$baseline" VmRSS) kB ($(kb "$baseline" RssAnon) kB anonymous)"
# Medians of the rounds, and the ratios to the bare program.
awk -v rounds="$rounds" -v s="$secs" -v arch="$arch" -v bare="$bare_name" \
  -v krss="$(kb "$program" VmRSS)" -v kanon="$(kb "$program" RssAnon)" \
  -v brss="$(kb "$baseline" VmRSS)" -v banon="$(kb "$baseline" RssAnon)" '
  function median(name, col,   a, n, i, j, t) {
    n = 0
    for (i = 1; i <= rounds; ++i) if ((i, name) in seen) a[++n] = v[i, name, col]
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] > a[j]; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
  function row(what, col, fmt, unit,   k, b) {
    k = median("kestrune.exe", col); b = median("bare", col)
    printf "| %s, %s | " fmt "%s | " fmt "%s | **%s** | " fmt "%s |\n", what, arch, k, unit, b, unit, ratio(k, b), median("wineserver", col), unit
  }
  { seen[$1, $2] = 1; v[$1, $2, 3] = $3; v[$1, $2, 4] = $4; v[$1, $2, 5] = $5 }
  END {
    printf "\nmedians of %d rounds of %d s (kestrune.exe / %s, same prefix and wineserver):\n\n", rounds, s, bare
    print "| What | kestrune.exe | " bare " | Ratio (target <= 1.2) | wineserver |"
    print "|---|---|---|---|---|"
    row("Clock ticks in " s " s", 3, "%.1f", "")
    row("CPU time in " s " s", 4, "%.1f", " ms")
    row("Wake-ups", 5, "%.1f", " /s")
    printf "| Resident (VmRSS), %s | %.1f MB | %.1f MB | **%s** | |\n", arch, krss / 1024, brss / 1024, ratio(krss, brss)
    printf "| Anonymous (RssAnon), %s | %.1f MB | %.1f MB | **%s** | |\n", arch, kanon / 1024, banon / 1024, ratio(kanon, banon)
  }' "$work/results"
