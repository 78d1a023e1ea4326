#!/usr/bin/env bash
# Idle CPU and resident memory of the real program under a private Xvfb, with
# its main window shown, or minimised to a system tray (openbox and trayer).
#   usage: bench/idle.sh [EXECUTABLE] [SECONDS] [shown|tray]
# Targets: at most 0.2 % of one core, at most 45 MB resident.
set -euo pipefail
exe=${1:-build/app/kestrune}
secs=${2:-30}
mode=${3:-shown}
for d in $(seq 90 99); do [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ] || break; done
Xvfb :$d -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
helpers=()
store=$(mktemp -d)
cleanup() { kill "${apid:-}" "${helpers[@]}" 2>/dev/null || true; kill $xpid 2>/dev/null || true; rm -rf "$store"; }
trap cleanup EXIT
export DISPLAY=:$d
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$d ] && break; sleep 0.1; done
if [ "$mode" = tray ]; then
  command -v openbox >/dev/null && command -v trayer >/dev/null || { echo "tray mode needs openbox and trayer" >&2; exit 2; }
  openbox >/dev/null 2>&1 & helpers+=($!)
  sleep 1
  trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 & helpers+=($!)
  sleep 1
fi
KESTRUNE_REGISTRY=$store/registry.sqlite3 "$exe" &
apid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && break; sleep 0.1; done
if [ "$mode" = tray ]; then
  sleep 2
  xdotool windowminimize "$(xdotool search --onlyvisible --name '^Kestrune$' | head -n 1)"
  sleep 1
  xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && { echo "the window did not go to the tray" >&2; exit 1; }
fi
sleep 3  # let start-up settle
ticks() { awk '{print $14 + $15}' /proc/$apid/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
if command -v perf >/dev/null && perf stat -e task-clock true >/dev/null 2>&1; then
  # Exact CPU time, where perf can count it; the tick figure is only as fine as 1/CLK_TCK.
  perf stat -e task-clock -p "$apid" -x, -o "$store/perf" -- sleep "$secs" >/dev/null 2>&1 || true
  ms=$(awk -F, '/task-clock/ {print $1}' "$store/perf")
  [ -n "$ms" ] && awk -v ms="$ms" -v s="$secs" -v m="$mode" 'BEGIN {
    printf "idle CPU over %d s (%s, perf task-clock): %.3f %% of one core (target <= 0.2 %%)\n", s, m, ms / 10 / s }'
else
  sleep "$secs"
fi
t1=$(ticks)
rss=$(awk '/^VmRSS/ {print $2}' /proc/$apid/status)
hwm=$(awk '/^VmHWM/ {print $2}' /proc/$apid/status)
awk -v m="$mode" -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$secs" -v rss="$rss" -v hwm="$hwm" 'BEGIN {
  printf "idle CPU over %d s (%s): %.3f %% of one core (target <= 0.2 %%)\n", s, m, (b - a) / hz / s * 100
  printf "resident memory: %.1f MB now, %.1f MB peak (target <= 45 MB)\n", rss / 1024, hwm / 1024 }'
