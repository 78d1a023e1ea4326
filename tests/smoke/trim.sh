#!/usr/bin/env bash
# Black-box runs of `kestrune --trim` and `--trim-all` as cron or a systemd
# timer would make them: no display, no window. Each either prints one line
# beginning "Trimmed " and exits 0, or, where trimming is not possible here,
# exits 1 with its one-sentence reason on stderr and nothing on stdout. Where
# this machine's memory controller is on cgroup v1 it must be the latter.
#   usage: trim.sh EXECUTABLE
set -euo pipefail
exe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/run
export KESTRUNE_REGISTRY=$work/registry.sqlite3
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
fail() { echo "FAIL: $*" >&2; exit 1; }
lines() { [ -s "$1" ] && wc -l <"$1" || echo 0; }

v1=0
grep -Eq '^[0-9]+:([^:]*,)?memory(,[^:]*)?:' /proc/self/cgroup && v1=1

# On a machine where trimming works, --trim-all would really trim the
# session of whoever runs the suite: there only --trim runs, whose first run
# knows nothing idle yet and trims nothing (tools/session-vm runs --trim-all).
options=(--trim --trim-all)
[ "$v1" = 1 ] || options=(--trim)
for option in "${options[@]}"; do
  rc=0
  timeout 120 "$exe" "$option" >"$work/out" 2>"$work/err" || rc=$?
  echo "$option: exit $rc; stdout: $(cat "$work/out"); stderr: $(cat "$work/err")"
  case $rc in
    0)
      [ "$v1" = 0 ] || fail "$option trimmed on a cgroup v1 machine"
      { [ "$(lines "$work/out")" = 1 ] && grep -q '^Trimmed 0 MB: nothing is known to be idle yet' "$work/out"; } ||
        fail "$option: not the first run's result line"
      [ ! -s "$work/err" ] || fail "$option wrote to stderr"
      [ -e "$XDG_RUNTIME_DIR/kestrune/trim-activity" ] || fail "$option kept no record in \$XDG_RUNTIME_DIR"
      ;;
    1)
      [ ! -s "$work/out" ] || fail "$option printed a result it did not get"
      [ "$(lines "$work/err")" = 1 ] || fail "$option: the reason is not one line"
      [ "$v1" = 0 ] || grep -q 'cgroup v1' "$work/err" || fail "$option does not name cgroup v1"
      [ ! -e "$XDG_RUNTIME_DIR/kestrune" ] || fail "$option wrote a record although it could not trim"
      ;;
    *) fail "$option exited $rc" ;;
  esac
done

# Not with the options that open a window.
rc=0
"$exe" --trim --recover >/dev/null 2>"$work/err" || rc=$?
{ [ "$rc" = 2 ] && grep -q 'cannot be used with --recover' "$work/err"; } || fail "--trim --recover: exit $rc"

"$exe" --help >"$work/help"
{ grep -q -- '--trim ' "$work/help" && grep -q -- '--trim-all ' "$work/help"; } || fail "--help does not list them"
echo "trim: the command line behaves as cron needs"
