// runebox-tool repertoire PSNAME [--view N]: a face's repertoire as the character
// table shows it, virtual characters included.
#include "ToolCommand.h"

#include "app/ModelBridges.h"
#include "kxlib/KXDefaults.h"
#include "model/FontExtensions.h"
#include "model/RbxFontInfo.h"
#include "model/RbxModelSettings.h"
#include "core/ProcessWide.h"

namespace {

int runRepertoire(const QStringList& args) {
    QString name;
    int view = 1;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--view")) {
            bool ok = false;
            view = i + 1 < args.size() ? args[++i].toInt(&ok) : 0;
            if (!ok) return tool::usage("repertoire");
        } else if (name.isEmpty() && !args[i].startsWith(QLatin1String("--"))) {
            name = args[i];
        } else {
            return tool::usage("repertoire");
        }
    }
    if (name.isEmpty()) return tool::usage("repertoire");
    // Views 2 and 3 take their characters from the font list, as in the palette.
    bridges::install();
    // The view given here; every other setting as the user has it.
    kx::ProcessWide<RbxModelSettings>::install(std::make_unique<RbxModelSettings>(QVariantMap{{QStringLiteral("view"), view}}));
    const rbx::Font font = rbx::font::availableFontWithName(name, 12);
    if (!font) {
        tool::err() << "no font named " << name << Qt::endl;
        return 1;
    }
    const auto info = RbxFontInfo::fontInfoWithFont(font);
    QTextStream& out = tool::out();
    out << "count: " << info->availableCharacterCount() << "\n";
    out << "last: " << QStringLiteral("U+%1").arg(uint(info->lastAvailableCharacter()), 4, 16, QLatin1Char('0')).toUpper()
        << "\n";
    info->availableCharacters().forEach([&](char32_t c) {
        if (c >= 0x20) out << QStringLiteral("U+%1\n").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    });
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(repertoire, "repertoire PSNAME [--view N]", runRepertoire);
