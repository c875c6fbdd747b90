#!/usr/bin/python3
"""Writes resources/UnicodeNames.data and the name files of resources/Character Names/.

UnicodeNames.data: bytes 0-3 hold the size of the expanded data (unsigned
32-bit big-endian), the rest is one zlib stream. Expanded, it is a run of
records in ascending code-point order, each
    decimal code point, one letter byte ('A'-'Z' or ' '), the name, one 0 byte.
The text is pure ASCII (so it reads the same as Mac OS Roman and UTF-8).
Names of emoji carry English CLDR keywords after "; ".

Character Names/*.txt: custom name files (UTF-8, one "U+XXXXX<TAB>name" line
per entry) naming the virtual characters of flags, joined emoji sequences and
keycaps.
"""

import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import unidata  # noqa: E402

NAMES_FILE = "UnicodeNames.data"
CUSTOM_FOLDER = "Character Names"
FLAGS_FILE = "Emoji Flags.txt"
JOINED_FILE = "Emoji Sequences.txt"
KEYCAPS_FILE = "Emoji Keycaps.txt"

_NO_SINGLE_LETTER_PREFIXES = ("NOT A ", "NEITHER A ", "LINEAR B ")


def letter_of_name(name):
    """The capital letter a name stands for, or None.

    The first capital A-Z that is a word of its own, unless the name starts
    with a phrase in which such a word means something else; failing that,
    a name ending in a blank and the same capital letter twice.
    """
    if not name.startswith(_NO_SINGLE_LETTER_PREFIXES):
        n = len(name)
        for i, c in enumerate(name):
            if "A" <= c <= "Z" and (i == 0 or name[i - 1] == " ") and (i + 1 == n or name[i + 1] == " "):
                return c
    if len(name) >= 3 and name[-3] == " " and "A" <= name[-1] <= "Z" and name[-1] == name[-2]:
        return name[-1]
    return None


def _keyword_words(phrases, taken):
    """Distinct lower-case words of the phrases that are not in taken (updated)."""
    out = []
    for phrase in phrases:
        for word in phrase.split():
            word = word.lower().strip(":,;()\"")
            if not word or word in taken:
                continue
            taken.add(word)
            out.append(word)
    return out


def keywords(name, annotation, ascii_only):
    """Keyword text for a name from a CLDR annotation ("" when none is new)."""
    if not annotation:
        return ""
    phrases = list(annotation.get("tts", [])) + list(annotation.get("default", []))
    if ascii_only:
        folded = []
        for p in phrases:
            words = [unidata.ascii_fold(w) for w in p.split()]
            folded.append(" ".join(w for w in words if w))
        phrases = folded
    taken = {w.lower() for w in name.replace(":", " ").split()}
    return " ".join(_keyword_words(phrases, taken))


def control_names(sources):
    """Names of the control characters: their Unicode 1 names, else their
    first control alias or figment."""
    unicode1 = sources.unicode1_control_names()
    control_alias = sources.aliases("Control")
    figment = sources.aliases("Figment")
    out = {}
    for a, b in sources.category_ranges()["Control"]:
        for cp in range(a, b + 1):
            name = unicode1.get(cp) or (control_alias.get(cp) or figment.get(cp) or [""])[0]
            if name:
                out[cp] = name
    return out


def name_records(sources):
    """[(code point, letter or None, full name)] in code-point order."""
    names = sources.names()
    for cp, name in control_names(sources).items():
        names.setdefault(cp, name)
    emoji = set(unidata.expand(sources.property_ranges("Emoji")))
    records = []
    for cp in sorted(names):
        name = names[cp]
        letter = letter_of_name(name)
        if cp in emoji:
            kw = keywords(name, sources.annotation((cp,)), ascii_only=True)
            if kw:
                name = f"{name}; {kw}"
        if not name.isascii() or "\0" in name:
            raise unidata.SourceError(f"name of U+{cp:04X} is not plain ASCII: {name!r}")
        records.append((cp, letter, name))
    return records


def encode_names(records):
    expanded = b"".join(b"%d%c%s\0" % (cp, ord(letter or " "), name.encode("ascii"))
                        for cp, letter, name in records)
    return struct.pack(">I", len(expanded)) + zlib.compress(expanded, 9)


def sequence_name(sources, codepoints):
    """'NAME; keywords' of an emoji sequence from CLDR, or None."""
    ann = sources.annotation(codepoints)
    if not ann or not ann.get("tts"):
        return None
    name = ann["tts"][0].upper().replace(";", ",")
    kw = keywords(name, ann, ascii_only=False)
    return f"{name}; {kw}" if kw else name


def custom_name_files(sources):
    """{file name: text} of the emoji sequence name files."""
    groups = {
        FLAGS_FILE: [(v, unidata.flag_sequence(v))
                     for v in range(unidata.FLAG_FIRST, unidata.FLAG_LAST + 1)],
        JOINED_FILE: [(v, unidata.joined_sequence(v))
                      for v in range(unidata.JOINED_FIRST, unidata.JOINED_LAST + 1)],
        KEYCAPS_FILE: [(v, unidata.keycap_sequence(v))
                       for v in range(unidata.KEYCAP_FIRST, unidata.KEYCAP_LAST + 1)],
    }
    files = {}
    for file_name, entries in groups.items():
        lines = []
        for value, seq in entries:
            name = sequence_name(sources, seq)
            if name:
                lines.append(f"U+{value:X}\t{name}\n")
        files[file_name] = "".join(lines)
    return files


def generate(sources, out_dir):
    written = []
    path = os.path.join(out_dir, NAMES_FILE)
    unidata.write_if_changed(path, encode_names(name_records(sources)))
    written.append(path)
    for file_name, text in sorted(custom_name_files(sources).items()):
        path = os.path.join(out_dir, CUSTOM_FOLDER, file_name)
        unidata.write_if_changed(path, text.encode("utf-8"))
        written.append(path)
    return written


generate.needs_sources = True

if __name__ == "__main__":
    sys.exit(unidata.run_main(generate, __doc__.splitlines()[0]))
