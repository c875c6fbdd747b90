// runebox-tool groups PSNAME [--layout NAME]: the groups a layout makes for a font, each
// as its title and count on one line and its characters on the next ("Unicode Blocks"
// when no layout is named).
#include "ToolCommand.h"
#include "ToolModel.h"

#include "model/FontExtensions.h"
#include "model/RbxFontInfoRepertoire.h"

#include "model/RbxCharGroup.h"
#include "model/RbxLayout.h"
#include "model/VirtualCharacters.h"
#include "model/RbxRecentLayout.h"

namespace {

int runGroups(const QStringList& args) {
    QString fontName;
    QString layoutName = RbxLayout::unicodeBlocksName();
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--layout") && i + 1 < args.size())
            layoutName = args[++i];
        else if (fontName.isNull())
            fontName = args[i];
        else
            return tool::usage("groups");
    }
    if (fontName.isEmpty()) return tool::usage("groups");

    auto font = RbxFontInfoRepertoire::repertoireOfFont(rbx::font::availableFontWithName(fontName, 12));
    if (!font->hasFont()) {
        tool::err() << "no font named " << fontName << Qt::endl;
        return 1;
    }
    const tool::FontSelection selection(font.get());
    std::shared_ptr<RbxLayout> layout = layoutName == RbxRecentLayout::recentLayout()->name()
                                            ? RbxRecentLayout::recentLayout()
                                            : RbxLayout::layoutNamed(layoutName);
    if (!layout) {
        tool::err() << "no layout named " << layoutName << Qt::endl;
        return 1;
    }
    QTextStream& out = tool::out();
    for (const auto& group : layout->groupsForFontInfo(font.get())) {
        if (group->hasMessage()) {
            out << group->formattedMessage(font->fontDisplayName()) << "\n";
            continue;
        }
        out << (group->name().isEmpty() ? QStringLiteral("???") : group->name()) << " ("
            << group->characters().size() << ")\n";
        QString text;
        for (char32_t c : group->characters()) text += kx::str::stringWithUTF32Character(c);
        out << text << "\n";
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(groups, "groups PSNAME [--layout NAME]", runGroups);
