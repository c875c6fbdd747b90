#include "core/KXUserFileAccess.h"

#include "core/ProcessWide.h"

bool KXUserFileAccess::mayChange() { return kx::ProcessWide<KXUserFileAccess>::get().mode_ == Mode::ReadWrite; }

std::unique_ptr<KXUserFileAccess> KXUserFileAccess::makeDefault() {
    return std::make_unique<KXUserFileAccess>(Mode::ReadWrite);
}
