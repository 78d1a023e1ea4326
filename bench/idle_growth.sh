#!/usr/bin/env bash
# Resident memory of the idle program over time, window shown, under a private
# Xvfb with a temporary store: VmRSS once a minute (and at the end) into a log,
# then the first, last and largest sample. An idle program must not grow.
# The anonymous part (heap, stacks: what a leak grows) is logged apart from
# the file-backed part (library code paged in as new paths first run, shared
# and dropped by the kernel at will).
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
rss() { awk '/^(VmRSS|RssAnon|RssFile):/ {printf " %s", $2}' "/proc/$apid/status"; }
: >"$log"
start=$SECONDS
while :; do
  kill -0 "$apid" 2>/dev/null || { echo "the program ended during the run" >&2; exit 1; }
  t=$((SECONDS - start))
  echo "$t$(rss)" >>"$log"  # seconds since the first sample, then VmRSS, RssAnon and RssFile in kB
  [ "$t" -ge "$secs" ] && break
  left=$((secs - t))
  sleep $((left < interval ? left : interval))
done
# Columns 2-4: VmRSS, RssAnon, RssFile.
awk -v s="$secs" '
  NR == 1 { for (c = 2; c <= 4; ++c) { first[c] = $c; max[c] = $c } }
  { for (c = 2; c <= 4; ++c) { last[c] = $c; if ($c > max[c]) max[c] = $c } }
  END {
    split("resident memory,of it anonymous,of it file-backed", what, ",")
    printf "over %d s (%d samples):\n", s, NR
    for (c = 2; c <= 4; ++c)
      printf "  %-20s first %.1f MB, last %.1f MB, max %.1f MB, growth %+.1f MB\n",
             what[c - 1], first[c] / 1024, last[c] / 1024, max[c] / 1024, (last[c] - first[c]) / 1024
  }' "$log"
