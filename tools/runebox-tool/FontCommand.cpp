// runebox-tool font PSNAME: the facts of one installed face.
#include "ToolCommand.h"

#include "model/FontExtensions.h"
#include "platform/fonts/FontBackend.h"

namespace {

int runFont(const QStringList& args) {
    if (args.size() != 1) return tool::usage("font");
    const rbx::Font font = rbx::font::availableFontWithName(args.first(), 12);
    if (!font) {
        tool::err() << "no font named " << args.first() << Qt::endl;
        return 1;
    }
    QTextStream& out = tool::out();
    out << "PostScript name: " << font.postScriptName() << "\n";
    out << "family: " << font.familyName() << "\n";
    out << "display name: " << font.displayName() << "\n";
    out << "file: " << rbx::font::fontPath(font) << "\n";
    out << "face index: " << font->faceIndex() << "\n";
    out << "format: " << rbx::font::fontFormatName(font) << "\n";
    out << "units per em: " << font->unitsPerEm() << "\n";
    out << "glyphs: " << font->glyphCount() << "\n";
    const auto tags = rbx::font::tagsOfAvailableFontTables(font);
    out << "tables: " << (tags ? tags->join(QStringLiteral(", ")) : QStringLiteral("--")) << "\n";
    out << "post format: " << rbx::font::postFormat(font) << "\n";
    out << "colour: " << (rbx::font::isColorFont(font) ? "yes" : "no") << "\n";
    out << "characters: " << rbx::font::glyphInfo(font) << "\n";
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(font, "font PSNAME", runFont);
