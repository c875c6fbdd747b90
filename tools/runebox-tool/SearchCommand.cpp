// runebox-tool search 'TEXT' [--font PSNAME]: the characters the search filter finds for
// a text, one "U+XXXX" per line, ascending. With a font, its ligatures and the private-use
// names of its family take part.
#include "ToolCommand.h"
#include "ToolModel.h"

#include "model/FontExtensions.h"
#include "model/RbxFontInfoRepertoire.h"

#include "model/RbxNameFilter.h"

#include <optional>

namespace {

int runSearch(const QStringList& args) {
    QString text;
    QString fontName;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--font") && i + 1 < args.size())
            fontName = args[++i];
        else if (text.isNull())
            text = args[i];
        else
            return tool::usage("search");
    }
    if (text.isNull()) return tool::usage("search");

    std::shared_ptr<RbxFontInfoRepertoire> font;
    std::optional<tool::FontSelection> selection;
    if (!fontName.isEmpty()) {
        font = RbxFontInfoRepertoire::repertoireOfFont(rbx::font::availableFontWithName(fontName, 12));
        if (!font->hasFont()) {
            tool::err() << "no font named " << fontName << Qt::endl;
            return 1;
        }
        selection.emplace(font.get());
    }
    RbxNameFilter::setFilter(text);
    const auto set = RbxNameFilter::filteredCharacters();
    QTextStream& out = tool::out();
    if (set)
        set->forEach([&](char32_t c) { out << QStringLiteral("U+%1\n").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper(); });
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(search, "search 'TEXT' [--font PSNAME]", runSearch);
