// Reading the name database file: a 4-byte big-endian expanded size, then one zlib
// stream of records "<decimal code><letter or blank><Mac OS Roman name>\0".

#include "model/RbxCharacterName.h"

#include "core/ByteReader.h"
#include "core/PageAllocator.h"
#include "core/Log.h"
#include "core/RbxMacRoman.h"
#include "core/StringExtensions.h"

#include <QFile>
#include <array>
#include <cstring>
#include <new>
#include <zlib.h>

namespace {

void internalError(const QString& message) {
    kx::log(QStringLiteral("*** internal error in RbxCharacterName: %1").arg(message));
}

QString macRomanName(const char* p, qsizetype n) {
    for (qsizetype i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) >= 0x80) return kx::str::stringWithMacRomanCString(p, n);
    return QString::fromLatin1(p, n);
}

} // namespace

namespace {

// Expands the names file's bytes into `expanded` (a QByteArray or a page vector).
template <typename Buffer> bool expandInto(const char* data, std::size_t size, Buffer& expanded) {
    std::uint32_t expectedSize = 0;
    try {
        expectedSize = kx::ByteReader(QByteArray::fromRawData(data, static_cast<qsizetype>(size))).u32(0);
    } catch (const kx::OutOfBounds&) {
        internalError(QStringLiteral("file too short (%1 bytes)").arg(size));
        return false;
    }
    if (expectedSize > RbxCharacterName::MaxExpandedSize) {
        internalError(QStringLiteral("could not allocate expansion buffer"));
        return false;
    }
    try {
        expanded.resize(expectedSize);
    } catch (const std::bad_alloc&) {
        internalError(QStringLiteral("could not allocate expansion buffer"));
        return false;
    }
    uLongf destLen = expectedSize;
    // zlib writes nothing through a null buffer; give it one byte for an empty result.
    Bytef scratch = 0;
    Bytef* dest = expectedSize ? reinterpret_cast<Bytef*>(expanded.data()) : &scratch;
    if (!expectedSize) destLen = 0;
    const int rc = uncompress(dest, &destLen, reinterpret_cast<const Bytef*>(data) + 4, static_cast<uLong>(size - 4));
    if (rc != Z_OK) {
        internalError(QStringLiteral("uncompress failed (#%1)").arg(rc));
        return false;
    }
    if (destLen != expectedSize) {
        internalError(QStringLiteral("size mismatch (expected %1, got %2)").arg(expectedSize).arg(destLen));
        return false;
    }
    return true;
}

} // namespace

std::optional<QByteArray> RbxCharacterName::expandedNameData(const QByteArray& fileBytes) {
    QByteArray expanded;
    if (!expandInto(fileBytes.constData(), static_cast<std::size_t>(fileBytes.size()), expanded)) return std::nullopt;
    return expanded;
}

namespace {

struct RawRecord {
    char32_t code = 0;
    std::uint16_t letter = 0;
    const char* name = nullptr;
    std::size_t length = 0;
};

enum class Parse { Record, Skipped, Incomplete };

// One record from p: "<digits><letter byte><name>\0". p moves past the 0 byte unless the
// record is incomplete.
Parse parseRecord(const char*& p, const char* end, RawRecord& out) {
    if (p >= end) return Parse::Incomplete;
    const char* zero = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
    if (!zero) return Parse::Incomplete;  // the record lacks its 0 byte: nothing more to read
    const char* q = p;
    std::uint64_t code = 0;
    bool digits = false;
    while (q < zero && *q >= '0' && *q <= '9') {
        if (code <= 0x10FFFF) code = code * 10 + static_cast<unsigned>(*q - '0');
        digits = true;
        ++q;
    }
    p = zero + 1;
    if (!digits || code > 0x10FFFF || q == zero) return Parse::Skipped;  // no code, or no letter byte
    const char letterByte = *q++;
    out.code = static_cast<char32_t>(code);
    out.letter = (letterByte >= 'A' && letterByte <= 'Z') ? static_cast<std::uint16_t>(letterByte) : 0;
    out.name = q;
    out.length = static_cast<std::size_t>(zero - q);
    return Parse::Record;
}

const std::array<char16_t, 256>& macRomanTable() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[i] = static_cast<char16_t>(RbxMacRoman::unicodeForMacRoman(i));
        return t;
    }();
    return table;
}

} // namespace

std::optional<RbxCharacterName> RbxCharacterName::newNameWithBytesAt(const char*& p, const char* end) {
    RawRecord r;
    if (parseRecord(p, end, r) != Parse::Record) return std::nullopt;
    return RbxCharacterName(r.code, r.letter, UnicodeGroup, macRomanName(r.name, static_cast<qsizetype>(r.length)));
}

RbxCharacterName::List RbxCharacterName::namesFromExpandedData(const QByteArray& expanded) {
    return namesFromExpandedBytes(expanded.constData(), static_cast<std::size_t>(expanded.size()));
}

RbxCharacterName::List RbxCharacterName::namesFromExpandedBytes(const char* data, std::size_t size) {
    List names;
    names.entries_.reserve(size / 24 + 16);
    // Every name is shorter than the data: decode straight into the list's text.
    names.text_.resize(size);
    char16_t* text = names.text_.data();
    std::size_t used = 0;
    const std::array<char16_t, 256>& table = macRomanTable();
    const char* p = data;
    const char* end = p + size;
    RawRecord r;
    for (;;) {
        const Parse result = parseRecord(p, end, r);
        if (result == Parse::Incomplete) break;
        if (result == Parse::Skipped) continue;
        names.entries_.push_back(RbxCharacterNameList::Entry{r.code, r.letter, UnicodeGroup,
                                                             static_cast<std::uint32_t>(used),
                                                             static_cast<std::uint32_t>(r.length)});
        for (std::size_t i = 0; i < r.length; ++i) text[used + i] = table[static_cast<unsigned char>(r.name[i])];
        used += r.length;
    }
    names.text_.resize(used);
    return names;
}

RbxCharacterName::List RbxCharacterName::readFromFile(const QString& path, const QString& unicodeFolder,
                                                     std::optional<kx::CharSet>* defined) {
    kx::CharSet definedHere;
    if (std::optional<List> external = readFromUnicodeDataFile(unicodeFolder, &definedHere)) {
        if (defined) *defined = std::move(definedHere);
        return std::move(*external);
    }
    QFile file(path);
    // Read and expanded into memory that goes back to the system at once.
    std::vector<char, kx::PageAllocator<char>> bytes;
    if (file.open(QIODevice::ReadOnly)) {
        bytes.resize(static_cast<std::size_t>(std::max<qint64>(file.size(), 0)));
        if (file.read(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) file.close();
    }
    if (!file.isOpen()) {
        internalError(QStringLiteral("could not read %1").arg(path));
        return {};
    }
    std::vector<char, kx::PageAllocator<char>> expanded;
    if (!expandInto(bytes.data(), bytes.size(), expanded)) return {};
    bytes = {};
    return namesFromExpandedBytes(expanded.data(), expanded.size());
}
