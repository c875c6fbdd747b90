// runebox-tool keystrokes [--layout L] [--variant V] TEXT: the key strokes that type
// each character of TEXT, and the paste key, on a layout (default: the server's).
#include "ToolCommand.h"

#include "insertion/KXKeyboard.h"

namespace {

int runKeystrokes(const QStringList& args) {
    QString layout, variant, text;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--layout" && i + 1 < args.size()) layout = args[++i];
        else if (args[i] == u"--variant" && i + 1 < args.size()) variant = args[++i];
        else if (text.isEmpty()) text = args[i];
        else return tool::usage("keystrokes");
    }
    if (text.isEmpty()) return tool::usage("keystrokes");
    std::unique_ptr<kx::KXKeyboard> own;
    kx::KXKeyboard* kb = nullptr;
    if (!layout.isEmpty()) {
        own = kx::KXKeyboard::fromNames(layout, variant);
        kb = own.get();
    } else {
        kb = kx::KXKeyboard::currentKeyboard();
    }
    if (!kb) {
        tool::err() << "no keyboard (no X display, or an unknown layout)" << Qt::endl;
        return 1;
    }
    QTextStream& out = tool::out();
    out << kb->description() << "\n";
    out << "paste key: " << kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")) << "\n";
    for (char32_t c : text.toUcs4())
        out << QString::fromUcs4(&c, 1) << "  U+" << QString::number(uint(c), 16).toUpper().rightJustified(4, u'0')
            << "  " << kb->keySequenceForCharacter(c) << "\n";
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(keystrokes, "keystrokes [--layout L] [--variant V] TEXT", runKeystrokes);
