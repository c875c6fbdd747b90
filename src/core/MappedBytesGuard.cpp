#include "core/MappedBytesGuard.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace kx {

namespace {

// One guarded range; free while `start` is 0, being filled in while it is Claimed. Read by
// the signal handler, so plain atomics.
constexpr std::uintptr_t Claimed = 1;
struct Slot {
    std::atomic<std::uintptr_t> start{0};
    std::atomic<std::size_t> size{0};
    std::atomic<bool> damaged{false};
};

Slot slots[MappedBytesGuard::MaxGuards];
std::atomic<std::uint64_t> damages{0};
std::uintptr_t pageSize = 4096;
struct sigaction previous {};
std::mutex installing;

void onBusError(int sig, siginfo_t* info, void* context) {
    if (info->si_code <= 0) {
        // Sent by a program (kill), not a fault: the handler from before takes it.
        ::sigaction(sig, &previous, nullptr);
        ::raise(sig);
        return;
    }
    const auto at = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (Slot& s : slots) {
        const std::uintptr_t start = s.start.load(std::memory_order_acquire);
        const std::size_t size = s.size.load(std::memory_order_acquire);
        if (start <= Claimed || at < start || at >= start + size) continue;
        // Zeros from the faulting page to the end of the range: the read is made again
        // and finds them, and so does every later read there.
        const std::uintptr_t page = at & ~(pageSize - 1);
        const std::uintptr_t end = (start + size + pageSize - 1) & ~(pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            s.damaged.store(true, std::memory_order_release);
            damages.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        break;
    }
    // Not a guarded range: the handler from before takes the fault when the read is made
    // again (the default one ends the program).
    ::sigaction(sig, &previous, nullptr);
    (void)context;
}

// Installs the handler, or again when another replaced it since.
void installHandler() {
    std::lock_guard lock(installing);
    struct sigaction current {};
    ::sigaction(SIGBUS, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onBusError) return;
    pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    struct sigaction action {};
    action.sa_sigaction = onBusError;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    ::sigaction(SIGBUS, &action, &previous);
}

} // namespace

MappedBytesGuard::MappedBytesGuard(const void* data, std::size_t size) {
    if (!data || size == 0) return;
    installHandler();
    for (int i = 0; i < MaxGuards; ++i) {
        Slot& s = slots[i];
        std::uintptr_t free = 0;
        if (!s.start.compare_exchange_strong(free, Claimed, std::memory_order_acq_rel)) continue;
        // The handler reads the range only once its start is set.
        s.size.store(size, std::memory_order_relaxed);
        s.damaged.store(false, std::memory_order_relaxed);
        s.start.store(reinterpret_cast<std::uintptr_t>(data), std::memory_order_release);
        slot_ = i;
        return;
    }
}

MappedBytesGuard& MappedBytesGuard::operator=(MappedBytesGuard&& o) noexcept {
    if (this != &o) {
        release();
        slot_ = o.slot_;
        o.slot_ = -1;
    }
    return *this;
}

void MappedBytesGuard::release() {
    if (slot_ < 0) return;
    slots[slot_].start.store(0, std::memory_order_release);
    slot_ = -1;
}

bool MappedBytesGuard::damaged() const { return slot_ >= 0 && slots[slot_].damaged.load(std::memory_order_acquire); }

std::uint64_t MappedBytesGuard::damageCount() { return damages.load(std::memory_order_relaxed); }

} // namespace kx
