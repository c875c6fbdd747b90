#include "table/core/RbxMagnifierContent.h"

#include "model/CharacterText.h"
#include "model/RbxCharacterName.h"
#include "table/core/RbxTools.h"

#include <optional>

RbxMagnifierContent magnifierContent(char32_t c, const kx::CharSet* covered, InsertMode mode,
                                     const QStringList& keyCaps) {
    RbxMagnifierContent m;
    const std::optional<RbxCharacterName> n = RbxCharacterName::rbxCharacterNameForCharacter(c);
    const QString plain = n ? n->plainName() : QString();
    m.name = plain.isEmpty() ? QStringLiteral("--") : plain;

    if (const QString user = RbxCharacterName::userDefinedNameOfCharacter(c); !user.isEmpty()) {
        m.keywordsLabel = QStringLiteral("Custom Name:");
        m.keywordsText = user;
    } else if (const QString keywords = n ? n->keywords() : QString(); !keywords.isEmpty()) {
        m.keywordsLabel = QStringLiteral("Keywords:");
        m.keywordsText = keywords;
    }

    switch (mode) {
    case InsertMode::Swift: m.notationLabel = QStringLiteral("Swift:"); break;
    case InsertMode::Decimal: m.notationLabel = QStringLiteral("Decimal:"); break;
    case InsertMode::Hex: m.notationLabel = QStringLiteral("Hex:"); break;
    default:
        m.notationLabel = QStringLiteral("HTML:");
        mode = InsertMode::HTML;
        break;
    }
    m.notationText = CharacterText::character(c, mode);

    // A character the name list does not know still has its code points.
    const RbxCharacterCodePointInfo p = (n ? *n : RbxCharacterName(c, QString())).codePoint();
    m.codePointText = p.string().isEmpty() ? QStringLiteral("-") : p.string();
    m.codePointLabel = p.parts() == 1 && !p.string().isEmpty() ? QStringLiteral("Code Point:") : QStringLiteral("Code Points:");

    m.keyCaps = keyCaps;
    m.notAvailable = covered && !RbxTools::isLigatureCharacter(c) && !covered->contains(c);
    return m;
}
