#!/usr/bin/env bash
# Black-box run of the real program under a private Xvfb: schedule the
# default daily entry through the Scheduler window, exit, start again, find
# the entry listed (select its row and remove it), exit. Every exit must be 0.
# Controls are found by their accessible role and name on the AT-SPI bus.
#   usage: smoke.sh EXECUTABLE [SCREENSHOT_DIR]
# With KESTRUNE_SMOKE_DEFAULT_STORE=1 the program keeps its store where it
# would for a user ($XDG_DATA_HOME), in a temporary home.
set -euo pipefail
exe=$1
shots=${2:-}
work=$(mktemp -d)
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
if [ "${KESTRUNE_SMOKE_DEFAULT_STORE:-0}" = 1 ]; then
  unset KESTRUNE_REGISTRY
  store=$XDG_DATA_HOME/kestrune/registry.sqlite3
else
  export KESTRUNE_REGISTRY=$work/registry.sqlite3
  store=$KESTRUNE_REGISTRY
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
app=""
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
xsession_start "$work"

fail() { drive_fail smoke "$@"; }
xsession_a11y || fail "the accessibility bus did not start"

entries() {
  sqlite3 -separator '=' "$store" "SELECT v.name, CAST(rtrim(v.data, x'00') AS TEXT) FROM registry_values v JOIN registry_keys k ON k.id = v.key WHERE k.hive = 2147483650 AND k.path = 'SOFTWARE\Tarnwick Technologies\Orbenfold\KestrunePlugin\SCHENT' ORDER BY v.seq" 2>/dev/null
}
start() {
  "$exe" 2>>"$work/stderr" &
  app=$!
  drive_window '^Kestrune$' >/dev/null || fail "no window titled Kestrune within 10 s"
}
openScheduler() {
  drive_menu Scheduler
  drive_window '^Scheduler$' >/dev/null || fail "Edit > Scheduler opened no Scheduler window"
}
stop() {
  drive_menu Exit
  local rc=0
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "the program exited with $rc"
}

start
openScheduler
drive_press Scheduler "push button" Schedule  # in the daily panel, as it opens
drive_press Scheduler "push button" Close
drive_gone '^Scheduler$' || fail "Close did not close the Scheduler"
[ "$(entries)" = "0=R 10 0 every day 0 0 0" ] || fail "the default daily entry was not stored (store holds: $(entries))"
stop

start
openScheduler
[ -n "$shots" ] && import -window root "$shots/smoke-scheduler.png"
drive_select Scheduler tree "Scheduled tasks" 0
drive_press Scheduler "push button" Remove  # only a listed, selected row can be removed
[ -z "$(entries)" ] || fail "the stored entry was not listed after the restart"
drive_press Scheduler "push button" Close
stop
echo "smoke: passed (store at $store)"
