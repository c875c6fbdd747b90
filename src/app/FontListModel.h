#pragma once
// The font list table's rows: one per family of the font list's filtered families, with
// the columns "name" and "mark". The name is set in the family's own font when that font
// covers every character of the name (and the setting "fontNameInFont" is on), else in
// the system font, slanted for families of fonts the palette activated from files. The
// mark is a bullet beside every family with a member that has the marked character.

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

private:
    QFont nameFont(int row) const;

    RbxDefaults& settings_;
    RbxFontList* list_ = nullptr;
    char32_t marked_ = 0;
    QSet<QString> markedFamilies_;
    mutable QHash<QString, QFont> fonts_;
};
