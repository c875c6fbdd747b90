#!/usr/bin/python3
# A screen reader's view of a running program, for the end-to-end tests: finds the
# application whose process is PID on the accessibility bus (AT-SPI, through pyatspi) and
# prints one line per object of its windows, indented by depth: "role | name | text".
# Exits 1 when no such application is registered.
#   screen-reader.py PID
import sys

import pyatspi


def text_of(obj):
    try:
        t = obj.queryText()
        return t.getText(0, t.characterCount)
    except (NotImplementedError, AttributeError, Exception):
        return ""


def dump(obj, depth, out, limit=4000):
    if obj is None or len(out) >= limit:
        return
    name = (obj.name or "").replace("\n", " ")
    out.append("%s%s | %s | %s" % ("  " * depth, obj.getRoleName(), name, text_of(obj).replace("\n", " ")))
    for i in range(obj.childCount):
        dump(obj.getChildAtIndex(i), depth + 1, out, limit)


def main():
    pid = int(sys.argv[1])
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        out = []
        dump(app, 0, out)
        print("\n".join(out))
        return 0
    return 1


sys.exit(main())
