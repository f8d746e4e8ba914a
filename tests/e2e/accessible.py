"""Usage: /usr/bin/python3 accessible.py PID. Through AT-SPI, as a screen reader:
opens every window of the program through its menu entry, prints the tree of
each, and fails on a window that is no named frame or dialog and on a usable
control without a name."""

import sys
import time

import pyatspi

# Menu entry: the caption of the window it opens.
MENU = {"Warteliste": "Warteliste", "Suchen": "Suchen", "Einstellungen": "Einstellungen",
        "Quellpfade": "Quellpfade ändern", "Info": "Info"}
CONTROLS = {"push button", "toggle button", "check box", "radio button", "combo box", "list",
            "table", "tree", "text", "spin button", "slider", "progress bar", "menu item"}


def children(node):
    return [c for c in (node.getChildAtIndex(i) for i in range(node.childCount))
            if c is not None and c.getState().contains(pyatspi.STATE_SHOWING)]


def name(node):
    # A combo box's own name is the entry it shows: it is named by its label.
    if node.getRoleName() != "combo box":
        return node.name.strip()
    return " ".join(r.getTarget(i).name for r in node.getRelationSet()
                    if r.getRelationType() == pyatspi.RELATION_LABELLED_BY
                    for i in range(r.getNTargets())).strip()


def windows(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = (desktop.getChildAtIndex(i) for i in range(desktop.childCount))
    return next((children(a) for a in apps if a is not None and a.get_process_id() == pid), [])


def wait_for(what, condition):
    deadline = time.monotonic() + 20
    while not condition():
        if time.monotonic() > deadline:
            sys.exit(f"{what} within 20 s")
        time.sleep(0.1)


def walk(node, path, faults):
    """Prints the shown tree below node; path leads to it."""
    role = node.getRoleName()
    print(f"{'  ' * len(path)}{role} \"{name(node)}\"")
    if role in CONTROLS and not name(node):
        faults.append(f"a {role} without a name in {' > '.join(path)}")
    for child in children(node):
        walk(child, path + [f"{role} \"{name(node)}\""], faults)


def main():
    pid = int(sys.argv[1])
    wait_for("no accessible window", lambda: windows(pid))
    bar = pyatspi.findDescendant(windows(pid)[0], lambda n: n.getRoleName() == "menu bar")
    for item in children(bar):
        if item.name in MENU:
            item.queryAction().doAction(0)
    titles = set(MENU.values())
    wait_for(f"not all of {sorted(titles)} shown", lambda: titles <= {w.name for w in windows(pid)})
    faults = []
    for window in windows(pid):
        if window.getRoleName() not in {"frame", "dialog"} or not window.name:
            faults.append(f"window \"{window.name}\" is a {window.getRoleName()}")
        walk(window, [], faults)
    for fault in faults:
        print(f"FAULT: {fault}", file=sys.stderr)
    sys.exit(1 if faults else 0)


main()
