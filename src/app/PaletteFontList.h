#pragma once
// The palette's side of the font list (RbxFontList): the list follows the font the
// palette shows, records the font of each insertion as used (the recent families), and
// hands its check after a burst of font changes on as fontsChangeNoticed().
//
// The list is costly to make, so it is made when first needed (an insertion, a font
// check, a view of all fonts' characters); the palette's font is selected in it then.

#include "platform/fonts/Font.h"

#include <QObject>
#include <QString>

class RbxFontList;

class PaletteFontList : public QObject {
    Q_OBJECT
public:
    explicit PaletteFontList(QObject* parent = nullptr);
    ~PaletteFontList() override;

    // The list, made now when it was not yet.
    RbxFontList& list();
    // Whether list() was made by this object.
    bool isMade() const { return made_; }

    // The palette shows this font; the list selects it (when made, else once it is).
    void selectFont(const rbx::Font& font);
    // After an insertion: the palette's font goes first among the recent families.
    void markSelectedFontAsUsed();

signals:
    // The list's check after a burst of font changes ("notification").
    void fontsChangeNoticed(const QString& reason);

private:
    rbx::Font selected_;
    bool made_ = false;
};
