#!/usr/bin/python3
"""Writes resources/UnicodeCharacters.txt: the defined characters of Unicode 17.0.

A property-list array of integers taken in pairs as inclusive ranges
(first, last), ascending. Defined: every assigned code point from U+0020 on
that is not a control, private-use or surrogate code point.
"""

import os
import plistlib
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import unidata  # noqa: E402

CHARACTERS_FILE = "UnicodeCharacters.txt"
NOT_DEFINED = ("Unassigned", "Control", "Private_Use", "Surrogate")


def defined_ranges(sources):
    ranges = []
    for category, cat_ranges in sources.category_ranges().items():
        if category not in NOT_DEFINED:
            ranges.extend(tuple(r) for r in cat_ranges)
    return unidata.subtract_ranges(unidata.merge_ranges(ranges), [(0, 0x1F)])


def generate(sources, out_dir):
    numbers = [n for pair in defined_ranges(sources) for n in pair]
    path = os.path.join(out_dir, CHARACTERS_FILE)
    unidata.write_if_changed(path, plistlib.dumps(numbers, fmt=plistlib.FMT_XML))
    return [path]


generate.needs_sources = True

if __name__ == "__main__":
    sys.exit(unidata.run_main(generate, __doc__.splitlines()[0]))
