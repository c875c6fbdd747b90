#include "platform/fonts/FaceInfo.h"

namespace rbx {

namespace {
bool isFamilyAndStyle(const QString& name, const QString& family, const QString& style) {
    return !style.isEmpty() && name.size() == family.size() + 1 + style.size() && name.startsWith(family) &&
           name.at(family.size()) == QLatin1Char(' ') && name.endsWith(style);
}
} // namespace

QString FaceInfo::fullName() const {
    switch (fullNameIs_) {
    case FullName::Family: return family;
    case FullName::FamilyAndStyle: return family + QLatin1Char(' ') + style;
    case FullName::Own: break;
    }
    return ownFullName_;
}

void FaceInfo::setFullName(const QString& name) {
    ownFullName_.clear();
    if (name.isEmpty() || name == family) {
        fullNameIs_ = FullName::Family;
    } else if (isFamilyAndStyle(name, family, style)) {
        fullNameIs_ = FullName::FamilyAndStyle;
    } else {
        fullNameIs_ = FullName::Own;
        ownFullName_ = name;
    }
}

} // namespace rbx
