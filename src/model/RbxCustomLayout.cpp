#include "core/Log.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxCharacterList.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutFileState.h"
#include "model/RbxRecentGroupDescription.h"

#include <QFileInfo>

namespace {


bool isExactlyOther(const RbxGroupDescription& d) {
    return d.otherDescription() && *d.otherDescription() == QLatin1String("OTHER");
}

} // namespace

RbxCustomLayout::RbxCustomLayout(const QString& path)
    : RbxGroupLayout(QFileInfo(path).completeBaseName()), path_(path) {}

const RbxGroupLayout::DescriptionList& RbxCustomLayout::groupList() {
    if (hasGroupList_) return groupList_;
    hasGroupList_ = true;
    groupList_.push_back(RbxFavGroupDescription::sharedFavorites());
    groupList_.push_back(RbxRecentGroupDescription::sharedRecents());
    QString error;
    const auto text = rbx::layouts::readUtf8File(path_, &error);
    if (!text) {
        kx::log(QStringLiteral("could not read layout file %1 (%2)").arg(path_, error));
        return groupList_;
    }
    for (auto& d : descriptionsFromText(*text)) groupList_.push_back(std::move(d));
    return groupList_;
}

RbxGroupLayout::DescriptionList RbxCustomLayout::descriptionsFromText(const QString& fileText) {
    QString text = fileText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    const QStringList lines = text.split(u'\n');

    DescriptionList kept;
    qsizetype position = 0;
    while (auto d = RbxGroupDescription::descriptionFromLines(lines, position)) {
        const QString name = d->name();
        if (name.isEmpty() || name.startsWith(u'-')) continue;
        if (d->ranges().isEmpty() && !d->otherDescription()) continue;
        kept.push_back(std::move(d));
    }

    bool anyDirective = false;
    for (const auto& d : kept) anyDirective = anyDirective || d->otherDescription().has_value();
    if (!anyDirective) return kept;

    // The rest: every code point that no group without a directive lists.
    kx::CharSet rest = kx::CharSet::fromRange(0x20, 0x10FFFF);
    for (const auto& d : kept)
        if (!d->otherDescription()) rest.subtract(d->characterSet());
    for (const auto& d : kept) {
        const auto& directive = d->otherDescription();
        if (!directive || !directive->startsWith(QLatin1String("BLOCK-OTHER"))) continue;
        const auto block = RbxLayout::unicodeGroupDescriptionWithName(rbx::trimmedOfBlanks(directive->mid(11)));
        if (!block) continue;
        const kx::CharSet part = block->characterSet().intersectionWith(rest);
        d->addCharacterSet(part);
        rest.subtract(part);
    }
    for (const auto& d : kept) {
        if (isExactlyOther(*d)) {
            d->addCharacterSet(rest);
            break;
        }
    }

    DescriptionList result;
    for (auto& d : kept) {
        if (d->otherDescription() && d->ranges().isEmpty()) {
            kx::log(QStringLiteral("removing empty other group %1").arg(d->name()));
            continue;
        }
        result.push_back(std::move(d));
    }
    return result;
}
