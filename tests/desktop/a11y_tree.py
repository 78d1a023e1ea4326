#!/usr/bin/python3
"""What a screen reader finds of Kestrune, read from the AT-SPI tree.

usage: a11y_tree.py main|scheduler|scrub [PID]       exit 0 when every expected name and role is there
       a11y_tree.py about|tutorial|progress|result [PID]  the same for the About box, the Tutorial, the
                                                    recovery's progress window and its result box
       a11y_tree.py applications [unavailable]      the same for the Applications window; "unavailable"
                                                    expects the sentence saying why trimming does not work
                                                    here in the list's place, and both trim buttons disabled
       a11y_tree.py honest [PID]                    exit 0 when for 6 s no figure shows its design text
"""
import os
import re
import sys
import time

import pyatspi

# The bus's walk and names are the drive tool's own; no bytecode is left in
# the source tree by the import.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_do import application, label, walk  # noqa: E402


def app(pid=None):
    """The program on the bus; with `pid`, that process's, not an earlier
    copy's that has not left the bus yet."""
    return application(pid, time.monotonic() + 10)


def key_binding(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return ""
    return action.getKeyBinding(0) if action.nActions > 0 else ""


def controls(root):
    return [(n.getRoleName(), label(n), n) for n in walk(root)]


def expect(found, role, name, problems, key=None):
    """A control of that role whose name matches; with `key`, the keyboard
    letter it is reached by."""
    pattern = re.compile(name)
    hits = [n for r, nm, n in found if r == role and pattern.fullmatch(nm)]
    if not hits:
        problems.append(f"no {role} named {name!r}")
        return
    if key is not None and not any(key.lower() in key_binding(n).lower() for n in hits):
        problems.append(f"{role} {name!r} has no keyboard letter {key!r} (binding {key_binding(hits[0])!r})")


# What the window shows before its first sample; never to be seen.
PLACEHOLDERS = ("1024 MB / 1024 MB", "Memory Load 100%", "1024 MB", "512 MB")


def figure_labels(node, depth=0):
    """The labels below `node`, passing over the menus (the figures are not
    there), with as few calls to the program as a walk can make."""
    role = node.getRoleName()
    if role == "label":
        yield node.name
        return
    if role in ("menu bar", "push button", "progress bar") or depth > 10:
        return
    for child in node:
        if child is not None:
            yield from figure_labels(child, depth + 1)


def honest(root):
    """Reads the main window's figures while an operation started with the
    window holds it (a recovery answers only between its ticks): a design
    text read once is a failure, and at least one whole reading is made."""
    from gi.repository import Atspi
    Atspi.set_timeout(1000, 15000)  # a tick is 100 ms; the last step answers nothing for 10 s
    readings = 0
    figures = labels = []
    end = time.monotonic() + 25  # the recovery's 21 s, and its start
    while time.monotonic() < end and readings < 3:
        try:
            mains = [w for w in root if w is not None and w.getRoleName() == "frame" and w.name == "Kestrune"]
            labels = list(figure_labels(mains[0])) if mains else []
        except Exception:  # a reply that did not come in time: read again
            continue
        shown = [nm for nm in labels if nm in PLACEHOLDERS]
        if shown:
            print(f"a11y honest: the design text {shown[0]!r} is shown", file=sys.stderr)
            return 1
        figures = [nm for nm in labels if re.fullmatch(r"\d+ MB / \d+ MB", nm)]
        if len(figures) == 4:
            readings += 1
    if readings == 0:
        print(f"a11y honest: no whole reading of the four figures (the last: {labels})", file=sys.stderr)
        return 1
    print(f"a11y honest: {readings} readings of the figures during the operation, no design text: {figures}")
    return 0


# Shown without a name of their own, as a screen reader expects them: what
# they hold is named.
NAMELESS = ("separator", "menu bar", "status bar", "scroll bar", "popup menu")


def extents(node):
    try:
        return node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except NotImplementedError:
        return None


def before_in_reading(a, b):
    """False when `b`, read after `a`, stands above it in the same column or
    to its left on the same line."""
    ax, ay, aw, ah = a
    bx, by, bw, bh = b
    across = bx < ax + aw and ax < bx + bw
    along = by < ay + ah and ay < by + bh
    return not ((by + bh <= ay and across) or (bx + bw <= ax and along))


def audit(window, problems, live_labels=False):
    """Every shown object below `window`: named (or nameless by its kind),
    a role a screen reader says, a description that adds to its name, and
    siblings read in the order they stand on the screen."""
    def visit(node, path, depth):
        kids = [c for c in node if c is not None and c.getState().contains(pyatspi.STATE_SHOWING)]
        placed = []
        for c in kids:
            role, name = c.getRoleName(), label(c)
            where = f"{role} {name!r} in {path}"
            if role in ("filler", "unknown"):
                problems.append(f"{where} has the role {role}")
            # A label with no text yet shows nothing and is passed over.
            if not name and role not in NAMELESS and role != "label":
                problems.append(f"an unnamed {role} in {path}")
            # Labels a run rewrites while they are read carry no tip; the bus
            # has been seen to pair such a label's texts as name and description.
            if role != "combo box" and not (live_labels and role == "label") and c.name and c.description == c.name:
                problems.append(f"{where} repeats its name as its description")
            box = extents(c)
            if box is not None and box[2] > 0 and box[3] > 0:
                if placed and not before_in_reading(placed[-1][1], box):
                    problems.append(f"{where} is read after {placed[-1][0]!r}, which stands below or after it")
                placed.append((f"{role} {name}", box))
            if depth < 30:
                visit(c, f"{path} > {role} {name!r}" if name else path, depth + 1)
    visit(window, f"{window.getRoleName()} {window.name!r}", 0)


def focused(root, title):
    """The role and name of the object that has the keyboard in the window titled `title`."""
    for w in root:
        if w is None or w.name != title:
            continue
        for n in walk(w):
            if n.getState().contains(pyatspi.STATE_FOCUSED) and n is not w:
                return n.getRoleName(), label(n)
    return None


def progress(root):
    """The recovery's progress window while it runs. The run answers only
    between its ticks, so only that window is read, and a reply that does
    not come in time is asked again."""
    from gi.repository import Atspi
    Atspi.set_timeout(1000, 15000)
    end = time.monotonic() + 15
    problems = ["no progress window shown"]
    while time.monotonic() < end:
        try:
            dialogs = [w for w in root if w is not None and w.getRoleName() == "dialog" and w.name == "Kestrune"
                       and w.getState().contains(pyatspi.STATE_SHOWING)]
            if not dialogs:
                time.sleep(0.1)
                continue
            problems = []
            if not any(n.getRoleName() == "progress bar" and n.name == "Recovery progress" for n in walk(dialogs[0])):
                problems.append("no progress bar named 'Recovery progress'")
            audit(dialogs[0], problems, live_labels=True)
            break
        except Exception:  # a reply that did not come in time: read again
            problems = ["the progress window went before it was read whole"]
    for p in problems:
        print(f"a11y progress: {p}", file=sys.stderr)
    if not problems:
        print("a11y progress: the progress window and its bar named, no filler, in screen order")
    # 2: only the time ran out, which a loaded machine can cause; the caller may run again.
    if problems == ["the progress window went before it was read whole"]:
        return 2
    return 1 if problems else 0


def sensitive(node):
    return node.getState().contains(pyatspi.STATE_SENSITIVE)


def applications(found, problems, unavailable):
    expect(found, "dialog", "Applications", problems)
    buttons = {nm: n for r, nm, n in found if r == "push button"}
    # A disabled button offers no keyboard letter to press.
    for name, key in (("Trim Selected", "s"), ("Trim Idle", "i"), ("Close", "c")):
        expect(found, "push button", name, problems, key=key if name in buttons and sensitive(buttons[name]) else None)
    # The sentence stands where the list would be, and nothing can be trimmed.
    why = [nm for r, nm, n in found if r == "label" and nm.startswith("Trimming ") and nm.endswith(".")
           and n.getState().contains(pyatspi.STATE_SHOWING)]
    listed = any(nm == "Applications and their memory" and n.getState().contains(pyatspi.STATE_SHOWING)
                 for r, nm, n in found)
    trims = [buttons[b] for b in ("Trim Selected", "Trim Idle") if b in buttons]
    if unavailable:
        if not why:
            problems.append("no sentence saying why trimming does not work here")
        if listed:
            problems.append("the list is shown although trimming does not work here")
        if any(sensitive(b) for b in trims):
            problems.append("a trim button is enabled although trimming does not work here")
    elif not (why or listed):
        problems.append("neither the list nor the sentence saying why trimming does not work")
    if "Close" in buttons and not sensitive(buttons["Close"]):
        problems.append("Close is disabled")
    if not any(nm.startswith("Used ") and " MB of " in nm for r, nm, n in found):
        problems.append("no line with the system's memory")


# Each window's first control in reading order, where the keyboard starts.
FIRST = {"main": ("Kestrune", "push button", "Recover Memory"),
         "scheduler": ("Scheduler", "radio button", "Daily"),
         "tutorial": ("Memory Tutorial", "push button", "Done")}


def main(which, arg=None):
    pid = int(arg) if arg and arg.isdigit() else None
    unavailable = arg == "unavailable"
    root = app(pid)
    if which == "honest":
        return honest(root)
    if which == "progress":
        return progress(root)
    # The tree is filled in as the windows map; give it a moment.
    problems = []
    for _ in range(50):
        found = controls(root)
        problems = []
        if which == "main":
            expect(found, "push button", "Recover Memory", problems, key="r")
            expect(found, "push button", "Scrub Memory", problems, key="s")
            for kind in ("Physical Memory", "PageFile", "Virtual Memory", "Total Memory"):
                expect(found, "progress bar", kind, problems)
            for menu, key in (("File", "f"), ("Exit", "x"), ("Edit", "e"), ("Scheduler", "s"),
                              ("Applications\u2026", "a"), ("Help", "h"), ("Tutorial", "t"), ("Visit Support", "v")):
                expect(found, "menu item", menu, problems, key=key)
            expect(found, "menu item", "About Kestrune", problems, key="a")
            graph = [nm for r, nm, n in found if nm.startswith("Physical memory in use")]
            if not graph or not re.fullmatch(r"Physical memory in use: \d{1,3} %", graph[0]):
                problems.append(f"the history graph is not named with its value: {graph}")
            # Announced as a window, its rule under the menu as a separator.
            expect(found, "frame", "Kestrune", problems)
            expect(found, "separator", "", problems)
        elif which == "scrub":
            expect(found, "dialog", "Memory Defragmenter", problems)
            expect(found, "text", "Scrub log", problems)
            maps = [n for r, nm, n in found if r == "image" and nm == "Page-set map"]
            if not maps:
                problems.append("no image named 'Page-set map'")
            elif not re.fullmatch(r"Page set \d+: \d+ of \d+ cells done", maps[0].description or ""):
                problems.append(f"the map's description does not count its cells: {maps[0].description!r}")
        elif which == "applications":
            applications(found, problems, unavailable)
        elif which == "about":
            expect(found, "alert", "About Kestrune", problems)
            expect(found, "push button", "OK", problems)
        elif which == "tutorial":
            expect(found, "dialog", "Memory Tutorial", problems)
            expect(found, "push button", "Done", problems, key="d")
        elif which == "result":
            expect(found, "alert", "Complete", problems)
        else:
            expect(found, "dialog", "Scheduler", problems)
            expect(found, "radio button", "Hourly", problems, key="h")
            expect(found, "combo box", "Run", problems)
            expect(found, "text", "Time, hours and minutes", problems)
            expect(found, "combo box", "AM or PM", problems)
            expect(found, "push button", "Schedule", problems, key="s")
            expect(found, "push button", "Remove", problems, key="e")
            expect(found, "push button", "Close", problems, key="c")
            if not any(nm == "Scheduled tasks" for r, nm, n in found):
                problems.append("the list of entries has no name")
        # Names are what is read out: never a mnemonic's mark.
        marked = sorted({nm for r, nm, n in found if "&" in nm})
        if marked:
            problems.append(f"names with an ampersand: {marked}")
        # Every window is a frame or a dialog, every frame has a name.
        if any(r == "filler" and n.parent is not None and n.parent.getRoleName() == "application"
               for r, nm, n in found):
            problems.append("a window is a filler, not a frame or a dialog")
        if any(r == "frame" and not nm for r, nm, n in found):
            problems.append("an unnamed frame")
        for window in root:
            if window is not None and window.getState().contains(pyatspi.STATE_SHOWING):
                audit(window, problems)
        # The keyboard starts on the window's first control.
        first = FIRST.get(which)
        if first is not None and focused(root, first[0]) != first[1:]:
            problems.append(f"the keyboard starts on {focused(root, first[0])}, not on {first[1:]}")
        if not problems:
            print(f"a11y {which}: {len(found)} accessible objects, every expected name there")
            return 0
        time.sleep(0.2)
    for p in problems:
        print(f"a11y {which}: {p}", file=sys.stderr)
    print(f"a11y {which}: the tree held " + ", ".join(f"{r} {nm!r}" for r, nm, n in found if nm), file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "main", sys.argv[2] if len(sys.argv) > 2 else None))
