#include "model/RbxLigatures.h"

#include "core/Types.h"
#include "model/EmojiTables.h"
#include "model/LigatureReaders.h"
#include "model/RbxFontInfo.h"

std::shared_ptr<RbxLigatures> RbxLigatures::ligaturesOfFont(const rbx::Font& font) {
    return std::make_shared<RbxLigatures>(font);
}

RbxLigatures::RbxLigatures(const rbx::Font& font) : font_(font) {
    const auto tuning = RbxFontInfo::tuningForFont(font);
    if (RbxFontInfo::tuningIgnoresLigatures(font, QStringLiteral("all"))) return;
    std::optional<QStringList> list = rbx::font::ligatures(font);
    if (!list || list->isEmpty()) return;
    const QStringList ignore = RbxFontInfo::ligaturesToIgnore(tuning.value_or(QVariantMap()));
    for (qsizetype i = list->size(); i-- > 0;)
        if (ignore.contains(list->at(i))) list->removeAt(i);
    if (list->isEmpty()) return;
    // Only so many values exist for them.
    constexpr qsizetype most = qsizetype(rbx::emoji::LigatureLast - rbx::emoji::LigatureFirst + 1);
    if (list->size() > most) list->resize(most);
    ligatures_ = std::move(list);
}

std::size_t RbxLigatures::indexOfLigatureString(const QString& s) const {
    if (!ligatures_) return kx::NotFound;
    const qsizetype i = ligatures_->indexOf(s);
    return i < 0 ? kx::NotFound : std::size_t(i);
}

std::optional<kx::CharSet> RbxLigatures::characterSet() const {
    if (count() == 0) return std::nullopt;
    return kx::CharSet::fromRange(rbx::emoji::LigatureFirst, rbx::emoji::LigatureFirst + char32_t(count()) - 1);
}

QString RbxLigatures::description() const {
    if (count() == 0) return QStringLiteral("no ligatures");
    return QStringLiteral("%1 ligatures in %2: %3")
        .arg(count()).arg(font_.displayName(), ligatures_->join(QStringLiteral(", ")));
}
