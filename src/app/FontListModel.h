#pragma once
// The font list table's rows: one per family of the font list's filtered families, with
// the columns "name" and "mark". The name is set in the family's own font when that font
// can set it (it has every character of the name as a letter, not as a picture) and the
// setting "fontNameInFont" is on, else in the system font, slanted for families of fonts the palette activated from files. The
// mark is a bullet beside every family with a member that has the marked character.
//
// Finding a family's own font opens its first face, so it is done row by row when the
// view asks (loadNameFont()); until then the name is drawn in the system font.

#include "platform/fonts/Font.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QSet>
#include <optional>

class RbxDefaults;
class RbxFontList;

class FontListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, MarkColumn = 1 };
    static constexpr int RowHeight = 24;

    FontListModel(RbxDefaults& settings, QObject* parent = nullptr);

    // The list whose filtered families are the rows (null: none); reloads.
    void setList(RbxFontList* list);
    RbxFontList* list() const { return list_; }
    // The rows anew, after the list's filter or fonts changed.
    void reload();

    // The character whose families are marked; 0 for none.
    void setMarkedCharacter(char32_t c);
    char32_t markedCharacter() const { return marked_; }
    bool isMarkedFontInRow(int row) const;
    // "•" for a marked row, else "".
    QString markForFontInRow(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The pixel size of a family's name in its own font of `size` pixels: a tuning value
    // "zoomName" above 0.1 scales the size; else an ascender above 12 or below 10 pixels
    // is brought to 12 or 10. No size (the system font is used) for a "zoomName" of 0.
    static std::optional<double> nameFontSize(double size, std::optional<double> zoomName, double ascender);

    // Whether the font can set the name in its own glyphs: it covers every character, and
    // its letters are letters (no symbol encoding, no pictures named in place of letters).
    static bool canSetOwnName(const rbx::Font& font, const QString& name);

    // Whether the row's name is drawn in the font it is meant to be (its own font is found).
    bool hasNameFont(int row) const;
    // Finds the row's name font and announces the row as changed.
    void loadNameFont(int row);
    // The name fonts found so far are forgotten (the installed fonts changed).
    void forgetNameFonts();
    // How many families' name fonts are known.
    int nameFontCount() const { return int(fonts_.size()); }

private:
    // What a name's font is made of; the font itself is made anew for each use, so that
    // Qt's font engines of rows no longer shown can go.
    struct NameFont {
        QStringList families;
        QString styleName;
        int pixelSize = 0;
    };

    QFont nameFont(const QString& name) const;
    QFont systemNameFont(const QString& name) const;
    std::optional<NameFont> findNameFont(int row) const;

    RbxDefaults& settings_;
    RbxFontList* list_ = nullptr;
    char32_t marked_ = 0;
    QSet<QString> markedFamilies_;
    QHash<QString, std::optional<NameFont>> fonts_;  // none: the system font
};
