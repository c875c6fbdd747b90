#pragma once
// The palette's font controls: the family, face and recent-fonts pop-ups and the button
// that links the selected font's family to a layout. They show the font the window
// controller selected; a choice in them selects another font through the controller and
// makes it the front application's font.
//
// The font list is costly to make: until something made it, the pop-ups hold only the
// shown family and face, and the list is made when the user opens one of them.

#include "model/RbxFontList.h"
#include "model/RbxPopUpModel.h"
#include "platform/fonts/Font.h"

#include <QObject>

class PaletteContent;
class PaletteFontList;
class RbxCharWindowController;
class RbxDefaults;

class PaletteFontControls : public QObject {
    Q_OBJECT
public:
    // The title of the recent-fonts item that switches font detection as a whole.
    static QString toggleDetectionTitle() { return QStringLiteral("Toggle Font Detection"); }

    PaletteFontControls(RbxCharWindowController& controller, RbxDefaults& settings, PaletteFontList& fonts,
                        PaletteContent& content, QObject* parent = nullptr);

    // The controller selected the font: the pop-ups show it.
    void showFont(const rbx::Font& font);
    void updateFamilyPopUp();
    void updateFacePopUp();
    void updateRecentFontsPopUp();
    const RbxPopUpModel& recentFonts() const { return recent_; }

    // ---- the controls' actions
    void changeFontFamily(int index);
    void changeFontFace(int index);
    void selectRecentFont(int index);
    void toggleLayoutLink(bool on);
    // The layout linked with the selected font's family (else the setting "layout") in
    // the character views, the setting "sample" in the text views, applied.
    void switchToLayoutForCurrentFont();

private:
    // Makes the font list (once) and fills the pop-ups from it.
    void makeList();
    // The font list's selected font is shown and becomes the front application's font.
    void showListSelection();
    // The chosen font becomes the front application's font, without font detection.
    void adoptForApplication(const rbx::Font& font);

    RbxCharWindowController& c_;
    RbxDefaults& settings_;
    PaletteFontList& fonts_;
    PaletteContent& content_;
    rbx::Font font_;
    RbxPopUpModel recent_;
    QList<RbxFontList::FamilyPtr> shownFamilies_;
};
