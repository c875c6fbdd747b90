// runebox-tool report gsub|morx PSNAME: how a face's ligature tables are built.
#include "ToolCommand.h"

#include "model/FontExtensions.h"
#include "model/FontTableReports.h"

#include <exception>

namespace {

int runReport(const QStringList& args) {
    if (args.size() != 2) return tool::usage("report");
    const QString kind = args[0].toLower();
    if (kind != QLatin1String("gsub") && kind != QLatin1String("morx")) return tool::usage("report");
    const rbx::Font font = rbx::font::availableFontWithName(args[1], 12);
    if (!font) {
        tool::err() << "no font named " << args[1] << Qt::endl;
        return 1;
    }
    try {
        const auto lines = kind == QLatin1String("gsub") ? rbx::font::detailsOfGSUB(font) : rbx::font::detailsOfmorx(font);
        if (!lines) {
            tool::err() << "no report: the face has no such table, no glyph map, or a format the report cannot read"
                        << Qt::endl;
            return 1;
        }
        for (const QString& l : *lines) tool::out() << l << "\n";
        return 0;
    } catch (const std::exception& e) {
        tool::err() << "the table is damaged: " << e.what() << Qt::endl;
        return 1;
    }
}

} // namespace

RBX_TOOL_COMMAND(report, "report gsub|morx PSNAME", runReport);
