#!/usr/bin/env bash
# The program and its display, from outside: without a graphical session, or
# with a display nobody serves (an X server, a Wayland socket), or a
# platform it has no plugin for, it says so and exits 1 (never the toolkit's
# abort); a Wayland display nothing answers on beside a working X one: the
# window on X, and SIGTERM ends it with 0; against an Xvfb that resets
# whenever its last client leaves (with another client coming and going all
# the while), every start succeeds.
#   usage: display.sh EXECUTABLE [CYCLES]
set -euo pipefail
exe=$1
cycles=${2:-40}
work=$(mktemp -d)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
drive_home "$work"
app="" prober=""
cleanup() {
  [ -z "$app" ] || kill -KILL "$app" 2>/dev/null || true
  [ -z "$prober" ] || kill "$prober" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() { drive_fail display "$@"; }

# without DISPLAY, and with one no server answers on
expectRefusal() {
  local rc=0 what=$1; shift
  "$@" "$exe" ${platform:+-platform "$platform"} >"$work/out" 2>&1 || rc=$?
  [ "$rc" = 1 ] || fail "$what: exit $rc, not 1"
  [ "$(wc -l <"$work/out")" = 1 ] || fail "$what: not one line"
  grep -q "^Kestrune " "$work/out" || fail "$what: no message of its own"
  echo "display: $what: exit 1, \"$(cat "$work/out")\""
}
# the command line needs no display
rc=0; env -u DISPLAY -u WAYLAND_DISPLAY "$exe" --help >"$work/out" 2>&1 || rc=$?
{ [ "$rc" = 0 ] && grep -q "^Usage: kestrune \[options\]" "$work/out" && grep -q -- "--minimized" "$work/out"; } ||
  fail "--help without a display: exit $rc, $(head -n 1 "$work/out")"
rc=0; env -u DISPLAY "$exe" --version >"$work/out" 2>&1 || rc=$?
{ [ "$rc" = 0 ] && grep -qx "Kestrune [0-9]*\.[0-9]*\.[0-9]*" "$work/out"; } || fail "--version: exit $rc, $(cat "$work/out")"
rc=0; env -u DISPLAY "$exe" --no-such-option >/dev/null 2>"$work/out" || rc=$?
{ [ "$rc" = 2 ] && [ "$(wc -l <"$work/out")" = 2 ] && grep -q "kestrune --help" "$work/out"; } ||
  fail "an unknown option: exit $rc, $(cat "$work/out")"
echo "display: --help, --version and an unknown option without a display: exit 0, 0 and 2"

expectRefusal "no session" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM
expectRefusal "no server" env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb DISPLAY=:1999
expectRefusal "a Wayland display nothing answers on" env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-99
expectRefusal "Wayland asked for, none set" env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=wayland
platform=bogus expectRefusal "-platform bogus" env -u QT_QPA_PLATFORM

xsession_start "$work" resetting
# at the lowest priority, so tests running beside this one are not starved
nice -n 19 bash -c 'while :; do xdpyinfo >/dev/null 2>&1 || true; done' &
prober=$!
for i in $(seq "$cycles"); do
  : >"$work/stderr"
  "$exe" 2>"$work/stderr" &
  app=$!
  # xdotool itself can meet a reset: it is only asked again
  for _ in $(seq 400); do
    xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && break
    drive_alive "$app" || break
    sleep 0.05
  done
  kill -TERM "$app" 2>/dev/null || true
  rc=0
  wait "$app" || rc=$?
  app=""
  [ "$rc" = 0 ] || { cat "$work/stderr" >&2; fail "start $i of $cycles against a resetting server: exit $rc"; }
done
echo "display: $cycles starts against a resetting server, every exit 0"

# A list of platforms: the toolkit takes the first it has a plugin for.
: >"$work/stderr"
env QT_QPA_PLATFORM="bogus;xcb" "$exe" 2>"$work/stderr" &
app=$!
drive_window '^Kestrune$' 30 >/dev/null || fail "QT_QPA_PLATFORM=\"bogus;xcb\": no window"
kill -TERM "$app"
rc=0
wait "$app" || rc=$?
app=""
[ "$rc" = 0 ] || fail "QT_QPA_PLATFORM=\"bogus;xcb\": SIGTERM: exit $rc"
echo "display: QT_QPA_PLATFORM=\"bogus;xcb\": the window on X; SIGTERM: exit 0"

# A Wayland display nothing answers on, beside an X display: the window on X.
: >"$work/stderr"
env -u QT_QPA_PLATFORM WAYLAND_DISPLAY=wayland-99 "$exe" 2>"$work/stderr" &
app=$!
drive_window '^Kestrune$' 30 >/dev/null || fail "a Wayland display nothing answers on, and X: no window on X"
kill -TERM "$app"
for _ in $(seq 100); do drive_alive "$app" || break; sleep 0.05; done
drive_alive "$app" && fail "a Wayland display nothing answers on, and X: the first SIGTERM did not end it within 5 s"
rc=0
wait "$app" || rc=$?
app=""
[ "$rc" = 0 ] || fail "a Wayland display nothing answers on, and X: SIGTERM: exit $rc"
echo "display: a Wayland display nothing answers on, and X: the window on X; SIGTERM: exit 0"
