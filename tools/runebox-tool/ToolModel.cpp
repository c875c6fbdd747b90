#include "ToolModel.h"

#include "core/ProcessWide.h"
#include "model/CharacterNameState.h"
#include "model/RbxLayoutRegistry.h"
#include "model/RbxNameFilter.h"

namespace tool {

SelectedFont& selectedFont() {
    static SelectedFont font;
    return font;
}

void installModelServices() {
    kx::ProcessWide<RbxLayoutRegistry>::install(std::make_unique<RbxLayoutRegistry>(nullptr, &selectedFont(), nullptr));
    kx::ProcessWide<RbxNameFilterState>::install(std::make_unique<RbxNameFilterState>(&selectedFont()));
    installFreshCharacterNames();
}

void installFreshCharacterNames() {
    kx::ProcessWide<RbxCharacterNameState>::install(std::make_shared<RbxCharacterNameState>(&selectedFont()));
}

} // namespace tool
