#pragma once
// Developer reports of how a font's ligature tables are built: every header, offset,
// count, coverage, class, state and entry on the way, with the candidate ligatures
// (GSUB) or class sequences (morx) that the ligature readers start from. One text line
// per entry. A read outside the table throws kx::OutOfBounds, and a table that asks for
// more work than its size allows (ReadingBudget) throws TableTooComplex: no report is
// made then.

#include "core/ByteReader.h"
#include "platform/fonts/Font.h"

#include <QStringList>
#include <optional>

class KXCharGlyphMap;

namespace rbx::font {

// nullopt without the table or the glyph map, and (GSUB) for a subtable or coverage
// format the walk cannot read.
std::optional<QStringList> detailsOfGSUB(const Font& font);
std::optional<QStringList> detailsOfmorx(const Font& font);

// The same over table bytes and a glyph map.
std::optional<QStringList> detailsOfGSUBTable(const kx::ByteReader& gsub, const KXCharGlyphMap& map);
QStringList detailsOfmorxTable(const kx::ByteReader& morx, const KXCharGlyphMap& map, const QString& fontName);

} // namespace rbx::font
