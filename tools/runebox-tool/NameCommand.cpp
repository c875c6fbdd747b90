// runebox-tool name U+XXXX...: the full name of each character (user-defined name and
// database name); a range U+XXXX..U+YYYY lists every code point in it.
#include "ToolCommand.h"

#include "model/RbxCharacterName.h"

#include <optional>

namespace {

std::optional<char32_t> parseCodePoint(QString s) {
    if (s.startsWith(QLatin1String("U+"), Qt::CaseInsensitive)) s = s.mid(2);
    bool ok = false;
    const uint v = s.toUInt(&ok, 16);
    if (!ok || v > 0x10FFFF) return std::nullopt;
    return static_cast<char32_t>(v);
}

QString hex(char32_t c) { return QStringLiteral("%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper(); }

int runName(const QStringList& args) {
    if (args.isEmpty()) return tool::usage("name");
    QTextStream& out = tool::out();
    for (const QString& arg : args) {
        const QStringList ends = arg.split(QStringLiteral(".."));
        const std::optional<char32_t> first = parseCodePoint(ends.first());
        const std::optional<char32_t> last = ends.size() == 2 ? parseCodePoint(ends.last()) : first;
        if (ends.size() > 2 || !first || !last || *last < *first) {
            tool::err() << "not a code point or range: " << arg << Qt::endl;
            return 2;
        }
        for (char32_t c = *first; c <= *last; ++c)
            out << "U+" << hex(c) << '\t' << RbxCharacterName::fullNameOfCharacter(c) << '\n';
    }
    return 0;
}

} // namespace

RBX_TOOL_COMMAND(name, "name U+XXXX[..U+YYYY]...", runName);
