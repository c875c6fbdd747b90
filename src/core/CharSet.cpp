#include "core/CharSet.h"

#include "core/StringExtensions.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kx {

namespace {
constexpr char32_t kMax = 0x10FFFF;

bool planeEmpty(const std::array<std::uint64_t, 1024>& p) {
    for (std::uint64_t w : p)
        if (w) return false;
    return true;
}
} // namespace

CharSet::Plane& CharSet::writablePlane(int plane) {
    auto& slot = planes_[plane];
    if (!slot) {
        slot = std::make_shared<Plane>();
        slot->fill(0);
    } else if (slot.use_count() > 1) {
        slot = std::make_shared<Plane>(*slot);
    }
    return *slot;
}

void CharSet::dropEmptyPlane(int plane) {
    if (planes_[plane] && planeEmpty(*planes_[plane])) planes_[plane].reset();
}

CharSet CharSet::fromString(const QString& text) {
    CharSet s;
    s.addCharactersInString(text);
    return s;
}

CharSet CharSet::fromRange(char32_t first, char32_t last) {
    CharSet s;
    s.addCharactersFrom(first, last);
    return s;
}

CharSet CharSet::fromBitmapRepresentation(const QByteArray& bytes) {
    CharSet s;
    if (bytes.size() < PlaneBytes) return s;
    auto readPlane = [&](int plane, const char* src) {
        Plane& p = s.writablePlane(plane);
        std::memcpy(p.data(), src, PlaneBytes);
        // The bitmap is little-endian by bit; the words are read in host order, so
        // convert on big-endian hosts.
        if constexpr (std::endian::native == std::endian::big) {
            for (auto& w : p) w = __builtin_bswap64(w);
        }
        s.dropEmptyPlane(plane);
    };
    readPlane(0, bytes.constData());
    qsizetype pos = PlaneBytes;
    while (pos + 1 + PlaneBytes <= bytes.size()) {
        const int plane = static_cast<unsigned char>(bytes[pos]);
        if (plane < 1 || plane >= Planes) break;
        readPlane(plane, bytes.constData() + pos + 1);
        pos += 1 + PlaneBytes;
    }
    return s;
}

QByteArray CharSet::bitmapRepresentation() const {
    QByteArray out(PlaneBytes, '\0');
    auto writePlane = [](const Plane& p, char* dst) {
        Plane copy = p;
        if constexpr (std::endian::native == std::endian::big) {
            for (auto& w : copy) w = __builtin_bswap64(w);
        }
        std::memcpy(dst, copy.data(), PlaneBytes);
    };
    if (planes_[0]) writePlane(*planes_[0], out.data());
    for (int p = 1; p < Planes; ++p) {
        if (!planes_[p]) continue;
        const qsizetype at = out.size();
        out.resize(at + 1 + PlaneBytes);
        out[at] = static_cast<char>(p);
        writePlane(*planes_[p], out.data() + at + 1);
    }
    return out;
}

bool CharSet::contains(char32_t c) const {
    if (c > kMax) return false;
    const Plane* p = planes_[c >> 16].get();
    if (!p) return false;
    const unsigned low = c & 0xFFFF;
    return ((*p)[low >> 6] >> (low & 63)) & 1;
}

bool CharSet::isEmpty() const {
    for (const auto& p : planes_)
        if (p) return false;
    return true;
}

bool CharSet::operator==(const CharSet& other) const {
    for (int p = 0; p < Planes; ++p) {
        const Plane* a = planes_[p].get();
        const Plane* b = other.planes_[p].get();
        if (a == b) continue;
        if (!a || !b) return false;
        if (*a != *b) return false;
    }
    return true;
}

void CharSet::addCharacter(char32_t c) {
    if (c > kMax) return;
    const unsigned low = c & 0xFFFF;
    writablePlane(c >> 16)[low >> 6] |= (std::uint64_t{1} << (low & 63));
}

void CharSet::addCharactersFrom(char32_t a, char32_t b) {
    if (b > kMax) b = kMax;
    if (b < a) return;
    char32_t c = a;
    while (c <= b) {
        const int plane = c >> 16;
        Plane& p = writablePlane(plane);
        const char32_t planeEnd = std::min<char32_t>(b, (static_cast<char32_t>(plane) << 16) | 0xFFFF);
        unsigned lo = c & 0xFFFF;
        const unsigned hi = planeEnd & 0xFFFF;
        while (lo <= hi) {
            const unsigned w = lo >> 6;
            if ((lo & 63) == 0 && hi - lo >= 63) {
                p[w] = ~std::uint64_t{0};
                lo += 64;
            } else {
                p[w] |= std::uint64_t{1} << (lo & 63);
                ++lo;
            }
        }
        c = planeEnd + 1;
    }
}

void CharSet::removeCharacter(char32_t c) {
    if (!contains(c)) return;
    const unsigned low = c & 0xFFFF;
    writablePlane(c >> 16)[low >> 6] &= ~(std::uint64_t{1} << (low & 63));
    dropEmptyPlane(c >> 16);
}

void CharSet::removeCharactersFrom(char32_t a, char32_t b) {
    if (b > kMax) b = kMax;
    if (b < a) return;
    CharSet range = fromRange(a, b);
    subtract(range);
}

void CharSet::addCharactersInString(const QString& text) {
    for (str::CodePointIterator it(text); it.hasNext();) addCharacter(it.next());
}

void CharSet::formUnion(const CharSet& other) {
    for (int p = 0; p < Planes; ++p) {
        const Plane* o = other.planes_[p].get();
        if (!o) continue;
        if (!planes_[p]) { planes_[p] = other.planes_[p]; continue; }
        if (planes_[p] == other.planes_[p]) continue;
        Plane& mine = writablePlane(p);
        for (int w = 0; w < WordsPerPlane; ++w) mine[w] |= (*o)[w];
    }
}

void CharSet::formIntersection(const CharSet& other) {
    for (int p = 0; p < Planes; ++p) {
        if (!planes_[p]) continue;
        const Plane* o = other.planes_[p].get();
        if (!o) { planes_[p].reset(); continue; }
        if (planes_[p] == other.planes_[p]) continue;
        Plane& mine = writablePlane(p);
        for (int w = 0; w < WordsPerPlane; ++w) mine[w] &= (*o)[w];
        dropEmptyPlane(p);
    }
}

void CharSet::subtract(const CharSet& other) {
    for (int p = 0; p < Planes; ++p) {
        if (!planes_[p]) continue;
        const Plane* o = other.planes_[p].get();
        if (!o) continue;
        if (planes_[p] == other.planes_[p]) { planes_[p].reset(); continue; }
        Plane& mine = writablePlane(p);
        for (int w = 0; w < WordsPerPlane; ++w) mine[w] &= ~(*o)[w];
        dropEmptyPlane(p);
    }
}

void CharSet::invert() {
    for (int p = 0; p < Planes; ++p) {
        Plane& mine = writablePlane(p);
        for (auto& w : mine) w = ~w;
        dropEmptyPlane(p);
    }
}

void CharSet::clear() {
    for (auto& p : planes_) p.reset();
}

CharSet CharSet::unionWith(const CharSet& other) const {
    CharSet r = *this;
    r.formUnion(other);
    return r;
}

CharSet CharSet::intersectionWith(const CharSet& other) const {
    CharSet r = *this;
    r.formIntersection(other);
    return r;
}

CharSet CharSet::minus(const CharSet& other) const {
    CharSet r = *this;
    r.subtract(other);
    return r;
}

std::size_t CharSet::numberOfCharactersInPlane(int plane) const {
    if (plane < 0 || plane >= Planes || !planes_[plane]) return 0;
    std::size_t n = 0;
    for (std::uint64_t w : *planes_[plane]) n += static_cast<std::size_t>(std::popcount(w));
    return n;
}

std::size_t CharSet::numberOfCharacters() const {
    std::size_t n = 0;
    for (int p = 0; p < Planes; ++p) n += numberOfCharactersInPlane(p);
    return n;
}

char32_t CharSet::firstCharacter() const {
    for (int p = 0; p < Planes; ++p) {
        const Plane* pl = planes_[p].get();
        if (!pl) continue;
        for (int w = 0; w < WordsPerPlane; ++w)
            if ((*pl)[w]) return static_cast<char32_t>((p << 16) | (w << 6) | std::countr_zero((*pl)[w]));
    }
    return 0;
}

char32_t CharSet::lastCharacter() const {
    for (int p = Planes - 1; p >= 0; --p) {
        const Plane* pl = planes_[p].get();
        if (!pl) continue;
        for (int w = WordsPerPlane - 1; w >= 0; --w)
            if ((*pl)[w]) return static_cast<char32_t>((p << 16) | (w << 6) | (63 - std::countl_zero((*pl)[w])));
    }
    return 0;
}

char32_t CharSet::nextCharacter(char32_t c) const {
    if (c >= kMax) return 0;
    char32_t start = c + 1;
    for (int p = start >> 16; p < Planes; ++p) {
        const Plane* pl = planes_[p].get();
        const unsigned from = (static_cast<char32_t>(p) == (start >> 16)) ? (start & 0xFFFF) : 0;
        if (!pl) continue;
        int w = static_cast<int>(from >> 6);
        std::uint64_t bits = (*pl)[w] & (~std::uint64_t{0} << (from & 63));
        while (true) {
            if (bits) return static_cast<char32_t>((p << 16) | (w << 6) | std::countr_zero(bits));
            if (++w >= WordsPerPlane) break;
            bits = (*pl)[w];
        }
    }
    return 0;
}

QString CharSet::stringWithCharacters() const {
    if (isEmpty()) return QString();
    QString s;
    s.reserve(static_cast<qsizetype>(numberOfCharacters()));
    forEach([&](char32_t c) {
        if (c >= 0x10000) {
            s.append(QChar(QChar::highSurrogate(c)));
            s.append(QChar(QChar::lowSurrogate(c)));
        } else {
            s.append(QChar(static_cast<char16_t>(c)));
        }
    });
    return s;
}

bool CharSet::containsAllCharactersInString(const QString& text) const {
    for (QChar u : text)
        if (!contains(u.unicode())) return false;
    return true;
}

bool CharSet::hasMemberInPlane(int plane) const {
    return plane >= 0 && plane < Planes && planes_[plane] != nullptr;
}

const std::uint8_t* CharSet::planeBitmap(int plane) const {
    if (!hasMemberInPlane(plane)) return nullptr;
    static_assert(std::endian::native == std::endian::little,
                  "plane bitmaps are handed out in place on little-endian hosts");
    return reinterpret_cast<const std::uint8_t*>(planes_[plane]->data());
}

namespace {
CharSet ranges(std::initializer_list<std::pair<char32_t, char32_t>> list) {
    CharSet s;
    for (auto [a, b] : list) s.addCharactersFrom(a, b);
    return s;
}
} // namespace

const CharSet& CharSet::rightToLeftCharacterSet() {
    static const CharSet s = ranges({{0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFF},
                                     {0x10800, 0x10FFF}, {0x1E800, 0x1EFFF}});
    return s;
}

const CharSet& CharSet::combiningCharacters() {
    static const CharSet s = ranges({{0x0300, 0x036F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF},
                                     {0x20D0, 0x20FF}, {0xFE20, 0xFE2F}});
    return s;
}

const CharSet& CharSet::privateUseCharacters() {
    static const CharSet s = ranges({{0xE000, 0xF8FF}, {0xF0000, 0xFFFFD}, {0x100000, 0x10FFFD}});
    return s;
}

const CharSet& CharSet::cjkCharacters() {
    static const CharSet s = ranges({{0x2E80, 0x2EFF}, {0x3000, 0x303F}, {0x31C0, 0x31EF},
                                     {0x3200, 0x32FF}, {0x3300, 0x33FF}, {0x3400, 0x4DBF},
                                     {0x4E00, 0x9FFF}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F},
                                     {0x20000, 0x2A6DF}, {0x2A700, 0x2B73F}, {0x2B740, 0x2B81F},
                                     {0x2B820, 0x2CEAF}, {0x2F800, 0x2FA1F}});
    return s;
}

} // namespace kx
