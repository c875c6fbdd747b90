#pragma once
// The character information sheet: one character in one font, large, with its font, code
// points, HTML form, UTF-8, UTF-16 and UTF-32 bytes, its name and the user's own name for
// it (editable; stored when the sheet is confirmed), and the list of the installed font
// families that contain it. Its buttons switch the palette to the family chosen in the
// list, mark those families in the palette's font list, and copy their names.
//
// The sheet is registered with the palette's SheetHost as "characterInfo"; the options
// "character" (u) and, optionally, "font" (s: a PostScript name) name what it shows, the
// palette's font by default. It leaves the palette a non-activating panel.

#include "platform/fonts/Font.h"

#include <QDialog>

class InfoFontListDataSource;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class RbxBigCharView;
class RbxFontList;
class SheetHost;

// What the sheet asks of the palette.
class CharacterInfoPalette {
public:
    virtual ~CharacterInfoPalette() = default;
    virtual rbx::Font selectedFont() const = 0;
    virtual void selectFont(const rbx::Font& font) = 0;
    virtual void markFontsContainingCharacter(char32_t c) = 0;
    virtual RbxFontList& fontList() = 0;
    virtual bool logsSheets() const = 0;
};

class CharacterInfoSheet : public QDialog {
    Q_OBJECT
public:
    static inline const QString SheetName = QStringLiteral("characterInfo");

    CharacterInfoSheet(SheetHost& host, CharacterInfoPalette& palette, QWidget* parent = nullptr);
    ~CharacterInfoSheet() override;

    // Opens the sheet for the character in the font (a null font: the palette's).
    void showInfoForCharacter(char32_t c, const rbx::Font& font);
    // Fills the sheet.
    void setCharacter(char32_t c, const rbx::Font& font);

    char32_t character() const { return c_; }
    InfoFontListDataSource& dataSource() const { return *source_; }
    QLineEdit* customNameField() const { return customName_; }
    QString trimmedCustomCharacterNameFromField() const;
    void customCharacterNameChanged();

    // The buttons.
    void confirmCharacterInfo();
    void cancelCharacterInfo();
    void switchToSelectedFont();
    void markFontsInMainWindow();
    void copyFontList();

private:
    void ended(int returnCode);
    QLabel* valueLabel(const char* objectName);

    SheetHost& host_;
    CharacterInfoPalette& palette_;
    InfoFontListDataSource* source_ = nullptr;
    char32_t c_ = 0;
    rbx::Font font_;
    QString nameAtOpening_;

    RbxBigCharView* bigChar_ = nullptr;
    QLabel* fontName_ = nullptr;
    QLabel* codePointLabel_ = nullptr;
    QLabel* codePoint_ = nullptr;
    QLabel* html_ = nullptr;
    QLabel* utf8_ = nullptr;
    QLabel* utf16_ = nullptr;
    QLabel* utf32_ = nullptr;
    QLabel* defaultName_ = nullptr;
    QLineEdit* customName_ = nullptr;
    QLabel* puaWarning_ = nullptr;
    QLabel* fontCount_ = nullptr;
    QTableView* list_ = nullptr;
    RbxBigCharView* listBigChar_ = nullptr;
    QPushButton* switchButton_ = nullptr;
};
