#pragma once
// The one instance of a service that the system reaches through a class method
// (Bundle::mainBundle(), RbxDefaults::userDefaults(), RbxFontList::fontList(), ...).
//
// A program's composition root installs each such instance once, made with the services
// it needs. When nothing was installed, the first use makes the class's own default,
// `T::makeDefault()`, and keeps it. install() answers the instance it replaces, so that
// whoever installs one for a while can put the previous one back.
//
// Reading may happen on any thread. Installing belongs to start-up (and to the set-up of
// tests), when no other thread uses the instance being replaced.

#include <atomic>
#include <memory>
#include <mutex>

namespace kx {

template <class T>
class ProcessWide {
public:
    // The installed instance, or the default one made now.
    static T& get() {
        if (T* p = slot().current.load(std::memory_order_acquire)) return *p;
        return *shared();
    }

    // The same, shared with the caller.
    static std::shared_ptr<T> shared() {
        Slot& s = slot();
        std::lock_guard lock(s.mutex);
        if (!s.instance) set(s, T::makeDefault());
        return s.instance;
    }

    // The instance in place now, without making one; nullptr when there is none.
    static T* current() { return slot().current.load(std::memory_order_acquire); }

    // Puts `instance` in place (nullptr: the next use makes a default again) and answers
    // the one it replaces, which may be null.
    static std::shared_ptr<T> install(std::shared_ptr<T> instance) {
        Slot& s = slot();
        std::lock_guard lock(s.mutex);
        std::shared_ptr<T> previous = std::move(s.instance);
        set(s, std::move(instance));
        return previous;
    }

private:
    struct Slot {
        std::recursive_mutex mutex;
        std::shared_ptr<T> instance;
        std::atomic<T*> current{nullptr};
    };

    static Slot& slot() {
        static Slot s;
        return s;
    }

    static void set(Slot& s, std::shared_ptr<T> instance) {
        s.instance = std::move(instance);
        s.current.store(s.instance.get(), std::memory_order_release);
    }
};

} // namespace kx
