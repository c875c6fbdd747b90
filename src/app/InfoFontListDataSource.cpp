#include "app/InfoFontListDataSource.h"

#include "core/LocalizedStrings.h"
#include "model/CharacterText.h"
#include "model/RbxFontFamily.h"
#include "table/widgets/RbxBigCharView.h"
#include "table/widgets/RbxQtFonts.h"

#include <QFontMetricsF>
#include <QPushButton>

InfoFontListDataSource::InfoFontListDataSource(QObject* parent) : QAbstractTableModel(parent) {}

void InfoFontListDataSource::setCharacter(char32_t c, const QList<RbxFontList::FamilyPtr>& families) {
    beginResetModel();
    c_ = c;
    text_ = CharacterText::stringWithCharacter(c);
    families_ = families;
    endResetModel();
}

QString InfoFontListDataSource::listOfFontFamilies() const {
    QString list;
    for (const RbxFontList::FamilyPtr& f : families_) list += f->name() + u'\n';
    return list;
}

rbx::Font InfoFontListDataSource::fontAtRow(int row) const {
    if (row < 0 || row >= families_.size()) return {};
    return families_[row]->fontContainingCharacter(c_);
}

rbx::Font InfoFontListDataSource::firstFont() const { return fontAtRow(0); }

QFont InfoFontListDataSource::characterFont(int row) const {
    const rbx::Font font = fontAtRow(row);
    if (!font) return {};
    QFont qfont = rbx::qt::textFont(font.withPointSize(CharacterSize)).value_or(QFont());
    qfont.setPixelSize(CharacterSize);
    const double height = QFontMetricsF(qfont).boundingRect(text_).height();
    if (height > RowHeight) {
        const rbx::Font regular = families_[row]->regularFont();
        const double size = double(CharacterSize * RowHeight) / height;
        qfont = rbx::qt::textFont(regular.withPointSize(size)).value_or(qfont);
        qfont.setPixelSize(std::max(1, int(size)));
    }
    return qfont;
}

void InfoFontListDataSource::selectionChanged(int row) {
    const rbx::Font font = fontAtRow(row);
    if (bigCharView_) bigCharView_->setFont(font, font ? text_ : QString(), false);
    if (switchButton_) switchButton_->setEnabled(bool(font));
}

int InfoFontListDataSource::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(families_.size());
}

int InfoFontListDataSource::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant InfoFontListDataSource::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= families_.size()) return {};
    if (index.column() == FontName) {
        if (role == Qt::DisplayRole) return families_[index.row()]->name();
        return {};
    }
    if (index.column() != Character) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    switch (role) {
    case Qt::DisplayRole: return text_;
    case Qt::FontRole: return characterFont(index.row());
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    default: return {};
    }
}

QVariant InfoFontListDataSource::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return section == FontName ? kx::loc(QStringLiteral("Font Family")) : kx::loc(QStringLiteral("Character"));
}
