#pragma once
// An allocator for containers that hold a lot for a while (the name list and its index
// while they are made): blocks of 64 KiB and more are mapped from the system and given
// back to it the moment they are freed, whatever the heap would do. The heap of a
// worker thread keeps what was freed at its top as long as that stays below its trim
// threshold, which grows with the largest block ever freed; malloc_trim() does not
// reach it. Smaller blocks come from the heap as usual.
//
// A block's pages are made present when it is mapped (one system call rather than a
// fault per page), and resize() leaves new elements of trivial types uninitialised, as
// the containers are filled right after.

#include <cstddef>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace kx {

inline constexpr std::size_t PageAllocatedBytes = 64 * 1024;

// The memory of a large block; throws std::bad_alloc when there is none.
inline void* allocatePages(std::size_t bytes) {
    constexpr std::size_t HugePage = 2 * 1024 * 1024;
    if (bytes < HugePage) {
        void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
        if (p == MAP_FAILED) throw std::bad_alloc();
        return p;
    }
    // Blocks of megabytes take huge pages where the system offers them: far fewer pages
    // to make present.
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    ::madvise(p, bytes, MADV_HUGEPAGE);
    ::madvise(p, bytes, MADV_POPULATE_WRITE);
    return p;
}

inline void freePages(void* p, std::size_t bytes) { ::munmap(p, bytes); }

template <typename T> class PageAllocator {
public:
    using value_type = T;

    PageAllocator() noexcept = default;
    template <typename U> PageAllocator(const PageAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= PageAllocatedBytes) return static_cast<T*>(allocatePages(bytes));
        return static_cast<T*>(::operator new(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept {
        const std::size_t bytes = n * sizeof(T);
        if (bytes >= PageAllocatedBytes)
            freePages(p, bytes);
        else
            ::operator delete(p);
    }

    // Elements made without a value are default-initialised (left as they are for
    // trivial types).
    template <typename U> void construct(U* p) { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U> bool operator==(const PageAllocator<U>&) const noexcept { return true; }
};

} // namespace kx
