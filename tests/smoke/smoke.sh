#!/usr/bin/env bash
# Black-box run of the real program under a private Xvfb: schedule the
# default daily entry through the Scheduler window, exit, start again, find
# the entry listed (select its row and remove it), exit. Every exit must be 0.
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
app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
xsession_start "$work"

# On failure, what the program itself said and how it ended.
fail() {
  echo "smoke: $*" >&2
  if [ -n "$app" ] && ! kill -0 "$app" 2>/dev/null; then
    local rc=0
    wait "$app" || rc=$?
    echo "smoke: the program had exited with status $rc" >&2
    app=""
  fi
  if [ -s "$work/stderr" ]; then
    echo "smoke: the program's standard error:" >&2
    sed 's/^/  /' "$work/stderr" >&2
  fi
  exit 1
}

# Waits for a visible window whose title matches; prints its id.
window() {
  local id=""
  for _ in $(seq 200); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}
# Clicks at x,y inside a window's client area.
click() {
  local id=$1 x=$2 y=$3
  eval "$(xdotool getwindowgeometry --shell "$id")"
  xdotool mousemove $((X + x)) $((Y + y)) click 1
  sleep 0.3
  [ -n "${SMOKE_DEBUG:-}" ] && import -window root "$SMOKE_DEBUG/click-$x-$y.png" || true
}
entries() {
  sqlite3 -separator '=' "$store" "SELECT v.name, CAST(rtrim(v.data, x'00') AS TEXT) FROM registry_values v JOIN registry_keys k ON k.id = v.key WHERE k.hive = 2147483650 AND k.path = 'SOFTWARE\Tarnwick Technologies\Orbenfold\KestrunePlugin\SCHENT' ORDER BY v.seq" 2>/dev/null
}
start() {
  "$exe" 2>>"$work/stderr" &
  app=$!
  main=$(window '^Kestrune$') || fail "no window titled Kestrune within 10 s"
}
openScheduler() {
  click "$main" 52 11   # Edit
  click "$main" 62 34   # Scheduler
  scheduler=$(window '^Scheduler$') || fail "Edit > Scheduler opened no Scheduler window"
}
stop() {
  click "$main" 17 11   # File
  click "$main" 30 34   # Exit
  local rc=0
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "the program exited with $rc"
}

start
openScheduler
click "$scheduler" 628 63   # "Schedule" in the daily panel, as it opens
click "$scheduler" 636 320  # Close
[ "$(entries)" = "0=R 10 0 every day 0 0 0" ] || fail "the default daily entry was not stored (store holds: $(entries))"
stop

start
openScheduler
[ -n "$shots" ] && import -window root "$shots/smoke-scheduler.png"
click "$scheduler" 60 150   # the first row of the list
click "$scheduler" 64 320   # Remove: only a listed, selected row can be removed
[ -z "$(entries)" ] || fail "the stored entry was not listed after the restart"
click "$scheduler" 636 320
stop
echo "smoke: passed (store at $store)"
