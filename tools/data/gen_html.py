#!/usr/bin/python3
"""Writes resources/HTML.plist: the named entities of HTML 4.01.

A property-list dictionary from the decimal code point as text to the entity
name without "&" and ";". Python's html.entities.name2codepoint is exactly the
HTML 4.01 set (252 entities, one per code point).
"""

import html.entities
import os
import plistlib
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import unidata  # noqa: E402

HTML_FILE = "HTML.plist"


def entity_table():
    table = {}
    for name, cp in sorted(html.entities.name2codepoint.items()):
        key = "%d" % cp
        if key in table:
            raise ValueError(f"two entities for {key}: {table[key]}, {name}")
        table[key] = name
    return table


def generate(_sources, out_dir):
    path = os.path.join(out_dir, HTML_FILE)
    data = plistlib.dumps(entity_table(), fmt=plistlib.FMT_XML, sort_keys=True)
    unidata.write_if_changed(path, data)
    return [path]


generate.needs_sources = False

if __name__ == "__main__":
    sys.exit(unidata.run_main(generate, __doc__.splitlines()[0]))
