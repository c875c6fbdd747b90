// Reading the groups of a layout file.

#include "core/Log.h"
#include "model/RbxCharacterList.h"
#include "model/RbxGroupDescription.h"
#include "model/RbxLayout.h"
#include "model/RbxEmoji.h"
#include "model/RbxNameFilter.h"

namespace {

bool isBlank(QChar c) { return c.unicode() <= 0x20; }


QString cutComment(const QString& line) {
    const qsizetype i = line.indexOf(QLatin1String("//"));
    return rbx::trimmedOfBlanks(i < 0 ? line : line.left(i));
}

bool isEmptyLine(const QString& line) {
    for (QChar c : line)
        if (!isBlank(c)) return false;
    return true;
}

bool startsAComment(const QString& line) {
    qsizetype i = 0;
    while (i < line.size() && isBlank(line.at(i))) ++i;
    return line.mid(i, 2) == QLatin1String("//");
}

bool containsBlankOrNumberSign(const QString& s) {
    for (QChar c : s)
        if (isBlank(c) || c == u'#' || c == u'$') return true;
    return false;
}

// The closing bracket of a bracket at `open`: on the same line and not directly after it.
qsizetype closingBracket(const QString& line, qsizetype open) {
    const qsizetype close = line.indexOf(u']', open + 1);
    return close > open + 1 ? close : -1;
}

} // namespace

std::shared_ptr<RbxGroupDescription> RbxGroupDescription::descriptionFromLines(const QStringList& lines,
                                                                               qsizetype& position) {
    if (position < 0) position = 0;
    while (position < lines.size()) {
        const QString name = cutComment(lines.at(position++));
        if (name.isEmpty()) continue;
        auto d = std::make_shared<RbxGroupDescription>(name);
        d->getDescriptionFromLines(lines, position);
        return d;
    }
    return nullptr;
}

void RbxGroupDescription::getDescriptionFromLines(const QStringList& lines, qsizetype& position) {
    while (position < lines.size()) {
        const QString& raw = lines.at(position);
        if (isEmptyLine(raw)) break;
        ++position;
        if (startsAComment(raw)) continue;
        const QString line = RbxEmoji::stringByReplacingSequencesWithVirtualCharacters(cutComment(raw));
        addItemsFromLine(line);
    }
}

void RbxGroupDescription::addItemsFromLine(const QString& line) {
    rbx::CharacterListScanner scan(line);
    std::optional<char32_t> pending;  // the last single item, which may start a range
    const auto flush = [&] {
        if (pending) addRangeFrom(static_cast<std::int32_t>(*pending), static_cast<std::int32_t>(*pending));
        pending.reset();
    };
    const auto addDash = [&] { addRangeFrom(u'-', u'-'); };
    while (scan.skipBlanks()) {
        const qsizetype p = scan.position();
        const QChar u = line.at(p);
        if (u == u'[') {
            const qsizetype close = closingBracket(line, p);
            if (close > 0) {
                flush();
                readBracket(line.mid(p + 1, close - p - 1));
                scan.setPosition(close + 1);
                continue;
            }
        }
        if (pending && u == u'-') {
            scan.setPosition(p + 1);
            if (!scan.skipBlanks()) {  // a "-" at the end of the line is itself
                flush();
                addDash();
                break;
            }
            const qsizetype q = scan.position();
            if (line.at(q) == u'[' && closingBracket(line, q) > 0) {
                flush();
                addDash();
                continue;
            }
            const auto to = scan.readItem();
            if (!to) {
                flush();
                continue;
            }
            const char32_t a = std::min(*pending, *to), b = std::max(*pending, *to);
            addRangeFrom(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b));
            pending.reset();
            continue;
        }
        flush();
        pending = scan.readItem();
    }
    flush();
}

void RbxGroupDescription::readBracket(const QString& content) {
    if (content.startsWith(QLatin1String("BLOCK-OTHER")) || content.startsWith(QLatin1String("OTHER"))) {
        otherDescription_ = content;
        return;
    }
    if (content.startsWith(QLatin1String("BLOCK"))) {
        const auto block = RbxLayout::unicodeGroupDescriptionWithName(rbx::trimmedOfBlanks(content.mid(5)));
        if (block) {
            kx::log(QStringLiteral("group %1 = %2").arg(block->className(), block->description()));
            addRangesFromGroup(*block);
        }
        return;
    }
    if (content.startsWith(QLatin1String("FIND"))) {
        kx::CharSet found = RbxNameFilter::charactersMatchingFilter(rbx::trimmedOfBlanks(content.mid(4)));
        kx::CharSet limit = kx::CharSet::fromRange(0x20, 0xAFFFF);
        limit.addCharactersFrom(0xC0000, 0x100000);
        found.formIntersection(limit);
        addCharacterSet(found);
        return;
    }
    const QString text = containsBlankOrNumberSign(content) ? rbx::stringFromCharacterList(content) : content;
    if (text.isEmpty()) return;
    if (const std::int32_t v = scanLigature(text)) addRangeFrom(v, v);
}
