#include "table/widgets/RbxQtFonts.h"

#include "core/ByteReader.h"
#include "core/Log.h"
#include "platform/fonts/FontBackend.h"
#include "platform/fonts/FontFace.h"

#include <QFontDatabase>
#include <QtEndian>
#include <QHash>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>

namespace rbx::qt {

namespace {

using kx::fourCC;

// What Qt knows of one face: a QFont that resolves to exactly this face (family and
// style), or the file to load glyphs from.
struct QtFace {
    std::shared_ptr<const FontFace> face; // kept so that the key stays unique
    std::optional<QFont> font;            // verified
    QString family;                       // unverified family for text when `font` is none
    int applicationFont = -1;             // the copy handed to Qt, if any
    bool refused = false;                 // Qt found no face of its copy: not handed over again
};

// Faces met while browsing fonts; beyond this many the ones Qt finds by itself are dropped.
constexpr std::size_t MaxFaces = 64;

void forget(QtFace& entry) {
    if (entry.applicationFont >= 0) QFontDatabase::removeApplicationFont(entry.applicationFont);
    entry.applicationFont = -1;
}

std::map<const FontFace*, QtFace>& faceCache() {
    static std::map<const FontFace*, QtFace> cache;
    return cache;
}

// The generation of the installed fonts that the cache's faces were met in.
quint64& cacheGeneration() {
    static quint64 generation = 0;
    return generation;
}

bool sameHead(const QRawFont& raw, const FontFace& face) {
    if (!raw.isValid()) return false;
    const auto head = face.table(fourCC("head"));
    return head && !head->isEmpty() && raw.fontTable("head") == *head;
}

std::optional<QFont> matchingFont(const QString& family, const QString& style, const FontFace& face) {
    if (family.isEmpty()) return std::nullopt;
    QFont f;
    f.setFamilies({family});
    if (!style.isEmpty()) f.setStyleName(style);
    f.setPixelSize(100);
    if (sameHead(QRawFont::fromFont(f), face)) return f;
    // Some faces are known to Qt under a style name of their own only by weight and slant.
    f.setStyleName(QString());
    if (sameHead(QRawFont::fromFont(f), face)) return f;
    return std::nullopt;
}

QtFace& qtFace(const std::shared_ptr<const FontFace>& face) {
    auto& cache = faceCache();
    // A change of the installed fonts opens every face anew: the faces met before are not
    // asked for again, so they and the copies Qt was given of them go (each change would
    // otherwise keep a copy of every face shown that Qt does not know by itself).
    if (const quint64 now = FontBackend::shared().generation(); now != cacheGeneration()) {
        for (auto& [known, entry] : cache) forget(entry);
        cache.clear();
        cacheGeneration() = now;
    }
    auto it = cache.find(face.get());
    if (it != cache.end()) return it->second;
    if (cache.size() >= MaxFaces) {
        // Faces Qt knows by themselves are found again cheaply; the copies handed to Qt
        // stay known, so that each is handed over once and the fonts in use keep theirs, and
        // so do the faces whose copy Qt could not use, so that none is copied again.
        std::erase_if(cache, [](const auto& entry) {
            return entry.second.applicationFont < 0 && !entry.second.refused;
        });
    }
    QtFace entry;
    entry.face = face;
    entry.family = face->familyName();
    if (face->isSfnt()) {
        entry.font = matchingFont(face->familyName(), face->styleName(), *face);
        if (!entry.font) {
            // Not known to Qt as it is (a face of a collection, a face in memory, a family
            // name Qt spells otherwise): hand Qt this one face.
            const QByteArray data = sfntData(*face);
            const int id = data.isEmpty() ? -1 : QFontDatabase::addApplicationFontFromData(data);
            entry.applicationFont = id;
            if (id >= 0) {
                for (const QString& family : QFontDatabase::applicationFontFamilies(id)) {
                    entry.font = matchingFont(family, face->styleName(), *face);
                    if (entry.font) break;
                }
            }
            if (!entry.font) {
                // The copy did not help (Qt matches another face of the family by that
                // name). It stays registered: taking it back makes Qt read every installed
                // face's entry again for its font database, which costs more than the copy.
                // It is not handed over again.
                entry.refused = true;
                kx::log(QStringLiteral("Qt cannot load the font %1").arg(face->postScriptName()));
            }
        }
    }
    return cache.emplace(face.get(), std::move(entry)).first->second;
}

double scaleOf(const rbx::Font& font) {
    const int upem = font->unitsPerEm();
    return upem > 0 ? font.pointSize() / upem : 0;
}

} // namespace

namespace {

// The sum of a table's big-endian 32-bit words, its last word padded with zeros.
std::uint32_t tableChecksum(const QByteArray& data) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype size = data.size();
    // Four words at a time into sums of their own (mod 2^32 the order does not matter).
    std::uint32_t sums[4] = {0, 0, 0, 0};
    qsizetype i = 0;
    for (; i + 16 <= size; i += 16) {
        std::uint32_t w[4];
        std::memcpy(w, p + i, sizeof w);
        for (int k = 0; k < 4; ++k) sums[k] += qFromBigEndian(w[k]);
    }
    std::uint32_t sum = sums[0] + sums[1] + sums[2] + sums[3];
    for (; i + 4 <= size; i += 4) sum += qFromBigEndian<std::uint32_t>(p + i);
    std::uint32_t last = 0;
    for (qsizetype k = 0; k < 4; ++k) last = (last << 8) | (i + k < size ? p[i + k] : 0u);
    return i < size ? sum + last : sum;
}

} // namespace

QByteArray sfntData(const FontFace& face) {
    if (!face.isSfnt()) return {};
    QList<std::uint32_t> tags = face.tableTags();
    std::sort(tags.begin(), tags.end());
    tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
    std::vector<std::pair<std::uint32_t, QByteArray>> tables;
    for (std::uint32_t tag : tags) {
        auto data = face.table(tag);
        if (data) tables.emplace_back(tag, *data);
    }
    if (tables.empty() || tables.size() > 0xFFFF) return {};
    const auto n = std::uint16_t(tables.size());
    std::uint16_t entrySelector = 0;
    while ((2u << entrySelector) <= n) ++entrySelector;
    const std::uint16_t searchRange = std::uint16_t(16u << entrySelector);

    QByteArray out;
    const bool cff = face.hasTable(fourCC("CFF ")) || face.hasTable(fourCC("CFF2"));
    kx::appendBig32(out, cff ? fourCC("OTTO") : 0x00010000);
    kx::appendBig16(out, n);
    kx::appendBig16(out, searchRange);
    kx::appendBig16(out, entrySelector);
    kx::appendBig16(out, std::uint16_t(n * 16 - searchRange));
    std::size_t offset = 12 + 16 * std::size_t(n);
    for (const auto& [tag, data] : tables) offset += (std::size_t(data.size()) + 3) & ~std::size_t(3);
    // A face of a CJK collection is some 16 MB: the whole font is reserved at once.
    out.reserve(qsizetype(offset));
    offset = 12 + 16 * std::size_t(n);
    for (const auto& [tag, data] : tables) {
        kx::appendBig32(out, tag);
        kx::appendBig32(out, tableChecksum(data));
        kx::appendBig32(out, std::uint32_t(offset));
        kx::appendBig32(out, std::uint32_t(data.size()));
        offset += (std::size_t(data.size()) + 3) & ~std::size_t(3);
    }
    for (const auto& [tag, data] : tables) {
        out += data;
        while (out.size() % 4) out += '\0';
    }
    return out;
}

namespace {

std::atomic<int> drawingFonts{0};

// The drawing fonts asked for last, most recent first (kept alive for asking again).
constexpr std::size_t KeptDrawingFonts = 8;
std::vector<std::shared_ptr<const DrawingFont>>& keptDrawingFonts() {
    static std::vector<std::shared_ptr<const DrawingFont>> kept;
    return kept;
}

// The drawing fonts alive, kept or not: asking for one in use gives it again.
std::vector<std::weak_ptr<const DrawingFont>>& aliveDrawingFonts() {
    static std::vector<std::weak_ptr<const DrawingFont>> alive;
    return alive;
}

// The pixel size Qt's font database is asked for: it takes whole pixels.
double databasePixelSize(const rbx::Font& font) { return std::max(1.0, std::round(font.pointSize())); }

// A drawing font of the same face at another size, made from that one's font engine: Qt
// resizes an engine without loading the face again (for a face of Qt's font database,
// without matching it against every installed font once more).
std::shared_ptr<const DrawingFont> resizedDrawingFont(const rbx::Font& font) {
    for (const auto& w : aliveDrawingFonts()) {
        const auto other = w.lock();
        if (!other || !other->isValid() || other->font().face() != font.face()) continue;
        QRawFont raw = other->raw();
        raw.setPixelSize(font->format() == FontFormat::Bitmap ? databasePixelSize(font) : font.pointSize());
        if (raw.isValid()) return std::make_shared<const DrawingFont>(font, raw, other->bytes(), other->colorBitmaps());
    }
    return nullptr;
}

// Qt's font engine for the face at the size, reading the face's bytes where they are.
// Faces of bitmaps only (colour emoji) are taken from Qt's font database instead: Qt 6.4
// gives an engine made from bytes the glyph format of outlines, and its colour bitmaps
// would then be copied into buffers sized for grey ones.
std::shared_ptr<const DrawingFont> makeDrawingFont(const rbx::Font& font) {
    if (auto resized = resizedDrawingFont(font)) return resized;
    if (font->format() != FontFormat::Bitmap) {
        const FontFace::Bytes bytes = font->bytes();
        QRawFont raw;
        if (bytes.data && bytes.size > 0 && font->faceIndex() == 0) {
            raw.loadFromData(QByteArray::fromRawData(bytes.data, bytes.size), font.pointSize(),
                             QFont::PreferDefaultHinting);
            if (raw.isValid()) return std::make_shared<const DrawingFont>(font, raw, bytes.keep);
        }
        // A face inside an installed collection: the engine Qt's font database has for it,
        // which reads the collection's file where it is. Writing the face out alone copies
        // and sums all of it (a CJK face is some 16 MB), at each switch to it.
        if (bytes.data && font->coverage()) {
            if (const std::optional<QFont>& known = qtFace(font.face()).font) {
                QFont f = *known;
                f.setPixelSize(int(databasePixelSize(font)));
                raw = QRawFont::fromFont(f);
                if (raw.isValid()) raw.setPixelSize(font.pointSize());
                if (raw.isValid()) return std::make_shared<const DrawingFont>(font, raw, nullptr);
            }
        }
        // Else the face alone, written out.
        if (const QByteArray alone = bytes.data ? sfntData(*font.face()) : QByteArray(); !alone.isEmpty()) {
            raw.loadFromData(alone, font.pointSize(), QFont::PreferDefaultHinting);
            if (raw.isValid()) return std::make_shared<const DrawingFont>(font, raw, nullptr);
        }
    }
    // The engine Qt's font database has for the face (no bytes of ours are read then).
    QRawFont raw;
    if (const std::optional<QFont> q = textFont(font)) raw = QRawFont::fromFont(*q);
    return std::make_shared<const DrawingFont>(font, raw, nullptr,
                                               font->format() == FontFormat::Bitmap ? ColorBitmaps::of(font.face()) : nullptr);
}
} // namespace

DrawingFont::DrawingFont(const rbx::Font& font, QRawFont raw, std::shared_ptr<const void> bytes,
                         std::shared_ptr<const ColorBitmaps> colorBitmaps)
    : font_(font), bytes_(std::move(bytes)), raw_(std::move(raw)), colorBitmaps_(std::move(colorBitmaps)) {
    ++drawingFonts;
}

DrawingFont::~DrawingFont() { --drawingFonts; }

int DrawingFont::liveCount() { return drawingFonts.load(); }

std::shared_ptr<const DrawingFont> drawingFont(const rbx::Font& font) {
    if (!font) return nullptr;
    auto& alive = aliveDrawingFonts();
    auto& kept = keptDrawingFonts();
    auto it = std::find_if(kept.begin(), kept.end(), [&](const auto& d) { return d->font() == font; });
    std::shared_ptr<const DrawingFont> found;
    if (it != kept.end()) {
        found = *it;
        kept.erase(it);
    } else {
        std::erase_if(alive, [](const auto& w) { return w.expired(); });
        for (const auto& w : alive)
            if (auto d = w.lock(); d && d->font() == font) found = d;
        if (!found) {
            found = makeDrawingFont(font);
            alive.push_back(found);
        }
    }
    kept.insert(kept.begin(), found);
    if (kept.size() > KeptDrawingFonts) kept.pop_back();
    return found;
}

void releaseDrawingFonts() { keptDrawingFonts().clear(); }

std::optional<QFont> textFont(const rbx::Font& font) {
    if (!font) return std::nullopt;
    const QtFace& q = qtFace(font.face());
    QFont f;
    if (q.font) {
        f = *q.font;
    } else if (!q.family.isEmpty()) {
        f.setFamilies({q.family});
    } else {
        return std::nullopt;
    }
    f.setPixelSize(std::max(1, int(std::lround(font.pointSize()))));
    return f;
}

FaceMetrics metrics(const rbx::Font& font) {
    FaceMetrics m;
    if (!font) return m;
    const std::shared_ptr<const DrawingFont> drawing = drawingFont(font);
    const QRawFont& raw = drawing->raw();
    if (raw.isValid()) {
        m.ascender = raw.ascent();
        m.descender = -raw.descent();
        m.leading = raw.leading();
        m.capHeight = raw.capHeight();
        m.xHeight = raw.xHeight();
        m.maxAdvance = raw.maxCharWidth();
        m.boundingRect = QRectF(0, m.descender, m.maxAdvance, m.ascender - m.descender);
    }
    const double s = scaleOf(font);
    if (!(s > 0)) return m;
    try {
        if (auto head = font->table(fourCC("head")); head && !head->isEmpty()) {
            const kx::ByteReader r(*head);
            const double xMin = r.s16(36), yMin = r.s16(38), xMax = r.s16(40), yMax = r.s16(42);
            if (xMax > xMin && yMax > yMin)
                m.boundingRect = QRectF(xMin * s, yMin * s, (xMax - xMin) * s, (yMax - yMin) * s);
        }
        if (auto hhea = font->table(fourCC("hhea")); hhea && !hhea->isEmpty()) {
            const kx::ByteReader r(*hhea);
            const double ascender = r.s16(4), descender = r.s16(6), lineGap = r.s16(8);
            if (ascender != 0 || descender != 0) {
                m.ascender = ascender * s;
                m.descender = -std::abs(descender) * s;
                m.leading = std::max(0.0, lineGap) * s;
            }
            m.maxAdvance = r.u16(10) * s;
        }
        if (auto os2 = font->table(fourCC("OS/2")); os2 && !os2->isEmpty()) {
            const kx::ByteReader r(*os2);
            if (r.u16(0) >= 2 && r.has(86, 4)) {
                if (r.s16(86) > 0) m.xHeight = r.s16(86) * s;
                if (r.s16(88) > 0) m.capHeight = r.s16(88) * s;
            }
        }
    } catch (const kx::OutOfBounds&) {
        kx::log(QStringLiteral("damaged metrics tables in the font %1").arg(font.postScriptName()));
    }
    return m;
}

RbxFontMeasures measures(const rbx::Font& font) {
    const FaceMetrics m = metrics(font);
    RbxFontMeasures r;
    r.name = font.postScriptName();
    r.pointSize = font.pointSize();
    r.boundingRect = m.boundingRect;
    r.lineHeight = m.lineHeight();
    r.maxAdvance = m.maxAdvance;
    r.descender = m.descender;
    return r;
}

void resetCache() {
    releaseDrawingFonts();
    for (auto& [face, known] : faceCache()) forget(known);
    faceCache().clear();
    cacheGeneration() = 0;
}

} // namespace rbx::qt
