#pragma once
// Keeps a read-only file mapping from ending the program when the file is cut shorter in
// place while it is mapped (another program rewriting it): reading a page past the file's
// new end raises SIGBUS. While a guard lives, such a read finds zeros instead, from that
// page to the end of the guarded bytes, and the guard counts as damaged; readers take
// what they read as untrusted and read the file again.
//
// A guard installs the process's SIGBUS handler when it is not in place (the first one,
// or after another handler replaced it); a fault outside every guarded range, and the
// signal sent by a program, go to the handler that was there before (a crash report, or
// the default end). Up to MaxGuards ranges are guarded at a time; beyond that a mapping
// is not guarded.

#include <cstddef>
#include <cstdint>

namespace kx {

class MappedBytesGuard {
public:
    static constexpr int MaxGuards = 512;

    MappedBytesGuard() = default;
    // Guards `size` bytes from `data` (both as the mapping gave them).
    MappedBytesGuard(const void* data, std::size_t size);
    ~MappedBytesGuard() { release(); }
    MappedBytesGuard(MappedBytesGuard&& o) noexcept : slot_(o.slot_) { o.slot_ = -1; }
    MappedBytesGuard& operator=(MappedBytesGuard&& o) noexcept;
    MappedBytesGuard(const MappedBytesGuard&) = delete;
    MappedBytesGuard& operator=(const MappedBytesGuard&) = delete;

    // Stops guarding (before the bytes are unmapped).
    void release();
    // Whether a read found the file cut short, and zeros stand in for its end now.
    bool damaged() const;

    // How many guarded mappings were found cut short in this process.
    static std::uint64_t damageCount();

private:
    int slot_ = -1;
};

} // namespace kx
