#!/usr/bin/python3
"""Writes resources/Layouts.plist: the built-in layouts "Unicode Blocks" and
"Scripts and Symbols" from Unicode 17.0.

The file is a property-list array of layouts; each layout is an array of
strings: the layout's name, then its groups, each a group name followed by
pairs of inclusive bounds written as "0x%X". No bound is 0, no group name
starts with a digit, and no pair crosses a plane boundary.
"""

import os
import plistlib
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import unidata  # noqa: E402

LAYOUTS_FILE = "Layouts.plist"
BLOCKS_LAYOUT = "Unicode Blocks"
SCRIPTS_LAYOUT = "Scripts and Symbols"
UNDEFINED_GROUP = "Undefined"

SURROGATE_BLOCKS = ("High Surrogates", "High Private Use Surrogates", "Low Surrogates")

# Groups of the values that stand for sequences (planes 10 and 11).
VIRTUAL_GROUPS = (
    ("Emoji Flags", unidata.FLAG_FIRST, unidata.FLAG_LAST),
    ("Emoji Sequences", unidata.JOINED_FIRST, unidata.JOINED_LAST),
    ("Emoji Keycaps", unidata.KEYCAP_FIRST, unidata.KEYCAP_LAST),
    ("Ligatures", unidata.LIGATURE_FIRST, unidata.LIGATURE_LAST),
)
VIRTUAL_PLANES = [(0xA0000, 0xBFFFF)]
SURROGATES = [(0xD800, 0xDFFF)]
ALL = [(0x20, 0x10FFFF)]

# Characters of the scripts Common and Inherited (and those without a
# script), grouped by general category, in this order.
CATEGORY_GROUPS = (
    ("Punctuation", ("Connector_Punctuation", "Dash_Punctuation", "Open_Punctuation",
                     "Close_Punctuation", "Initial_Punctuation", "Final_Punctuation",
                     "Other_Punctuation")),
    ("Numbers", ("Decimal_Number", "Letter_Number", "Other_Number")),
    ("Currency Symbols", ("Currency_Symbol",)),
    ("Mathematical Symbols", ("Math_Symbol",)),
    ("Modifier Symbols", ("Modifier_Symbol",)),
    ("Other Symbols", ("Other_Symbol",)),
    ("Letterlike Symbols", ("Uppercase_Letter", "Lowercase_Letter", "Titlecase_Letter",
                       "Modifier_Letter", "Other_Letter")),
    ("Combining Marks", ("Nonspacing_Mark", "Spacing_Mark", "Enclosing_Mark")),
    ("Spaces", ("Space_Separator", "Line_Separator", "Paragraph_Separator")),
    ("Control and Format Characters", ("Control", "Format")),
)
SHARED_SCRIPTS = ("Common", "Inherited", "Unknown")


def split_at_planes(ranges):
    out = []
    for a, b in ranges:
        while (a >> 16) != (b >> 16):
            end = (a | 0xFFFF)
            out.append((a, end))
            a = end + 1
        out.append((a, b))
    return out


def group(name, ranges):
    items = [name]
    for a, b in split_at_planes(unidata.merge_ranges(ranges)):
        items += ["0x%X" % a, "0x%X" % b]
    return items


def virtual_groups():
    return [(first, group(name, [(first, last)])) for name, first, last in VIRTUAL_GROUPS]


def blocks_layout(sources):
    blocks = [b for b in sources.blocks() if b[0] not in SURROGATE_BLOCKS]
    entries = []
    for name, a, b in blocks:
        if name == "Basic Latin":
            a = 0x20
        entries.append((a, group(name, [(a, b)])))
    entries += virtual_groups()
    entries.sort(key=lambda e: e[0])
    outside = unidata.subtract_ranges(
        ALL, [(a, b) for _, a, b in sources.blocks()] + VIRTUAL_PLANES + SURROGATES)
    layout = [BLOCKS_LAYOUT]
    for _, items in entries:
        layout += items
    layout += group(UNDEFINED_GROUP, outside)
    return layout


def scripts_layout(sources):
    cats = {k: [tuple(r) for r in v] for k, v in sources.category_ranges().items()}
    unassigned = cats["Unassigned"]
    emoji = sources.property_ranges("Emoji_Presentation")
    taken = list(emoji) + unassigned + cats["Private_Use"] + cats["Surrogate"] + [(0, 0x1F)]

    layout = [SCRIPTS_LAYOUT]
    letters = [r for c in ("Uppercase_Letter", "Lowercase_Letter", "Titlecase_Letter", "Other_Letter")
               for r in cats[c]]

    def position(script):
        # Scripts are ordered by their first letter (their first character
        # of any kind when they have no letters).
        name, ranges = script
        own_letters = unidata.intersect_ranges(ranges, letters)
        return ((own_letters or ranges)[0][0], name)

    scripts = sorted(((name, r) for name, r in sources.scripts().items() if name not in SHARED_SCRIPTS),
                     key=position)
    own_script = []
    for name, ranges in scripts:
        ranges = unidata.subtract_ranges(ranges, taken)
        if ranges:
            layout += group(name, ranges)
            own_script += ranges
    taken += own_script
    for name, categories in CATEGORY_GROUPS:
        ranges = unidata.subtract_ranges([r for c in categories for r in cats[c]], taken)
        if ranges:
            layout += group(name, ranges)
    layout += group("Emoji", unidata.subtract_ranges(emoji, unassigned))
    for _, items in virtual_groups():
        layout += items
    layout += group("Private Use", cats["Private_Use"])
    layout += group(UNDEFINED_GROUP, unidata.subtract_ranges(unassigned, VIRTUAL_PLANES + [(0, 0x1F)]))
    return layout


def generate(sources, out_dir):
    layouts = [blocks_layout(sources), scripts_layout(sources)]
    path = os.path.join(out_dir, LAYOUTS_FILE)
    unidata.write_if_changed(path, plistlib.dumps(layouts, fmt=plistlib.FMT_XML))
    return [path]


generate.needs_sources = True

if __name__ == "__main__":
    sys.exit(unidata.run_main(generate, __doc__.splitlines()[0]))
