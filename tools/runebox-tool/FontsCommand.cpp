// runebox-tool fonts [FILTER]: the font list's families, each with its members (style
// and PostScript name), the regular face marked with "*".
#include "ToolCommand.h"

#include "model/RbxFontList.h"

namespace {

int runFonts(const QStringList& args) {
    RbxFontList& list = RbxFontList::fontList();
    list.filterFamiliesMatchingName(args.join(u' '));
    QTextStream& out = tool::out();
    for (int i = 0; i < list.count(); ++i) {
        const RbxFontList::FamilyPtr family = list.fontFamilyAtIndex(i);
        QStringList members;
        const int regular = family->regularFaceIndex();
        for (qsizetype m = 0; m < family->members().size(); ++m)
            members.append(QStringLiteral("%1%2 (%3)")
                               .arg(m == regular ? QStringLiteral("*") : QString(), family->typefaces().at(m),
                                    family->members().at(m).postScriptName()));
        out << family->name() << '\t' << members.join(QStringLiteral(", ")) << '\n';
    }
    out << list.count() << " families, " << list.totalFontCount() << " fonts" << Qt::endl;
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(fonts, "fonts [FILTER WORDS...]", runFonts);
