#!/usr/bin/env bash
# Idle CPU, wake-ups and resident memory of the real program under a private
# Xvfb: its main window shown, minimised to a system tray (openbox and
# trayer), or with a finished scrub's window left open; with no session bus
# (plain), with the session bus and the accessibility bus every GNOME or KDE
# desktop runs (bus, at-spi2-core), or with accessibility switched on there,
# as for a screen reader (a11y).
#   usage: bench/idle.sh [EXECUTABLE] [SECONDS] [shown|tray|scrubbed] [plain|bus|a11y]
# IDLE_THREADS=1 also prints each thread's share. For the same figures as
# ratios against a bare Qt window that shows what the main window shows, in
# the same session, with start-up and the Applications window: bench/versus.sh.
# Targets: at most 0.1 % of one core plain, 0.15 % with the accessibility
# bus, 0.2 % with a finished scrub; at most 45 MB resident.
set -euo pipefail
exe=$(realpath "${1:-build/app/kestrune}")
secs=${2:-30}
mode=${3:-shown}
bus=${4:-plain}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../tests/support/xsession.sh"
. "$here/../tests/support/drive.sh"
store=$(mktemp -d)
busd=""
cleanup() {
  kill "${apid:-}" 2>/dev/null || true
  xsession_stop
  [ -z "$busd" ] || kill "$busd" 2>/dev/null || true
  rm -rf "$store"
}
trap cleanup EXIT
export HOME=$store XDG_RUNTIME_DIR=$store KESTRUNE_REGISTRY=$store/registry.sqlite3
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
case $bus in
  plain) ;;
  bus|a11y)
    launcher=/usr/libexec/at-spi-bus-launcher
    { [ -x "$launcher" ] && xsession_have dbus-daemon; } || { echo "a11y needs at-spi2-core and dbus" >&2; exit 2; }
    eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
      read -r a; read -r p; echo "export DBUS_SESSION_BUS_ADDRESS='$a'; busd=$p"; })"
    ;;
  *) echo "usage: idle.sh [EXECUTABLE] [SECONDS] [shown|tray|scrubbed] [plain|bus|a11y]" >&2; exit 2 ;;
esac
case $mode in
  tray)
    xsession_have openbox trayer wmctrl || { echo "tray mode needs openbox, trayer and wmctrl" >&2; exit 2; }
    xsession_start "$store" openbox trayer
    ;;
  shown|scrubbed) xsession_start "$store" ;;
  *) echo "usage: idle.sh [EXECUTABLE] [SECONDS] [shown|tray|scrubbed] [plain|bus|a11y]" >&2; exit 2 ;;
esac
# On the session bus of the X session, as a desktop starts it.
if [ "$bus" != plain ]; then
  "$launcher" --launch-immediately >/dev/null 2>&1 &
  xsession_pids+=($!)
  sleep 1
fi
if [ "$bus" = a11y ]; then
  dbus-send --session --type=method_call --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true
fi

# A small address space keeps a scrub to seconds, not minutes.
(ulimit -v 3000000; exec "$exe") 2>/dev/null &
apid=$!
main=$(drive_window '^Kestrune$') || { echo "no main window" >&2; exit 1; }
case $mode in
  tray)
    sleep 2
    xdotool windowminimize "$main"
    sleep 1
    xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && { echo "the window did not go to the tray" >&2; exit 1; }
    ;;
  scrubbed)
    sleep 2
    drive_scrub "$main" "$apid" >/dev/null || exit 1
    ;;
esac
sleep 3  # let start-up settle
label="$mode, $bus"
# Per thread, so a pool thread that ends during the run does not count.
switches() { for t in "/proc/$apid/task/"*; do echo "${t##*/} $(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"; done; }
ticks() { awk '{print $14 + $15}' /proc/$apid/stat; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
switches >"$store/switches0"
if command -v perf >/dev/null && perf stat -e task-clock true >/dev/null 2>&1; then
  # Exact CPU time, where perf can count it; the tick figure is only as fine as 1/CLK_TCK.
  perf stat --per-thread -e task-clock -p "$apid" -x, -o "$store/perf" -- sleep "$secs" >/dev/null 2>&1 || true
  ms=$(awk -F, '/task-clock/ && $2 + 0 > 0 { n += $2 } END { if (n) print n }' "$store/perf")
  # IDLE_THREADS=1: where that time went, thread by thread.
  [ "${IDLE_THREADS:-0}" = 1 ] && awk -F, '/task-clock/ && $2 + 0 > 0 { printf "  %-28s %8.2f ms\n", $1, $2 }' "$store/perf" | sort -k2 -n -r
  [ -n "$ms" ] && awk -v ms="$ms" -v s="$secs" -v m="$label" 'BEGIN {
    printf "idle CPU over %d s (%s, perf task-clock): %.3f %% of one core\n", s, m, ms / 10 / s }'
else
  sleep "$secs"
fi
t1=$(ticks)
switches >"$store/switches1"
woken=$(awk 'NR == FNR { a[$1] = $2; next } $1 in a { n += $2 - a[$1] } END { print n + 0 }' "$store/switches0" "$store/switches1")
rss=$(awk '/^VmRSS/ {print $2}' /proc/$apid/status)
hwm=$(awk '/^VmHWM/ {print $2}' /proc/$apid/status)
awk -v m="$label" -v a="$t0" -v b="$t1" -v hz="$hz" -v s="$secs" -v rss="$rss" -v hwm="$hwm" -v w="$woken" 'BEGIN {
  printf "idle CPU over %d s (%s, clock ticks): %.3f %% of one core\n", s, m, (b - a) / hz / s * 100
  printf "wake-ups (voluntary switches, all threads): %.1f a second\n", w / s
  printf "resident memory: %.1f MB now, %.1f MB peak (target <= 45 MB)\n", rss / 1024, hwm / 1024 }'
