#include "table/widgets/RbxMagnifier.h"

#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"

#include <QWhatsThis>

namespace {

std::unique_ptr<RbxMagnifier>& sharedMagnifier() {
    static std::unique_ptr<RbxMagnifier> magnifier;
    return magnifier;
}

} // namespace

RbxMagnifier::RbxMagnifier() {
    if (RbxDefaults::userDefaults().boolForKey(rbx::key::logFocus)) kx::log(QStringLiteral("FOCUS: magnifier init"));
}

RbxMagnifier& RbxMagnifier::magnifier() {
    auto& m = sharedMagnifier();
    if (!m) m.reset(new RbxMagnifier());
    return *m;
}

void RbxMagnifier::resetForTesting() { sharedMagnifier().reset(); }

void RbxMagnifier::hide() {
    if (QWhatsThis::inWhatsThisMode()) QWhatsThis::leaveWhatsThisMode();
}
