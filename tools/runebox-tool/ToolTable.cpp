#include "ToolTable.h"

#include "kxlib/core/Bundle.h"
#include "kxlib/core/FoundationValues.h"
#include "kxlib/core/Plist.h"
#include "platform/fonts/FontBackend.h"
#include "platform/fonts/FontFace.h"

#include <QRegularExpression>

namespace tool::table {

namespace {

struct Block {
    QString name;
    std::vector<std::pair<char32_t, char32_t>> ranges;
};

// The block list: the first entry of "Layouts.plist", the layout's name followed by, for
// each block, its name and pairs of first and last code point (a number 0 or something that
// is no number starts the next block).
std::vector<Block> unicodeBlocks() {
    std::vector<Block> blocks;
    const auto r = kx::plist::readFile(kx::Bundle::pathForResource(QStringLiteral("Layouts"), QStringLiteral("plist")));
    if (!r.ok()) return blocks;
    auto number = [](const QVariant& v) {
        bool ok = false;
        const uint n = v.toString().toUInt(&ok, 0);
        return ok ? n : 0u;
    };
    for (const QVariant& entry : r.value.toList()) {
        const QVariantList list = entry.toList();
        if (list.isEmpty() || list.first().toString() != QLatin1String("Unicode Blocks")) continue;
        qsizetype i = 1;
        while (i + 2 < list.size()) {
            Block b{list[i++].toString(), {}};
            while (i + 1 < list.size() && number(list[i]) != 0) {
                const uint first = number(list[i]), last = number(list[i + 1]);
                if (last < first) break;
                if (last <= 0x10FFFF) b.ranges.emplace_back(first, last);
                i += 2;
            }
            if (!b.ranges.empty()) blocks.push_back(std::move(b));
        }
    }
    return blocks;
}

} // namespace

std::optional<std::vector<std::shared_ptr<RbxCharGroup>>> groupsForLayout(const QString& layout,
                                                                           const kx::CharSet& characters) {
    std::vector<std::shared_ptr<RbxCharGroup>> groups;
    auto anchor = std::make_shared<RbxLayoutAnchor>();
    if (layout == QLatin1String("All Characters")) {
        RbxCharGroup::Characters chars;
        characters.forEach([&](char32_t c) {
            if (c >= 0x20) chars.push_back(c);
        });
        auto g = RbxCharGroup::groupWithCharacters(std::move(chars));
        g->setGroupKind(RbxBasicGroupKind);
        g->setShowsHeader(false);
        g->setLayout(anchor, 0);
        groups.push_back(g);
        return groups;
    }
    if (layout != QLatin1String("Unicode Blocks")) return std::nullopt;
    for (const Block& b : unicodeBlocks()) {
        RbxCharGroup::Characters chars;
        for (const auto& [first, last] : b.ranges)
            for (char32_t c = std::max<char32_t>(first, 0x20); c <= last; ++c)
                if (characters.contains(c)) chars.push_back(c);
        if (chars.empty()) continue;
        auto g = RbxCharGroup::groupWithCharacters(std::move(chars));
        g->setName(b.name);
        g->setLayout(anchor, int(groups.size()));
        groups.push_back(g);
    }
    return groups;
}

kx::CharSet definedCharacters() {
    kx::CharSet set;
    const auto r = kx::plist::readFile(
        kx::Bundle::pathForResource(QStringLiteral("UnicodeCharacters"), QStringLiteral("txt")));
    if (!r.ok()) return set;
    const QVariantList list = r.value.toList();
    for (qsizetype i = 0; i + 1 < list.size(); i += 2) {
        const qint64 first = list[i].toLongLong(), last = list[i + 1].toLongLong();
        if (first >= 0 && last <= 0x10FFFF && first <= last) set.addCharactersFrom(char32_t(first), char32_t(last));
    }
    return set;
}

const kx::CharSet* FontSources::colorEmojiCharacters() {
    if (!emoji_) {
        emoji_ = kx::CharSet();
        if (const rbx::Font f = colorEmojiFont(12)) {
            *emoji_ = f->coveredCharacters();
            emoji_->removeCharactersFrom(0, 0x2122);
        }
    }
    return &*emoji_;
}

bool parseSize(const QString& text, int* width, int* height) {
    static const QRegularExpression re(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const auto m = re.match(text);
    if (!m.hasMatch()) return false;
    *width = m.captured(1).toInt();
    *height = m.captured(2).toInt();
    return *width > 0 && *height > 0;
}

} // namespace tool::table
