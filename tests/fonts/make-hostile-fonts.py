#!/usr/bin/python3
"""Writes two hostile fonts for the tests and benchmarks of font reading.

Run with Debian's python3 (python3-fonttools):
    /usr/bin/python3 tests/fonts/make-hostile-fonts.py OUTPUT_DIR

Both are well-formed TrueType fonts with the letters a to t whose layout tables ask
for an absurd amount of work from a reader that follows their offsets:

  RbxHostileGsub-Regular.ttf  (about 196 KB) one GSUB ligature set of 32,000 ligatures:
                              the first is an honest a+c, all the others point at the
                              same 65,535-component ligature (two thousand million
                              components for a reader that follows every offset).
  RbxHostileMorx-Regular.ttf  (about 801 KB) 14,260 'morx' ligature subtables that all
                              read one shared class lookup whose 20 segments each cover
                              65,534 glyphs (well over a million glyphs per subtable).

The fonts are made from scratch, so the output depends only on this script and the
fontTools version.
"""

import os
import struct
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib.tables.DefaultTable import DefaultTable

STAMP = 3786825600  # 2024-01-01, in seconds since 1904
LETTERS = [chr(c) for c in range(ord("a"), ord("t") + 1)]


def box():
    pen = TTGlyphPen(None)
    pen.moveTo((50, 0))
    pen.lineTo((50, 700))
    pen.lineTo((450, 700))
    pen.lineTo((450, 0))
    pen.closePath()
    return pen.glyph()


def base_font(family):
    order = [".notdef"] + LETTERS
    fb = FontBuilder(1000, isTTF=True)
    fb.updateHead(created=STAMP, modified=STAMP)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({ord(c): c for c in LETTERS})
    fb.setupGlyf({name: box() for name in order})
    fb.setupHorizontalMetrics({name: (500, 50) for name in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    ps = family.replace(" ", "") + "-Regular"
    fb.setupNameTable({"familyName": family, "styleName": "Regular", "psName": ps,
                       "fullName": family + " Regular"})
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost(keepGlyphNames=False)
    return fb, ps


def raw_table(font, tag, data):
    table = DefaultTable(tag)
    table.data = data
    font[tag] = table


def hostile_gsub(ligatures=32000, components=65535):
    """GSUB 1.0 with the script and feature lists a shaper needs ('DFLT', 'liga'), one
    lookup of type 4 with one subtable covering glyph 1 ('a'), and one ligature set: its
    first ligature is an honest a+c (drawn as the glyph of 't'), all the others share one
    ligature table of `components` components."""
    glyph_a, glyph_b, glyph_c, glyph_t = 1, 2, 3, 20
    # Script 'DFLT' whose default language system (lookup order none, no required
    # feature) uses feature 0.
    script_list = struct.pack(">H4sH", 1, b"DFLT", 8) + struct.pack(">HH", 4, 0) + struct.pack(">HHHH", 0, 0xFFFF, 1, 0)
    feature_list = struct.pack(">H4sH", 1, b"liga", 8) + struct.pack(">HHH", 0, 1, 0)
    coverage = struct.pack(">HHH", 1, 1, glyph_a)
    lig_set_offset = 8 + len(coverage)                      # from the subtable
    lig_set_size = 2 + 2 * ligatures
    honest = struct.pack(">HHH", glyph_t, 2, glyph_c)
    shared = lig_set_size + len(honest)                     # from the ligature set
    assert shared < 0x10000
    lig_set = struct.pack(">HH", ligatures, lig_set_size) + struct.pack(">H", shared) * (ligatures - 1)
    ligature = struct.pack(">HH", glyph_b, components) + struct.pack(">H", glyph_b) * (components - 1)
    subtable = struct.pack(">HHHH", 1, 8, 1, lig_set_offset) + coverage + lig_set + honest + ligature
    lookup = struct.pack(">HHHH", 4, 0, 1, 8) + subtable
    lookup_list = struct.pack(">HH", 1, 4) + lookup
    header_size = 10
    script_at = header_size
    feature_at = script_at + len(script_list)
    lookup_at = feature_at + len(feature_list)
    header = struct.pack(">IHHH", 0x00010000, script_at, feature_at, lookup_at)
    return header + script_list + feature_list + lookup_list


def hostile_morx(subtables=14260, segments=20):
    """'morx' version 2 with one chain of ligature subtables (5 classes, one state, one
    entry); each subtable's class lookup offset points at the same format 2 lookup after
    the last subtable, whose segments each give the glyphs 1 to 65534 class 4."""
    n_classes = 5
    stx = 28
    state_array = struct.pack(">5H", 0, 0, 0, 0, 0)
    entries = struct.pack(">HHH", 0, 0, 0)
    body_size = 12 + stx + len(state_array) + len(entries)   # header, state table header, arrays
    body_size += (-body_size) % 4
    lookup = struct.pack(">HHHHHH", 2, 6, segments, 6, 0, 6)
    lookup += struct.pack(">HHH", 65534, 1, 4) * segments
    chain_header = 16
    first = 8 + chain_header
    lookup_at = first + subtables * body_size
    out = bytearray()
    for i in range(subtables):
        at = first + i * body_size
        header = at + 12
        class_table = lookup_at - header
        state_at = stx
        entry_at = stx + len(state_array)
        end = body_size - 12
        sub = struct.pack(">III", body_size, 2, 1)
        sub += struct.pack(">7I", n_classes, class_table, state_at, entry_at, end, end, end)
        sub += state_array + entries
        sub += b"\0" * (body_size - len(sub))
        out += sub
    chain_length = chain_header + len(out) + len(lookup)
    chain = struct.pack(">IIII", 1, chain_length, 0, subtables)
    return struct.pack(">HHI", 2, 0, 1) + chain + bytes(out) + lookup


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    fb, ps = base_font("Rbx Hostile Gsub")
    raw_table(fb.font, "GSUB", hostile_gsub())
    fb.save(os.path.join(out, ps + ".ttf"))
    fb, ps = base_font("Rbx Hostile Morx")
    raw_table(fb.font, "morx", hostile_morx())
    fb.save(os.path.join(out, ps + ".ttf"))


if __name__ == "__main__":
    main()
