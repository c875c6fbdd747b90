// runebox-tool html U+XXXX...: the HTML form of each character in the current settings.
#include "ToolCommand.h"

#include "model/CharacterText.h"

namespace {

int runHtml(const QStringList& args) {
    if (args.isEmpty()) return tool::usage("html");
    for (QString arg : args) {
        if (arg.startsWith(QLatin1String("U+"), Qt::CaseInsensitive)) arg = arg.mid(2);
        bool ok = false;
        const uint c = arg.toUInt(&ok, 16);
        if (!ok || c > 0x10FFFF) {
            tool::err() << "not a code point: " << arg << Qt::endl;
            return 2;
        }
        tool::out() << CharacterText::htmlStringForCharacter(c) << '\n';
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(html, "html U+XXXX...", runHtml);
