#!/usr/bin/env bash
# kestrune.exe driven from outside as a user would, under Wine on a private
# X server with a window manager: --trim-all and --trim print their one line
# with no window; --minimized puts an icon in an X tray (trayer) whose tip
# is a sampled load, whose face is drawn and whose click shows the window;
# the Scheduler stores the default daily entry (read back
# with Wine's reg), a restart lists it and Remove takes it away; Edit >
# Applications… lists the processes, and Trim Idle and Trim Selected run and
# return; Scrub Memory runs to its summary and is closed by Enter; the
# keyboard is back on the main window: Alt+S scrubs again, Escape stops it
# and closes it, and Alt+R runs Recover Memory to its "Complete" box; File >
# Exit ends the program. Every exit code is 0.
# Also measures how long the window takes to come up, and the idle CPU and
# resident memory of the program's process.
# With KESTRUNE_DPI set, only every window's buttons in reach at that DPI.
#   usage: [KESTRUNE_DPI=192] tests/desktop/windows.sh KESTRUNE_EXE WINE_LOADER REG_VIEW_FLAG...
set -euo pipefail
exe=$(realpath "$1")
# Reads the native list and labels, which xdotool cannot.
probe=$(dirname "$exe")/../tests/window_probe.exe
wine=$2
shift 2
view=("$@") # /reg:64 for a 64-bit program
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=tests/support/xsession.sh
source "$here/support/xsession.sh"

# The prefix's width from the program's own header (PE32+, machine 0x8664, is
# 64-bit), not from a WINEARCH the caller left behind for another prefix.
pe=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
if [ "$(od -An -tx2 -j$((pe + 4)) -N2 "$exe" | tr -d ' ')" = 8664 ]; then arch=win64; else arch=win32; fi
work=$(realpath "$(mktemp -d)")
# A server or loader the caller chose belongs to its own prefix: this one
# takes those of the loader it is given.
unset WINESERVER WINELOADER WINEDLLPATH
export WINEPREFIX=$work/prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "windows.sh: $*" >&2
  if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null; then
    import -window root "$work/failure.png" 2>/dev/null && cp "$work/failure.png" "${KESTRUNE_FAILURE_SHOT:-/tmp/kestrune-windows-failure.png}" &&
      echo "windows.sh: the screen at the failure: ${KESTRUNE_FAILURE_SHOT:-/tmp/kestrune-windows-failure.png}" >&2
  fi
  exit 1
}

xsession_start "$work" openbox
# Makes the prefix, with Wine's errors in the log: a quiet failure here said
# nothing at all. A failed try is told, its server ended and its prefix
# removed, and made once more from nothing.
boot() {
  local code=0
  WINEDEBUG=-all,err+all "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || code=$?
  [ "$code" -eq 0 ] && return 0
  echo "windows.sh: wineboot -i ($arch, $wine) ended with $code; its log ($(wc -l <"$work/wineboot.log") lines):" >&2
  tail -n 20 "$work/wineboot.log" | sed 's/^/  /' >&2
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$WINEPREFIX"
  return 1
}
boot || boot || fail "wineboot failed twice, from a clean prefix each time (logs above)"
key='HKLM\Software\Tarnwick Technologies\Orbenfold\KestrunePlugin'
reg() { "$wine" reg "$@" "${view[@]}" 2>/dev/null | tr -d '\r'; }
reg delete "$key" /f >/dev/null || true

# Polls for up to $1 tenths of a second until the rest succeeds.
until_ok() {
  local tries=$1 i
  shift
  for ((i = 0; i < tries; i++)); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
window_named() { xdotool search --onlyvisible --name "$1" | tail -n 1; }
# Keys to the window that has the focus, once `name` is that window.
keys_to() {
  local name=$1 w
  shift
  w=$(window_named "$name") || fail "no window named $name"
  [ -n "$w" ] || fail "no window named $name"
  xdotool windowactivate --sync "$w" >/dev/null 2>&1 || true
  until_ok 30 sh -c "[ \"\$(xdotool getactivewindow)\" = $w ]" || fail "$name did not take the focus"
  xdotool key --clearmodifiers --delay 60 "$@"
}
# The Windows process itself, not the loader that started it, and this
# prefix's: another run on the machine may have a kestrune.exe of its own.
wine_pid() {
  local p
  for p in $(pgrep -x kestrune.exe || true); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$p"; return 0; }
  done
  return 1
}

start() {
  local started=$EPOCHREALTIME
  "$wine" "$exe" &
  pid=$!
  until_ok 200 window_named '^Kestrune$' || fail "the Kestrune window did not come up"
  up=$(echo "$EPOCHREALTIME - $started" | bc)
  # The window draws once it has its figures; keys before that may be lost.
  sleep 1
}
finish() {
  keys_to '^Kestrune$' alt+f x
  local code=0
  wait "$pid" || code=$?
  pid=""
  [ "$code" -eq 0 ] || fail "File > Exit ended the program with $code"
}

probe() { "$wine" "$probe" "$@" 2>/dev/null | tr -d '\r'; }
# The scrub window's button says Close: the scrub has stopped.
stopped() { probe 'Memory Defragmenter' 103 text | tr -d '&' | grep -qx 'Close'; }

# KESTRUNE_DPI=144 or 192: only this, on a screen of that many dots an inch.
# Every window, opened by the keyboard, shows each of its buttons within
# itself and the screen's work area (none cut off or scrolled away), the
# tutorial wholly on the screen, and each closes by its Close, Done or Stop
# from the keyboard.
if [ -n "${KESTRUNE_DPI:-}" ]; then
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KESTRUNE_DPI" /f >/dev/null 2>&1
  "$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$KESTRUNE_DPI" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true # the prefix's programs start again with it
  reach() {
    local out
    out=$(probe "$1" 0 reach) || fail "at $KESTRUNE_DPI dpi, a button of $1 is out of reach: $out"
    echo "$1 at $KESTRUNE_DPI dpi: $(wc -l <<<"$out") buttons in reach"
  }
  gone() { until_ok 50 sh -c "! xdotool search --onlyvisible --name '$1' | grep -q ."; }
  onScreen() {
    local x y w h
    read -r x y w h < <(xwininfo -id "$(window_named "$1")" | awk '/Absolute upper-left X/ { x = $4 }
      /Absolute upper-left Y/ { y = $4 } /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
    { [ "$x" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ "$y" -ge 0 ] && [ $((y + h)) -le 1024 ]; } ||
      fail "at $KESTRUNE_DPI dpi, $1 (${w}x${h} at $x,$y) is not wholly on the 1280x1024 screen"
    echo "$1 at $KESTRUNE_DPI dpi: ${w}x${h} at $x,$y"
  }
  start
  onScreen '^Kestrune$'
  reach Kestrune
  keys_to '^Kestrune$' alt+h t
  until_ok 100 window_named '^Memory Tutorial$' || fail "Alt+H, T opened no tutorial"
  sleep 0.5
  onScreen '^Kestrune$'
  onScreen '^Memory Tutorial$'
  reach 'Memory Tutorial'
  keys_to '^Memory Tutorial$' alt+d
  gone '^Memory Tutorial$' || fail "Alt+D left the tutorial open"
  keys_to '^Kestrune$' alt+e s
  until_ok 100 window_named '^Scheduler$' || fail "Alt+E, S opened no Scheduler"
  onScreen '^Scheduler$'
  reach Scheduler
  keys_to '^Scheduler$' alt+c
  gone '^Scheduler$' || fail "Alt+C left the Scheduler open"
  keys_to '^Kestrune$' alt+e a
  until_ok 100 window_named '^Applications$' || fail "Alt+E, A opened no Applications window"
  onScreen '^Applications$'
  reach Applications
  keys_to '^Applications$' alt+c
  gone '^Applications$' || fail "Alt+C left the Applications window open"
  keys_to '^Kestrune$' alt+s
  until_ok 100 window_named '^Memory Defragmenter$' || fail "Alt+S opened no scrub window"
  sleep 1
  onScreen '^Memory Defragmenter$'
  reach 'Memory Defragmenter'
  keys_to '^Memory Defragmenter$' alt+s
  until_ok 600 stopped || fail "Alt+S did not stop the scrub"
  keys_to '^Memory Defragmenter$' alt+s
  gone '^Memory Defragmenter$' || fail "Alt+S on Close left the scrub window open"
  finish
  echo "windows.sh: passed at $KESTRUNE_DPI dpi"
  exit 0
fi

echo "== --trim-all and --trim: one line each, no window"
# Run with the X server there, to see that no window opens all the same.
code=0
out=$("$wine" "$exe" --trim-all 2>"$work/trim.err" | tr -d '\r') || code=$?
[ "$code" -eq 0 ] || fail "--trim-all ended with $code: $(cat "$work/trim.err")"
{ [ "$(printf '%s\n' "$out" | wc -l)" -eq 1 ] && [[ "$out" =~ ^Trimmed\ [0-9,]+\ MB ]]; } ||
  fail "--trim-all printed: $out"
echo "--trim-all: $out"
! xdotool search --onlyvisible --name 'Kestrune' | grep -q . || fail "--trim-all opened a window"
record=$(find "$WINEPREFIX/drive_c/users" -path '*/AppData/Local/Kestrune/trim-activity' | head -n 1)
{ [ -n "$record" ] && grep -qi 'kestrune\.exe$' "$record"; } || fail "--trim-all kept no record of what it saw"
out=$("$wine" "$exe" --trim 2>"$work/trim.err" | tr -d '\r') || fail "--trim ended with $?: $(cat "$work/trim.err")"
[[ "$out" =~ ^Trimmed\ [0-9,]+\ MB ]] || fail "--trim printed: $out"
echo "--trim: $out"
code=0
"$wine" "$exe" --trim --trim-all >/dev/null 2>"$work/trim.err" || code=$?
{ [ "$code" -eq 2 ] && grep -q 'cannot be used together' "$work/trim.err"; } ||
  fail "--trim --trim-all ended with $code: $(cat "$work/trim.err")"

echo "== beyond ASCII: installed in \"Zoë Łukasz\", its record kept in a profile there"
# A folder whose name no one ANSI code page holds, for the program's own path
# and the profile's AppData. Wine sets LOCALAPPDATA from the prefix's profile
# for a program started from Linux; cmd hands on the one it is told.
odd='Zoë Łukasz'
mkdir -p "$WINEPREFIX/drive_c/$odd/AppData/Local"
cp "$exe" "$WINEPREFIX/drive_c/$odd/kestrune.exe"
code=0
# (Wine escapes a quote inside an argument: the folder is made current instead.)
out=$(LC_ALL=C.UTF-8 "$wine" cmd /c "set LOCALAPPDATA=C:\\$odd\\AppData\\Local& cd /d C:\\$odd& kestrune.exe --trim-all" \
  2>"$work/trim.err" | tr -d '\r') || code=$?
{ [ "$code" -eq 0 ] && [[ "$out" =~ ^Trimmed\ [0-9,]+\ MB ]]; } ||
  fail "--trim-all from \"$odd\" ended with $code: $out $(cat "$work/trim.err")"
# The record names the program by its own path, case folded.
LC_ALL=C.UTF-8 grep -qF "c:\\zoë łukasz\\kestrune.exe" "$WINEPREFIX/drive_c/$odd/AppData/Local/Kestrune/trim-activity" ||
  fail "--trim-all from \"$odd\" kept no record there that names it"
echo "beyond ASCII: $out"

echo "== --version and --help: where --trim's line goes, no window"
code=0
out=$("$wine" "$exe" --version 2>"$work/trim.err" | tr -d '\r') || code=$?
if [ "$code" -ne 0 ] || ! [[ "$out" =~ ^Kestrune\ [0-9]+\.[0-9]+\.[0-9]+$ ]]; then
  fail "--version ended with $code: $out"
fi
out=$("$wine" "$exe" --help 2>"$work/trim.err") || code=$?
# A Windows console's line ends, on every line.
[ "$(grep -c $'\r$' <<<"$out")" -eq "$(wc -l <<<"$out")" ] || fail "--help ends a line without CR LF"
out=$(tr -d '\r' <<<"$out")
if [ "$code" -ne 0 ] || ! grep -q -- '--trim-all ' <<<"$out" || grep -q -- '--help-all' <<<"$out"; then
  fail "--help ended with $code: $out"
fi
! xdotool search --onlyvisible --name 'Kestrune' | grep -q . || fail "--help opened a window"
echo "--help: $(wc -l <<<"$out") lines, --help-all not offered"

echo "== --minimized: the tray icon's tip, its face and a click, in an X tray"
# Under an X tray (trayer) Wine docks each icon's own window in it; the tip
# is read from that window's tooltip by window_probe. The panel has a fixed
# width: one that grows as the icon docks moves, and Wine keeps the tray
# where it first saw it, clipping the icon away (its drawing and its clicks).
xsession_trayer "$work" 48 || fail "the tray host did not start"
"$wine" "$exe" --minimized &
pid=$!
tray_line() { probe tray | grep -m 1 ' Memory Load: '; }
until_ok 300 tray_line || fail "--minimized showed no tray icon with a Memory Load tip"
read -r x y shown tip < <(tray_line)
echo "tray icon at $x,$y ($shown), tip: $tip"
# The first tip shown is already a sample: 0% only when the host's memory is
# really all but free.
[[ "$tip" =~ ^Memory\ Load:\ ([0-9]+)%$ ]] || fail "the tray tip is not a load: $tip"
if [ "${BASH_REMATCH[1]}" -eq 0 ]; then
  awk '/^MemTotal:/ {t = $2} /^MemAvailable:/ {a = $2} END {exit !(a * 200 >= t * 199)}' /proc/meminfo ||
    fail "the tray tip says 0% while the host's memory is in use: the placeholder, not a sample"
fi
# The icon's face: not the tray's own uniform background.
sleep 1
face=$(import -window root -crop 16x16+$((x - 8))+$((y - 8)) -depth 8 png:- 2>/dev/null | convert - -format %k info:-)
[ "${face:-0}" -ge 8 ] || fail "the tray icon's face is blank ($face colour(s) at $x,$y)"
echo "tray icon's face: $face colours"
# A click on the icon brings the window back out of the tray.
xdotool mousemove "$x" "$y" click 1
until_ok 50 window_named '^Kestrune$' || fail "a click on the tray icon did not show the window"
finish
xsession_kill_trayer

echo "== Scheduler: the default daily entry"
start
echo "window up after ${up} s (the first start makes the prefix's fonts and windows)"
keys_to '^Kestrune$' alt+e s
until_ok 50 window_named '^Scheduler$' || fail "Edit > Scheduler opened no window"
keys_to '^Scheduler$' alt+s
until_ok 30 sh -c "\"$wine\" reg query '$key\\SCHENT' ${view[*]} | grep -q 'R 10 0 every day 0 0 0'" ||
  fail "the default daily entry is not in the store"
reg query "$key\\SCHENT" | grep -F 'R 10 0 every day 0 0 0'
keys_to '^Scheduler$' alt+c
until_ok 30 sh -c '! xdotool search --onlyvisible --name "^Scheduler$" | grep -q .' || fail "Close left the Scheduler open"
finish

echo "== A restart lists it; Remove takes it away"
start
echo "window up after ${up} s"
keys_to '^Kestrune$' alt+e s
until_ok 50 window_named '^Scheduler$' || fail "Edit > Scheduler opened no window"
# A click on the list's first row, then Remove: only a row listed at this
# start can take its entry away. Wine offers no accessibility bus to press
# by name: the row's middle is asked of the list itself (control 170).
read -r x y < <(probe Scheduler 170 row 0)
xdotool mousemove "$x" "$y" click 1
keys_to '^Scheduler$' alt+e
until_ok 30 sh -c "! \"$wine\" reg query '$key\\SCHENT' /v 0 ${view[*]} >/dev/null 2>&1" ||
  fail "Remove left the listed entry in the store"
echo "removed: $(reg query "$key\\SCHENT" | grep -c REG_SZ || true) entries left"
keys_to '^Scheduler$' alt+c
until_ok 30 sh -c '! xdotool search --onlyvisible --name "^Scheduler$" | grep -q .' || fail "Close left the Scheduler open"

echo "== Edit > Applications…: the processes listed; Trim Idle and Trim Selected run and return"
list=105 status=108 # the window's control IDs
keys_to '^Kestrune$' alt+e a
until_ok 50 window_named '^Applications$' || fail "Edit > Applications… opened no window"
listed_two() { [ "$(probe Applications $list rows | wc -l)" -ge 2 ]; }
# A result, not the words while it runs, and not the one before.
result_after() { probe Applications $status text | grep '^Trimmed ' | grep -vqxF -- "$1"; }
until_ok 50 listed_two || fail "the Applications window lists fewer than two processes"
names=$(probe Applications $list rows)
echo "listed: $(printf '%s\n' "$names" | paste -sd '|')"
printf '%s\n' "$names" | grep -qx 'Kestrune memory optimiser' || fail "the list does not name Kestrune by its description"
keys_to '^Applications$' alt+i
until_ok 100 result_after '' || fail "Trim Idle did not come back with a result"
idle=$(probe Applications $status text)
echo "Trim Idle: $idle"
# A row that is not Kestrune's own, clicked, then Trim Selected.
row=$(printf '%s\n' "$names" | grep -nvx 'Kestrune memory optimiser' | head -n 1 | cut -d: -f1)
read -r x y < <(probe Applications $list row $((row - 1)))
xdotool mousemove "$x" "$y" click 1
keys_to '^Applications$' alt+s
until_ok 100 result_after "$idle" || fail "Trim Selected did not come back with a result"
echo "Trim Selected ($(printf '%s\n' "$names" | sed -n "${row}p")): $(probe Applications $status text)"
keys_to '^Applications$' Escape
until_ok 30 sh -c '! xdotool search --onlyvisible --name "^Applications$" | grep -q .' ||
  fail "Escape left the Applications window open"

echo "== Idle, window shown: CPU and resident memory over 30 s"
program=$(wine_pid) || fail "no kestrune.exe of this prefix is running"
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# This prefix's server: Debian's is wineserver64 (or wineserver32), and other
# prefixes may have one of their own.
server=""
for p in $(pgrep -x 'wineserver(32|64)?' || true); do
  tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && server=$p
done
p0=$(ticks "$program")
s0=$([ -n "$server" ] && ticks "$server" || echo 0)
sleep 30
p1=$(ticks "$program")
s1=$([ -n "$server" ] && ticks "$server" || echo 0)
hz=$(getconf CLK_TCK)
echo "idle CPU: kestrune.exe $(echo "scale=3; ($p1 - $p0) * 100 / $hz / 30" | bc) %, wineserver $(echo "scale=3; ($s1 - $s0) * 100 / $hz / 30" | bc) % of one core"
grep -E '^(VmRSS|RssAnon|RssFile)' "/proc/$program/status" | tr -s ' \t' ' ' | paste -sd ' ' | sed 's/^/resident: /'

echo "== Scrub Memory to its summary, then Close by the keyboard"
keys_to '^Kestrune$' alt+s
until_ok 50 window_named '^Memory Defragmenter$' || fail "Scrub Memory opened no window"
# The run is over when its map is all done: the last cell stays green,
# where a run in progress shuffles it back to red within a step.
w=$(window_named '^Memory Defragmenter$')
cell() { import -window "$w" -crop 1x1+423+300 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
size() { awk '/^VmSize/ {print $2}' "/proc/$program/status"; }
size0=$(size)
peak=$size0
green=0
# Up to about seven minutes: a loaded machine under Wine scrubs slowly.
for _ in $(seq 600); do
  now=$(size)
  [ "$now" -gt "$peak" ] && peak=$now
  if [ "$(cell)" = "#008000" ]; then green=$((green + 1)); else green=0; fi
  [ "$green" -ge 4 ] && break
  sleep 0.5
done
[ "$green" -ge 4 ] || fail "the scrub did not come to its summary"
[ "$peak" -gt $((size0 + 100000)) ] || fail "the scrub claimed no memory (address space $size0 -> at most $peak kB)"
echo "the scrub claimed memory: address space $size0 -> $peak kB at its height, $(size) kB at its summary"
keys_to '^Memory Defragmenter$' Return
scrub_gone() { until_ok 50 sh -c '! xdotool search --onlyvisible --name "^Memory Defragmenter$" | grep -q .'; }
scrub_gone || fail "Enter on Close left the scrub window open"
echo "resident after the scrub: $(awk '/^VmRSS/ {print $2}' "/proc/$program/status") kB"

echo "== The keyboard comes back: Alt+S, Escape to Stop and again to Close, then Alt+R"
# From here no window is activated from outside: each key goes where the
# program left the keyboard, as a user's would.
press() { xdotool key --clearmodifiers --delay 60 "$@"; }
press alt+s
until_ok 50 window_named '^Memory Defragmenter$' || fail "Alt+S did not reach the main window after the scrub window closed"
sleep 2
press Escape
until_ok 600 stopped || fail "Escape did not stop the scrub"
press Escape
scrub_gone || fail "Escape on Close left the scrub window open"

echo "== Recover Memory by Alt+R to its Complete box"
press alt+r
until_ok 1200 window_named '^Complete$' ||
  fail "Alt+R after the scrub window closed by the keyboard showed no Complete box: the main window had no keyboard"
keys_to '^Complete$' Return
until_ok 50 sh -c '! xdotool search --onlyvisible --name "^Complete$" | grep -q .' || fail "OK left the Complete box open"

echo "== File > Exit"
finish
echo "windows.sh: passed"
