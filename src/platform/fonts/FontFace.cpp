#include "platform/fonts/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_FONT_FORMATS_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>
#include <hb-ot.h>
#include <hb.h>

#include <QFile>
#include <mutex>

namespace rbx {

namespace {

// One FreeType library for the process; creating and destroying faces is serialised.
// It lives until the process ends, as faces held by other static objects may be
// destroyed after any static object of this file.
struct FreeTypeLibrary {
    FT_Library lib = nullptr;
    std::mutex mutex;
    FreeTypeLibrary() { FT_Init_FreeType(&lib); }
};
FreeTypeLibrary& freeType() {
    static FreeTypeLibrary* l = new FreeTypeLibrary;
    return *l;
}

constexpr std::uint32_t tagOf(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

QString decodeSfntName(const FT_SfntName& n) {
    const auto* p = reinterpret_cast<const char*>(n.string);
    if (n.platform_id == TT_PLATFORM_MICROSOFT || n.platform_id == TT_PLATFORM_APPLE_UNICODE) {
        QString s;
        s.reserve(int(n.string_len / 2));
        for (FT_UInt i = 0; i + 1 < n.string_len; i += 2)
            s.append(QChar(char16_t((std::uint8_t(p[i]) << 8) | std::uint8_t(p[i + 1]))));
        return s;
    }
    return QString::fromLatin1(p, int(n.string_len));
}

// Name `id` from the 'name' table: Windows US English first, then any Windows or
// Unicode record, then a Macintosh record.
QString sfntName(FT_Face face, FT_UShort id) {
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    QString windows, other, mac;
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName n;
        if (FT_Get_Sfnt_Name(face, i, &n) != 0 || n.name_id != id) continue;
        if (n.platform_id == TT_PLATFORM_MICROSOFT && n.language_id == 0x409) return decodeSfntName(n);
        if (n.platform_id == TT_PLATFORM_MICROSOFT && windows.isEmpty()) windows = decodeSfntName(n);
        else if (n.platform_id == TT_PLATFORM_APPLE_UNICODE && other.isEmpty()) other = decodeSfntName(n);
        else if (n.platform_id == TT_PLATFORM_MACINTOSH && n.encoding_id == 0 && mac.isEmpty())
            mac = decodeSfntName(n);
    }
    if (!windows.isEmpty()) return windows;
    if (!other.isEmpty()) return other;
    return mac;
}

} // namespace

struct FontFace::Impl {
    QByteArray data; // the bytes of a face made from memory
    FT_Face ft = nullptr;
    hb_face_t* hbFace = nullptr;
    hb_font_t* hbFont = nullptr;
    hb_face_t* otFace = nullptr; // hbFace without its AAT substitution tables
    hb_font_t* otFont = nullptr;
    std::once_flag otOnce;
    mutable std::mutex mutex; // guards the FreeType face (and the hb-ft font)
    mutable std::once_flag coveredOnce;
    mutable kx::CharSet covered;

    ~Impl() {
        if (otFont) hb_font_destroy(otFont);
        if (otFace) hb_face_destroy(otFace);
        if (hbFont) hb_font_destroy(hbFont);
        if (hbFace) hb_face_destroy(hbFace);
        if (ft) {
            std::lock_guard lock(freeType().mutex);
            FT_Done_Face(ft);
        }
    }
};

FontFace::FontFace() : d(std::make_unique<Impl>()) {}
FontFace::~FontFace() = default;

std::shared_ptr<const FontFace> FontFace::fromFile(const QString& path, int index) {
    if (path.isEmpty()) return nullptr;
    return open(path, QByteArray(), index);
}

std::shared_ptr<const FontFace> FontFace::fromData(const QByteArray& data, int index) {
    if (data.isEmpty()) return nullptr;
    return open(QString(), data, index);
}

static int countFaces(const QString& path, const QByteArray& data) {
    FreeTypeLibrary& lib = freeType();
    std::lock_guard lock(lib.mutex);
    if (!lib.lib) return 0;
    FT_Face face = nullptr;
    FT_Error err;
    if (path.isEmpty())
        err = FT_New_Memory_Face(lib.lib, reinterpret_cast<const FT_Byte*>(data.constData()),
                                 FT_Long(data.size()), -1, &face);
    else
        err = FT_New_Face(lib.lib, QFile::encodeName(path).constData(), -1, &face);
    if (err || !face) return 0;
    const int n = int(face->num_faces);
    FT_Done_Face(face);
    return n;
}

int FontFace::faceCountInFile(const QString& path) { return path.isEmpty() ? 0 : countFaces(path, {}); }
int FontFace::faceCountInData(const QByteArray& data) { return data.isEmpty() ? 0 : countFaces({}, data); }

std::shared_ptr<const FontFace> FontFace::open(const QString& path, const QByteArray& data, int index) {
    if (index < 0) return nullptr;
    std::shared_ptr<FontFace> f(new FontFace());
    Impl& d = *f->d;
    d.data = data;
    {
        FreeTypeLibrary& lib = freeType();
        std::lock_guard lock(lib.mutex);
        if (!lib.lib) return nullptr;
        FT_Error err;
        if (path.isEmpty())
            err = FT_New_Memory_Face(lib.lib, reinterpret_cast<const FT_Byte*>(d.data.constData()),
                                     FT_Long(d.data.size()), index, &d.ft);
        else
            err = FT_New_Face(lib.lib, QFile::encodeName(path).constData(), index, &d.ft);
        if (err || !d.ft) {
            d.ft = nullptr;
            return nullptr;
        }
    }
    FT_Face ft = d.ft;
    f->filePath_ = path;
    f->faceIndex_ = index;
    f->sfnt_ = FT_IS_SFNT(ft);
    f->unitsPerEm_ = ft->units_per_EM;
    f->glyphCount_ = int(ft->num_glyphs);
    if (const char* ps = FT_Get_Postscript_Name(ft)) f->postScriptName_ = QString::fromLatin1(ps);
    if (ft->family_name) f->familyName_ = QString::fromUtf8(ft->family_name);
    if (ft->style_name) f->styleName_ = QString::fromUtf8(ft->style_name);
    if (f->sfnt_) f->fullName_ = sfntName(ft, TT_NAME_ID_FULL_NAME);
    if (f->fullName_.isEmpty()) {
        f->fullName_ = f->familyName_;
        if (!f->styleName_.isEmpty() && f->styleName_ != QLatin1String("Regular"))
            f->fullName_ += QLatin1Char(' ') + f->styleName_;
    }

    const QByteArray fmt(FT_Get_Font_Format(ft) ? FT_Get_Font_Format(ft) : "");
    if (f->sfnt_) {
        auto has = [&](std::uint32_t tag) {
            FT_ULong len = 0;
            return FT_Load_Sfnt_Table(ft, tag, 0, nullptr, &len) == 0;
        };
        if (has(tagOf("CFF ")) || has(tagOf("CFF2"))) f->format_ = FontFormat::OpenTypeCFF;
        else if (has(tagOf("glyf")))
            f->format_ = (has(tagOf("GSUB")) || has(tagOf("GPOS")) || has(tagOf("GDEF")))
                             ? FontFormat::OpenTypeTrueType : FontFormat::TrueType;
        else f->format_ = FontFormat::Bitmap;

        hb_blob_t* blob;
        if (path.isEmpty())
            blob = hb_blob_create(d.data.constData(), unsigned(d.data.size()), HB_MEMORY_MODE_READONLY,
                                  nullptr, nullptr);
        else
            blob = hb_blob_create_from_file_or_fail(QFile::encodeName(path).constData());
        if (!blob) return nullptr;
        d.hbFace = hb_face_create(blob, unsigned(index));
        hb_blob_destroy(blob);
        d.hbFont = hb_font_create(d.hbFace);
        // FreeType reports no units per em for faces without outlines.
        f->unitsPerEm_ = int(hb_face_get_upem(d.hbFace));
    } else {
        if (fmt == "Type 1" || fmt == "CID Type 1") f->format_ = FontFormat::Type1;
        else if (fmt == "BDF" || fmt == "PCF" || fmt == "Windows FNT") f->format_ = FontFormat::Bitmap;
        if (FT_IS_SCALABLE(ft)) {
            const FT_UInt upem = ft->units_per_EM ? ft->units_per_EM : 1000;
            FT_Set_Char_Size(ft, 0, FT_F26Dot6(upem) * 64, 72, 72);
        } else if (ft->num_fixed_sizes > 0) {
            FT_Select_Size(ft, 0);
        }
        FT_Select_Charmap(ft, FT_ENCODING_UNICODE);
        d.hbFont = hb_ft_font_create_referenced(ft);
        d.hbFace = hb_face_reference(hb_font_get_face(d.hbFont));
    }
    return f;
}

QString FontFace::nameString(int nameId) const {
    if (!sfnt_ || nameId < 0 || nameId > 0xFFFF) return QString();
    std::lock_guard lock(d->mutex);
    return sfntName(d->ft, FT_UShort(nameId));
}

QList<std::uint32_t> FontFace::tableTags() const {
    QList<std::uint32_t> tags;
    if (!sfnt_) return tags;
    std::lock_guard lock(d->mutex);
    for (FT_UInt i = 0;; ++i) {
        FT_ULong tag = 0, length = 0;
        if (FT_Sfnt_Table_Info(d->ft, i, &tag, &length) != 0) break;
        tags << std::uint32_t(tag);
    }
    return tags;
}

long long FontFace::tableLength(std::uint32_t tag) const {
    if (!sfnt_) return -1;
    std::lock_guard lock(d->mutex);
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(d->ft, tag, 0, nullptr, &len) != 0) return -1;
    return (long long)len;
}

bool FontFace::hasTable(std::uint32_t tag) const { return tableLength(tag) >= 0; }

std::optional<QByteArray> FontFace::table(std::uint32_t tag) const {
    const long long len = tableLength(tag);
    if (len < 0) return std::nullopt;
    return tableRange(tag, 0, std::size_t(len));
}

std::optional<QByteArray> FontFace::tableRange(std::uint32_t tag, std::size_t offset, std::size_t length,
                                               int* error) const {
    if (error) *error = 0;
    if (!sfnt_) {
        if (error) *error = FT_Err_Invalid_Table;
        return std::nullopt;
    }
    std::lock_guard lock(d->mutex);
    FT_ULong total = 0;
    FT_Error err = FT_Load_Sfnt_Table(d->ft, tag, 0, nullptr, &total);
    if (err == 0 && (offset > total || length > total - offset)) err = FT_Err_Invalid_Offset;
    if (err != 0) {
        if (error) *error = err;
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    if (length == 0) return bytes;
    FT_ULong len = length;
    err = FT_Load_Sfnt_Table(d->ft, tag, FT_Long(offset), reinterpret_cast<FT_Byte*>(bytes.data()), &len);
    if (err != 0) {
        if (error) *error = err;
        return std::nullopt;
    }
    return bytes;
}

const kx::CharSet& FontFace::coveredCharacters() const {
    std::call_once(d->coveredOnce, [this] {
        kx::CharSet set;
        if (sfnt_) {
            hb_set_t* all = hb_set_create();
            hb_face_collect_unicodes(d->hbFace, all);
            hb_codepoint_t c = HB_SET_VALUE_INVALID;
            while (hb_set_next(all, &c)) {
                hb_codepoint_t g = 0;
                if (c <= kx::LastCodePoint && hb_font_get_nominal_glyph(d->hbFont, c, &g) && g != 0)
                    set.addCharacter(char32_t(c));
            }
            hb_set_destroy(all);
        } else {
            std::lock_guard lock(d->mutex);
            if (d->ft->charmap && d->ft->charmap->encoding == FT_ENCODING_UNICODE) {
                FT_UInt g = 0;
                FT_ULong c = FT_Get_First_Char(d->ft, &g);
                while (g != 0) {
                    if (c <= kx::LastCodePoint) set.addCharacter(char32_t(c));
                    c = FT_Get_Next_Char(d->ft, c, &g);
                }
            }
        }
        d->covered = set;
    });
    return d->covered;
}

std::uint32_t FontFace::nominalGlyph(char32_t c) const {
    if (c > kx::LastCodePoint) return 0;
    if (sfnt_) {
        hb_codepoint_t g = 0;
        return hb_font_get_nominal_glyph(d->hbFont, c, &g) ? g : 0;
    }
    std::lock_guard lock(d->mutex);
    if (!d->ft->charmap || d->ft->charmap->encoding != FT_ENCODING_UNICODE) return 0;
    return FT_Get_Char_Index(d->ft, c);
}

static hb_blob_t* tableWithoutAat(hb_face_t*, hb_tag_t tag, void* userData) {
    if (tag == HB_TAG('m', 'o', 'r', 'x') || tag == HB_TAG('m', 'o', 'r', 't')) return nullptr;
    return hb_face_reference_table(static_cast<hb_face_t*>(userData), tag);
}

QVector<ShapedGlyph> FontFace::shape(const QString& text, bool ligatures, Layout layout) const {
    QVector<ShapedGlyph> out;
    if (text.isEmpty() || !d->hbFont) return out;
    hb_font_t* font = d->hbFont;
    if (layout == Layout::OpenTypeOnly && sfnt_) {
        std::call_once(d->otOnce, [this] {
            d->otFace = hb_face_create_for_tables(tableWithoutAat, hb_face_reference(d->hbFace),
                                                  [](void* p) { hb_face_destroy(static_cast<hb_face_t*>(p)); });
            hb_face_set_index(d->otFace, hb_face_get_index(d->hbFace));
            hb_face_set_upem(d->otFace, hb_face_get_upem(d->hbFace));
            d->otFont = hb_font_create(d->otFace);
        });
        font = d->otFont;
    }
    hb_buffer_t* buf = hb_buffer_create();
    hb_buffer_add_utf16(buf, reinterpret_cast<const uint16_t*>(text.utf16()), int(text.size()), 0,
                        int(text.size()));
    hb_buffer_guess_segment_properties(buf);
    static const char* const on[] = {"liga=1", "clig=1", "dlig=1", "hlig=1"};
    static const char* const off[] = {"liga=0", "clig=0", "dlig=0", "hlig=0", "rlig=0", "calt=0"};
    std::vector<hb_feature_t> features;
    if (ligatures) {
        for (const char* f : on) { hb_feature_t ft; if (hb_feature_from_string(f, -1, &ft)) features.push_back(ft); }
    } else {
        for (const char* f : off) { hb_feature_t ft; if (hb_feature_from_string(f, -1, &ft)) features.push_back(ft); }
    }
    {
        std::unique_lock<std::mutex> lock(d->mutex, std::defer_lock);
        if (!sfnt_) lock.lock(); // the hb-ft font reads the FreeType face
        hb_shape(font, buf, features.data(), unsigned(features.size()));
    }
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    out.reserve(int(n));
    for (unsigned i = 0; i < n; ++i) out.append(ShapedGlyph{info[i].codepoint, info[i].cluster, pos[i].x_advance});
    hb_buffer_destroy(buf);
    return out;
}

long long FontFace::advanceOf(const QString& text) const {
    long long sum = 0;
    for (const ShapedGlyph& g : shape(text)) sum += g.advance;
    return sum;
}

} // namespace rbx
