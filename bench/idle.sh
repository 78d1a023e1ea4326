#!/usr/bin/env bash
# Idle CPU and resident memory of the real program with its main window shown
# under a private Xvfb.   usage: bench/idle.sh [EXECUTABLE] [SECONDS]
# Targets: at most 0.2 % of one core, at most 45 MB resident.
set -euo pipefail
exe=${1:-build/app/kestrune}
secs=${2:-30}
for d in $(seq 90 99); do [ -e /tmp/.X11-unix/X$d ] || [ -e /tmp/.X$d-lock ] || break; done
Xvfb :$d -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xpid=$!
store=$(mktemp -d)
cleanup() { kill "${apid:-}" 2>/dev/null || true; kill $xpid 2>/dev/null || true; rm -rf "$store"; }
trap cleanup EXIT
export DISPLAY=:$d
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$d ] && break; sleep 0.1; done
KESTRUNE_REGISTRY=$store/registry.sqlite3 "$exe" &
apid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 3  # let start-up settle
ticks() { awk '{print $14 + $15}' /proc/$apid/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
sleep "$secs"
t1=$(ticks)
rss=$(awk '/^VmRSS/ {print $2}' /proc/$apid/status)
hwm=$(awk '/^VmHWM/ {print $2}' /proc/$apid/status)
awk -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$secs" -v rss="$rss" -v hwm="$hwm" 'BEGIN {
  printf "idle CPU over %d s: %.3f %% of one core (target <= 0.2 %%)\n", s, (b - a) / hz / s * 100
  printf "resident memory: %.1f MB now, %.1f MB peak (target <= 45 MB)\n", rss / 1024, hwm / 1024 }'
