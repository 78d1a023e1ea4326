#!/usr/bin/python3
"""Drives the real program by what a screen reader finds of it: a control is
found by its role and accessible name, never by where it is drawn, so a
change of layout, font or scale does not move it, and a test that cannot
find a control names the one it looked for. Debian's own Python, which has
the AT-SPI bindings; the accessibility bus must be on (xsession_a11y).

usage: atspi_do.py [--pid PID] [--window TITLE] [--timeout SECONDS] COMMAND ROLE NAME [ARG]
  press ROLE NAME           its press (or click) action once it is shown and enabled; a
                            radio button or check box is clicked in its middle
  set-text ROLE NAME TEXT   replaces its text
  select ROLE NAME ROW      selects row ROW (from 0) of a list or table
  wait-for ROLE NAME        waits until it is shown
  within ROLE WxH           every shown control of that role lies wholly within its
                            window and a screen of W by H pixels: none is cut off or
                            needs scrolling to; prints each with where it is
ROLE is the AT-SPI role name ("push button", "menu item", "radio button"...);
NAME the accessible name, or a drop-down list's description (its name is its
current item). --pid picks that process, not an earlier copy still on the
bus; --window looks only inside top-level windows of that title. Waits up to
--timeout seconds (10) for the control; exit 1 with what the windows held
when it is not there.
"""
import argparse
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib


def fail(message):
    print(f"atspi_do: {message}", file=sys.stderr)
    sys.exit(1)


def application(pid, deadline):
    while True:
        for a in pyatspi.Registry.getDesktop(0):
            try:
                if a is not None and a.name in ("kestrune", "Kestrune") and (pid is None or a.get_process_id() == pid):
                    return a
            except Exception:  # an application leaving the bus as we ask
                continue
        if time.monotonic() > deadline:
            where = f" with pid {pid}" if pid is not None else ""
            fail(f"no application kestrune{where} on the accessibility bus")
        time.sleep(0.1)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    for child in node:
        yield from walk(child, depth + 1)


def label(node):
    # A drop-down list's name is its current item; what it is for is its description.
    return (node.description if node.getRoleName() == "combo box" else node.name) or ""


# What a "there: ..." list names when a control is not found.
CONTROLS = ("push button", "menu item", "check menu item", "radio button", "check box", "text", "spin button",
            "combo box", "table", "tree table", "tree", "dialog", "frame")


def windows(app, title):
    return [w for w in app if w is not None and (title is None or w.name == title)]


def has(node, state):
    return node.getState().contains(state)


def find(app, args, usable):
    """The first control of that role and name inside the windows asked for
    for which `usable` holds; None with a description of what was there."""
    seen = []
    for window in windows(app, args.window):
        for node in walk(window):
            role = node.getRoleName()
            if role == args.role and label(node) == args.name:
                if usable(node):
                    return node, ""
                seen.append(f"{role} {label(node)!r} (not {usable.__doc__})")
            elif role in CONTROLS and (shown(node) or role.endswith("menu item")):
                seen.append(f"{role} {label(node)!r}")
    where = f" in a window titled {args.window!r}" if args.window is not None else ""
    if not windows(app, args.window):
        titles = [w.name for w in app if w is not None]
        return None, f"no window titled {args.window!r} (there: {titles})"
    seen = list(dict.fromkeys(seen))
    return None, f"no {args.role} named {args.name!r}{where} (there: {', '.join(seen) or 'nothing'})"


def shown(node):
    """shown"""
    return has(node, pyatspi.STATE_SHOWING)


def enabled(node):
    """shown and enabled"""
    # A menu's items are pressed with the menu closed; anything else hidden
    # (another panel's button of the same name) is not what a user can press.
    return (has(node, pyatspi.STATE_SENSITIVE) and has(node, pyatspi.STATE_ENABLED)
            and (shown(node) or node.getRoleName().endswith("menu item")))


def wait(app, args, usable):
    deadline = time.monotonic() + args.timeout
    while True:
        try:
            node, why = find(app, args, usable)
        except Exception as e:  # a window closing while it is read: read again
            node, why = None, f"the tree changed while it was read ({e})"
        if node is not None:
            return node
        if time.monotonic() > deadline:
            fail(f"{why}, after {args.timeout:g} s")
        time.sleep(0.1)


def press(node, args):
    action = node.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" not in names and "click" not in names and "toggle" in names:
        # Qt's toggle action sets a radio button or a check box without a
        # click, and what hangs on the click would not run: click its middle,
        # wherever it is drawn.
        x, y, w, h = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        Atspi.generate_mouse_event(x + w // 2, y + h // 2, "b1c")
        time.sleep(0.3)
        return
    for wanted in ("press", "click", "activate"):
        if wanted in names:
            # Not the default 25 s: see below.
            Atspi.set_timeout(300, -1)
            try:
                action.doAction(names.index(wanted))
            except GLib.GError as e:
                # What opens a modal window answers only once that window
                # closes: the press was delivered.
                if "did not receive a reply" not in str(e).lower():
                    raise
                return
            # A pushed button clicks itself 100 ms later, after its animation;
            # what the click does has a moment more, as after a real click.
            time.sleep(0.3)
            return
    fail(f"{args.role} {args.name!r} offers no press action (it offers {names})")


def set_text(node, args):
    try:
        text = node.queryEditableText()
    except NotImplementedError:
        fail(f"{args.role} {args.name!r} cannot be typed into")
    if not text.setTextContents(args.arg):
        fail(f"{args.role} {args.name!r} refused the text {args.arg!r}")


def select(node, args):
    row = int(args.arg)
    try:
        table = node.queryTable()
    except NotImplementedError:
        table = None
    if table is not None:
        if row >= table.nRows:
            fail(f"{args.role} {args.name!r} has {table.nRows} rows, no row {row}")
        if not table.addRowSelection(row) and not table.isRowSelected(row):
            fail(f"{args.role} {args.name!r} did not select its row {row}")
        return
    try:
        selection = node.querySelection()
    except NotImplementedError:
        fail(f"{args.role} {args.name!r} has no rows to select")
    if not selection.selectChild(row):
        fail(f"{args.role} {args.name!r} did not select its row {row}")


def within(app, args):
    width, height = (int(v) for v in args.name.split("x"))
    screen = (0, 0, width, height)

    def inside(r, box):
        return box[0] <= r[0] and box[1] <= r[1] and r[0] + r[2] <= box[0] + box[2] and r[1] + r[3] <= box[1] + box[3]

    found = bad = 0
    for window in windows(app, args.window):
        frame = tuple(window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
        for node in walk(window):
            if node.getRoleName() != args.role or not shown(node):
                continue
            found += 1
            r = tuple(node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS))
            ok = inside(r, frame) and inside(r, screen)
            bad += not ok
            print(f"{window.name}: {args.role} {label(node)!r} at {r[2]}x{r[3]}+{r[0]}+{r[1]}"
                  f"{'' if ok else f' OUTSIDE its window {frame} or the screen'}")
    if found == 0:
        fail(f"no {args.role} shown in a window titled {args.window!r}")
    if bad:
        fail(f"{bad} of {found} {args.role}s out of reach")


def main():
    parser = argparse.ArgumentParser(description="Drives kestrune by AT-SPI role and name.")
    parser.add_argument("--pid", type=int)
    parser.add_argument("--window")
    parser.add_argument("--timeout", type=float, default=10)
    parser.add_argument("command", choices=("press", "set-text", "select", "wait-for", "within"))
    parser.add_argument("role")
    parser.add_argument("name")
    parser.add_argument("arg", nargs="?")
    args = parser.parse_args()
    if args.command in ("set-text", "select") and args.arg is None:
        parser.error(f"{args.command} needs a value")
    app = application(args.pid, time.monotonic() + args.timeout)
    if args.command == "press":
        press(wait(app, args, enabled), args)
    elif args.command == "set-text":
        set_text(wait(app, args, enabled), args)
    elif args.command == "within":
        deadline = time.monotonic() + args.timeout
        while not windows(app, args.window) and time.monotonic() < deadline:
            time.sleep(0.1)
        within(app, args)
    elif args.command == "select":
        select(wait(app, args, shown), args)
    else:
        wait(app, args, shown)
    return 0


if __name__ == "__main__":
    sys.exit(main())
