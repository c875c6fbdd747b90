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

#include "core/Log.h"
#include "core/MappedBytesGuard.h"

#include <QFile>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <vector>

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

namespace {
std::atomic<std::uint64_t> openCount{0}; // faces opened so far
std::atomic<int> openNow{0};             // faces open now
std::atomic<int> mappingsNow{0};         // files (or bytes) held readable now
std::atomic<int> objectsNow{0};          // face objects alive
} // namespace

// The bytes of a face: its file mapped read-only, or the bytes it was made from. Shared
// by the open face (FreeType and HarfBuzz read from it) and by whoever else reads the
// bytes (FontFace::bytes()).
struct FaceMapping {
    hb_blob_t* blob = nullptr; // the file
    QByteArray data;           // bytes in memory
    kx::MappedBytesGuard guard; // the file's bytes, should it be cut short while mapped
    FaceMapping() { ++mappingsNow; }
    ~FaceMapping() {
        guard.release();
        if (blob) hb_blob_destroy(blob);
        --mappingsNow;
    }
    FaceMapping(const FaceMapping&) = delete;
    FaceMapping& operator=(const FaceMapping&) = delete;
    const char* bytes() const { return blob ? hb_blob_get_data(blob, nullptr) : data.constData(); }
    qsizetype size() const { return blob ? qsizetype(hb_blob_get_length(blob)) : data.size(); }
};

// The open face: FreeType's and HarfBuzz's objects over the face's bytes.
struct FontFace::Impl {
    std::shared_ptr<const FaceMapping> mapping;
    FT_Face ft = nullptr;
    hb_face_t* hbFace = nullptr;
    hb_font_t* hbFont = nullptr;
    hb_face_t* otFace = nullptr; // hbFace without its AAT substitution tables
    hb_font_t* otFont = nullptr;
    std::once_flag otOnce;
    std::mutex mutex; // guards the FreeType face (and the hb-ft font)
    std::atomic<std::uint64_t> used{0}; // the open-face clock at the last use
    bool counted = false;

    ~Impl() {
        if (counted) --openNow;
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

namespace {

// The faces open while no call uses them: the most recently used ones. A face pushed
// out is closed once the calls using it at that moment are done.
class OpenFaces {
public:
    static OpenFaces& shared() {
        static OpenFaces* faces = new OpenFaces; // faces may close after static objects went
        return *faces;
    }

    void add(const std::shared_ptr<FontFace::Impl>& face) {
        std::vector<std::shared_ptr<FontFace::Impl>> closing;
        {
            std::lock_guard lock(mutex_);
            face->used = ++clock_;
            recent_.insert(recent_.begin(), face);
            while (recent_.size() > std::size_t(FontFace::OpenFaceLimit)) {
                closing.push_back(std::move(recent_.back()));
                recent_.pop_back();
            }
        }
    }

    // Moves the face to the front, unless it is among the most recently used already.
    void touch(const std::shared_ptr<FontFace::Impl>& face) {
        if (clock_.load(std::memory_order_relaxed) - face->used.load(std::memory_order_relaxed) <
            std::uint64_t(FontFace::OpenFaceLimit / 2))
            return;
        std::lock_guard lock(mutex_);
        auto it = std::find(recent_.begin(), recent_.end(), face);
        if (it == recent_.end()) return; // pushed out: closed when its calls are done
        std::rotate(recent_.begin(), it, it + 1);
        face->used = ++clock_;
    }

    // Lets go of every face; those no call uses close.
    void clear() {
        std::vector<std::shared_ptr<FontFace::Impl>> closing;
        std::lock_guard lock(mutex_);
        closing.swap(recent_);
    }

    void remove(const std::shared_ptr<FontFace::Impl>& face) {
        std::shared_ptr<FontFace::Impl> closing;
        std::lock_guard lock(mutex_);
        auto it = std::find(recent_.begin(), recent_.end(), face);
        if (it == recent_.end()) return;
        closing = std::move(*it);
        recent_.erase(it);
    }

private:
    std::mutex mutex_;
    std::atomic<std::uint64_t> clock_{0};
    std::vector<std::shared_ptr<FontFace::Impl>> recent_;
};

} // namespace

struct FontFace::State {
    mutable std::mutex mutex; // guards `open`, `failed` and the properties' first filling
    std::weak_ptr<Impl> open;
    bool failed = false;
    std::atomic<bool> known{false};
    Properties properties;
    std::once_flag coveredOnce;
    // Made on first use: most faces are asked by their recorded coverage alone.
    std::unique_ptr<const kx::CharSet> covered;
    std::atomic<bool> coveredMade{false};
};

FontFace::FontFace() : d(std::make_unique<State>()) { ++objectsNow; }

FontFace::~FontFace() {
    --objectsNow;
    if (std::shared_ptr<Impl> open = d->open.lock()) OpenFaces::shared().remove(open);
}

QString FontFace::fullName() const {
    return fullNameJoinsStyle_ ? familyName_ + QLatin1Char(' ') + styleName_ : fullName_;
}

std::uint64_t FontFace::facesOpened() { return openCount.load(); }
int FontFace::facesOpenNow() { return openNow.load(); }
int FontFace::facesAlive() { return objectsNow.load(); }
int FontFace::fileMappingsNow() { return mappingsNow.load(); }
void FontFace::closeUnusedFaces() { OpenFaces::shared().clear(); }

std::shared_ptr<const FontFace> FontFace::fromFile(const QString& path, int index) {
    if (path.isEmpty()) return nullptr;
    return open(path, QByteArray(), index);
}

std::shared_ptr<const FontFace> FontFace::fromData(const QByteArray& data, int index) {
    if (data.isEmpty()) return nullptr;
    return open(QString(), data, index);
}

std::shared_ptr<const FontFace> FontFace::fromInfo(const FaceInfo& info) {
    if (info.file.isEmpty() || info.index < 0) return nullptr;
    std::shared_ptr<FontFace> f(new FontFace());
    f->postScriptName_ = info.postScriptName;
    f->familyName_ = info.family;
    f->styleName_ = info.style;
    // A full name that is the family and the style joined is made when asked.
    f->fullNameJoinsStyle_ = info.fullNameJoinsStyle();
    if (!f->fullNameJoinsStyle_) f->fullName_ = info.fullName();
    f->filePath_ = info.file;
    f->faceIndex_ = info.index;
    f->coverage_ = info.coverage;
    return f;
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

namespace {

struct Opening {
    std::shared_ptr<FontFace::Impl> impl;
    bool sfnt = false;
    FontFormat format = FontFormat::Unknown;
    int unitsPerEm = 0;
    int glyphCount = 0;
};

// Opens a face of a file or of bytes; no impl when FreeType or HarfBuzz cannot. The file
// is mapped once; FreeType and HarfBuzz both read the mapping.
Opening openFace(const QString& path, const QByteArray& data, int index) {
    Opening o;
    if (index < 0) return o;
    auto impl = std::make_shared<FontFace::Impl>();
    FontFace::Impl& d = *impl;
    auto mapping = std::make_shared<FaceMapping>();
    if (path.isEmpty()) mapping->data = data;
    else mapping->blob = hb_blob_create_from_file_or_fail(QFile::encodeName(path).constData());
    if (!path.isEmpty() && !mapping->blob) return o;
    if (mapping->blob) mapping->guard = kx::MappedBytesGuard(mapping->bytes(), std::size_t(mapping->size()));
    d.mapping = mapping;
    {
        FreeTypeLibrary& lib = freeType();
        std::lock_guard lock(lib.mutex);
        if (!lib.lib) return o;
        const FT_Error err = FT_New_Memory_Face(lib.lib, reinterpret_cast<const FT_Byte*>(mapping->bytes()),
                                                FT_Long(mapping->size()), index, &d.ft);
        if (err || !d.ft) {
            d.ft = nullptr;
            return o;
        }
    }
    FT_Face ft = d.ft;
    o.sfnt = FT_IS_SFNT(ft);
    o.unitsPerEm = ft->units_per_EM;
    o.glyphCount = int(ft->num_glyphs);
    const QByteArray fmt(FT_Get_Font_Format(ft) ? FT_Get_Font_Format(ft) : "");
    if (o.sfnt) {
        auto has = [&](std::uint32_t tag) {
            FT_ULong len = 0;
            return FT_Load_Sfnt_Table(ft, tag, 0, nullptr, &len) == 0;
        };
        if (has(tagOf("CFF ")) || has(tagOf("CFF2"))) o.format = FontFormat::OpenTypeCFF;
        else if (has(tagOf("glyf")))
            o.format = (has(tagOf("GSUB")) || has(tagOf("GPOS")) || has(tagOf("GDEF")))
                           ? FontFormat::OpenTypeTrueType : FontFormat::TrueType;
        else o.format = FontFormat::Bitmap;

        hb_blob_t* blob = mapping->blob ? hb_blob_reference(mapping->blob)
                                        : hb_blob_create(mapping->data.constData(), unsigned(mapping->data.size()),
                                                         HB_MEMORY_MODE_READONLY, nullptr, nullptr);
        d.hbFace = hb_face_create(blob, unsigned(index));
        hb_blob_destroy(blob);
        d.hbFont = hb_font_create(d.hbFace);
        // FreeType reports no units per em for faces without outlines.
        o.unitsPerEm = int(hb_face_get_upem(d.hbFace));
    } else {
        if (fmt == "Type 1" || fmt == "CID Type 1") o.format = FontFormat::Type1;
        else if (fmt == "BDF" || fmt == "PCF" || fmt == "Windows FNT") o.format = FontFormat::Bitmap;
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
    ++openCount;
    ++openNow;
    d.counted = true;
    o.impl = std::move(impl);
    return o;
}

} // namespace

std::shared_ptr<const FontFace> FontFace::open(const QString& path, const QByteArray& data, int index) {
    Opening o = openFace(path, data, index);
    if (!o.impl) return nullptr;
    std::shared_ptr<FontFace> f(new FontFace());
    FT_Face ft = o.impl->ft;
    f->filePath_ = path;
    f->faceIndex_ = index;
    f->data_ = data;
    if (const char* ps = FT_Get_Postscript_Name(ft)) f->postScriptName_ = QString::fromLatin1(ps);
    if (ft->family_name) f->familyName_ = QString::fromUtf8(ft->family_name);
    if (ft->style_name) f->styleName_ = QString::fromUtf8(ft->style_name);
    if (o.sfnt) f->fullName_ = sfntName(ft, TT_NAME_ID_FULL_NAME);
    if (f->fullName_.isEmpty()) {
        f->fullName_ = f->familyName_;
        if (!f->styleName_.isEmpty() && f->styleName_ != QLatin1String("Regular"))
            f->fullName_ += QLatin1Char(' ') + f->styleName_;
    }
    f->d->properties = Properties{o.sfnt, o.format, o.unitsPerEm, o.glyphCount};
    f->d->known = true;
    f->d->open = o.impl;
    OpenFaces::shared().add(o.impl);
    return f;
}

std::shared_ptr<FontFace::Impl> FontFace::opened() const {
    std::lock_guard lock(d->mutex);
    if (std::shared_ptr<Impl> open = d->open.lock()) {
        OpenFaces::shared().touch(open);
        return open;
    }
    if (d->failed) return nullptr;
    Opening o = openFace(filePath_, data_, faceIndex_);
    if (!o.impl) {
        d->failed = true;
        kx::log(QStringLiteral("cannot open the font %1 (face %2 of %3)")
                    .arg(postScriptName_)
                    .arg(faceIndex_)
                    .arg(filePath_.isEmpty() ? QStringLiteral("bytes in memory") : filePath_));
    } else if (!d->known) {
        d->properties = Properties{o.sfnt, o.format, o.unitsPerEm, o.glyphCount};
    }
    d->known = true;
    if (!o.impl) return nullptr;
    d->open = o.impl;
    OpenFaces::shared().add(o.impl);
    return o.impl;
}

const FontFace::Properties& FontFace::properties() const {
    if (!d->known.load(std::memory_order_acquire)) (void)opened();
    return d->properties;
}

FontFace::Bytes FontFace::bytes() const {
    const std::shared_ptr<Impl> o = opened();
    if (!o || !o->mapping) return {};
    return Bytes{o->mapping->bytes(), o->mapping->size(), o->mapping};
}

bool FontFace::isOpen() const {
    std::lock_guard lock(d->mutex);
    return !d->open.expired();
}

QString FontFace::nameString(int nameId) const {
    if (nameId < 0 || nameId > 0xFFFF || !isSfnt()) return QString();
    const std::shared_ptr<Impl> o = opened();
    if (!o) return QString();
    std::lock_guard lock(o->mutex);
    return sfntName(o->ft, FT_UShort(nameId));
}

QList<std::uint32_t> FontFace::tableTags() const {
    QList<std::uint32_t> tags;
    if (!isSfnt()) return tags;
    const std::shared_ptr<Impl> o = opened();
    if (!o) return tags;
    std::lock_guard lock(o->mutex);
    for (FT_UInt i = 0;; ++i) {
        FT_ULong tag = 0, length = 0;
        if (FT_Sfnt_Table_Info(o->ft, i, &tag, &length) != 0) break;
        tags << std::uint32_t(tag);
    }
    return tags;
}

long long FontFace::tableLength(std::uint32_t tag) const {
    if (!isSfnt()) return -1;
    const std::shared_ptr<Impl> o = opened();
    if (!o) return -1;
    std::lock_guard lock(o->mutex);
    FT_ULong len = 0;
    if (FT_Load_Sfnt_Table(o->ft, tag, 0, nullptr, &len) != 0) return -1;
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
    const std::shared_ptr<Impl> o = isSfnt() ? opened() : nullptr;
    if (!o) {
        if (error) *error = FT_Err_Invalid_Table;
        return std::nullopt;
    }
    std::lock_guard lock(o->mutex);
    FT_ULong total = 0;
    FT_Error err = FT_Load_Sfnt_Table(o->ft, tag, 0, nullptr, &total);
    if (err == 0 && (offset > total || length > total - offset)) err = FT_Err_Invalid_Offset;
    if (err != 0) {
        if (error) *error = err;
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    if (length == 0) return bytes;
    FT_ULong len = length;
    err = FT_Load_Sfnt_Table(o->ft, tag, FT_Long(offset), reinterpret_cast<FT_Byte*>(bytes.data()), &len);
    if (err != 0) {
        if (error) *error = err;
        return std::nullopt;
    }
    return bytes;
}

const kx::CharSet& FontFace::coveredCharacters() const {
    std::call_once(d->coveredOnce, [this] {
        kx::CharSet set;
        if (coverage_) {
            coverage_->addTo(set);
        } else if (const std::shared_ptr<Impl> o = opened()) {
            if (isSfnt()) {
                hb_set_t* all = hb_set_create();
                hb_face_collect_unicodes(o->hbFace, all);
                hb_codepoint_t c = HB_SET_VALUE_INVALID;
                while (hb_set_next(all, &c)) {
                    hb_codepoint_t g = 0;
                    if (c <= kx::LastCodePoint && hb_font_get_nominal_glyph(o->hbFont, c, &g) && g != 0)
                        set.addCharacter(char32_t(c));
                }
                hb_set_destroy(all);
            } else {
                std::lock_guard lock(o->mutex);
                if (o->ft->charmap && o->ft->charmap->encoding == FT_ENCODING_UNICODE) {
                    FT_UInt g = 0;
                    FT_ULong c = FT_Get_First_Char(o->ft, &g);
                    while (g != 0) {
                        if (c <= kx::LastCodePoint) set.addCharacter(char32_t(c));
                        c = FT_Get_Next_Char(o->ft, c, &g);
                    }
                }
            }
        }
        d->covered = std::make_unique<const kx::CharSet>(std::move(set));
        d->coveredMade = true;
    });
    return *d->covered;
}

bool FontFace::covers(char32_t c) const {
    if (coverage_ && !d->coveredMade.load(std::memory_order_acquire)) return coverage_->contains(c);
    return coveredCharacters().contains(c);
}

void FontFace::addCoveredCharactersTo(kx::CharSet& set) const {
    if (coverage_ && !d->coveredMade.load(std::memory_order_acquire)) coverage_->addTo(set);
    else set.formUnion(coveredCharacters());
}

std::uint32_t FontFace::nominalGlyph(char32_t c) const {
    if (c > kx::LastCodePoint) return 0;
    const std::shared_ptr<Impl> o = opened();
    if (!o) return 0;
    if (isSfnt()) {
        hb_codepoint_t g = 0;
        return hb_font_get_nominal_glyph(o->hbFont, c, &g) ? g : 0;
    }
    std::lock_guard lock(o->mutex);
    if (!o->ft->charmap || o->ft->charmap->encoding != FT_ENCODING_UNICODE) return 0;
    return FT_Get_Char_Index(o->ft, c);
}

bool FontFace::glyphHasInk(std::uint32_t glyph) const {
    const std::shared_ptr<Impl> o = opened();
    if (!o) return false;
    hb_glyph_extents_t extents{};
    std::unique_lock<std::mutex> lock(o->mutex, std::defer_lock);
    if (!isSfnt()) lock.lock(); // the hb-ft font reads the FreeType face
    // HarfBuzz knows no extents for some kinds of glyphs (grey bitmaps of 'EBDT', for one):
    // those are taken to draw.
    if (!hb_font_get_glyph_extents(o->hbFont, glyph, &extents)) return glyph < std::uint32_t(glyphCount());
    return extents.width != 0 && extents.height != 0;
}

std::int32_t FontFace::glyphAdvance(std::uint32_t glyph) const {
    const std::shared_ptr<Impl> o = opened();
    if (!o || glyph >= std::uint32_t(glyphCount())) return 0;
    std::unique_lock<std::mutex> lock(o->mutex, std::defer_lock);
    if (!isSfnt()) lock.lock(); // the hb-ft font reads the FreeType face
    return hb_font_get_glyph_h_advance(o->hbFont, glyph);
}

std::uint32_t FontFace::variationGlyph(char32_t c, char32_t selector) const {
    if (c > kx::LastCodePoint || selector > kx::LastCodePoint || !isSfnt()) return 0;
    const std::shared_ptr<Impl> o = opened();
    if (!o) return 0;
    hb_codepoint_t g = 0;
    return hb_font_get_variation_glyph(o->hbFont, c, selector, &g) ? g : 0;
}

QString FontFace::glyphName(std::uint32_t glyph) const {
    const std::shared_ptr<Impl> o = opened();
    if (!o) return {};
    char name[64] = {};
    if (isSfnt()) return hb_font_get_glyph_name(o->hbFont, glyph, name, sizeof name) ? QString::fromLatin1(name) : QString();
    std::lock_guard lock(o->mutex);
    if (!FT_HAS_GLYPH_NAMES(o->ft) || FT_Get_Glyph_Name(o->ft, glyph, name, sizeof name) != 0) return {};
    return QString::fromLatin1(name);
}

static hb_blob_t* tableWithoutAat(hb_face_t*, hb_tag_t tag, void* userData) {
    if (tag == HB_TAG('m', 'o', 'r', 'x') || tag == HB_TAG('m', 'o', 'r', 't')) return nullptr;
    return hb_face_reference_table(static_cast<hb_face_t*>(userData), tag);
}

QVector<ShapedGlyph> FontFace::shape(const QString& text, bool ligatures, Layout layout) const {
    QVector<ShapedGlyph> out;
    if (text.isEmpty()) return out;
    const std::shared_ptr<Impl> o = opened();
    if (!o || !o->hbFont) return out;
    const bool sfnt = isSfnt();
    hb_font_t* font = o->hbFont;
    if (layout == Layout::OpenTypeOnly && sfnt) {
        std::call_once(o->otOnce, [&o] {
            o->otFace = hb_face_create_for_tables(tableWithoutAat, hb_face_reference(o->hbFace),
                                                  [](void* p) { hb_face_destroy(static_cast<hb_face_t*>(p)); });
            hb_face_set_index(o->otFace, hb_face_get_index(o->hbFace));
            hb_face_set_upem(o->otFace, hb_face_get_upem(o->hbFace));
            o->otFont = hb_font_create(o->otFace);
        });
        font = o->otFont;
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
        std::unique_lock<std::mutex> lock(o->mutex, std::defer_lock);
        if (!sfnt) lock.lock(); // the hb-ft font reads the FreeType face
        hb_shape(font, buf, features.data(), unsigned(features.size()));
    }
    unsigned n = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buf, &n);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buf, &n);
    out.reserve(int(n));
    for (unsigned i = 0; i < n; ++i) out.append(ShapedGlyph{info[i].codepoint, info[i].cluster, pos[i].x_advance, pos[i].x_offset, pos[i].y_offset});
    hb_buffer_destroy(buf);
    return out;
}

long long FontFace::advanceOf(const QString& text) const {
    long long sum = 0;
    for (const ShapedGlyph& g : shape(text)) sum += g.advance;
    return sum;
}

} // namespace rbx
