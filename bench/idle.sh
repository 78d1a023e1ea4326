#!/usr/bin/env bash
# Idle CPU and resident memory of the real program under a private Xvfb, with
# its main window shown, or minimised to a system tray (openbox and trayer).
#   usage: bench/idle.sh [EXECUTABLE] [SECONDS] [shown|tray]
# Targets: at most 0.2 % of one core, at most 45 MB resident.
set -euo pipefail
exe=${1:-build/app/kestrune}
secs=${2:-30}
mode=${3:-shown}
. "$(dirname "${BASH_SOURCE[0]}")/../tests/support/xsession.sh"
store=$(mktemp -d)
cleanup() { kill "${apid:-}" 2>/dev/null || true; xsession_stop; rm -rf "$store"; }
trap cleanup EXIT
if [ "$mode" = tray ]; then
  xsession_have openbox trayer wmctrl || { echo "tray mode needs openbox, trayer and wmctrl" >&2; exit 2; }
  xsession_start "$store" openbox trayer
else
  xsession_start "$store"
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
