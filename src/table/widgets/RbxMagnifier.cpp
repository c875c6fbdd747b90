#include "table/widgets/RbxMagnifier.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"

#include <QWhatsThis>

RbxMagnifier::RbxMagnifier() {
    if (RbxDefaults::userDefaults().boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: magnifier init"));
}

std::unique_ptr<RbxMagnifier> RbxMagnifier::makeDefault() { return std::unique_ptr<RbxMagnifier>(new RbxMagnifier()); }

RbxMagnifier& RbxMagnifier::magnifier() { return kx::ProcessWide<RbxMagnifier>::get(); }

void RbxMagnifier::hide() {
    if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
}
