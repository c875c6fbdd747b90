#include "app/FontListModel.h"

#include "kxlib/RbxDefaults.h"
#include "model/RbxActivationSet.h"
#include "model/RbxCmapList.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "platform/fonts/FontFace.h"
#include "table/widgets/RbxQtFonts.h"

#include <QApplication>
#include <cmath>

FontListModel::FontListModel(RbxDefaults& settings, QObject* parent) : QAbstractTableModel(parent), settings_(settings) {}

void FontListModel::setList(RbxFontList* list) {
    list_ = list;
    reload();
}

void FontListModel::reload() {
    beginResetModel();
    fonts_.clear();
    markedFamilies_.clear();
    if (list_ && marked_ != 0)
        for (const RbxFontList::FamilyPtr& f : list_->fontFamiliesContainingCharacter(marked_)) markedFamilies_.insert(f->name());
    endResetModel();
}

void FontListModel::setMarkedCharacter(char32_t c) {
    marked_ = c;
    reload();
}

bool FontListModel::isMarkedFontInRow(int row) const {
    return marked_ != 0 && list_ && markedFamilies_.contains(list_->fontNameAtIndex(row));
}

QString FontListModel::markForFontInRow(int row) const {
    return isMarkedFontInRow(row) ? QStringLiteral("\u2022") : QString();
}

int FontListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() || !list_ ? 0 : list_->count(); }

int FontListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant FontListModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid() || index.row() >= list_->count()) return {};
    const int row = index.row();
    if (index.column() == MarkColumn) {
        if (role == Qt::DisplayRole) return markForFontInRow(row);
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        return {};
    }
    switch (role) {
    case Qt::DisplayRole: return list_->fontNameAtIndex(row) + u' ';
    case Qt::ToolTipRole: return list_->fontNameAtIndex(row);
    case Qt::FontRole: return nameFont(row);
    case Qt::TextAlignmentRole: return int(Qt::AlignLeft | Qt::AlignVCenter);
    default: return {};
    }
}

std::optional<double> FontListModel::nameFontSize(double size, std::optional<double> zoomName, double ascender) {
    if (zoomName) {
        if (*zoomName == 0) return std::nullopt;
        if (*zoomName > 0.1) return size * *zoomName;
    }
    if (ascender > 12) return size * 12 / ascender;
    if (ascender < 10 && ascender > 0) return size * 10 / ascender;
    return size;
}

namespace {

// A font that maps letters to pictures (a symbol 'cmap' subtable, or a Type 1 font with
// an encoding of its own) cannot set its own name.
bool drawsPictures(const rbx::Font& font) {
    if (font->format() == rbx::FontFormat::Type1) return !font->covers(U'\u00E9');
    RbxCmapList cmaps(font);
    for (int i = 0; i < cmaps.nTables(); ++i)
        if (cmaps.platformIDAtIndex(i) == 3 && cmaps.platformSpecificIDAtIndex(i) == 0) return true;
    return false;
}

} // namespace

QFont FontListModel::nameFont(int row) const {
    const QString name = list_->fontNameAtIndex(row);
    if (auto cached = fonts_.constFind(name); cached != fonts_.constEnd()) return *cached;
    std::optional<QFont> own;
    if (settings_.boolForKey(rbx::key::fontNameInFont)) {
        const rbx::Font font = list_->primaryFontAtIndex(row);
        if (font && font->coveredCharacters().containsAllCharactersInString(name) && !drawsPictures(font)) {
            std::optional<double> zoom;
            if (const auto tuning = RbxFontInfo::tuningForFont(font)) {
                const QVariant z = tuning->value(QStringLiteral("zoomName"));
                bool ok = false;
                const double v = z.toDouble(&ok);
                if (z.isValid() && ok) zoom = v;
            }
            if (const auto size = nameFontSize(font.pointSize(), zoom, rbx::qt::metrics(font).ascender)) {
                own = rbx::qt::textFont(font);
                if (own) own->setPixelSize(std::max(1, int(std::lround(*size))));
            }
        }
    }
    QFont f = own ? *own : QApplication::font();
    if (!own && RbxActivationSet::isActivatedFont(name)) f.setStyle(QFont::StyleOblique);
    fonts_.insert(name, f);
    return f;
}
