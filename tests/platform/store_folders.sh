#!/usr/bin/env bash
# Black-box: a store the program may write, where no new file can be made
# beside it (a WAL file's every reader needs its -wal and -shm), is read:
# the Scheduler's entry made earlier comes due and runs (the clock set to
# 09:59:40 with libfaketime, the entry daily at 10:00), "Schedule" fails
# with its box, the reason is said once on stderr, File > Exit ends the
# program with 0, and the store is byte for byte as it was, with nothing
# made beside it. Two such places: a 0555 folder, run as another user
# (nobody, when the test runs as root), and a full tmpfs, where the test
# may mount one; and an immutable folder (chattr +i), where the file system
# has the flag. Each is skipped, saying why, where it cannot be made.
# A nearly full tmpfs (36 KiB free) takes the -wal and -shm but not a
# write: the same, the full disk named by the write that met it, and the
# first SIGTERM ends the program. A store that is no file, another
# program's or damaged is named once and left as it is, and SIGTERM ends
# the program with 0.
#   usage: store_folders.sh EXECUTABLE
set -euo pipefail
exe=$(readlink -f "$1")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/../support/xsession.sh"
. "$here/../support/drive.sh"
work=$(mktemp -d)
chmod 755 "$work"  # another user runs the program in here
drive_home "$work"
app="" mounted="" immutable=""
cleanup() {
  [ -z "$app" ] || kill -9 "$app" 2>/dev/null || true
  xsession_stop
  [ -z "$immutable" ] || chattr -i "$immutable" 2>/dev/null || true
  [ -z "$mounted" ] || umount "$mounted" 2>/dev/null || true
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { drive_fail store_folders "$@"; }
note() { echo "store_folders: $*"; }
command -v faketime >/dev/null || { note "faketime is not installed: skipped"; exit 0; }

entries() {
  sqlite3 "$1" "SELECT v.name || '|' || CAST(rtrim(v.data, x'00') AS TEXT) FROM registry_values v
    JOIN registry_keys k ON k.id = v.key WHERE k.hive = 2147483650
    AND k.path = 'SOFTWARE\Tarnwick Technologies\Orbenfold\KestrunePlugin\SCHENT' ORDER BY v.seq"
}
# The first SIGTERM ends the program with 0 within 5 s.
# Under faketime, the program is the child of the process started.
terminated() {
  local what=$1 rc=0
  kill -TERM "$(pgrep -P "$app" -x kestrune || echo "$app")"
  for _ in $(seq 100); do drive_alive "$app" || break; sleep 0.05; done
  drive_alive "$app" && fail "$what: the first SIGTERM did not end the program within 5 s"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$what: SIGTERM: the program exited with $rc"
}
waitExit() {
  local what=$1 rc=0
  for _ in $(seq 200); do drive_alive "$app" || break; sleep 0.05; done
  drive_alive "$app" && fail "$what: File > Exit did not end the program"
  wait "$app" || rc=$?
  app=""
  [ $rc -eq 0 ] || fail "$what: the program exited with $rc"
}

xsession_start "$work" openbox
xsession_a11y || fail "the accessibility bus did not start"

# The entry, made as a user makes it: the Scheduler's daily 10:00 AM recovery.
seed=$work/seed.sqlite3
KESTRUNE_REGISTRY=$seed "$exe" 2>"$work/stderr" &
app=$!
drive_window '^Kestrune$' 30 >/dev/null || fail "no main window"
drive_menu Scheduler
drive_window '^Scheduler$' >/dev/null || fail "Edit > Scheduler opened nothing"
drive_press Scheduler "push button" Schedule
drive_press Scheduler "push button" Close
drive_gone '^Scheduler$' || fail "the Scheduler did not close"
drive_menu Exit
waitExit "making the entry"
[ "$(entries "$seed")" = "0|R 10 0 every day 0 0 0" ] || fail "the Scheduler stored $(entries "$seed")"

# One run on the store at $1, as the user `as` is given: the entry runs,
# Schedule fails, the reason is said once, and the store is untouched.
# Driven by the controls' Alt letters, not on the accessibility bus: one
# run is as another user, whom this session's buses do not admit.
run() {
  local what=$1 store=$2 why=$3; shift 3
  local folder before told
  folder=$(dirname "$store")
  before=$(sha256sum <"$store")
  : >"$work/stderr"
  "$@" env KESTRUNE_REGISTRY="$store" TZ=UTC \
    faketime -m --exclude-monotonic '2003-12-29 09:59:40' "$exe" 2>>"$work/stderr" &
  app=$!
  main=$(drive_window '^Kestrune$' 30) || fail "$what: no main window"
  box=$(drive_window '^Complete$' 90) || fail "$what: the entry due at 10:00 did not run"
  xdotool windowactivate --sync "$box" key Return
  drive_gone '^Complete$' || fail "$what: the result box did not close"
  xdotool windowactivate --sync "$main" key --delay 150 alt+e s  # Edit > Scheduler
  scheduler=$(drive_window '^Scheduler$') || fail "$what: Edit > Scheduler opened nothing"
  xdotool windowactivate --sync "$scheduler" key alt+s  # Schedule
  box=$(drive_window '^TarnError$' 10) || fail "$what: Schedule did not say that it failed"
  xdotool windowactivate --sync "$box" key Return
  drive_gone '^TarnError$' || fail "$what: the error box did not close"
  xdotool windowactivate --sync "$scheduler" key alt+c  # Close
  drive_gone '^Scheduler$' || fail "$what: the Scheduler did not close"
  if [ -n "${byTerm:-}" ]; then
    terminated "$what"
  else
    xdotool windowactivate --sync "$main" key --delay 150 alt+f x  # File > Exit
    waitExit "$what"
  fi
  told=$(grep -cF "$why" "$work/stderr" || true)
  [ "$told" -eq 1 ] || fail "$what: the reason was said $told times, not once"
  [ "$(sha256sum <"$store")" = "$before" ] || fail "$what: the store was changed"
  [ -z "$(find "$folder" -mindepth 1 -maxdepth 1 ! -name registry.sqlite3 ! -name fill)" ] || fail "$what: files were made beside the store: $(ls "$folder")"
  note "$what: the entry ran, Schedule failed with its box, the reason said once, exit 0, the store as it was"
}

# A 0555 folder, the store in it writable by the user who runs the program.
locked=$work/locked
mkdir "$locked"
cp "$seed" "$locked/registry.sqlite3"
chmod 0666 "$locked/registry.sqlite3"
chmod 0555 "$locked"
if [ "$(id -u)" -eq 0 ]; then
  other="$work/other"
  mkdir -p "$other/home" "$other/run"
  chown -R 65534:65534 "$other"
  chmod 700 "$other/run"
  if setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null; then
    run "a 0555 folder, as nobody" "$locked/registry.sqlite3" "can read its store $locked/registry.sqlite3 but not change it: its folder $locked does not allow new files" \
      setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$other/home" XDG_RUNTIME_DIR="$other/run"
  else
    note "a 0555 folder: cannot become the user nobody here: skipped"
  fi
else
  run "a 0555 folder" "$locked/registry.sqlite3" \
    "can read its store $locked/registry.sqlite3 but not change it: its folder $locked does not allow new files" env
fi

# A full file system.
full=$work/full
mkdir "$full"
if mount -t tmpfs -o size=512k tmpfs "$full" 2>/dev/null; then
  mounted=$full
  cp "$seed" "$full/registry.sqlite3"
  dd if=/dev/zero of="$full/fill" bs=4k 2>/dev/null || true
  run "a full tmpfs" "$full/registry.sqlite3" \
    "can read its store $full/registry.sqlite3 but not change it: the file system of $full is full" env
  # Nearly full: room for the side files, none for a write, so none for
  # the last-run stamps either: the entry runs all the same.
  rm "$full/fill"
  free=$(df -B1 --output=avail "$full" | tail -n 1)
  dd if=/dev/zero of="$full/fill" bs=1k count=$(((free - 36 * 1024) / 1024)) 2>/dev/null
  byTerm=1 run "a tmpfs with 36 KiB free" "$full/registry.sqlite3" \
    "cannot change its store $full/registry.sqlite3: the file system of $full is full" env
else
  note "a full tmpfs: cannot mount one here: skipped"
fi

# An immutable folder.
frozen=$work/frozen
mkdir "$frozen"
cp "$seed" "$frozen/registry.sqlite3"
if chattr +i "$frozen" 2>/dev/null; then
  immutable=$frozen
  run "an immutable folder" "$frozen/registry.sqlite3" \
    "can read its store $frozen/registry.sqlite3 but not change it: its folder $frozen does not allow new files" env
  chattr -i "$frozen"
  immutable=""
else
  note "an immutable folder: chattr +i is not possible here: skipped"
fi

# What is no store of its own: named once, left as it is, and SIGTERM ends
# the program with 0.
fingerprint() {
  stat -c '%F %s' "$1" 2>&1 || true
  if [ -f "$1" ]; then sha256sum <"$1"; fi
}
refused() {
  local what=$1 store=$2 why=$3 before told
  before=$(fingerprint "$store")
  : >"$work/stderr"
  KESTRUNE_REGISTRY=$store "$exe" 2>>"$work/stderr" &
  app=$!
  main=$(drive_window '^Kestrune$' 30) || fail "$what: no main window"
  xdotool windowactivate --sync "$main" key --delay 150 alt+e s  # Edit > Scheduler lists the store
  drive_window '^Scheduler$' >/dev/null || fail "$what: Edit > Scheduler opened nothing"
  terminated "$what"
  told=$(grep -cF "its store $store: $why" "$work/stderr" || true)
  [ "$told" -eq 1 ] || fail "$what: the reason was said $told times, not once"
  [ "$(fingerprint "$store")" = "$before" ] ||
    fail "$what: the store was changed"
  note "$what: \"$(grep -F "its store $store" "$work/stderr")\", SIGTERM: exit 0, the store as it was"
}
odd=$work/odd
mkdir -p "$odd/folder.sqlite3"
refused "a folder" "$odd/folder.sqlite3" "it is not a file"
refused "/dev/null" /dev/null "it is not a file"
mkfifo "$odd/fifo.sqlite3"
refused "a FIFO" "$odd/fifo.sqlite3" "it is not a file"
ln -s "$odd/loop.sqlite3" "$odd/loop.sqlite3"
refused "a symlink loop" "$odd/loop.sqlite3" "Too many levels of symbolic links"
sqlite3 "$odd/other.sqlite3" "CREATE TABLE settings(name, value); INSERT INTO settings VALUES('v', 'x')"
refused "another program's database" "$odd/other.sqlite3" "it is another program's file"
head -c 8192 "$seed" >"$odd/truncated.sqlite3"
refused "a truncated store" "$odd/truncated.sqlite3" "it is damaged"
