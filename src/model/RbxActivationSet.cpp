#include "model/RbxActivationSet.h"

#include "core/Log.h"
#include "model/FontExtensions.h"
#include "platform/fonts/FontBackend.h"

namespace {
QList<std::shared_ptr<RbxActivationSet>>*& setList() {
    static QList<std::shared_ptr<RbxActivationSet>>* list = nullptr;
    return list;
}
} // namespace

std::shared_ptr<RbxActivationSet> RbxActivationSet::activationSetWithFontPaths(const QStringList& paths) {
    auto set = std::make_shared<RbxActivationSet>(paths);
    if (!set->activate()) return nullptr;
    if (!setList()) {
        setList() = new QList<std::shared_ptr<RbxActivationSet>>();
        setList()->reserve(5);
    }
    setList()->append(set);
    return set;
}

QList<std::shared_ptr<RbxActivationSet>> RbxActivationSet::activatedFontSets() {
    if (!setList() || setList()->isEmpty()) return {};
    return *setList();
}

bool RbxActivationSet::isActivatedFont(const QString& family) {
    if (!setList()) return false;
    for (const auto& s : *setList())
        if (s->fontFamilies_.contains(family)) return true;
    return false;
}

void RbxActivationSet::forgetActivatedSets() {
    delete setList();
    setList() = nullptr;
}

RbxActivationSet::RbxActivationSet(const QStringList& paths) : fontPaths_(paths) {}

bool RbxActivationSet::activate() {
    fontFamilies_.clear();
    QString display;
    for (const QString& path : fontPaths_) {
        const int container = rbx::font::activateFontFromFile(path);
        if (!container) continue;
        const QList<rbx::FaceInfo> faces = rbx::FontBackend::shared().facesOfContainer(container);
        for (int i = 0; i < faces.size(); ++i) {
            const QString psName = faces[i].postScriptName;
            if (psName.isEmpty()) {
                kx::log(QStringLiteral("Cannot find font name %1/%2 from %3").arg(i).arg(faces.size()).arg(path));
                continue;
            }
            const rbx::Font font = rbx::font::availableFontWithName(psName, 12);
            if (!font) {
                kx::log(QStringLiteral("Cannot find activated font %1 from %2").arg(psName, path));
                continue;
            }
            const QString family = font.familyName();
            if (family.isEmpty()) {
                kx::log(QStringLiteral("Cannot find font family for %1 from %2").arg(psName, path));
                continue;
            }
            fontFamilies_.insert(family);
            if (display.isNull() || family < display) display = family;
        }
    }
    if (fontFamilies_.isEmpty()) {
        name_ = QStringLiteral("[??]");
        return false;
    }
    if (fontFamilies_.size() >= 2) display += QStringLiteral(" (+%1)").arg(fontFamilies_.size() - 1);
    name_ = display;
    return true;
}
