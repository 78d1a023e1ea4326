#!/usr/bin/env bash
# One sitting of the program against its bare anchors, as markdown for
# docs/benchmarks.md: the machine, then bench/versus.sh (Linux, Qt) and
# bench/idle-wine.sh for each Windows build there is and whose Wine loader
# this kernel runs, one after the other.
#   usage: bench/table.sh [SECONDS] [ROUNDS]
# Defaults: 15 s, 3 rounds (about 5 minutes). docs/benchmarks.md's figures:
# bench/table.sh 60 5
# Build folders: build, build-windows-x86_64 and build-windows-i686, each
# with the program and its bare anchor (bare_figures).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
secs=${1:-15}
rounds=${2:-3}

echo "## One sitting, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "Machine: $(nproc) processors ($(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo))," \
  "$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "$( (. /etc/os-release && echo "$PRETTY_NAME"))," \
  "kernel $(uname -r), Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo '?')," \
  "$(/usr/lib/wine/wine64 --version 2>/dev/null || echo 'no Wine');" \
  "load average at the start $(cut -d' ' -f1-3 /proc/loadavg)."
echo
echo "Rounds of $secs s; Linux: $rounds rounds, the order of start alternating;" \
  "Wine: $rounds rounds with both programs running. Other work on the machine makes" \
  "single rounds noisy: the medians and their ratios are what to read."
echo
echo '```'
echo "bench/table.sh $secs $rounds"
echo '```'
echo
out=$(mktemp)
trap 'rm -f "$out"' EXIT
# Each script's rounds in a block, then its table; its whole output goes to
# standard error as it runs.
section() {
  local title=$1
  shift
  echo "### $title"
  echo
  if "$@" 2>&1 | tee "$out" >&2; then
    echo '```'
    grep -v '^|' "$out" | grep -v '^medians' | sed '/^$/d'
    echo '```'
    echo
    grep '^|' "$out"
  else
    echo "(failed: $(tail -n 1 "$out"))"
  fi
  echo
}
section "Linux, Qt 6: the program against a bare Qt Widgets window" \
  bench/versus.sh build/app/kestrune "$secs" "$rounds"
for target in x86_64:/usr/lib/wine/wine64 i686:/usr/lib/wine/wine; do
  dir=build-windows-${target%%:*}
  if [ ! -f "$dir/app/kestrune.exe" ]; then
    echo "### Wine, $dir: not built"
  elif ! "${target#*:}" --version >/dev/null 2>&1; then
    echo "### Wine, $dir: this kernel does not run ${target#*:}"
  else
    section "Wine, ${target%%:*}: kestrune.exe against a bare Win32 window" \
      bench/idle-wine.sh "$dir/app/kestrune.exe" "$secs" shown "$rounds"
  fi
done
