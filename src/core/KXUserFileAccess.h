#pragma once
// Whether this process may change the user's files: the settings file and what lies in
// the support folder (layouts, caches, name lists, per-application settings).
//
// The palette may. A program that only reads them (runebox-tool) installs an instance
// that may not; then the settings store keeps every change in the process's memory, no
// folder is made in the support folder, no sample layout is installed or updated and
// no cache is written.

#include <memory>

class KXUserFileAccess {
public:
    enum class Mode { ReadWrite, ReadOnly };
    explicit KXUserFileAccess(Mode mode) : mode_(mode) {}

    // Of the process's instance (kx::ProcessWide), read-write unless one was installed.
    static bool mayChange();
    static std::unique_ptr<KXUserFileAccess> makeDefault();

private:
    Mode mode_;
};
