// The name cache in the cache folder ("names"), in this machine's byte order:
// a 64-bit record count, then per record a 64-bit text length L, the 32-bit code point,
// the 16-bit letter and group, L bytes of UTF-16 with a byte-order mark (at most 1000)
// and zero padding to the next multiple of 4.

#include "model/RbxCharacterName.h"

#include "core/AtomicFile.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "model/CharacterNameState.h"

#include <QFile>
#include <cstdio>
#include <vector>
#include <algorithm>
#include <cstring>

namespace {

template <typename T> T readRaw(const char* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

constexpr std::size_t RecordHeader = 16;

// The offset of the next record from the start of one whose text has L bytes.
constexpr std::uint64_t recordStride(std::uint64_t textBytes) { return (textBytes + 19) & ~std::uint64_t(3); }

} // namespace

QString RbxCharacterName::cachedNamesPath() {
    const QString folder = KXAppSupport::cacheFolderPath();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/names");
}

namespace {

// Units of a name kept in the cache: at most 1000 bytes with the mark, never half of a
// surrogate pair.
qsizetype cachedUnits(QStringView name) {
    constexpr qsizetype maxUnits = (RbxCharacterName::MaxCachedNameBytes - 2) / 2;
    qsizetype units = name.size();
    if (units > maxUnits) {
        units = maxUnits;
        if (name.at(units - 1).isHighSurrogate()) --units;
    }
    return units;
}

} // namespace

namespace {

// Calls write(bytes, n) with the cache form of the list, piece by piece. With `entries`,
// they receive where each record's name lies in the cache (in UTF-16 units from its
// start).
template <typename Write>
void writeCache(const RbxCharacterNameList& names, Write&& write, RbxCharacterNameList::Entries* entries) {
    const std::uint64_t count = names.size();
    write(reinterpret_cast<const char*>(&count), 8);
    const char16_t bom = 0xFEFF;
    static const char padding[4] = {0, 0, 0, 0};
    std::uint64_t pos = 8;
    if (entries) entries->reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const QStringView name = names.nameView(i);
        const qsizetype units = cachedUnits(name);
        const std::uint64_t textBytes = 2 + 2 * static_cast<std::uint64_t>(units);
        char header[RecordHeader + 2];
        const std::uint32_t ch = names.character(i);
        const std::uint16_t letter = names.letter(i), group = names.group(i);
        std::memcpy(header, &textBytes, 8);
        std::memcpy(header + 8, &ch, 4);
        std::memcpy(header + 12, &letter, 2);
        std::memcpy(header + 14, &group, 2);
        std::memcpy(header + 16, &bom, 2);
        write(header, sizeof header);
        write(reinterpret_cast<const char*>(name.data()), static_cast<std::size_t>(units) * 2);
        write(padding, static_cast<std::size_t>(recordStride(textBytes) - RecordHeader - textBytes));
        if (entries)
            entries->push_back(RbxCharacterNameList::Entry{ch, letter, group, static_cast<std::uint32_t>((pos + RecordHeader + 2) / 2),
                                                           static_cast<std::uint32_t>(units)});
        pos += recordStride(textBytes);
    }
}

// One record of cache bytes: its numbers, where its text starts (after the byte-order
// mark, in bytes from the start) and how many UTF-16 units it has.
struct CachedRecord {
    char32_t ch;
    std::uint16_t letter;
    std::uint16_t group;
    std::size_t text;
    std::size_t units;
    bool swapped;  // the text is in the other byte order
};

// Calls fn(record) for every record of `size` bytes of cache, in order, up to the
// recorded count or the first record that does not fit.
template <typename Fn> void forEachCachedRecord(const char* base, std::size_t size, Fn&& fn) {
    if (size <= 8) return;
    const std::uint64_t count = readRaw<std::uint64_t>(base);
    std::size_t pos = 8;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (size - pos < RecordHeader) break;
        const std::uint64_t textBytes = readRaw<std::uint64_t>(base + pos);
        if (textBytes > size - pos - RecordHeader) break;
        CachedRecord r{readRaw<std::uint32_t>(base + pos + 8), readRaw<std::uint16_t>(base + pos + 12),
                       readRaw<std::uint16_t>(base + pos + 14), pos + RecordHeader,
                       static_cast<std::size_t>(textBytes / 2), false};
        if (r.units > 0) {
            const char16_t bom = readRaw<char16_t>(base + r.text);
            if (bom == 0xFEFF || bom == 0xFFFE) {
                r.text += 2;
                --r.units;
                r.swapped = bom == 0xFFFE;
            }
        }
        fn(r);
        const std::uint64_t stride = recordStride(textBytes);
        if (stride > size - pos) break;
        pos += static_cast<std::size_t>(stride);
    }
}

// `text` holds the raw bytes of a cache file (`size` of them); the names are moved to
// its start, in place, and the entries made. Every name lands before the bytes still
// to be read, so nothing is overwritten before it is read.
void readCacheInPlace(RbxCharacterNameList::Entries& entries, RbxCharacterNameList::Text& text, std::size_t size) {
    char* base = reinterpret_cast<char*>(text.data());
    char16_t* out = text.data();
    if (size > 8) entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(readRaw<std::uint64_t>(base), size / RecordHeader)));
    std::size_t used = 0;
    forEachCachedRecord(base, size, [&](const CachedRecord& r) {
        std::memmove(out + used, base + r.text, r.units * 2);
        if (r.swapped)
            for (std::size_t k = used; k < used + r.units; ++k) out[k] = static_cast<char16_t>((out[k] << 8) | (out[k] >> 8));
        entries.push_back(RbxCharacterNameList::Entry{r.ch, r.letter, r.group, static_cast<std::uint32_t>(used),
                                                      static_cast<std::uint32_t>(r.units)});
        used += r.units;
    });
    text.resize(used);
}

} // namespace

bool RbxCharacterName::cacheEntries(const char* data, std::size_t size, List::Entries* entries) {
    bool machineOrder = true;
    entries->clear();
    if (size > 8) entries->reserve(static_cast<std::size_t>(std::min<std::uint64_t>(readRaw<std::uint64_t>(data), size / RecordHeader)));
    forEachCachedRecord(data, size, [&](const CachedRecord& r) {
        machineOrder = machineOrder && !r.swapped;
        entries->push_back(List::Entry{r.ch, r.letter, r.group, static_cast<std::uint32_t>(r.text / 2),
                                       static_cast<std::uint32_t>(r.units)});
    });
    return machineOrder;
}

QByteArray RbxCharacterName::cacheDataForNames(const List& names) {
    QByteArray out;
    writeCache(names, [&](const char* p, std::size_t n) { out.append(p, static_cast<qsizetype>(n)); }, nullptr);
    return out;
}

RbxCharacterName::List RbxCharacterName::namesFromCacheData(const QByteArray& data) {
    List names;
    names.text_.resize(static_cast<std::size_t>(data.size() + 1) / 2);
    // An empty cache has no bytes to copy (and an empty vector no storage to copy into).
    if (!data.isEmpty()) std::memcpy(names.text_.data(), data.constData(), static_cast<std::size_t>(data.size()));
    readCacheInPlace(names.entries_, names.text_, static_cast<std::size_t>(data.size()));
    return names;
}

bool RbxCharacterName::saveCachedNames() {
    const QString path = cachedNamesPath();
    if (path.isEmpty()) return false;
    const SharedList list = rbx::names::state().list;
    return writeCacheFile(list ? *list : List(), path);
}

bool RbxCharacterName::isCacheWritten() { return rbx::names::state().cacheWritten; }

bool RbxCharacterName::writeCacheFile(const List& names, const QString& path, List::Entries* entries) {
    // Written to a temporary file that then replaces the cache in one step, so that no
    // reader ever sees half a cache, and a full disk leaves the old cache.
    kx::AtomicFile file(path);
    bool ok = file.open();
    if (ok) {
        constexpr std::size_t ChunkSize = 256 * 1024;
        std::vector<char, kx::PageAllocator<char>> chunk(ChunkSize);
        std::size_t used = 0;
        auto flush = [&] {
            if (ok && used) ok = file.write(chunk.data(), qsizetype(used));
            used = 0;
        };
        writeCache(names, [&](const char* p, std::size_t n) {
            if (used + n > ChunkSize) flush();
            if (n > ChunkSize) {
                ok = ok && file.write(p, qsizetype(n));
                return;
            }
            std::memcpy(chunk.data() + used, p, n);
            used += n;
        }, entries);
        flush();
        ok = ok && file.commit();
    }
    if (!ok) kx::log(QStringLiteral("could not write the character name cache: %1").arg(file.errorString()));
    return ok;
}

RbxCharacterName::List RbxCharacterName::readCachedNames(const QString& path) {
    List names;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return names;
    const qint64 size = file.size();
    if (size <= 8 || size > qint64(MaxExpandedSize) * 4) return names;
    // Read straight into the list's text, where the names are then compacted.
    names.text_.resize(static_cast<std::size_t>((size + 1) / 2));
    if (file.read(reinterpret_cast<char*>(names.text_.data()), size) != size) return List();
    readCacheInPlace(names.entries_, names.text_, static_cast<std::size_t>(size));
    return names;
}
