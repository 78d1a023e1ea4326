#!/usr/bin/env bash
# Builds each probe target (a file that includes <QWidget>, with one logic
# library's flags) and passes only if every one fails because the header is
# not found. A probe that builds, or fails for another reason, is a failure.
#   usage: logic_sees_no_qt.sh BUILD_DIR PROBE_TARGET...
set -uo pipefail
build=$1
shift
failed=0
for t in "$@"; do
  # One at a time: two builds in one folder at once would trip over each other.
  if out=$(cmake --build "$build" --target "$t" 2>&1); then
    echo "$t: built, so this library's flags can see Qt" >&2
    failed=1
  elif ! grep -q "QWidget: No such file or directory" <<<"$out"; then
    echo "$t: failed, but not for want of the Qt header:" >&2
    echo "$out" >&2
    failed=1
  else
    echo "$t: cannot include <QWidget>, as it should be"
  fi
done
exit $failed
