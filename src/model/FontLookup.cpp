// Font look-up by name.
#include "model/FontExtensions.h"

#include "core/Log.h"
#include "platform/fonts/FontBackend.h"

#include <exception>

namespace rbx::font {

namespace {
struct AvailableSet {
    QSet<QString> names;
    quint64 generation = 0;
    bool made = false;
};
AvailableSet& available() {
    static AvailableSet s;
    return s;
}
} // namespace

const QSet<QString>& availableFontSet() {
    AvailableSet& s = available();
    FontBackend& backend = FontBackend::shared();
    if (!s.made || s.generation != backend.generation()) {
        s.names.clear();
        for (const FaceInfo& f : backend.faces()) s.names.insert(f.postScriptName);
        s.generation = backend.generation();
        s.made = true;
    }
    return s.names;
}

Font availableFontWithName(const QString& name, double size) {
    if (name.isEmpty()) return Font();
    FontBackend& backend = FontBackend::shared();
    // A face's own name needs no list of every face.
    if (backend.faceInfo(name)) return backend.font(name, size);
    const QSet<QString>& names = availableFontSet();
    if (name.contains(QLatin1Char('-'))) return Font();
    // A family-like name: the platform's face for it is the plain style of the family
    // when there is one, else the first such face by name.
    const QString prefix = name + QLatin1Char('-');
    QStringList candidates;
    for (const QString& n : names)
        if (n.startsWith(prefix)) candidates << n;
    if (candidates.isEmpty()) return Font();
    static const char* const plain[] = {"Regular", "Roman", "Book", "Normal", "Medium"};
    for (const char* style : plain) {
        const QString n = prefix + QLatin1String(style);
        if (candidates.contains(n)) return backend.font(n, size);
    }
    candidates.sort();
    return backend.font(candidates.first(), size);
}

Font tryFindingFontWithName(const QString& name, double size) {
    const double s = size > 0 ? size : Font::DefaultSize;
    try {
        return availableFontWithName(name, s);
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("*** error in availableFontWithName:%1 size:%2 -- %3")
                    .arg(name, QString::number(s, 'f', 0), QString::fromUtf8(e.what())));
        return Font();
    }
}

QString postScriptName(const Font& font) {
    const QString n = font.postScriptName();
    return n.isNull() ? QStringLiteral("") : n;
}

Font fontWithPointSize(const Font& font, double size) { return font.withPointSize(size); }

Font fontWithContextualAlternates(const Font& font, bool) { return font; }

} // namespace rbx::font
