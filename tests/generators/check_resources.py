#!/usr/bin/python3
"""Checks of the committed bundle data files that need no source data.

Usage: check_resources.py GROUP RESOURCES_DIR
GROUP: names, custom_names, layouts, html, characters, user_layouts.

Where a check needs an independent reference it uses Python's own Unicode
tables (an older Unicode version, but names and assignments never change) and
Debian's Blocks.txt when present.
"""

import bisect
import html.entities
import os
import plistlib
import re
import struct
import sys
import unicodedata
import unittest
import zlib

RESOURCES = None
SURROGATES = (0xD800, 0xDFFF)
VIRTUAL_GROUPS = {
    "Emoji Flags": (0xA0000, 0xA02A3),
    "Emoji Sequences": (0xA0300, 0xA03DE),
    "Emoji Keycaps": (0xA1000, 0xA100B),
    "Ligatures": (0xB0000, 0xBFFFE),
}


def _merge(ranges):
    out = []
    for a, b in sorted(ranges):
        if out and a <= out[-1][1] + 1:
            out[-1][1] = max(out[-1][1], b)
        else:
            out.append([a, b])
    return [tuple(r) for r in out]


# What the built-in layouts divide among their groups.
CODE_SPACE = _merge([(0x20, 0xD7FF), (0xE000, 0x9FFFF), (0xC0000, 0x10FFFF)] + list(VIRTUAL_GROUPS.values()))


def resource(*parts):
    return os.path.join(RESOURCES, *parts)


# ---------------------------------------------------------------------------
# Readers written from the file formats, independent of the generators.

_RECORD = re.compile(rb"([0-9]+)([A-Z ])([^\x00]*)\x00")


def read_names_file(path):
    """(stated size, expanded bytes, [(cp, letter or None, name)])."""
    with open(path, "rb") as f:
        data = f.read()
    size = struct.unpack(">I", data[:4])[0]
    expanded = zlib.decompress(data[4:])
    records = []
    pos = 0
    while pos < len(expanded):
        m = _RECORD.match(expanded, pos)
        if not m:
            raise AssertionError(f"malformed record at byte {pos}: {expanded[pos:pos + 40]!r}")
        letter = m.group(2).decode()
        records.append((int(m.group(1)), None if letter == " " else letter,
                        m.group(3).decode("mac_roman")))
        pos = m.end()
    return size, expanded, records


def letter_rule(name):
    """The capital letter a name stands for, or None."""
    if not re.match(r"(NOT A|NEITHER A|LINEAR B) ", name):
        m = re.search(r"(?:^| )([A-Z])(?= |$)", name)
        if m:
            return m.group(1)
    m = re.search(r" ([A-Z])\1$", name)
    return m.group(1) if m else None


def c_integer(text):
    """The value of a text read as a C integer literal (strtol with base 0)."""
    m = re.match(r"\s*([+-]?)(0[xX][0-9a-fA-F]+|0[0-7]*|[1-9][0-9]*)", text)
    if not m:
        return 0
    digits = m.group(2)
    if digits[:2].lower() == "0x":
        value = int(digits, 16)
    elif digits.startswith("0"):
        value = int(digits, 8)
    else:
        value = int(digits)
    return -value if m.group(1) == "-" else value


def read_layout(items):
    """(name, [(group name, [(from, to)])]) of one layout array, read the way
    the application reads it."""
    groups = []
    i = 1
    while len(items) - i >= 3:
        name = items[i]
        i += 1
        pairs = []
        while i + 1 < len(items):
            first = c_integer(items[i])
            if first == 0:
                break
            last = c_integer(items[i + 1])
            if last < first:
                i += 1
                break
            pairs.append((first, last))
            i += 2
        groups.append((name, pairs))
    return items[0], groups


def load_layouts():
    with open(resource("Layouts.plist"), "rb") as f:
        return [read_layout(layout) for layout in plistlib.load(f)]


def defined_ranges():
    with open(resource("UnicodeCharacters.txt"), "rb") as f:
        numbers = plistlib.load(f)
    return list(zip(numbers[0::2], numbers[1::2]))


def in_ranges(cp, ranges):
    return any(a <= cp <= b for a, b in ranges)


def debian_blocks():
    path = "/usr/share/unicode/Blocks.txt"
    if not os.path.isfile(path):
        return None
    out = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#")[0].strip()
            if line:
                r, name = line.split(";")
                a, b = r.split("..")
                out.append((name.strip(), int(a, 16), int(b, 16)))
    return out


# ---------------------------------------------------------------------------

class NamesDatabase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.size, cls.expanded, cls.records = read_names_file(resource("UnicodeNames.data"))
        cls.by_cp = {cp: (letter, name) for cp, letter, name in cls.records}

    def plain(self, cp):
        return self.by_cp[cp][1].split(";")[0]

    def test_structure(self):
        self.assertEqual(self.size, len(self.expanded), "stated size differs from the expanded size")
        self.assertTrue(self.expanded.isascii(), "names must be plain ASCII")
        cps = [cp for cp, _, _ in self.records]
        self.assertEqual(cps, sorted(set(cps)), "code points must ascend without repeats")
        self.assertLess(os.path.getsize(resource("UnicodeNames.data")), 2 * 1024 * 1024)
        for cp, _, name in self.records:
            self.assertTrue(name, f"U+{cp:04X} has an empty name")
            self.assertLessEqual(name.count(";"), 1, f"U+{cp:04X}: {name}")
            self.assertNotIn("\0", name)

    def test_first_record_of_capital_a(self):
        start = self.expanded.index(b"\x0065A") + 1
        self.assertEqual(self.expanded[start:start + 26], b"65ALATIN CAPITAL LETTER A\0")
        self.assertEqual(self.by_cp[0x41], ("A", "LATIN CAPITAL LETTER A"))

    def test_letters_follow_the_rule(self):
        for cp, letter, name in self.records:
            self.assertEqual(letter, letter_rule(name.split(";")[0]), f"U+{cp:04X} {name}")
        self.assertEqual(self.by_cp[0x61][0], "A")              # ends in the word A
        self.assertIsNone(self.by_cp[0x2284][0])                # NOT A SUBSET OF
        self.assertIsNone(self.by_cp[0x10000][0])               # LINEAR B SYLLABLE B008 A
        self.assertEqual(self.by_cp[0xA733][0], "A")            # LATIN SMALL LETTER AA
        self.assertIsNone(self.by_cp[0x30][0])                  # DIGIT ZERO

    def test_names_agree_with_python_unicode_tables(self):
        # Character names never change; every name Python knows must match.
        compared = 0
        for cp in range(0x110000):
            category = unicodedata.category(chr(cp))
            name = unicodedata.name(chr(cp), None)
            if name:
                self.assertIn(cp, self.by_cp, f"U+{cp:04X} {name} missing")
                self.assertEqual(self.plain(cp), name)
                compared += 1
            elif category not in ("Cn", "Co", "Cs", "Cc"):
                self.assertIn(cp, self.by_cp, f"assigned U+{cp:04X} has no record")
        self.assertGreater(compared, 100000)

    def test_named_characters_are_the_defined_characters(self):
        defined = defined_ranges()
        named = [cp for cp, _, _ in self.records if cp >= 0x20 and unicodedata.category(chr(cp)) != "Cc"]
        total = sum(b - a + 1 for a, b in defined)
        self.assertEqual(len(named), total)
        for cp in named[::97]:
            self.assertTrue(in_ranges(cp, defined), f"U+{cp:04X}")

    def test_algorithmic_names(self):
        # Hangul syllables by the Unicode algorithm.
        lead = "G GG N D DD R M B BB S SS  J JJ C K T P H".split(" ")
        vowel = "A AE YA YAE EO E YEO YE O WA WAE OE YO U WEO WE WI YU EU YI I".split()
        trail = [""] + "G GG GS N NJ NH D L LG LM LB LS LT LP LH M B BS S SS NG J C K T P H".split()
        for s in range(11172):
            name = "HANGUL SYLLABLE " + lead[s // 588] + vowel[(s % 588) // 28] + trail[s % 28]
            self.assertEqual(self.plain(0xAC00 + s), name)
        expected = {
            0x4E00: "CJK UNIFIED IDEOGRAPH-4E00",
            0x3400: "CJK UNIFIED IDEOGRAPH-3400",
            0x323B0: "CJK UNIFIED IDEOGRAPH-323B0",
            0xF900: "CJK COMPATIBILITY IDEOGRAPH-F900",
            0x2F800: "CJK COMPATIBILITY IDEOGRAPH-2F800",
            0x17000: "TANGUT IDEOGRAPH-17000",
            0x18B00: "KHITAN SMALL SCRIPT CHARACTER-18B00",
            0x1B170: "NUSHU CHARACTER-1B170",
            0x13460: "EGYPTIAN HIEROGLYPH-13460",
        }
        for cp, name in expected.items():
            self.assertEqual(self.plain(cp), name)

    def test_control_characters_have_unicode_1_names(self):
        for cp in list(range(0x20)) + list(range(0x7F, 0xA0)):
            self.assertIn(cp, self.by_cp, f"control U+{cp:04X} unnamed")
        self.assertEqual(self.plain(0x00), "NULL")
        self.assertEqual(self.plain(0x07), "BELL")
        self.assertEqual(self.plain(0x0A), "LINE FEED (LF)")
        self.assertEqual(self.plain(0x85), "NEXT LINE (NEL)")

    def test_emoji_carry_keywords(self):
        def matching(word):
            word = word.upper()
            return {cp for cp, _, name in self.records if word in name.upper()}
        name = self.by_cp[0x1F600][1]
        self.assertTrue(name.startswith("GRINNING FACE; "), name)
        self.assertIn("smile", name.split("; ")[1].split())
        self.assertTrue({0x1F600, 0x1F60A} <= matching("smile"))
        self.assertTrue({0x2764, 0x1F496, 0x1F60D} <= matching("heart"))
        # Keywords never make up a letter of their own.
        for cp, _, full in self.records:
            if "; " in full:
                self.assertEqual(full.split("; ")[1], full.split("; ")[1].lower())
        self.assertNotIn(";", self.by_cp[0x4E00][1])


class CustomNames(unittest.TestCase):
    FILES = {
        "Emoji Flags.txt": (0xA0000, 0xA02A3),
        "Emoji Sequences.txt": (0xA0300, 0xA03DE),
        "Emoji Keycaps.txt": (0xA1000, 0xA100B),
    }

    @staticmethod
    def read(path):
        """{code: name} of a custom name file, read byte-wise."""
        entries = {}
        with open(path, "rb") as f:
            data = f.read()
        data.decode("utf-8")
        for line in data.split(b"\n"):
            line = line.lstrip(bytes(range(0x21)))
            if not line:
                continue
            assert not line[:1].isdigit() and not line.startswith(b"["), line
            m = re.match(rb"[^0-9A-Fa-f]*([0-9A-Fa-f]+)[ \t]*([^\x00-\x1f]*)", line)
            assert m and m.group(2), line
            name = m.group(2).decode("utf-8")
            assert not (name.startswith("[") and name.endswith("]")), name
            code = int(m.group(1), 16)
            assert code not in entries, f"{code:X} twice"
            entries[code] = name
        return entries

    def test_files_name_the_virtual_characters(self):
        folder = resource("Character Names")
        self.assertEqual(sorted(f for f in os.listdir(folder) if f.endswith(".txt")), sorted(self.FILES))
        for file_name, (first, last) in self.FILES.items():
            entries = self.read(os.path.join(folder, file_name))
            self.assertTrue(entries, file_name)
            for code in entries:
                self.assertTrue(first <= code <= last, f"{file_name}: {code:X}")

    def test_known_sequences(self):
        folder = resource("Character Names")
        flags = self.read(os.path.join(folder, "Emoji Flags.txt"))
        de = 0xA0000 + 26 * (ord("D") - ord("A")) + (ord("E") - ord("A"))
        self.assertEqual(flags[de], "FLAG: GERMANY")
        self.assertNotIn(0xA0000, flags)            # A A is no region
        keycaps = self.read(os.path.join(folder, "Emoji Keycaps.txt"))
        self.assertEqual(len(keycaps), 12)
        self.assertTrue(keycaps[0xA1003].startswith("KEYCAP: 1"))
        self.assertTrue(keycaps[0xA1000].startswith("KEYCAP: #"))
        joined = self.read(os.path.join(folder, "Emoji Sequences.txt"))
        self.assertEqual(len(joined), 223)
        self.assertTrue(joined[0xA0300].startswith("FACE IN CLOUDS"))
        self.assertTrue(joined[0xA03DE].startswith("PIRATE FLAG"))
        self.assertTrue(joined[0xA03BE].startswith("FAMILY"))


class Layouts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.layouts = load_layouts()
        cls.groups = {name: dict(groups) for name, groups in cls.layouts}
        with open(resource("Layouts.plist"), "rb") as f:
            cls.raw = plistlib.load(f)

    def test_layout_names_and_reading(self):
        self.assertEqual([name for name, _ in self.layouts], ["Unicode Blocks", "Scripts and Symbols"])
        for items in self.raw:
            self.assertTrue(all(isinstance(x, str) for x in items))
            for x in items[1:]:
                if x.startswith("0x"):
                    self.assertNotEqual(c_integer(x), 0)
                else:
                    self.assertEqual(c_integer(x), 0, f"group name {x!r} reads as a number")
                    self.assertFalse(x.startswith("-") or x.startswith("[MacRoman]") or not x)
            # Read as the application reads it, every element is accounted for.
            name, groups = read_layout(items)
            self.assertEqual(1 + sum(1 + 2 * len(p) for _, p in groups), len(items), name)
        for name, groups in self.layouts:
            names = [g for g, _ in groups]
            self.assertEqual(len(names), len(set(names)), f"{name}: repeated group names")
            for group, pairs in groups:
                self.assertTrue(pairs, f"{name}/{group} is empty")
                for a, b in pairs:
                    self.assertLessEqual(a, b)
                    self.assertEqual(a >> 16, b >> 16, f"{name}/{group}: pair crosses a plane")

    def assert_partition(self, layout, expected_total):
        covered = []
        for group, pairs in self.groups[layout].items():
            covered += [(a, b, group) for a, b in pairs]
        covered.sort()
        for (a1, b1, g1), (a2, b2, g2) in zip(covered, covered[1:]):
            self.assertLess(b1, a2, f"{layout}: {g1} and {g2} overlap at {a2:X}")
        self.assertEqual([(a, b) for a, b in _merge([(a, b) for a, b, _ in covered])], expected_total)

    def test_blocks_layout_covers_every_block(self):
        blocks = self.groups["Unicode Blocks"]
        self.assertEqual(blocks["Basic Latin"], [(0x20, 0x7F)])
        for name, (a, b) in VIRTUAL_GROUPS.items():
            self.assertEqual(blocks[name], [(a, b)])
        reference = debian_blocks()
        if reference:
            for name, a, b in reference:
                if "Surrogate" in name:
                    self.assertNotIn(name, blocks)
                    continue
                self.assertIn(name, blocks)
                self.assertEqual(blocks[name], [(max(a, 0x20), b)], name)
        self.assertEqual(blocks["CJK Unified Ideographs Extension J"], [(0x323B0, 0x3347F)])
        self.assertEqual(blocks["Tulu-Tigalari"], [(0x11380, 0x113FF)])
        self.assertEqual(blocks["Egyptian Hieroglyphs Extended-A"], [(0x13460, 0x143FF)])
        # Blocks, the virtual groups and "Undefined" divide the code space
        # (less the surrogates and the unused parts of planes 10 and 11).
        self.assert_partition("Unicode Blocks", CODE_SPACE)
        undefined = blocks["Undefined"]
        for a, b in defined_ranges():
            self.assertFalse(in_ranges(a, undefined) or in_ranges(b, undefined), f"{a:X} undefined")

    def test_scripts_layout(self):
        groups = self.groups["Scripts and Symbols"]
        names = list(groups)
        self.assertEqual(names[0], "Latin")
        for name, (a, b) in VIRTUAL_GROUPS.items():
            self.assertEqual(groups[name], [(a, b)])
        self.assertLess(names.index("Emoji"), names.index("Emoji Flags"))
        where = {
            0x41: "Latin", 0x3B1: "Greek", 0x416: "Cyrillic", 0x5D0: "Hebrew", 0x4E00: "Han",
            0xAC00: "Hangul", 0x21: "Punctuation", 0x30: "Numbers", 0x20AC: "Currency Symbols",
            0x2200: "Mathematical Symbols", 0x1F600: "Emoji", 0x1F1E6: "Emoji", 0x20: "Spaces",
            0x300: "Combining Marks", 0xE000: "Private Use", 0x378: "Undefined", 0x200D: "Control and Format Characters",
        }
        for cp, group in where.items():
            self.assertTrue(in_ranges(cp, groups[group]), f"U+{cp:04X} not in {group}")
        # Every code point from U+0020 but the surrogates and the unused
        # parts of planes 10 and 11 is in exactly one group.
        self.assert_partition("Scripts and Symbols", CODE_SPACE)
        for a, b in defined_ranges():
            self.assertFalse(in_ranges(a, groups["Undefined"]), f"{a:X} undefined")


class Html(unittest.TestCase):
    def test_entities(self):
        with open(resource("HTML.plist"), "rb") as f:
            table = plistlib.load(f)
        self.assertEqual(len(table), 252)
        self.assertEqual(table["233"], "eacute")
        self.assertEqual(table["60"], "lt")
        self.assertEqual(table["38"], "amp")
        self.assertNotIn("39", table)                 # &apos; is not HTML 4
        for key, name in table.items():
            self.assertRegex(key, r"^[1-9][0-9]*$")
            self.assertEqual(html.entities.name2codepoint[name], int(key))


class DefinedCharacters(unittest.TestCase):
    def test_ranges(self):
        with open(resource("UnicodeCharacters.txt"), "rb") as f:
            numbers = plistlib.load(f)
        self.assertTrue(numbers and len(numbers) % 2 == 0)
        self.assertTrue(all(isinstance(n, int) for n in numbers))
        ranges = defined_ranges()
        for (a1, b1), (a2, b2) in zip(ranges, ranges[1:]):
            self.assertLessEqual(a1, b1)
            self.assertLess(b1 + 1, a2, "ranges must ascend, apart")
        self.assertEqual(ranges[0][0], 0x20)
        for cp in (0x41, 0x1F600, 0x4E00, 0x323B0, 0xAC00):
            self.assertTrue(in_ranges(cp, ranges), f"U+{cp:04X}")
        for cp in (0x7F, 0x85, 0x378, 0xD800, 0xE000, 0xFFFF, 0xF0000, 0x10FFFD):
            self.assertFalse(in_ranges(cp, ranges), f"U+{cp:04X}")
        # What is assigned stays assigned: Python's older tables are a subset.
        starts = [a for a, _ in ranges]
        for cp in range(0x20, 0x110000):
            if unicodedata.category(chr(cp)) not in ("Cn", "Co", "Cs", "Cc"):
                i = bisect.bisect_right(starts, cp) - 1
                self.assertTrue(i >= 0 and ranges[i][0] <= cp <= ranges[i][1], f"U+{cp:04X}")


class UserLayouts(unittest.TestCase):
    def test_updates_file(self):
        with open(resource("Layout-Updates.plist"), "rb") as f:
            updates = plistlib.load(f)
        self.assertIsInstance(updates, dict)
        for layout, steps in updates.items():
            for step in steps:
                self.assertTrue(step and len(step) % 2 == 0, f"{layout}: {step}")
                self.assertTrue(all(isinstance(s, str) for s in step))

    def test_sample_layouts(self):
        blocks = {name.lower() for name in dict(load_layouts()[0][1])}
        folder = resource("Layouts-Predefined")
        files = sorted(f for f in os.listdir(folder) if f.endswith(".txt"))
        self.assertTrue(files)
        for file_name in files:
            self.assertFalse(file_name.startswith((".", "-")))
            with open(os.path.join(folder, file_name), "rb") as f:
                text = f.read().decode("utf-8")
            groups = _layout_groups(text)
            self.assertTrue(groups, file_name)
            for name, lines in groups:
                self.assertFalse(name.startswith("-"), name)
                for line in lines:
                    for directive, arg in re.findall(r"\[(BLOCK-OTHER|BLOCK|FIND)\s*([^\]]*)\]", line):
                        if directive != "FIND":
                            self.assertTrue(arg.strip().lower() in blocks, f"{file_name}: unknown block {arg!r}")
                        else:
                            self.assertTrue(arg.strip())
                    for value in re.findall(r"\$([0-9A-Fa-f]+)", line):
                        self.assertLessEqual(int(value, 16), 0x10FFFF)
                    for value in re.findall(r"#([0-9]+)", line):
                        self.assertLessEqual(int(value), 0x10FFFF)
            others = [name for name, lines in groups if "[OTHER]" in " ".join(lines)]
            self.assertLessEqual(len(others), 1, f"{file_name}: only one group receives [OTHER]")

    def test_info_files(self):
        folder = resource("Layouts-Info")
        files = [f for f in os.listdir(folder) if not f.startswith((".", "-"))]
        self.assertTrue(files)
        for f in files:
            with open(os.path.join(folder, f), "rb") as fh:
                fh.read().decode("utf-8")


def _layout_groups(text):
    """[(name, item lines)] of the groups that have items."""
    lines = text.replace("\r\n", "\n").replace("\r", "\n").split("\n")
    groups = []
    i = 0
    while i < len(lines):
        if not lines[i].split("//")[0].strip():
            i += 1
            continue
        name = lines[i].split("//")[0].strip()
        i += 1
        items = []
        while i < len(lines) and lines[i].strip():
            if not lines[i].strip().startswith("//"):
                items.append(lines[i].split("//")[0].strip())
            i += 1
        if items:
            groups.append((name, items))
    return groups


CASES = {
    "names": NamesDatabase,
    "custom_names": CustomNames,
    "layouts": Layouts,
    "html": Html,
    "characters": DefinedCharacters,
    "user_layouts": UserLayouts,
}

if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in CASES:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    RESOURCES = os.path.abspath(sys.argv[2])
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(CASES[sys.argv[1]])
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    sys.exit(0 if result.wasSuccessful() else 1)
