// runebox-tool cmap PSNAME: the subtables of a face's 'cmap' table (as the "!cmaps"
// listing gives them), then one
// "U+XXXX GID" line per character of its best Unicode subtable (the full Unicode
// subtable of format 12 when the face has no format 4 one).
#include "ToolCommand.h"

#include "app/RbxListings.h"
#include "model/FontExtensions.h"
#include "model/RbxCmapList.h"

namespace {

QString hex(char32_t c) { return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper(); }

int runCmap(const QStringList& args) {
    if (args.size() != 1) return tool::usage("cmap");
    const rbx::Font font = rbx::font::availableFontWithName(args.first(), 12);
    if (!font) {
        tool::err() << "no font named " << args.first() << Qt::endl;
        return 1;
    }
    QTextStream& out = tool::out();
    RbxCmapList list(font);
    out << rbx::listings::cmapSubtables(font);
    const int best = list.indexOfBestUnicodeCmap();
    if (best >= 0) {
        const auto cmap = list.cmapAtIndex(best);
        if (!cmap) return 1;
        for (std::uint32_t c = 32; c <= 0xFFFF; ++c)
            if (const std::uint32_t g = cmap->glyphForCharacter(c)) out << hex(c) << " " << g << "\n";
        return 0;
    }
    const int full = list.indexOfFullUnicodeCmap();
    if (full < 0) return 0;
    out << "full Unicode subtable: " << full << "\n";
    const auto cmap = list.anyCmapAtIndex(full);
    const auto* cmap12 = dynamic_cast<const RbxCmap12*>(cmap.get());
    if (!cmap12) return 1;
    for (const auto& [c, g] : cmap12->allMappings()) out << hex(c) << " " << g << "\n";
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(cmap, "cmap PSNAME", runCmap);
