#pragma once
// The list of the character information sheet: the font families that contain the
// character, each showing the character in its own font. Two columns, "fontname" and
// "character"; rows of 40 px. Selecting a row shows the character in that family in the
// list's big-character view and enables the switch button.

#include "model/RbxFontList.h"
#include "platform/fonts/Font.h"

#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>

#include "table/widgets/RbxBigCharView.h"

#include <QPushButton>

class InfoFontListDataSource : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int RowHeight = 40;
    static constexpr int CharacterSize = 24;
    enum Column { FontName = 0, Character = 1 };

    explicit InfoFontListDataSource(QObject* parent = nullptr);

    // The character and the families that contain it (in the font list's order).
    void setCharacter(char32_t c, const QList<RbxFontList::FamilyPtr>& families);
    char32_t character() const { return c_; }
    int fontCount() const { return int(families_.size()); }
    // The family names, each followed by "\n".
    QString listOfFontFamilies() const;
    // The first family's font that contains the character; a null font without families.
    rbx::Font firstFont() const;
    rbx::Font fontAtRow(int row) const;
    // The font the character column draws a row in: the family's font containing the
    // character at 24 px, or, when the character stands taller than 40 px in it, the
    // family's regular font at the size that makes it 40 px tall.
    QFont characterFont(int row) const;

    void setBigCharView(RbxBigCharView* view) { bigCharView_ = view; }
    void setSwitchFontButton(QPushButton* button) { switchButton_ = button; }
    // The list's selection changed to `row` (-1 for none).
    void selectionChanged(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    char32_t c_ = 0;
    QString text_;
    QList<RbxFontList::FamilyPtr> families_;
    QPointer<RbxBigCharView> bigCharView_;
    QPointer<QPushButton> switchButton_;
};
