# shellcheck shell=bash
# The start every black-box test of the real program shares, sourced by it
# first: the X session's helpers (xsession.sh) and the driver's (drive.sh),
# a work folder $work holding a private home and store, $app empty until the
# program is started, and a trap that on exit kills the program, stops the
# session and removes the folder.
#   blackbox_desktop
#     the usual session: openbox, and the accessibility bus switched on;
#     fails the test through the caller's `fail` where that bus does not start.

support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$support/xsession.sh"
. "$support/drive.sh"
work=$(mktemp -d)
drive_home "$work"
app=""

blackbox_end() {
  [ -z "$app" ] || kill -KILL "$app" 2>/dev/null || true
  xsession_stop
  rm -rf "$work"
}
trap blackbox_end EXIT

blackbox_desktop() {
  xsession_start "$work" openbox
  xsession_a11y || fail "the accessibility bus did not start"
}
