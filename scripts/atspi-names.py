#!/usr/bin/python3
# Prints what a screen reader finds in the running program through AT-SPI: one line per object,
# "role<TAB>name<TAB>object name", for every window of the application named in argv[1]
# (default quorvex). Start the program with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 on the same
# session bus. Needs python3-pyatspi.
import sys

import pyatspi


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    try:
        role = node.getRoleName()
        name = node.name or ""
        ident = ""
        try:
            ident = node.accessibleId or ""
        except Exception:
            pass
        print(f"{role}\t{name}\t{ident}")
        for child in node:
            walk(child, depth + 1)
    except Exception as e:  # an object that went away while read
        print(f"gone\t{e}\t", file=sys.stderr)


wanted = sys.argv[1] if len(sys.argv) > 1 else "quorvex"
desktop = pyatspi.Registry.getDesktop(0)
found = False
for app in desktop:
    if app is not None and app.name == wanted:
        found = True
        walk(app)
sys.exit(0 if found else 1)
