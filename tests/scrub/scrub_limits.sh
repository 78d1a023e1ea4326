#!/usr/bin/env bash
# Black-box: a full Scrub Memory of the real program under tight limits runs
# to its summary, gives its memory back, closes, and the program exits 0:
# under an address-space limit of 2.5 GB and of 4 GB, and in a 600 MB memory
# cgroup where this machine lets the test make one.
#   usage: scrub_limits.sh EXECUTABLE
set -euo pipefail
exe=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
work=$(mktemp -d)
export HOME=$work KESTRUNE_REGISTRY=$work/registry.sqlite3
app="" cgroup=""
cleanup() {
  [ -z "$app" ] || kill -9 "$app" 2>/dev/null || true
  [ -z "$cgroup" ] || rmdir "$cgroup" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
xsession_start "$work"

fail() { drive_fail scrub_limits "$@"; }
xsession_a11y || fail "the accessibility bus did not start"

# A memory cgroup of 600 MB beside this process's own; none where the
# system does not let us make one.
makeCgroup() {
  local line path base limit
  if [ -f /sys/fs/cgroup/cgroup.controllers ] && grep -qw memory /sys/fs/cgroup/cgroup.controllers; then
    path=$(sed -n 's/^0:://p' /proc/self/cgroup)
    base=/sys/fs/cgroup limit=memory.max
  elif line=$(grep -E '^[0-9]+:([^:]*,)?memory(,[^:]*)?:' /proc/self/cgroup); then
    path=${line##*:}
    base=/sys/fs/cgroup/memory limit=memory.limit_in_bytes
  else
    return 1
  fi
  cgroup=$base${path%/}/kestrune-test-$$
  mkdir "$cgroup" 2>/dev/null || { cgroup=""; return 1; }
  echo $((600 * 1048576)) >"$cgroup/$limit" 2>/dev/null || return 1
}

# One run: $1 names it, the rest is what the program is started under.
scrub() {
  local what=$1 rc=0 main; shift
  : >"$work/stderr"
  "$@" "$exe" 2>>"$work/stderr" &
  app=$!
  main=$(drive_window '^Kestrune$') || fail "$what: no main window"
  sleep 1
  drive_scrub "$main" "$app" >/dev/null || fail "$what: the scrub did not finish"
  drive_scrub_close || fail "$what: Close did not close the scrub window"
  drive_menu Exit
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$what: the program exited with $rc"
  echo "scrub_limits: $what: summary, Close, exit 0"
}

# Each runs in the background job's own shell, which the program replaces.
limited() { ulimit -v "$1" && shift && exec "$@"; }
inCgroup() { echo "$BASHPID" >"$cgroup/cgroup.procs" && exec "$@"; }

scrub "ulimit -v 2.5 GB" limited $((2560 * 1024))
scrub "ulimit -v 4 GB" limited $((4096 * 1024))
if makeCgroup; then
  scrub "600 MB memory cgroup" inCgroup
else
  echo "scrub_limits: no memory cgroup could be made here; that case is skipped"
fi
