#!/usr/bin/env bash
# Takes the screenshots of every window of kestrune.exe under Wine, on a
# private Xvfb with openbox for window frames, in a prefix of its own.
#   usage: [KESTRUNE_WINE=LOADER] docs/screenshots/windows/take.sh [KESTRUNE_EXE] [FOLDER]
# Saves into FOLDER (this folder by default). KESTRUNE_DPI=144 takes them at
# that many dots an inch (96 by default). Needs: wine xvfb openbox xdotool
# wmctrl imagemagick.
set -euo pipefail
exe=$(realpath "${1:-build-windows-i686/app/kestrune.exe}")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(mkdir -p "${2:-$here}" && cd "${2:-$here}" && pwd)
wine=${KESTRUNE_WINE:-/usr/lib/wine/wine}
work=$(mktemp -d)
. "$here/../../../tests/support/xsession.sh"
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k 2>/dev/null || true; xsession_stop; rm -rf "$work"' EXIT
xsession_start "$work" openbox
"$wine" wineboot -i >/dev/null 2>&1
# The screen's DPI, which the program reads once at its start.
dpi=${KESTRUNE_DPI:-96}
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
"$wine" reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
  /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wineserver -k 2>/dev/null || true # the prefix's programs start again with it

window() { for _ in $(seq 300); do id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1); [ -n "$id" ] && { echo "$id"; return; }; sleep 0.05; done; return 1; }
keys() { xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true; sleep 0.3; shift; xdotool key --clearmodifiers --delay 80 "$@"; sleep 0.5; }
shot() { import -window "$1" -frame "$out/$2.png" 2>/dev/null || import -window "$1" "$out/$2.png"; echo "saved $2.png"; }

"$wine" "$exe" &
program=$!
main=$(window '^Kestrune$')
sleep 6
shot "$main" main-window

keys "$main" alt+h t                      # Help > Tutorial
tutorial=$(window '^Memory Tutorial$')
sleep 0.5
import -window root "$work/screen.png"
# The pair, frames included: from the main window's corner to the tutorial's.
frame() { xwininfo -id "$1" -frame | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'; }
read -r mx my _ _ < <(frame "$main")
read -r tx ty tw th < <(frame "$tutorial")
convert "$work/screen.png" -crop $((tx + tw - mx + 6))x$((ty + th - my + 26))+$((mx - 4))+$((my - 24)) +repage "$out/tutorial.png"
echo "saved tutorial.png"
keys "$tutorial" alt+d                    # Done

keys "$main" alt+e s                      # Edit > Scheduler
scheduler=$(window '^Scheduler$')
keys "$scheduler" alt+s                   # the default daily entry
keys "$scheduler" alt+h alt+s             # an hourly one
keys "$scheduler" alt+l alt+s             # a memory-load trigger
shot "$scheduler" scheduler
keys "$scheduler" alt+c

keys "$main" alt+e a                      # Edit > Applications…
applications=$(window '^Applications$')
sleep 1
keys "$applications" alt+i                # Trim Idle: its answer under the list
shot "$applications" applications
keys "$applications" Escape

keys "$main" alt+r                        # Recover Memory
for _ in $(seq 100); do
  progress=$(xdotool search --onlyvisible --name '^Kestrune$' 2>/dev/null | grep -v "^$main$" | tail -n 1 || true)
  [ -n "$progress" ] && { shot "$progress" recovery-progress; break; }
  sleep 0.05
done
result=$(window '^Complete$')
sleep 0.3
shot "$result" recovery-result
keys "$result" Return

keys "$main" alt+s                        # Scrub Memory
scrub=$(window '^Memory Defragmenter$')
sleep 2
shot "$scrub" scrub-running
# Done when the map's last cell stays green (a run shuffles it back to red
# within a step); a loaded machine takes longer than a quiet one.
scale=${KESTRUNE_DPI:-96}
cell() { import -window "$scrub" -crop 1x1+$((423 * scale / 96))+$((300 * scale / 96)) -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1; }
green=0
for _ in $(seq 240); do
  if [ "$(cell)" = "#008000" ]; then green=$((green + 1)); else green=0; fi
  [ "$green" -ge 4 ] && break
  sleep 0.5
done
shot "$scrub" scrub-done
# Enter presses its button: Stop if it still runs, then Close once offered.
for _ in $(seq 120); do
  xdotool search --onlyvisible --name '^Memory Defragmenter$' >/dev/null 2>&1 || break
  keys "$scrub" Return
done
keys "$main" alt+f x
wait "$program"
