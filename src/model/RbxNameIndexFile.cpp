#include "model/RbxNameIndexFile.h"

#include "core/AtomicFile.h"
#include "model/RbxNameIndex.h"

#include <array>
#include <cstring>

namespace {

using Entry = RbxCharacterNameList::Entry;

constexpr char Magic[8] = {'R', 'B', 'X', 'N', 'I', 'D', 'X', 0};
constexpr std::uint32_t Version = 1;
constexpr std::uint32_t ByteOrderMark = 0x01020304;

enum Part : std::size_t {
    Entries, Characters, Letters, NameStart, Names, OtherRecords, OtherStart, OtherText, TokenStart, Tokens, PostingStart,
    Postings, NamedRanges, PartCount
};

struct Section {
    std::uint64_t offset;
    std::uint64_t bytes;
};

struct Header {
    char magic[8];
    std::uint32_t version;
    std::uint32_t byteOrder;
    std::uint64_t process;
    std::uint64_t namesDevice;
    std::uint64_t namesInode;
    std::uint64_t namesSize;
    std::int64_t namesModifiedNs;
    std::uint64_t count;
    std::uint64_t partCount;
    Section parts[PartCount];
    std::uint64_t checksum;  // of the bytes before it
};

static_assert(sizeof(Header) == 8 + 8 + 7 * 8 + PartCount * sizeof(Section) + 8, "no padding in the header");

std::uint64_t checksumOf(const Header& h) {
    // FNV-1a over the header up to its checksum.
    std::uint64_t sum = 0xcbf29ce484222325ull;
    const auto* p = reinterpret_cast<const unsigned char*>(&h);
    for (std::size_t i = 0; i < offsetof(Header, checksum); ++i) sum = (sum ^ p[i]) * 0x100000001b3ull;
    return sum;
}

constexpr std::uint64_t alignedUp(std::uint64_t n) { return (n + 7) & ~std::uint64_t(7); }

template <typename T> std::pair<const void*, std::uint64_t> bytesOf(std::span<const T> s) {
    return {s.data(), s.size_bytes()};
}

// The element sizes of the parts.
constexpr std::array<std::size_t, PartCount> elementSizes = {
    sizeof(Entry), 4, 1, 4, 1, 4, 4, 2, 4, 1, 4, 4, 4};

template <typename T> std::span<const T> partAt(const char* base, const Section& s) {
    return std::span<const T>(reinterpret_cast<const T*>(base + s.offset), static_cast<std::size_t>(s.bytes / sizeof(T)));
}

struct Mappings {
    std::shared_ptr<const kx::MappedFile> names;
    std::shared_ptr<const kx::MappedFile> index;
};

} // namespace

QString RbxNameIndexFile::pathBeside(const QString& namesPath) { return namesPath + QStringLiteral(".index"); }

std::optional<std::uint64_t> RbxNameIndexFile::cacheCount(const kx::MappedFile& names) {
    if (names.size() < 8) return std::nullopt;
    std::uint64_t count;
    std::memcpy(&count, names.data(), 8);
    return count;
}

bool RbxNameIndexFile::write(const QString& path, const Owner& owner, std::span<const Entry> entries,
                             const RbxNameIndex& index, QString* error) {
    const RbxNameIndex::Parts& p = index.parts();
    const std::array<std::pair<const void*, std::uint64_t>, PartCount> parts = {
        bytesOf(entries),       bytesOf(p.characters),   bytesOf(p.letters),      bytesOf(p.nameStart), bytesOf(p.names),
        bytesOf(p.otherRecords), bytesOf(p.otherStart),  bytesOf(p.otherText), bytesOf(p.tokenStart),
        bytesOf(p.tokens),      bytesOf(p.postingStart), bytesOf(p.postings),  bytesOf(p.namedRanges)};

    Header h {};
    std::memcpy(h.magic, Magic, sizeof Magic);
    h.version = Version;
    h.byteOrder = ByteOrderMark;
    h.process = owner.process;
    h.namesDevice = owner.names.device;
    h.namesInode = owner.names.inode;
    h.namesSize = owner.names.size;
    h.namesModifiedNs = owner.names.modifiedNs;
    h.count = owner.count;
    h.partCount = PartCount;
    std::uint64_t offset = alignedUp(sizeof(Header));
    for (std::size_t i = 0; i < PartCount; ++i) {
        h.parts[i] = Section{offset, parts[i].second};
        offset = alignedUp(offset + parts[i].second);
    }
    h.checksum = checksumOf(h);

    static const char zeros[8] = {};
    kx::AtomicFile file(path);
    bool ok = file.open() && file.write(reinterpret_cast<const char*>(&h), sizeof h);
    std::uint64_t written = sizeof h;
    for (std::size_t i = 0; ok && i < PartCount; ++i) {
        ok = file.write(zeros, qsizetype(h.parts[i].offset - written));
        // Written in pieces: a part can be larger than one write takes.
        const char* data = static_cast<const char*>(parts[i].first);
        for (std::uint64_t done = 0; ok && done < parts[i].second;) {
            const std::uint64_t n = std::min<std::uint64_t>(parts[i].second - done, 1u << 24);
            ok = file.write(data + done, qsizetype(n));
            done += n;
        }
        written = h.parts[i].offset + parts[i].second;
    }
    ok = ok && file.commit();
    if (!ok && error) *error = file.errorString();
    return ok;
}

std::optional<RbxNameIndexFile::Mapped> RbxNameIndexFile::map(const std::shared_ptr<const kx::MappedFile>& names,
                                                              const QString& path, std::uint64_t process,
                                                              std::uint64_t count, QString* why) {
    auto refuse = [why](const QString& reason) {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (!names) return refuse(QStringLiteral("no cache"));
    QString error;
    const std::shared_ptr<const kx::MappedFile> file = kx::MappedFile::open(path, &error);
    if (!file) return refuse(error);
    if (file->size() < sizeof(Header)) return refuse(QStringLiteral("too short (%1 bytes)").arg(file->size()));
    Header h;
    std::memcpy(&h, file->data(), sizeof h);
    if (std::memcmp(h.magic, Magic, sizeof Magic) != 0 || h.version != Version || h.byteOrder != ByteOrderMark ||
        h.partCount != PartCount)
        return refuse(QStringLiteral("not an index of this version"));
    if (h.checksum != checksumOf(h)) return refuse(QStringLiteral("damaged header"));
    if (h.process != process) return refuse(QStringLiteral("written by another process"));
    const kx::MappedFile::Identity& id = names->identity();
    if (h.namesDevice != id.device || h.namesInode != id.inode || h.namesSize != id.size ||
        h.namesModifiedNs != id.modifiedNs || h.count != count)
        return refuse(QStringLiteral("made for another cache"));
    for (std::size_t i = 0; i < PartCount; ++i) {
        const Section& s = h.parts[i];
        if (s.offset % 8 != 0 || s.offset < sizeof(Header) || s.offset > file->size() ||
            s.bytes > file->size() - s.offset || s.bytes % elementSizes[i] != 0)
            return refuse(QStringLiteral("part %1 does not fit the file").arg(i));
    }
    if (count > file->size() / sizeof(Entry) || h.parts[Entries].bytes != count * sizeof(Entry)) return refuse(QStringLiteral("entries do not fit the count"));

    const char* base = file->data();
    const auto keep = std::make_shared<const Mappings>(Mappings{names, file});
    RbxNameIndex::Parts parts;
    parts.characters = partAt<char32_t>(base, h.parts[Characters]);
    parts.letters = partAt<std::uint8_t>(base, h.parts[Letters]);
    parts.nameStart = partAt<std::uint32_t>(base, h.parts[NameStart]);
    parts.names = partAt<char>(base, h.parts[Names]);
    parts.otherRecords = partAt<std::uint32_t>(base, h.parts[OtherRecords]);
    parts.otherStart = partAt<std::uint32_t>(base, h.parts[OtherStart]);
    parts.otherText = partAt<char16_t>(base, h.parts[OtherText]);
    parts.tokenStart = partAt<std::uint32_t>(base, h.parts[TokenStart]);
    parts.tokens = partAt<char>(base, h.parts[Tokens]);
    parts.postingStart = partAt<std::uint32_t>(base, h.parts[PostingStart]);
    parts.postings = partAt<std::uint32_t>(base, h.parts[Postings]);
    parts.namedRanges = partAt<std::uint32_t>(base, h.parts[NamedRanges]);
    // The files' pages a search read are handed back after it: the cache and its index
    // are read again from the system's file cache by the next one.
    const std::weak_ptr<const Mappings> files = keep;
    std::shared_ptr<const RbxNameIndex> index = RbxNameIndex::viewOf(parts, static_cast<std::size_t>(count), keep, [files] {
        if (const std::shared_ptr<const Mappings> m = files.lock()) {
            m->names->releasePages();
            m->index->releasePages();
        }
    });
    if (!index) return refuse(QStringLiteral("index parts do not fit the count"));

    RbxCharacterNameList::View view;
    view.entries = partAt<Entry>(base, h.parts[Entries]).data();
    view.count = static_cast<std::size_t>(count);
    view.text = reinterpret_cast<const char16_t*>(names->data());
    view.textUnits = names->size() / 2;
    view.keep = keep;
    Mapped mapped;
    mapped.list = std::make_shared<const RbxCharacterNameList>(RbxCharacterNameList::viewOf(std::move(view)));
    mapped.index = std::move(index);
    return mapped;
}
