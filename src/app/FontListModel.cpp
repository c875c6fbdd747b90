#include "app/FontListModel.h"

#include "kxlib/RbxDefaults.h"
#include "model/RbxActivationSet.h"
#include "model/RbxCmapList.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontList.h"
#include "platform/fonts/FontFace.h"
#include "table/widgets/RbxQtFonts.h"

#include <QApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

FontListModel::FontListModel(RbxDefaults& settings, QObject* parent) : QAbstractTableModel(parent), settings_(settings) {}

void FontListModel::setList(RbxFontList* list) {
    list_ = list;
    reload();
}

void FontListModel::reload() {
    beginResetModel();
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
    case Qt::FontRole: return nameFont(list_->fontNameAtIndex(row));
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
bool hasSymbolEncoding(const rbx::Font& font) {
    if (font->format() == rbx::FontFormat::Type1) return !font->covers(U'\u00E9');
    RbxCmapList cmaps(font);
    for (int i = 0; i < cmaps.nTables(); ++i)
        if (cmaps.platformIDAtIndex(i) == 3 && cmaps.platformSpecificIDAtIndex(i) == 0) return true;
    return false;
}

// Whether a glyph name stands for the letter or digit c: its standard name ("A", "zero"),
// "uni0041" or "u0041", each perhaps with a suffix (".sc", "_alt").
bool namesCharacter(const QString& glyphName, char32_t c) {
    static const char* const digits[] = {"zero", "one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
    const QString base = glyphName.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('_'), 0, 0);
    const QString code = QStringLiteral("%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    if (base == QLatin1String("uni") + code || base == QLatin1String("u") + code) return true;
    if (c >= U'0' && c <= U'9') return base == QLatin1String(digits[c - U'0']);
    return base == QString(QChar(c));
}

// Names that say nothing of what a glyph shows ("glyph12", "g12", "gid12", "cid12",
// "index12").
bool isNumberedName(const QString& glyphName) {
    static const QRegularExpression numbered(QStringLiteral("^(glyph|g|gid|cid|index)\\d+$"));
    return numbered.match(glyphName).hasMatch();
}

// A font that maps ASCII letters to pictures through a Unicode 'cmap' (a dingbat font
// whose "D" is a pencil) names the glyphs of its letters after the pictures.
bool namesLettersAsPictures(const rbx::Font& font, const QString& text) {
    for (const QChar ch : text) {
        const char32_t c = ch.unicode();
        if (c >= 0x80 || !ch.isLetterOrNumber()) continue;
        const std::uint32_t glyph = font->nominalGlyph(c);
        if (glyph == 0) continue;
        const QString name = font->glyphName(glyph);
        if (!name.isEmpty() && !isNumberedName(name) && !namesCharacter(name, c)) return true;
    }
    return false;
}

} // namespace

bool FontListModel::canSetOwnName(const rbx::Font& font, const QString& name) {
    // Asked of the face's coverage character by character: no set of all its characters is made.
    return font && std::all_of(name.begin(), name.end(), [&](QChar u) { return font->covers(u.unicode()); }) &&
           !hasSymbolEncoding(font) && !namesLettersAsPictures(font, name);
}

bool FontListModel::hasNameFont(int row) const {
    return !list_ || row < 0 || row >= list_->count() || !settings_.boolForKey(rbx::key::fontNameInFont) ||
           fonts_.contains(list_->fontNameAtIndex(row));
}

void FontListModel::loadNameFont(int row) {
    if (hasNameFont(row)) return;
    fonts_.insert(list_->fontNameAtIndex(row), findNameFont(row));
    emit dataChanged(index(row, NameColumn), index(row, NameColumn), {Qt::FontRole});
}

void FontListModel::forgetNameFonts() { fonts_.clear(); }

QFont FontListModel::systemNameFont(const QString& name) const {
    QFont f = QApplication::font();
    if (RbxActivationSet::isActivatedFont(name)) f.setStyle(QFont::StyleOblique);
    return f;
}

QFont FontListModel::nameFont(const QString& name) const {
    if (!settings_.boolForKey(rbx::key::fontNameInFont)) return systemNameFont(name);
    const auto found = fonts_.constFind(name);
    if (found == fonts_.constEnd() || !*found) return systemNameFont(name);
    QFont f;
    f.setFamilies((*found)->families);
    if (!(*found)->styleName.isEmpty()) f.setStyleName((*found)->styleName);
    f.setPixelSize((*found)->pixelSize);
    return f;
}

std::optional<FontListModel::NameFont> FontListModel::findNameFont(int row) const {
    const QString name = list_->fontNameAtIndex(row);
    const rbx::Font font = list_->primaryFontAtIndex(row);
    if (!canSetOwnName(font, name)) return std::nullopt;
    std::optional<double> zoom;
    if (const auto tuning = RbxFontInfo::tuningForFont(font)) {
        const QVariant z = tuning->value(QStringLiteral("zoomName"));
        bool ok = false;
        const double v = z.toDouble(&ok);
        if (z.isValid() && ok) zoom = v;
    }
    const auto size = nameFontSize(font.pointSize(), zoom, rbx::qt::metrics(font).ascender);
    if (!size) return std::nullopt;
    const std::optional<QFont> own = rbx::qt::textFont(font);
    if (!own) return std::nullopt;
    return NameFont{own->families(), own->styleName(), std::max(1, int(std::lround(*size)))};
}
