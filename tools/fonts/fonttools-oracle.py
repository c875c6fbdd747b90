#!/usr/bin/python3
"""Answers questions about font files with fontTools, for the font tests.

    fonttools-oracle.py cmap FILE[:INDEX]...
        per face: "FONT <file>:<index>", then "U+XXXX GID" for every character of
        fontTools' best Unicode cmap (characters from U+0020, glyphs not 0), ascending;
        the line "BMP ONLY" comes first when the face has a (3,1) or (0,x) format 4
        subtable (that subtable is then what the readers use), else "FULL".
    fonttools-oracle.py gsub-ligatures FILE[:INDEX]
        every ligature of the GSUB ligature substitution lookups (extension lookups
        unwrapped) as its glyph IDs: "LIG first,second,...".
    fonttools-oracle.py post FILE[:INDEX]
        "FORMAT <version>", then "<glyph>: <name>" per glyph for version 2.
"""

import sys

from fontTools.ttLib import TTFont


def open_face(arg):
    path, _, index = arg.rpartition(":")
    if not path or not index.isdigit():
        path, index = arg, "0"
    return path, int(index), TTFont(path, fontNumber=int(index), lazy=True)


def cmap(args):
    out = []
    for arg in args:
        path, index, font = open_face(arg)
        out.append("FONT %s:%d" % (path, index))
        if "cmap" not in font:
            continue
        tables = font["cmap"].tables
        bmp = any(t.format == 4 and (t.platformID == 0 or (t.platformID, t.platEncID) == (3, 1)) for t in tables)
        out.append("BMP ONLY" if bmp else "FULL")
        best = font.getBestCmap() or {}
        order = {name: gid for gid, name in enumerate(font.getGlyphOrder())}
        for c in sorted(best):
            gid = order.get(best[c], 0)
            if c >= 0x20 and gid:
                out.append("U+%04X %d" % (c, gid))
        font.close()
    sys.stdout.write("\n".join(out) + "\n")


def gsub_ligatures(args):
    _, _, font = open_face(args[0])
    order = {name: gid for gid, name in enumerate(font.getGlyphOrder())}
    if "GSUB" not in font or not font["GSUB"].table.LookupList:
        return
    for lookup in font["GSUB"].table.LookupList.Lookup:
        for st in lookup.SubTable:
            if getattr(st, "ExtSubTable", None) is not None:
                st = st.ExtSubTable
            if type(st).__name__ != "LigatureSubst":
                continue
            for first, ligs in st.ligatures.items():
                for lig in ligs:
                    gids = [order[first]] + [order[c] for c in lig.Component]
                    print("LIG " + ",".join(str(g) for g in gids))


def post(args):
    _, _, font = open_face(args[0])
    if "post" not in font:
        return
    p = font["post"]
    print("FORMAT %s" % p.formatType)
    if p.formatType == 2.0:
        for gid, name in enumerate(font.getGlyphOrder()):
            print("%d: %s" % (gid, name))


def main():
    if len(sys.argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    {"cmap": cmap, "gsub-ligatures": gsub_ligatures, "post": post}[sys.argv[1]](sys.argv[2:])
    return 0


if __name__ == "__main__":
    sys.exit(main())
