// Reading the name database file: a 4-byte big-endian expanded size, then one zlib
// stream of records "<decimal code><letter or blank><Mac OS Roman name>\0".

#include "model/RbxCharacterName.h"

#include "kxlib/core/ByteReader.h"
#include "kxlib/core/Log.h"
#include "kxlib/core/StringExtensions.h"

#include <QFile>
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

std::optional<QByteArray> RbxCharacterName::expandedNameData(const QByteArray& fileBytes) {
    std::uint32_t expectedSize = 0;
    try {
        expectedSize = kx::ByteReader(fileBytes).u32(0);
    } catch (const kx::OutOfBounds&) {
        internalError(QStringLiteral("file too short (%1 bytes)").arg(fileBytes.size()));
        return std::nullopt;
    }
    if (expectedSize > MaxExpandedSize) {
        internalError(QStringLiteral("could not allocate expansion buffer"));
        return std::nullopt;
    }
    QByteArray expanded;
    try {
        expanded.resize(static_cast<qsizetype>(expectedSize));
    } catch (const std::bad_alloc&) {
        internalError(QStringLiteral("could not allocate expansion buffer"));
        return std::nullopt;
    }
    uLongf destLen = expectedSize;
    // zlib writes nothing through a null buffer; give it one byte for an empty result.
    Bytef scratch = 0;
    Bytef* dest = expectedSize ? reinterpret_cast<Bytef*>(expanded.data()) : &scratch;
    if (!expectedSize) destLen = 0;
    const int rc = uncompress(dest, &destLen, reinterpret_cast<const Bytef*>(fileBytes.constData()) + 4,
                              static_cast<uLong>(fileBytes.size() - 4));
    if (rc != Z_OK) {
        internalError(QStringLiteral("uncompress failed (#%1)").arg(rc));
        return std::nullopt;
    }
    if (destLen != expectedSize) {
        internalError(QStringLiteral("size mismatch (expected %1, got %2)").arg(expectedSize).arg(destLen));
        return std::nullopt;
    }
    return expanded;
}

std::optional<RbxCharacterName> RbxCharacterName::newNameWithBytesAt(const char*& p, const char* end) {
    if (p >= end) return std::nullopt;
    const char* zero = static_cast<const char*>(std::memchr(p, 0, static_cast<std::size_t>(end - p)));
    if (!zero) return std::nullopt;  // the record lacks its 0 byte: nothing more to read
    const char* q = p;
    std::uint64_t code = 0;
    bool digits = false;
    while (q < zero && *q >= '0' && *q <= '9') {
        if (code <= 0x10FFFF) code = code * 10 + static_cast<unsigned>(*q - '0');
        digits = true;
        ++q;
    }
    p = zero + 1;
    if (!digits || code > 0x10FFFF || q == zero) return std::nullopt;  // no code, or no letter byte
    const char letterByte = *q++;
    const std::uint16_t letter = (letterByte >= 'A' && letterByte <= 'Z') ? static_cast<std::uint16_t>(letterByte) : 0;
    return RbxCharacterName(static_cast<char32_t>(code), letter, UnicodeGroup, macRomanName(q, zero - q));
}

RbxCharacterName::List RbxCharacterName::namesFromExpandedData(const QByteArray& expanded) {
    List names;
    names.reserve(static_cast<std::size_t>(expanded.size() / 24 + 16));
    const char* p = expanded.constData();
    const char* end = p + expanded.size();
    while (p < end) {
        const char* before = p;
        std::optional<RbxCharacterName> name = newNameWithBytesAt(p, end);
        if (name) names.push_back(std::move(*name));
        else if (p == before) break;
    }
    return names;
}

RbxCharacterName::List RbxCharacterName::readFromFile(const QString& path) {
    if (std::optional<List> external = readFromUnicodeDataFile()) return std::move(*external);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        internalError(QStringLiteral("could not read %1").arg(path));
        return {};
    }
    const std::optional<QByteArray> expanded = expandedNameData(file.readAll());
    if (!expanded) return {};
    return namesFromExpandedData(*expanded);
}
