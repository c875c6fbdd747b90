// The selected family and face, the recently used families and the recent-fonts
// pop-up.

#include "model/RbxFontList.h"

#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "model/RbxPopUpModel.h"

#include <algorithm>

QString RbxFontList::familyNameOfFont(const rbx::Font& font) {
    if (!font) return QString();
    if (const std::optional<rbx::FaceInfo> info = rbx::FontBackend::shared().faceInfo(font.postScriptName()))
        if (!info->family.isEmpty()) return info->family;
    return font.familyName();
}

RbxFontList::FamilyPtr RbxFontList::selectedFamily() const {
    if (selectedFamilyIndex_ < 0) return nullptr;
    if (selectedFamilyIndex_ >= fontFamilies_.size()) {
        kx::log(QStringLiteral("exception in selectedFamily: index %1 beyond %2 families")
                    .arg(selectedFamilyIndex_)
                    .arg(fontFamilies_.size()));
        return nullptr;
    }
    return fontFamilies_.at(selectedFamilyIndex_);
}

rbx::Font RbxFontList::selectedFont() const {
    if (invisibleSelectedFont_) return invisibleSelectedFont_;
    const FamilyPtr family = selectedFamily();
    if (!family) return rbx::Font();
    const QList<rbx::Font>& members = family->members();
    if (selectedFaceIndex_ < 0 || selectedFaceIndex_ >= members.size()) {
        kx::log(QStringLiteral("no members"));
        return rbx::Font();
    }
    return members.at(selectedFaceIndex_);
}

void RbxFontList::selectFont(const rbx::Font& font) {
    if (debugging()) kx::log(QStringLiteral("select font %1").arg(font ? font.postScriptName() : QStringLiteral("(null)")));
    if (!font) return;
    const QString family = familyNameOfFont(font);
    qsizetype index = -1;
    for (qsizetype i = 0; i < fontFamilies_.size(); ++i)
        if (fontFamilies_.at(i)->name() == family) { index = i; break; }
    if (index >= 0) {
        invisibleSelectedFont_ = rbx::Font();
        selectedFamilyIndex_ = static_cast<int>(index);
        selectedFaceIndex_ = fontFamilies_.at(index)->indexOfFont(font);
    } else {
        invisibleSelectedFont_ = font;
        selectedFamilyIndex_ = -1;
        selectedFaceIndex_ = -1;
    }
    rememberSelectedFontName();
}

void RbxFontList::selectFamilyAtIndex(int index) {
    if (index < 0 || index >= fontFamilies_.size()) {
        kx::log(QStringLiteral("exception in selectedFamily: index %1 beyond %2 families").arg(index).arg(fontFamilies_.size()));
        return;
    }
    invisibleSelectedFont_ = rbx::Font();
    selectedFamilyIndex_ = index;
    selectedFaceIndex_ = fontFamilies_.at(index)->regularFaceIndex();
    rememberSelectedFontName();
}

void RbxFontList::selectFaceAtIndex(int index) {
    selectedFaceIndex_ = index;
    rememberSelectedFontName();
}

void RbxFontList::rememberSelectedFontName() {
    const rbx::Font font = selectedFont();
    if (!font) return;
    const QString name = font.postScriptName();
    if (name == selectedFontName_) return;
    selectedFontName_ = name;
    RbxDefaults& defaults = settings();
    defaults.setString(name, rbx::key::selectedFont.qname());
    defaults.synchronize();
}

void RbxFontList::markSelectedFontAsUsed() {
    const rbx::Font font = selectedFont();
    if (!font) return;
    const QString family = familyNameOfFont(font);
    if (family.isEmpty() || (!recentFonts_.isEmpty() && recentFonts_.first() == family)) return;
    recentFonts_.removeAll(family);
    recentFonts_.prepend(family);
    while (recentFonts_.size() > MaxRecentFamilies) recentFonts_.removeLast();
    storeRecentFonts();
}

void RbxFontList::storeRecentFonts() {
    settings().setObject(QVariant(recentFonts_), rbx::key::recentFontsV2.qname());
}

void RbxFontList::updateRecentFontsPopUp(RbxPopUpModel& popUp) {
    const rbx::Font selected = selectedFont();
    if (!selected) return;
    const QString selectedName = selected.postScriptName();

    // Each recent family stands for its regular face.
    QStringList names;
    for (const QString& familyName : recentFonts_) {
        if (names.size() >= 10) break;
        const FamilyPtr family = familyNamed(familyName);
        if (!family || family->numberOfValidMembers() == 0) continue;
        const QString name = family->regularFont().postScriptName();
        if (name.isEmpty() || name == selectedName || names.contains(name)) continue;
        names.append(name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });

    while (popUp.count() > 2) popUp.removeItemAt(0);
    popUp.insertItem(selectedName, 0);
    const bool detection = settings().isFontDetectionEnabled();
    if (detection) {
        popUp.insertSeparator(1);
        popUp.insertItem(QStringLiteral("Automatic"), 2);
    }
    if (!names.isEmpty()) {
        int at = detection ? 3 : 1;
        popUp.insertSeparator(at++);
        for (const QString& n : names) popUp.insertItem(n, at++);
    }
    popUp.selectItemAt(0);
    if (detection) {
        popUp.setImage(2, QString());
        if (settings().applicationFontDectection()) popUp.setImage(0, QString());
    }
    popUp.addItem(QStringLiteral("Toggle Font Detection"));
}
