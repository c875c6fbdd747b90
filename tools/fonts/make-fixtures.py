#!/usr/bin/python3
"""Writes the small fixture fonts of the font tests into tests/data/fonts/.

Run with Debian's python3 (python3-fonttools):
    /usr/bin/python3 tools/fonts/make-fixtures.py [OUTPUT_DIR]

Every font is built from scratch, so the output depends only on this script and the
fontTools version. The fonts are committed; re-run this script after changing it.

  RbxCmapTest-Regular.ttf   cmap (0,3) fmt 4, (0,4) fmt 12, (1,0) fmt 0 language 0,
                            (3,1) fmt 4, (3,10) fmt 12; shared glyphs, a control
                            character, U+1F600, a Hebrew letter; 'post' version 2
  RbxCmapLang-Regular.ttf   cmap (1,0) fmt 6 language 1 starting at code 20 (its only
                            Roman subtable), (3,1) fmt 4; 'post' version 3
  RbxLigaFi-Regular.ttf     GSUB 'liga' f+i, f+l (type 4); 'morx' ligature subtable f+i
  RbxLigaEdge-Regular.ttf   GSUB: type 4 lookups (ff, a+U+0301, ab/bc/cd/de with a range
                            coverage, st in a lookup no feature uses), type 7 extension
                            lookups (ffi as type 4, b -> b.alt as type 1), a type 1
                            lookup; 'post' version 3
  RbxAlpha-Regular.ttf      family "Rbx Alpha" (activation sets)
  RbxBeta-Regular.ttf       family "Rbx Beta"
  RbxColor-Regular.ttf      an 'SVG ' table (colour font test)
  RbxEmojiBits-Regular.ttf  family "Rbx Emoji Bits": colour bitmaps only ('CBLC'/'CBDT', one
                            strike of 20 pixels per em, PNG pictures): U+1F600 a red 20x20
                            square, U+2764 a blue 16x20 one, U+1F641 a glyph without a
                            picture; no outlines
  RbxThaana-Regular.ttf     family "Rbx Thaana": the Thaana letters U+0780..U+07A5 as
                            filled triangles, and no 'GSUB' table (a face whose layout
                            tables do not name the script it is for)
  fifty/RbxFiftyNN-Regular.ttf  fifty small faces, families "Rbx Fifty 01" .. "Rbx Fifty 50",
                            each with A, B, C and one Greek capital letter of its own (a
                            font folder of many faces)
  not-a-font.ttf            text, no font
"""

import os
import struct
import sys
import zlib

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.misc.testTools import parseXML
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import newTable
from fontTools.ttLib.tables import otTables
from fontTools.ttLib.tables._c_m_a_p import CmapSubtable

UPEM = 1000
# Fixed creation and modification times, so that a re-run writes the same bytes.
STAMP = 3786825600  # 2024-01-01, in seconds since 1904


def box(width):
    pen = TTGlyphPen(None)
    pen.moveTo((50, 0))
    pen.lineTo((50, 700))
    pen.lineTo((width - 50, 700))
    pen.lineTo((width - 50, 0))
    pen.closePath()
    return pen.glyph()


def empty():
    return TTGlyphPen(None).glyph()


def start(family, style, glyph_order, widths=None, post_names=True):
    fb = FontBuilder(UPEM, isTTF=True)
    fb.updateHead(created=STAMP, modified=STAMP)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(glyph_order)
    glyphs = {}
    metrics = {}
    for i, name in enumerate(glyph_order):
        w = (widths or {}).get(name, 500 + 10 * (i % 7))
        glyphs[name] = empty() if name in (".notdef", "space", "zwj") else box(w)
        metrics[name] = (w if name != "zwj" else 0, 50)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    ps = family.replace(" ", "") + "-" + style
    fb.setupNameTable({"familyName": family, "styleName": style,
                       "psName": ps, "fullName": family + " " + style})
    fb.postNames = post_names
    return fb


def subtable(fmt, platform, encoding, mapping, language=0):
    st = CmapSubtable.newSubtable(fmt)
    st.platformID = platform
    st.platEncID = encoding
    st.language = language
    st.cmap = dict(mapping)
    return st


def set_cmap(fb, subtables):
    cmap = newTable("cmap")
    cmap.tableVersion = 0
    cmap.tables = subtables
    fb.font["cmap"] = cmap
    fb.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    fb.setupPost(keepGlyphNames=fb.postNames)


LETTERS = [chr(c) for c in range(ord("A"), ord("Z") + 1)] + [chr(c) for c in range(ord("a"), ord("z") + 1)]


def cmap_test(out):
    order = [".notdef", "space", "tab"] + LETTERS + ["Omega", "alef", "uniE000", "smile"]
    fb = start("Rbx Cmap Test", "Regular", order)
    bmp = {0x09: "tab", 0x20: "space", 0xA0: "space", 0x3A9: "Omega", 0x2126: "Omega",
           0x5D0: "alef", 0xE000: "uniE000"}
    for ch in LETTERS:
        bmp[ord(ch)] = ch
    full = dict(bmp)
    full[0x1F600] = "smile"
    roman = {0x20: "space", 0xCA: "space", 0xBD: "Omega"}
    for ch in LETTERS:
        roman[ord(ch)] = ch
    set_cmap(fb, [subtable(4, 0, 3, bmp), subtable(12, 0, 4, full), subtable(0, 1, 0, roman),
                  subtable(4, 3, 1, bmp), subtable(12, 3, 10, full)])
    fb.save(os.path.join(out, "RbxCmapTest-Regular.ttf"))


def cmap_lang(out):
    order = [".notdef", "space"] + LETTERS
    fb = start("Rbx Cmap Lang", "Regular", order, post_names=False)
    uni = {0x20: "space"}
    for ch in LETTERS:
        uni[ord(ch)] = ch
    roman = {c: LETTERS[c - 20] for c in range(20, 32)}
    roman.update({ord(ch): ch for ch in LETTERS})
    roman[0x20] = "space"
    set_cmap(fb, [subtable(6, 1, 0, roman, language=1), subtable(4, 3, 1, uni)])
    fb.save(os.path.join(out, "RbxCmapLang-Regular.ttf"))


MORX_FI = """
<morx>
  <Version value="2"/>
  <Reserved value="0"/>
  <MorphChain index="0">
    <DefaultFlags value="0x00000001"/>
    <MorphSubtable index="0">
      <TextDirection value="Horizontal"/>
      <ProcessingOrder value="LayoutOrder"/>
      <SubFeatureFlags value="0x00000001"/>
      <LigatureMorph>
        <StateTable>
          <GlyphClass glyph="f" value="4"/>
          <GlyphClass glyph="i" value="5"/>
          <State index="0">
            <Transition onGlyphClass="0"><NewState value="0"/></Transition>
            <Transition onGlyphClass="1"><NewState value="0"/></Transition>
            <Transition onGlyphClass="2"><NewState value="0"/></Transition>
            <Transition onGlyphClass="3"><NewState value="0"/></Transition>
            <Transition onGlyphClass="4"><NewState value="2"/><Flags value="SetComponent"/></Transition>
            <Transition onGlyphClass="5"><NewState value="0"/></Transition>
          </State>
          <State index="1">
            <Transition onGlyphClass="0"><NewState value="0"/></Transition>
            <Transition onGlyphClass="1"><NewState value="0"/></Transition>
            <Transition onGlyphClass="2"><NewState value="0"/></Transition>
            <Transition onGlyphClass="3"><NewState value="0"/></Transition>
            <Transition onGlyphClass="4"><NewState value="2"/><Flags value="SetComponent"/></Transition>
            <Transition onGlyphClass="5"><NewState value="0"/></Transition>
          </State>
          <State index="2">
            <Transition onGlyphClass="0"><NewState value="0"/></Transition>
            <Transition onGlyphClass="1"><NewState value="0"/></Transition>
            <Transition onGlyphClass="2"><NewState value="0"/></Transition>
            <Transition onGlyphClass="3"><NewState value="0"/></Transition>
            <Transition onGlyphClass="4"><NewState value="2"/><Flags value="SetComponent"/></Transition>
            <Transition onGlyphClass="5">
              <NewState value="0"/>
              <Flags value="SetComponent"/>
              <Action GlyphIndexDelta="%(di)d"/>
              <Action GlyphIndexDelta="%(df)d"/>
            </Transition>
          </State>
          <LigComponents>
            <LigComponent index="0" value="0"/>
            <LigComponent index="1" value="0"/>
          </LigComponents>
          <Ligatures>
            <Ligature glyph="f_i" index="0"/>
          </Ligatures>
        </StateTable>
      </LigatureMorph>
    </MorphSubtable>
  </MorphChain>
</morx>
"""


def add_morx_fi(fb):
    gid = {n: i for i, n in enumerate(fb.font.getGlyphOrder())}
    # Components are popped last first: i, then f. Each delta points its glyph at
    # component slot 0 or 1; both slots add 0, giving ligature 0.
    xml = MORX_FI % {"di": -gid["i"], "df": 1 - gid["f"]}
    morx = newTable("morx")
    elements = parseXML(xml.split("<morx>")[1].split("</morx>")[0])
    for element in elements:
        if isinstance(element, tuple):
            name, attrs, content = element
            morx.fromXML(name, attrs, content, fb.font)
    fb.font["morx"] = morx


def liga_fi(out):
    order = [".notdef", "space"] + LETTERS + ["f_i", "f_l"]
    fb = start("Rbx Liga Fi", "Regular", order)
    uni = {0x20: "space"}
    uni.update({ord(ch): ch for ch in LETTERS})
    set_cmap(fb, [subtable(4, 3, 1, uni)])
    addOpenTypeFeaturesFromString(fb.font, """
        languagesystem DFLT dflt;
        languagesystem latn dflt;
        feature liga { sub f i by f_i; sub f l by f_l; } liga;
    """)
    add_morx_fi(fb)
    fb.save(os.path.join(out, "RbxLigaFi-Regular.ttf"))


def liga_edge(out):
    order = ([".notdef", "space", "zwj", "acutecomb"] + LETTERS +
             ["f_f", "f_f_i", "f_i", "a_acute", "a_b", "b_c", "c_d", "d_e", "s_t", "c_t", "a.alt", "b.alt"])
    fb = start("Rbx Liga Edge", "Regular", order, post_names=False)
    uni = {0x20: "space", 0x200D: "zwj", 0x301: "acutecomb"}
    uni.update({ord(ch): ch for ch in LETTERS})
    set_cmap(fb, [subtable(4, 3, 1, uni)])
    addOpenTypeFeaturesFromString(fb.font, """
        languagesystem DFLT dflt;
        languagesystem latn dflt;
        lookup EXTLIG {
            sub f f i by f_f_i;
            sub c t by c_t;
        } EXTLIG;
        lookup LIGA {
            sub f f by f_f;
            sub f i by f_i;
            sub a acutecomb by a_acute;
        } LIGA;
        lookup RANGE {
            sub a b by a_b;
            sub b c by b_c;
            sub c d by c_d;
            sub d e by d_e;
        } RANGE;
        lookup UNUSED {
            sub s t by s_t;
        } UNUSED;
        lookup EXTSINGLE {
            sub b by b.alt;
        } EXTSINGLE;
        lookup SINGLE {
            sub a by a.alt;
        } SINGLE;
        feature liga { lookup EXTLIG; lookup LIGA; lookup RANGE; } liga;
        feature salt { lookup SINGLE; lookup EXTSINGLE; } salt;
    """)
    # EXTLIG and EXTSINGLE are lookups 0 and 4: wrap them as extension lookups.
    wrap_in_extensions(fb.font, [0, 4])
    fb.save(os.path.join(out, "RbxLigaEdge-Regular.ttf"))


def wrap_in_extensions(font, indexes):
    lookups = font["GSUB"].table.LookupList.Lookup
    for i in indexes:
        lookup = lookups[i]
        wrapped = []
        for st in lookup.SubTable:
            ext = otTables.ExtensionSubst()
            ext.Format = 1
            ext.ExtensionLookupType = lookup.LookupType
            ext.ExtSubTable = st
            wrapped.append(ext)
        lookup.SubTable = wrapped
        lookup.LookupType = 7


def family(out, name):
    order = [".notdef", "space"] + LETTERS
    fb = start(name, "Regular", order)
    uni = {0x20: "space"}
    uni.update({ord(ch): ch for ch in LETTERS})
    set_cmap(fb, [subtable(4, 3, 1, uni)])
    fb.save(os.path.join(out, name.replace(" ", "") + "-Regular.ttf"))


def color(out):
    order = [".notdef", "space", "smile"]
    fb = start("Rbx Color", "Regular", order)
    set_cmap(fb, [subtable(4, 3, 1, {0x20: "space"}), subtable(12, 3, 10, {0x20: "space", 0x1F600: "smile"})])
    svg = newTable("SVG ")
    svg.docList = [('<svg xmlns="http://www.w3.org/2000/svg"><g id="glyph2">'
                    '<rect width="500" height="500" fill="red"/></g></svg>', 2, 2)]
    fb.font["SVG "] = svg
    fb.save(os.path.join(out, "RbxColor-Regular.ttf"))


def png(width, height, rgba):
    """A PNG of one colour, written by hand (no imaging library needed)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    row = b"\x00" + bytes(rgba) * width
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(row * height, 9)) + chunk(b"IEND", b""))


LINE_METRICS = "".join('<%s value="%d"/>' % (n, v) for n, v in [
    ("ascender", 16), ("descender", -4), ("widthMax", 20), ("caretSlopeNumerator", 0),
    ("caretSlopeDenominator", 0), ("caretOffset", 0), ("minOriginSB", 0), ("minAdvanceSB", 0),
    ("maxBeforeBL", 0), ("minAfterBL", 0), ("pad1", 0), ("pad2", 0)])


def emoji_bits(out):
    order = [".notdef", "space", "smile", "heart", "sad"]
    pictures = {"smile": (20, 20, (255, 0, 0, 255)), "heart": (16, 20, (0, 0, 255, 255))}
    fb = FontBuilder(UPEM, isTTF=True)
    fb.updateHead(created=STAMP, modified=STAMP)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(order)
    fb.setupGlyf({n: empty() for n in order})
    fb.setupHorizontalMetrics({n: (1000, 0) for n in order})
    fb.setupHorizontalHeader(ascent=800, descent=-200)
    fb.setupNameTable({"familyName": "Rbx Emoji Bits", "styleName": "Regular",
                       "psName": "RbxEmojiBits-Regular", "fullName": "Rbx Emoji Bits Regular"})
    fb.postNames = True
    set_cmap(fb, [subtable(4, 3, 1, {0x20: "space", 0x2764: "heart"}),
                  subtable(12, 3, 10, {0x20: "space", 0x2764: "heart", 0x1F600: "smile", 0x1F641: "sad"})])
    glyphs = "".join(
        '<cbdt_bitmap_format_17 name="%s"><SmallGlyphMetrics><height value="%d"/><width value="%d"/>'
        '<BearingX value="0"/><BearingY value="16"/><Advance value="20"/></SmallGlyphMetrics>'
        '<rawimagedata>%s</rawimagedata></cbdt_bitmap_format_17>' % (name, h, w, png(w, h, rgba).hex())
        for name, (w, h, rgba) in pictures.items())
    cbdt_xml = '<header version="3.0"/><strikedata index="0">%s</strikedata>' % glyphs
    cblc_xml = ('<header version="3.0"/><strike index="0"><bitmapSizeTable>'
                '<sbitLineMetrics direction="hori">%s</sbitLineMetrics>'
                '<sbitLineMetrics direction="vert">%s</sbitLineMetrics>'
                '<colorRef value="0"/><startGlyphIndex value="2"/><endGlyphIndex value="3"/>'
                '<ppemX value="20"/><ppemY value="20"/><bitDepth value="32"/><flags value="1"/>'
                '</bitmapSizeTable><eblc_index_sub_table_1 imageFormat="17" firstGlyphIndex="2" lastGlyphIndex="3">'
                '<glyphLoc name="smile"/><glyphLoc name="heart"/></eblc_index_sub_table_1></strike>'
                % (LINE_METRICS, LINE_METRICS))
    for tag, xml in (("CBDT", cbdt_xml), ("CBLC", cblc_xml)):
        table = newTable(tag)
        for element in parseXML(xml):
            if isinstance(element, tuple):
                name, attrs, content = element
                table.fromXML(name, attrs, content, fb.font)
        fb.font[tag] = table
    # Bitmaps only, as colour emoji fonts are: no outline tables.
    for tag in ("glyf", "loca"):
        del fb.font[tag]
    fb.font["maxp"].tableVersion = 0x00005000
    fb.save(os.path.join(out, "RbxEmojiBits-Regular.ttf"))


def triangle(width):
    pen = TTGlyphPen(None)
    pen.moveTo((50, 0))
    pen.lineTo((width - 50, 0))
    pen.lineTo((width // 2, 700))
    pen.closePath()
    return pen.glyph()


def thaana(out):
    letters = list(range(0x780, 0x7A6))
    order = [".notdef", "space"] + ["uni%04X" % c for c in letters]
    fb = start("Rbx Thaana", "Regular", order)
    fb.font["glyf"].glyphs.update({"uni%04X" % c: triangle(600) for c in letters})
    fb.font["hmtx"].metrics.update({"uni%04X" % c: (600, 50) for c in letters})
    uni = {0x20: "space"}
    uni.update({c: "uni%04X" % c for c in letters})
    set_cmap(fb, [subtable(4, 3, 1, uni)])
    fb.save(os.path.join(out, "RbxThaana-Regular.ttf"))


def fifty(out):
    folder = os.path.join(out, "fifty")
    os.makedirs(folder, exist_ok=True)
    for n in range(1, 51):
        own = 0x391 + (n - 1) % 25
        order = [".notdef", "space", "A", "B", "C", "own"]
        fb = start("Rbx Fifty %02d" % n, "Regular", order, post_names=False)
        set_cmap(fb, [subtable(4, 3, 1, {0x20: "space", 0x41: "A", 0x42: "B", 0x43: "C", own: "own"})])
        fb.save(os.path.join(folder, "RbxFifty%02d-Regular.ttf" % n))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "tests", "data", "fonts")
    os.makedirs(out, exist_ok=True)
    cmap_test(out)
    cmap_lang(out)
    liga_fi(out)
    liga_edge(out)
    family(out, "Rbx Alpha")
    family(out, "Rbx Beta")
    color(out)
    emoji_bits(out)
    thaana(out)
    fifty(out)
    with open(os.path.join(out, "not-a-font.ttf"), "w") as f:
        f.write("This file is text, not a font.\n")


if __name__ == "__main__":
    main()
