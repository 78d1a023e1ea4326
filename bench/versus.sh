#!/usr/bin/env bash
# The real program against a bare Qt 6 Widgets window of the same size that
# shows the same four figures, four bars, scrolling graph and status line
# once a second (bench/qt/bare_figures), both in one private Xvfb with
# openbox, no session bus, a fresh store each round, which one starts first
# alternating from round to round. Each round measures, for both:
#   start-up: exec to the window mapped (wall time, polled every 10 ms), and
#     the CPU time its threads had used by then;
#   idle over SECONDS with the main window alone: CPU (each thread's
#     schedstat), wake-ups (voluntary switches of every thread; involuntary
#     ones, preemptions, apart), resident and anonymous memory (VmRSS, RssAnon) at the end;
#   the same over SECONDS more with the program's Applications window open
#     (Edit > Applications..., by its keys), the bare window measured alongside.
# Then the medians of the rounds, and each ratio program / bare, as a
# markdown table. A thread that ends inside a window is not counted.
#   usage: bench/versus.sh [EXECUTABLE] [SECONDS] [ROUNDS]
# Defaults: build/app/kestrune, 20 s, 3 rounds (about 3 minutes). The figures
# in docs/benchmarks.md are from 60 s rounds: bench/versus.sh build/app/kestrune 60 5
# VERSUS_BARE=PATH measures against another anchor.
set -euo pipefail
exe=$(realpath "${1:-build/app/kestrune}")
secs=${2:-20}
rounds=${3:-3}
bare=$(realpath "${VERSUS_BARE:-$(dirname "$exe")/../bench/qt/bare_figures}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../tests/support/xsession.sh"
[ -x "$bare" ] || { echo "no $bare: build the bare_figures target" >&2; exit 2; }
xsession_have openbox xdotool xwininfo wmctrl || { echo "needs openbox, xdotool, x11-utils and wmctrl" >&2; exit 2; }

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
xsession_start "$work" openbox

now() { date +%s%N; }
# One line a thread: its id, its nanoseconds on a processor, its voluntary
# switches (it waited, then was woken) and involuntary ones (preempted while
# running, which follows the machine's load more than the program).
snap() {
  local t
  for t in /proc/"$1"/task/*; do
    echo "${t##*/} $(cut -d' ' -f1 "$t/schedstat" 2>/dev/null || echo 0)" \
      "$(awk '/^voluntary/ { v = $2 } /^nonvoluntary/ { n = $2 } END { print v + 0, n + 0 }' "$t/status" 2>/dev/null ||
        echo 0 0)"
  done
}
cpu_ns() { snap "$1" | awk '{ n += $2 } END { print n + 0 }'; }
size() { xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
status_kb() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
# Record NAME METRIC VALUE for this round.
record() { echo "$round $1 $2 $3" >>"$work/results"; }

# Starts a program, waits for its window to be mapped, records the start-up
# and sets started_pid and started_window.
start() {
  local name=$1 title=$2 t0 t1 id=""
  shift 2
  t0=$(now)
  HOME=$work/r$round XDG_RUNTIME_DIR=$work/r$round KESTRUNE_REGISTRY=$work/r$round/registry.sqlite3 \
    "$@" >"$work/$name.log" 2>&1 &
  started_pid=$!
  pids+=("$started_pid")
  for _ in $(seq 3000); do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1) && [ -n "$id" ] && break
    sleep 0.01
  done
  t1=$(now)
  [ -n "$id" ] || { echo "no window of $name" >&2; cat "$work/$name.log" >&2; exit 1; }
  record "$name" start_ms "$(((t1 - t0) / 1000000))"
  record "$name" start_cpu_ms "$(($(cpu_ns "$started_pid") / 1000000))"
  started_window=$id
}

# Measures both programs over SECONDS; PHASE names the window's state.
measure() {
  local phase=$1 p name
  snap "$kpid" >"$work/k0"
  snap "$bpid" >"$work/b0"
  sleep "$secs"
  for p in k b; do
    if [ $p = k ]; then pid=$kpid name=kestrune; else pid=$bpid name=bare; fi
    snap "$pid" >"$work/${p}1"
    # Threads alive at both ends, and those born in between from nothing.
    awk -v s="$secs" 'NR == FNR { c[$1] = $2; w[$1] = $3; i[$1] = $4; next }
      { dc += $2 - c[$1]; dw += $3 - w[$1]; di += $4 - i[$1] }
      END { printf "%.4f %.2f %.2f\n", dc / 1e7 / s, dw / s, di / s }' "$work/${p}0" "$work/${p}1" >"$work/d"
    read -r pct wake preempted <"$work/d"
    record "$name" "${phase}_cpu_pct" "$pct"
    record "$name" "${phase}_wakeups" "$wake"
    record "$name" "${phase}_preempted" "$preempted"
    record "$name" "${phase}_rss_mb" "$(awk -v k="$(status_kb "$pid" VmRSS)" 'BEGIN { printf "%.1f", k / 1024 }')"
    record "$name" "${phase}_anon_mb" "$(awk -v k="$(status_kb "$pid" RssAnon)" 'BEGIN { printf "%.1f", k / 1024 }')"
  done
}

for ((round = 1; round <= rounds; round++)); do
  mkdir -p "$work/r$round"
  chmod 700 "$work/r$round"
  if ((round % 2)); then order=(kestrune bare); else order=(bare kestrune); fi
  for who in "${order[@]}"; do
    if [ "$who" = kestrune ]; then
      start kestrune '^Kestrune$' "$exe"
      kpid=$started_pid kwin=$started_window
      # The bare window takes the size the program's window has.
      [ -n "${ksize:-}" ] || ksize=$(size "$kwin")
    else
      start bare '^Bare figures$' "$bare" "${ksize%x*}" "${ksize#*x}"
      bpid=$started_pid
    fi
    sleep 1 # the first one's start-up is over before the second starts
  done
  sleep 3 # start-up settles
  [ "$round" -gt 1 ] || echo "client areas: Kestrune $(size "$kwin"), bare $(size "$(xdotool search --onlyvisible --name '^Bare figures$' | head -n 1)")"
  measure closed
  xdotool windowactivate --sync "$kwin" key --delay 150 alt+e a
  apps=""
  for _ in $(seq 200); do
    apps=$(xdotool search --onlyvisible --name '^Applications$' 2>/dev/null | head -n 1) && [ -n "$apps" ] && break
    sleep 0.05
  done
  [ -n "$apps" ] || { echo "Alt+E, A opened no Applications window" >&2; exit 1; }
  sleep 3 # its first listing is done
  measure open
  kill "$kpid" "$bpid"
  wait "$kpid" "$bpid" 2>/dev/null || true
  pids=()
  awk -v r="$round" -v first="${order[0]}" '$1 == r { v[$2, $3] = $4; m[$3] = 1 }
    END {
      printf "round %d (%s first):", r, first
      n = split("start_ms start_cpu_ms closed_cpu_pct closed_wakeups closed_preempted closed_rss_mb closed_anon_mb open_cpu_pct open_wakeups open_preempted", k, " ")
      for (i = 1; i <= n; ++i) printf " %s %s/%s", k[i], v["kestrune", k[i]], v["bare", k[i]]
      printf "\n"
    }' "$work/results"
done

# Medians over the rounds, then the table.
awk -v rounds="$rounds" -v s="$secs" '
  function median(name, key,   a, n, i, j, t) {
    n = 0
    for (i = 1; i <= rounds; ++i) if ((i, name, key) in v) a[++n] = v[i, name, key]
    for (i = 2; i <= n; ++i) for (j = i; j > 1 && a[j - 1] > a[j]; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
  function row(what, key, fmt, unit,   k, b) {
    k = median("kestrune", key); b = median("bare", key)
    printf "| %s | " fmt "%s | " fmt "%s | **%s** |\n", what, k, unit, b, unit, ratio(k, b)
  }
  { v[$1, $2, $3] = $4 }
  END {
    printf "\nmedians of %d rounds of %d s (Kestrune / bare Qt window, same session):\n\n", rounds, s
    print "| What | Kestrune | Bare Qt window | Ratio |"
    print "|---|---|---|---|"
    row("Start-up, exec to window mapped (wall)", "start_ms", "%d", " ms")
    row("Start-up, CPU time by then", "start_cpu_ms", "%d", " ms")
    row("Idle CPU, main window", "closed_cpu_pct", "%.3f", " %")
    row("Wake-ups, main window", "closed_wakeups", "%.1f", " /s")
    row("Preemptions (involuntary switches), main window", "closed_preempted", "%.1f", " /s")
    row("Resident (VmRSS)", "closed_rss_mb", "%.1f", " MB")
    row("Anonymous (RssAnon)", "closed_anon_mb", "%.1f", " MB")
    row("Idle CPU, Applications window open", "open_cpu_pct", "%.3f", " %")
    row("Wake-ups, Applications window open", "open_wakeups", "%.1f", " /s")
    row("Preemptions, Applications window open", "open_preempted", "%.1f", " /s")
    row("Resident, Applications window open", "open_rss_mb", "%.1f", " MB")
    row("Anonymous, Applications window open", "open_anon_mb", "%.1f", " MB")
    printf "| Applications window open / closed (Kestrune): CPU, wake-ups, resident | %s, %s, %s | | |\n",
      ratio(median("kestrune", "open_cpu_pct"), median("kestrune", "closed_cpu_pct")),
      ratio(median("kestrune", "open_wakeups"), median("kestrune", "closed_wakeups")),
      ratio(median("kestrune", "open_rss_mb"), median("kestrune", "closed_rss_mb"))
  }' "$work/results"
