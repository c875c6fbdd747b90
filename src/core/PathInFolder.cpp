#include "core/PathInFolder.h"

#include <QDir>
#include <QStringList>

namespace kx {

namespace {

bool hasControlCharacter(const QString& name) {
    for (QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return true;
    return false;
}

bool isWithin(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder.endsWith(u'/') ? folder : folder + u'/');
}

PathInFolder refused(const QString& name, const QString& why) {
    return {QString(), QStringLiteral("the name \"%1\" %2").arg(name.left(100), why)};
}

} // namespace

PathInFolder pathInFolder(const QString& folder, const QString& name) {
    if (name.isEmpty()) return {QString(), QStringLiteral("the name is empty")};
    if (hasControlCharacter(name)) return {QString(), QStringLiteral("the name holds a control character")};
    if (QDir::isAbsolutePath(name) || name.split(u'/').contains(QStringLiteral("..")))
        return refused(name, QStringLiteral("leads outside its folder"));
    const QString base = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(base + u'/' + name);
    if (!isWithin(path, base)) return refused(name, QStringLiteral("leads outside its folder"));
    return {path, QString()};
}

PathInFolder fileInFolder(const QString& folder, const QString& name, int maxLength) {
    if (name.contains(u'/')) return refused(name, QStringLiteral("is not the name of one file"));
    if (name.startsWith(u'.')) return refused(name, QStringLiteral("begins with \".\""));
    if (name.size() > maxLength) return refused(name, QStringLiteral("is longer than %1 characters").arg(maxLength));
    return pathInFolder(folder, name);
}

} // namespace kx
