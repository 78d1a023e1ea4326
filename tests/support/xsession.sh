# shellcheck shell=bash
# A private X session for the black-box tests, sourced by them.
#   xsession_start DIR [resetting] [openbox] [trayer]
#     starts Xvfb on a free display once it accepts connections (-displayfd,
#     so no race with its start-up), exports DISPLAY and QT_QPA_PLATFORM=xcb
#     (a caller's offscreen setting must not leak into a real-window test),
#     and starts the window manager and the tray host when asked. The server
#     does not reset when its last client leaves (a connection made during a
#     reset is refused), unless `resetting` is asked for.
#   xsession_stop
#     ends everything xsession_start started; call it from the caller's trap.
#   xsession_bus
#     starts a private session bus (dbus-daemon) and exports its address;
#     xsession_stop ends it too.
#   xsession_a11y
#     after xsession_start: a private session bus (unless one was started),
#     the accessibility bus on it, switched on as a screen reader switches
#     it on, so that programs started afterwards publish their controls
#     (tests/support/atspi_do.py drives them); xsession_stop ends it too.
#   xsession_a11y_on
#     true while the accessibility bus started by xsession_a11y runs.
#   xsession_have PROGRAM...
#     true when every program is installed.
# Functions only; the caller keeps its own `set` options.

xsession_pids=()
xsession_bus_pid=""
xsession_a11y_up=""

xsession_bus() {
  local out
  unset DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
  out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
  DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
  export DBUS_SESSION_BUS_ADDRESS
  xsession_bus_pid=$(sed -n 2p <<<"$out")
}

xsession_a11y() {
  [ -n "$xsession_bus_pid" ] || xsession_bus
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  xsession_pids+=($!)
  xsession_until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress || {
    echo "xsession: the accessibility bus did not start" >&2
    return 1
  }
  dbus-send --session --type=method_call --dest=org.a11y.Bus /org/a11y/bus org.freedesktop.DBus.Properties.Set \
    string:org.a11y.Status string:IsEnabled variant:boolean:true
  xsession_a11y_up=1
}

xsession_a11y_on() { [ -n "$xsession_a11y_up" ]; }

xsession_have() {
  local p
  for p in "$@"; do command -v "$p" >/dev/null 2>&1 || return 1; done
}

# Waits up to ~30 s (a loaded machine starts a tray slowly) for a command to
# succeed.
xsession_until() {
  local i
  for i in $(seq 600); do "$@" >/dev/null 2>&1 && return 0; sleep 0.05; done
  return 1
}

xsession_start() {
  local dir=$1; shift
  local fifo=$dir/displayfd display="" reset=-noreset
  if [ "${1:-}" = resetting ]; then reset=""; shift; fi
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp $reset 3>"$fifo" >"$dir/xvfb.log" 2>&1 &
  xsession_pids+=($!)
  read -r -t 20 display <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$display" ]; then
    echo "xsession: Xvfb did not start:" >&2
    cat "$dir/xvfb.log" >&2
    return 1
  fi
  export DISPLAY=:$display QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY
  local extra
  for extra in "$@"; do
    case $extra in
      openbox)
        openbox --sm-disable >"$dir/openbox.log" 2>&1 &
        xsession_pids+=($!)
        xsession_until wmctrl -m || { echo "xsession: openbox did not start" >&2; return 1; }
        ;;
      trayer)
        xsession_trayer "$dir"
        ;;
      *) echo "xsession: unknown helper $extra" >&2; return 1 ;;
    esac
  done
}

# Starts the tray host (again, after xsession_kill_trayer); waits until it
# has mapped its panel. `xsession_trayer DIR WIDTH` gives the panel a fixed
# width, so that it never moves as icons dock (Wine tracks the tray only
# where it first saw it). A trayer that dies or never maps its panel on a
# loaded machine is started afresh, up to three times, before giving up with
# its log.
xsession_trayer() {
  local attempt width=(--widthtype request)
  [ -z "${2:-}" ] || width=(--widthtype pixel --width "$2")
  for attempt in 1 2 3; do
    trayer --edge top --align right "${width[@]}" --height 24 --SetDockType true >"$1/trayer.log" 2>&1 &
    xsession_trayer_pid=$!
    xsession_pids+=($!)
    xsession_until xdotool search --onlyvisible --name '^panel$' && return 0
    echo "xsession: trayer did not map its panel (attempt $attempt):" >&2
    cat "$1/trayer.log" >&2
    xsession_kill_trayer
  done
  echo "xsession: trayer did not start" >&2
  return 1
}

xsession_kill_trayer() {
  [ -n "${xsession_trayer_pid:-}" ] || return 0
  kill "$xsession_trayer_pid" 2>/dev/null || true
  wait "$xsession_trayer_pid" 2>/dev/null || true
  xsession_trayer_pid=""
}

xsession_stop() {
  local i
  for ((i = ${#xsession_pids[@]} - 1; i >= 0; i--)); do
    kill "${xsession_pids[$i]}" 2>/dev/null || true
  done
  for i in "${xsession_pids[@]}"; do wait "$i" 2>/dev/null || true; done
  xsession_pids=()
  xsession_a11y_up=""
  # Forked away, so not ours to wait for.
  [ -z "$xsession_bus_pid" ] || kill "$xsession_bus_pid" 2>/dev/null || true
  xsession_bus_pid=""
}
