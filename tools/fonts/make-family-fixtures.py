#!/usr/bin/python3
"""Writes the fixture font families of the font-list tests into tests/data/fonts/families/.

Run with Debian's python3 (python3-fonttools):
    /usr/bin/python3 tools/fonts/make-family-fixtures.py [OUTPUT_DIR]

Every font is built from scratch; the output depends only on this script and the
fontTools version. The fonts are committed; re-run this script after changing it.

  RbxSerif-Bold.ttf, RbxSerif-Book.ttf      family "Rbx Serif": Bold and Book (regular: Book)
  RbxSlant-Italic.ttf, RbxSlant-Bold.ttf    family "Rbx Slant": no regular-like style;
                                            only the Bold face has U+0416
  RbxSansLiga-Regular.ttf                   family "Rbx Sans Liga": GSUB 'liga' f+i
  RbxSansPlain-Regular.ttf                  family "Rbx Sans Plain": no ligatures
  RbxMono-Regular.ttf                       family "Rbx Mono": 'post' isFixedPitch, one advance
  RbxHidden-Regular.ttf                     PostScript name ".RbxHidden-Regular", only U+2603
"""

import os
import sys

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen

UPEM = 1000
# Fixed creation and modification times, so that a re-run writes the same bytes.
STAMP = 3786825600  # 2024-01-01, in seconds since 1904
LETTERS = [chr(c) for c in range(ord("A"), ord("Z") + 1)] + [chr(c) for c in range(ord("a"), ord("z") + 1)]


def box(width):
    pen = TTGlyphPen(None)
    pen.moveTo((50, 0))
    pen.lineTo((50, 700))
    pen.lineTo((width - 50, 700))
    pen.lineTo((width - 50, 0))
    pen.closePath()
    return pen.glyph()


def build(out, family, style, extra=None, ligatures=False, mono=False, ps=None):
    extra = extra or {}
    order = [".notdef", "space"] + LETTERS + sorted(extra.values()) + (["f_i"] if ligatures else [])
    fb = FontBuilder(UPEM, isTTF=True)
    fb.updateHead(created=STAMP, modified=STAMP)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(order)
    glyphs, metrics = {}, {}
    for i, name in enumerate(order):
        w = 600 if mono else 500 + 10 * (i % 7)
        glyphs[name] = TTGlyphPen(None).glyph() if name in (".notdef", "space") else box(w)
        metrics[name] = (w, 50)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    ps = ps or family.replace(" ", "") + "-" + style
    fb.setupNameTable({"familyName": family, "styleName": style, "psName": ps,
                       "fullName": family + " " + style})
    cmap = {0x20: "space"}
    cmap.update({ord(ch): ch for ch in LETTERS})
    cmap.update(extra)
    fb.setupCharacterMap(cmap)
    weight = 700 if "Bold" in style else 400
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200,
                usWeightClass=weight)
    fb.setupPost(isFixedPitch=1 if mono else 0)
    if ligatures:
        addOpenTypeFeaturesFromString(fb.font, """
            languagesystem DFLT dflt;
            languagesystem latn dflt;
            feature liga { sub f i by f_i; } liga;
        """)
    name = (ps.lstrip(".")) + ".ttf"
    fb.save(os.path.join(out, name))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "tests", "data", "fonts", "families")
    os.makedirs(out, exist_ok=True)
    build(out, "Rbx Serif", "Bold")
    build(out, "Rbx Serif", "Book")
    build(out, "Rbx Slant", "Italic")
    build(out, "Rbx Slant", "Bold", extra={0x416: "Zhe"})
    build(out, "Rbx Sans Liga", "Regular", ligatures=True)
    build(out, "Rbx Sans Plain", "Regular")
    build(out, "Rbx Mono", "Regular", mono=True)
    build(out, "Rbx Hidden", "Regular", extra={0x2603: "snowman"}, ps=".RbxHidden-Regular")


if __name__ == "__main__":
    main()
