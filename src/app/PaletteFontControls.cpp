#include "app/PaletteFontControls.h"

#include "app/PaletteContent.h"
#include "app/PaletteFontList.h"
#include "app/RbxCharWindowController.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "kxlib/gui/KXPopUpButton.h"
#include "model/FontExtensions.h"
#include "model/RbxLayout.h"
#include "platform/fonts/FontFace.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QToolButton>

namespace {

// Shows the model's items in the pop-up: titles, separators, disabled items, the choice.
void showModel(QComboBox& popUp, const RbxPopUpModel& model) {
    popUp.clear();
    for (const RbxPopUpModel::Item& item : model.items()) {
        if (item.separator) {
            popUp.insertSeparator(popUp.count());
            continue;
        }
        popUp.addItem(item.title, item.representedObject);
        if (!item.enabled)
            if (auto* m = qobject_cast<QStandardItemModel*>(popUp.model()))
                m->item(popUp.count() - 1)->setEnabled(false);
    }
    popUp.setCurrentIndex(model.indexOfSelectedItem());
}

void showSingleItem(QComboBox& popUp, const QString& title) {
    if (popUp.count() == 1 && popUp.itemText(0) == title) return;
    popUp.clear();
    popUp.addItem(title);
    popUp.setCurrentIndex(0);
}

} // namespace

PaletteFontControls::PaletteFontControls(RbxCharWindowController& controller, RbxDefaults& settings,
                                         PaletteFontList& fonts, PaletteContent& content, QObject* parent)
    : QObject(parent), c_(controller), settings_(settings), fonts_(fonts), content_(content) {
    // The recent-fonts pop-up starts as its title, a separator and the detection switch.
    recent_.addItem(QString());
    recent_.addSeparator();
    recent_.addItem(toggleDetectionTitle());

    for (KXPopUpButton* popUp : {content_.fontFamilyPopUp(), content_.facePopUp(), content_.recentFontsPopUp()})
        connect(popUp, &KXPopUpButton::willPopUp, this, &PaletteFontControls::makeList);
    connect(content_.fontFamilyPopUp(), &QComboBox::activated, this, &PaletteFontControls::changeFontFamily);
    connect(content_.facePopUp(), &QComboBox::activated, this, &PaletteFontControls::changeFontFace);
    connect(content_.recentFontsPopUp(), &QComboBox::activated, this, &PaletteFontControls::selectRecentFont);
    connect(content_.layoutLinkButton(), &QToolButton::clicked, this, &PaletteFontControls::toggleLayoutLink);
}

void PaletteFontControls::makeList() {
    fonts_.list();
    if (!shownFamilies_.isEmpty()) return;
    updateFamilyPopUp();
    updateFacePopUp();
    updateRecentFontsPopUp();
}

void PaletteFontControls::showFont(const rbx::Font& font) {
    font_ = font;
    if (fonts_.isMade()) {
        updateFamilyPopUp();
        updateFacePopUp();
        updateRecentFontsPopUp();
        return;
    }
    if (!font) return;
    showSingleItem(*content_.fontFamilyPopUp(), RbxFontList::familyNameOfFont(font));
    showSingleItem(*content_.facePopUp(), font->styleName());
}

void PaletteFontControls::updateFamilyPopUp() {
    if (!fonts_.isMade()) return;
    RbxFontList& list = fonts_.list();
    KXPopUpButton& popUp = *content_.fontFamilyPopUp();
    if (shownFamilies_ != list.fontFamilies()) {
        shownFamilies_ = list.fontFamilies();
        QStringList names;
        names.reserve(shownFamilies_.size());
        for (const RbxFontList::FamilyPtr& family : std::as_const(shownFamilies_)) names.append(family->name());
        popUp.clear();
        popUp.addItems(names);
    }
    // A font whose family the list does not show leaves the pop-up without a choice.
    popUp.setPlaceholderText(font_ ? RbxFontList::familyNameOfFont(font_) : QString());
    popUp.setCurrentIndex(list.selectedFamilyIndex());
}

void PaletteFontControls::updateFacePopUp() {
    if (!fonts_.isMade()) return;
    RbxFontList& list = fonts_.list();
    KXPopUpButton& popUp = *content_.facePopUp();
    const RbxFontList::FamilyPtr family = list.selectedFamily();
    if (!family || list.selectedFamilyIndex() < 0) {
        popUp.setEnabled(false);
        return;
    }
    popUp.setEnabled(true);
    popUp.clear();
    const QStringList& faces = family->typefaces();
    popUp.addItems(faces);
    if (!faces.isEmpty()) popUp.setCurrentIndex(list.selectedFaceIndex());
}

void PaletteFontControls::updateRecentFontsPopUp() {
    if (!fonts_.isMade()) return;
    fonts_.list().updateRecentFontsPopUp(recent_);
    showModel(*content_.recentFontsPopUp(), recent_);
}

void PaletteFontControls::changeFontFamily(int index) {
    RbxFontList& list = fonts_.list();
    if (index < 0 || index >= list.count()) return;
    list.selectFamilyAtIndex(index);
    showListSelection();
}

void PaletteFontControls::changeFontFace(int index) {
    RbxFontList& list = fonts_.list();
    if (index < 0 || !list.selectedFamily()) return;
    list.selectFaceAtIndex(index);
    showListSelection();
}

void PaletteFontControls::showListSelection() {
    const rbx::Font font = fonts_.list().selectedFont();
    c_.selectFont(font);
    adoptForApplication(font);
    updateRecentFontsPopUp();
}

void PaletteFontControls::selectRecentFont(int index) {
    if (index <= 0 || index >= recent_.count()) return;
    const QString title = recent_.itemAt(index).title;
    if (index == 2 && settings_.isFontDetectionEnabled()) {
        // "Automatic": font detection for the front application, switched; switched on, the
        // application's font is looked for at once, not at the next change of application.
        const bool on = !settings_.applicationFontDectection();
        settings_.setApplicationFontDectection(on);
        if (on) c_.checkForAutomaticFontChange(true);
        updateRecentFontsPopUp();
        return;
    }
    if (const rbx::Font font = rbx::font::tryFindingFontWithName(title, 12)) {
        adoptForApplication(font);
        c_.selectFont(font);
        return;
    }
    if (title == toggleDetectionTitle()) {
        settings_.toggleFontDetectionEnabled();
        updateRecentFontsPopUp();
        return;
    }
    QApplication::beep();
    kx::log(QStringLiteral("no recent font found"));
    recent_.selectItemAt(0);
    content_.recentFontsPopUp()->setCurrentIndex(0);
}

void PaletteFontControls::adoptForApplication(const rbx::Font& font) {
    if (!font) return;
    settings_.setApplicationFontDectection(false);
    settings_.setApplicationFont(font.postScriptName());
}

void PaletteFontControls::toggleLayoutLink(bool on) {
    if (!font_) return;
    const QString family = RbxFontList::familyNameOfFont(font_);
    const auto layout = RbxLayout::selectedLayout();
    settings_.setLayout(on && layout ? layout->name() : QString(), family);
    switchToLayoutForCurrentFont();
}

void PaletteFontControls::switchToLayoutForCurrentFont() {
    const int view = settings_.integerForKey(rbx::key::view);
    QToolButton& link = *content_.layoutLinkButton();
    link.setVisible(view < 4);
    const QString family = font_ ? RbxFontList::familyNameOfFont(font_) : QString();
    QString layout = family.isEmpty() ? QString() : settings_.layoutForFontFamily(family);
    QString tip;
    if (!layout.isEmpty()) {
        link.setChecked(true);
        tip = kx::loc(QStringLiteral("Current Font (%1$@) is linked to layout: %2$@"));
    } else {
        link.setChecked(false);
        layout = settings_.stringForKey(rbx::key::layout);
        tip = kx::loc(QStringLiteral("Link the current Font (%1$@) to layout: %2$@"));
    }
    link.setToolTip(tip.replace(QLatin1String("%1$@"), family).replace(QLatin1String("%2$@"), kx::loc(layout)));
    RbxLayout::switchToLayoutNamed(view < 4 ? layout : settings_.stringForKey(rbx::key::sample));
    c_.changeLayout();
}
