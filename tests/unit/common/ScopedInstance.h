#pragma once
// Puts a process-wide service in place for one test and the previous one back at its
// end:
//   rbxtest::ScopedInstance<RbxDefaults> store(RbxDefaults::open(QStringLiteral("test.x")));
//   rbxtest::ScopedInstance<kx::Bundle> fresh;  // a default made anew on first use

#include "core/ProcessWide.h"

#include <memory>

namespace rbxtest {

template <class T>
class ScopedInstance {
public:
    // No instance: the first use makes a fresh default.
    ScopedInstance() : previous_(kx::ProcessWide<T>::install(nullptr)) {}
    explicit ScopedInstance(std::shared_ptr<T> instance) : previous_(kx::ProcessWide<T>::install(std::move(instance))) {}
    ~ScopedInstance() { kx::ProcessWide<T>::install(std::move(previous_)); }
    ScopedInstance(const ScopedInstance&) = delete;
    ScopedInstance& operator=(const ScopedInstance&) = delete;

    T& operator*() const { return kx::ProcessWide<T>::get(); }
    T* operator->() const { return &kx::ProcessWide<T>::get(); }
    T& get() const { return kx::ProcessWide<T>::get(); }

private:
    std::shared_ptr<T> previous_;
};

} // namespace rbxtest
