// The name cache in the support folder ("Cache/names"), in this machine's byte order:
// a 64-bit record count, then per record a 64-bit text length L, the 32-bit code point,
// the 16-bit letter and group, L bytes of UTF-16 with a byte-order mark (at most 1000)
// and zero padding to the next multiple of 4.

#include "model/RbxCharacterName.h"

#include "kxlib/core/KXAppSupport.h"
#include "kxlib/core/Log.h"
#include "model/CharacterNameState.h"

#include <QFile>
#include <QSaveFile>
#include <cstring>

namespace {

template <typename T> void appendRaw(QByteArray& out, T value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T> T readRaw(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

constexpr std::size_t RecordHeader = 16;
constexpr std::size_t CacheCapacity = 10 * 1024 * 1024;

// The offset of the next record from the start of one whose text has L bytes.
constexpr std::uint64_t recordStride(std::uint64_t textBytes) { return (textBytes + 19) & ~std::uint64_t(3); }

} // namespace

QString RbxCharacterName::cachedNamesPath() {
    const QString folder = KXAppSupport::makeSupportSubfolder(QStringLiteral("Cache"));
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/names");
}

QByteArray RbxCharacterName::cacheDataForNames(const List& names) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(CacheCapacity));
    appendRaw<std::uint64_t>(out, names.size());
    constexpr qsizetype maxUnits = (MaxCachedNameBytes - 2) / 2;
    for (const RbxCharacterName& n : names) {
        qsizetype units = n.name_.size();
        if (units > maxUnits) {
            units = maxUnits;
            // Never keep half of a surrogate pair.
            if (n.name_.at(units - 1).isHighSurrogate()) --units;
        }
        const std::uint64_t textBytes = 2 + 2 * static_cast<std::uint64_t>(units);
        const qsizetype start = out.size();
        appendRaw<std::uint64_t>(out, textBytes);
        appendRaw<std::uint32_t>(out, static_cast<std::uint32_t>(n.ch_));
        appendRaw<std::uint16_t>(out, n.letter_);
        appendRaw<std::uint16_t>(out, n.group_);
        appendRaw<char16_t>(out, 0xFEFF);
        out.append(reinterpret_cast<const char*>(n.name_.constData()), units * 2);
        const qsizetype next = start + static_cast<qsizetype>(recordStride(textBytes));
        out.append(next - out.size(), '\0');
    }
    return out;
}

RbxCharacterName::List RbxCharacterName::namesFromCacheData(const QByteArray& data) {
    List names;
    const std::size_t size = static_cast<std::size_t>(data.size());
    if (size <= 8) return names;
    const char* base = data.constData();
    const std::uint64_t count = readRaw<std::uint64_t>(base);
    names.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, size / RecordHeader)));
    std::size_t pos = 8;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (size - pos < RecordHeader) break;
        const std::uint64_t textBytes = readRaw<std::uint64_t>(base + pos);
        if (textBytes > size - pos - RecordHeader) break;
        const char32_t ch = readRaw<std::uint32_t>(base + pos + 8);
        const std::uint16_t letter = readRaw<std::uint16_t>(base + pos + 12);
        const std::uint16_t group = readRaw<std::uint16_t>(base + pos + 14);
        const char* text = base + pos + RecordHeader;
        qsizetype units = static_cast<qsizetype>(textBytes / 2);
        QString name;
        if (units > 0) {
            const char16_t bom = readRaw<char16_t>(text);
            if (bom == 0xFEFF || bom == 0xFFFE) { text += 2; --units; }
            name = QString(reinterpret_cast<const QChar*>(text), units);
            if (bom == 0xFFFE)
                for (QChar& q : name) q = QChar(static_cast<char16_t>((q.unicode() << 8) | (q.unicode() >> 8)));
        }
        names.emplace_back(ch, letter, group, name);
        const std::uint64_t stride = recordStride(textBytes);
        if (stride > size - pos) break;
        pos += static_cast<std::size_t>(stride);
    }
    return names;
}

bool RbxCharacterName::saveCachedNames() {
    const QString path = cachedNamesPath();
    if (path.isEmpty()) return false;
    const SharedList list = rbx::names::state().list;
    const QByteArray data = cacheDataForNames(list ? *list : List());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        kx::log(QStringLiteral("could not write the character name cache %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

RbxCharacterName::List RbxCharacterName::readCachedNames() {
    QFile file(cachedNamesPath());
    if (!file.open(QIODevice::ReadOnly)) return {};
    return namesFromCacheData(file.readAll());
}
