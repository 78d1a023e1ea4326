#!/usr/bin/env bash
# Resident memory of the idle program over time, window shown, under a private
# Xvfb with a temporary store: VmRSS once a minute (and at the end) into a log,
# then the first, last and largest sample. An idle program must not grow.
#   usage: bench/idle_growth.sh SECONDS [EXECUTABLE] [LOG]
set -euo pipefail
secs=${1:?usage: $0 SECONDS [EXECUTABLE] [LOG]}
exe=${2:-build/app/kestrune}
log=${3:-idle_growth.log}
interval=${KESTRUNE_SAMPLE_SECONDS:-60}
. "$(dirname "${BASH_SOURCE[0]}")/../tests/support/xsession.sh"
store=$(mktemp -d)
cleanup() { kill "${apid:-}" 2>/dev/null || true; xsession_stop; rm -rf "$store"; }
trap cleanup EXIT
xsession_start "$store"
KESTRUNE_REGISTRY=$store/registry.sqlite3 "$exe" &
apid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name '^Kestrune$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 3  # let start-up settle
rss() { awk '/^VmRSS/ {print $2}' "/proc/$apid/status"; }
: >"$log"
start=$SECONDS
while :; do
  kill -0 "$apid" 2>/dev/null || { echo "the program ended during the run" >&2; exit 1; }
  t=$((SECONDS - start))
  echo "$t $(rss)" >>"$log"  # seconds since the first sample, VmRSS in kB
  [ "$t" -ge "$secs" ] && break
  left=$((secs - t))
  sleep $((left < interval ? left : interval))
done
awk -v s="$secs" '
  NR == 1 { first = $2; max = $2 }
  { last = $2; if ($2 > max) max = $2 }
  END { printf "resident memory over %d s (%d samples): first %.1f MB, last %.1f MB, max %.1f MB, growth %+.1f MB\n",
               s, NR, first / 1024, last / 1024, max / 1024, (last - first) / 1024 }' "$log"
