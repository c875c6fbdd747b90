// runebox-tool ligatures PSNAME: a face's ligatures as "U+Bxxxx<TAB>text<TAB>glyph".
#include "ToolCommand.h"

#include "model/FontExtensions.h"
#include "model/RbxFontInfo.h"

namespace {

int runLigatures(const QStringList& args) {
    if (args.size() != 1) return tool::usage("ligatures");
    const rbx::Font font = rbx::font::availableFontWithName(args.first(), 12);
    if (!font) {
        tool::err() << "no font named " << args.first() << Qt::endl;
        return 1;
    }
    const auto info = RbxFontInfo::fontInfoWithFont(font);
    const QStringList list = info->ligatureStrings().value_or(QStringList());
    for (qsizetype i = 0; i < list.size(); ++i) {
        tool::out() << QStringLiteral("U+%1").arg(0xB0000 + uint(i), 5, 16, QLatin1Char('0')).toUpper() << "\t"
                    << list[i] << "\t" << rbx::font::glyphForString(font, list[i]) << "\n";
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(ligatures, "ligatures PSNAME", runLigatures);
