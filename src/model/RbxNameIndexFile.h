#pragma once
// The file beside the name cache ("names.index") that lets the cache be used where
// it lies, mapped read-only: for every record where its name lies in the cache, and the
// word index of the names, in this machine's byte order.
//
// It is written by the process that wrote the cache, right after it, and names that
// process (a number drawn when its name state was made), the cache file it describes
// (device, inode, size and modification time) and the number of records. Mapping checks
// all of them, the header's checksum, and that every part lies inside the file with the
// size the record count asks for; a file that fails any check is refused and the caller
// makes it again. What lies inside the parts is checked when it is read (see
// RbxNameIndex and RbxCharacterNameList).
//
// Layout: a header (magic "RBXNIDX", version, byte-order mark, owner, cache identity,
// record count, the offset and size of each part, checksum), then the parts, each
// starting at a multiple of 8: the entries (16 bytes each: code point, letter, group,
// offset and length of the name in the cache counted in UTF-16 units from the start of
// the file), then the index's arrays in the order of RbxNameIndex::Parts.

#include "core/MappedFile.h"
#include "model/RbxCharacterName.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <span>

class RbxNameIndex;

class RbxNameIndexFile {
public:
    // Whom a file belongs to.
    struct Owner {
        std::uint64_t process = 0;
        kx::MappedFile::Identity names;
        std::uint64_t count = 0;
    };

    // The list and its index over the mapped cache and index file.
    struct Mapped {
        RbxCharacterName::SharedList list;
        std::shared_ptr<const RbxNameIndex> index;
    };

    // "<cache>.index".
    static QString pathBeside(const QString& namesPath);

    // Writes the file (atomically); false with `error` when that failed.
    static bool write(const QString& path, const Owner& owner, std::span<const RbxCharacterNameList::Entry> entries,
                      const RbxNameIndex& index, QString* error);

    // The list over the mapped cache `names` and the index of the file at `path`, when
    // the file belongs to `process` and to that cache with `count` records; nothing
    // otherwise, and `why` says what did not fit.
    static std::optional<Mapped> map(const std::shared_ptr<const kx::MappedFile>& names, const QString& path,
                                     std::uint64_t process, std::uint64_t count, QString* why);

    // The record count in the first 8 bytes of mapped cache bytes; nothing when there are
    // no 8 bytes.
    static std::optional<std::uint64_t> cacheCount(const kx::MappedFile& names);
};
