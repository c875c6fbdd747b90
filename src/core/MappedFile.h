#pragma once
// A file mapped into memory read-only: its pages are read from the file when first
// touched and count as the file's, not as the program's own memory, so the system can
// drop them again when memory is short.
//
// The mapping shows the file as it was when opened: a file later replaced by renaming
// another over it (kx::AtomicFile) stays mapped as it was, so files mapped here are only
// ever replaced, never rewritten. A file that another program cuts shorter in place while
// it is mapped reads as zeros past its new end (kx::MappedBytesGuard), and the mapping
// counts as damaged.

#include "core/MappedBytesGuard.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kx {

class MappedFile {
public:
    // Where a file lives and when it last changed: two files with the same identity
    // are the same file, unchanged.
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };

    // Maps the file; nullptr (with `error`, when given, saying why) when it cannot be
    // opened or is no regular file. An empty file maps to no bytes.
    static std::shared_ptr<const MappedFile> open(const QString& path, QString* error = nullptr);
    // The identity of the regular file at `path` now; false when there is none.
    static bool identityOf(const QString& path, Identity* identity);

    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    const char* data() const { return static_cast<const char*>(data_); }
    std::size_t size() const { return size_; }
    const Identity& identity() const { return identity_; }
    // Hands the pages touched so far back to the system: they stop counting as this
    // program's memory, and are read again from the file (mostly from the system's file
    // cache) when next touched.
    void releasePages() const;
    // Whether the file was found cut short while mapped (its end reads as zeros now).
    bool damaged() const { return guard_.damaged(); }

private:
    MappedFile(const void* data, std::size_t size, const Identity& identity)
        : data_(data), size_(size), identity_(identity), guard_(data, size) {}

    const void* data_;
    std::size_t size_;
    Identity identity_;
    MappedBytesGuard guard_;
};

} // namespace kx
