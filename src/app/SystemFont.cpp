#include "app/SystemFont.h"

#include "model/FontExtensions.h"
#include "platform/fonts/DesktopFonts.h"
#include "platform/fonts/FontBackend.h"

#include <QApplication>
#include <QFontDatabase>

namespace systemfont {

QString systemFontName() {
    static QString cached;
    static quint64 generation = 0;
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    if (!cached.isEmpty() && generation == backend.generation()) return cached;
    const QList<rbx::FaceInfo> faces = backend.faces();
    const QString family = rbx::installedFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), faces);
    QString found;
    QString any;
    for (const rbx::FaceInfo& face : faces) {
        if (any.isEmpty()) any = face.postScriptName;
        if (face.family != family) continue;
        // The plain face of the family when there is one.
        if (found.isEmpty() || face.style == QLatin1String("Regular") || face.style == QLatin1String("Book"))
            found = face.postScriptName;
        if (face.style == QLatin1String("Regular")) break;
    }
    cached = found.isEmpty() ? any : found;
    generation = backend.generation();
    return cached;
}

void useInstalledFamily() {
    QFont font = QApplication::font();
    const QString family = rbx::installedFamily(font.family(), rbx::FontBackend::shared().faces());
    if (family.isEmpty() || family == font.family()) return;
    font.setFamilies({family});
    QApplication::setFont(font);
}

QString availableFontName(const QString& postScriptName) {
    if (postScriptName.isEmpty()) return QStringLiteral("");
    if (const rbx::Font f = rbx::font::tryFindingFontWithName(postScriptName, 12)) return f.postScriptName();
    return systemFontName();
}

} // namespace systemfont
