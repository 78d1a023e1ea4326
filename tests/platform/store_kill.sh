#!/usr/bin/env bash
# Black-box: the store survives the program killed while the Scheduler
# saves. Each round starts the program on the same store, opens Edit >
# Scheduler and presses Schedule a few times a second, as a person would;
# at a random moment it counts the entries the store holds (each was
# acknowledged: committed, seen by another reader) and sends SIGKILL. After
# every round the store passes PRAGMA integrity_check and still holds at
# least every entry counted.
#   usage: store_kill.sh EXECUTABLE [ROUNDS]
set -euo pipefail
exe=$1
rounds=${2:-20}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/blackbox.sh"
fail() { drive_fail store_kill "$@"; }
store=$KESTRUNE_REGISTRY
entries() {
  sqlite3 "$store" "SELECT count(*) FROM registry_values v JOIN registry_keys k ON k.id = v.key
    WHERE k.path = 'SOFTWARE\Tarnwick Technologies\Orbenfold\KestrunePlugin\SCHENT'" 2>/dev/null || echo 0
}

xsession_start "$work" openbox
RANDOM=$$
killedMidway=0
for round in $(seq "$rounds"); do
  : >"$work/stderr"
  "$exe" 2>>"$work/stderr" &
  app=$!
  main=$(drive_window '^Kestrune$' 30) || fail "round $round: no main window"
  xdotool windowactivate --sync "$main" key --delay 150 alt+e s  # Edit > Scheduler
  scheduler=$(drive_window '^Scheduler$') || fail "round $round: Edit > Scheduler opened nothing"
  presses=$((2 + RANDOM % 8))
  for _ in $(seq "$presses"); do
    xdotool windowactivate "$scheduler" key alt+s 2>/dev/null || true  # Schedule
    sleep 0.$((2 + RANDOM % 3))
  done
  # The kill comes at a random moment of one more press's save.
  xdotool windowactivate "$scheduler" key alt+s 2>/dev/null || true
  sleep "0.0$((RANDOM % 10))"
  acknowledged=$(entries)
  kill -KILL "$app"
  wait "$app" 2>/dev/null || true
  app=""
  check=$(sqlite3 "$store" "PRAGMA integrity_check")
  [ "$check" = ok ] || fail "round $round: integrity_check: $check"
  now=$(entries)
  [ "$now" -ge "$acknowledged" ] || fail "round $round: $acknowledged entries were stored before the kill, $now after"
  [ "$now" -gt "$acknowledged" ] && killedMidway=$((killedMidway + 1))
  [ -z "$(grep -v '^Error in readString' "$work/stderr" | tr -d '\n')" ] || fail "round $round: the program said: $(cat "$work/stderr")"
done
echo "store_kill: $rounds rounds killed while saving (in $killedMidway the last save was committed as the kill came): integrity ok, $(entries) entries, none lost"
