// The palette's URL commands: reading them, and the window controller's targets.
#include "app/PaletteURLCommands.h"

#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "kxlib/KXURLHandler.h"
#include "kxlib/URLExtensions.h"
#include "core/Log.h"

#include <QFileInfo>
#include <QLineEdit>

namespace paletteurl {

namespace {

// A link may have the shape finder read a drawing, never any other file.
bool isShapeFile(const QString& path) {
    const QFileInfo info(path);
    const QString suffix = QStringLiteral(".rbxshape");
    return info.isAbsolute() && info.isFile() && path.endsWith(suffix, Qt::CaseInsensitive) &&
           info.canonicalFilePath().endsWith(suffix, Qt::CaseInsensitive);
}

} // namespace

std::optional<OpenRequest> parseOpen(const QUrl& url) {
    const QVariantMap p = kx::url::parameterDictionary(url);
    if (!p.contains(QStringLiteral("sheet"))) return std::nullopt;
    const QString sheet = p.value(QStringLiteral("sheet")).toString().toLower();
    OpenRequest r;
    if (sheet.startsWith(QLatin1String("about"))) {
        r.sheet = QStringLiteral("about");
    } else if (sheet.startsWith(QLatin1String("pref"))) {
        r.sheet = QStringLiteral("preferences");
        const QString tab = p.value(QStringLiteral("tab")).toString();
        if (tab.startsWith(QLatin1String("act")))
            r.options.insert(QStringLiteral("tab"), 0);
        else if (tab.startsWith(QLatin1String("view")) || tab.startsWith(QLatin1String("insert")))
            r.options.insert(QStringLiteral("tab"), 1);
        else if (tab.startsWith(QLatin1String("upd")))
            r.options.insert(QStringLiteral("tab"), 2);
    } else if (sheet.startsWith(QLatin1String("contact"))) {
        r.sheet = QStringLiteral("contact");
    } else if (sheet.startsWith(QLatin1String("shape"))) {
        r.sheet = QStringLiteral("shapeFinder");
        if (p.contains(QStringLiteral("file"))) {
            // A path that is no shape file is refused; one named like a shape file (a folder
            // or a file gone) is named in the finder's alert too.
            const QString file = p.value(QStringLiteral("file")).toString();
            if (!isShapeFile(file)) r.refusal = QStringLiteral("\"%1\" is not a shape file").arg(file.left(200));
            if (r.refusal.isEmpty() || file.endsWith(QStringLiteral(".rbxshape"), Qt::CaseInsensitive))
                r.options.insert(QStringLiteral("file"), file);
        }
    } else if (sheet.startsWith(QLatin1String("import"))) {
        r.sheet = QStringLiteral("importFavorites");
    } else if (sheet.startsWith(QLatin1String("export"))) {
        r.sheet = QStringLiteral("exportFavorites");
    }
    return r;
}

SetRequest parseSet(const QUrl& url) {
    const QVariantMap p = kx::url::parameterDictionary(url);
    SetRequest r;
    if (p.contains(QStringLiteral("insert"))) {
        r.hasInsert = true;
        const QString v = p.value(QStringLiteral("insert")).toString();
        if (v == QLatin1String("plain"))
            r.segment = 0;
        else if (v.startsWith(QLatin1String("form")))
            r.segment = 1;
        else if (v.startsWith(QLatin1String("htm")))
            r.segment = 2;
        else
            r.refusal = QStringLiteral("\"%1\" is no insert mode (plain, formatted or html)").arg(v.left(100));
    }
    if (p.contains(QStringLiteral("search"))) r.search = p.value(QStringLiteral("search")).toString();
    return r;
}

} // namespace paletteurl

QVariant RbxCharWindowController::openViaURL(const QUrl& url) {
    const auto request = paletteurl::parseOpen(url);
    if (!request) return {};
    if (!request->refusal.isEmpty()) {
        kx::log(QStringLiteral("open: %1").arg(request->refusal));
        // The user who opened a file that is none is told so in the palette too.
        if (request->options.contains(QStringLiteral("file"))) openSheet(request->sheet, request->options);
        return KXURLHandler::refused(request->refusal);
    }
    openSheet(request->sheet, request->options);
    return {};
}

QVariant RbxCharWindowController::setModeViaURL(const QUrl& url) {
    kx::log(QStringLiteral("setModeViaURL:"));
    const paletteurl::SetRequest request = paletteurl::parseSet(url);
    if (!request.refusal.isEmpty()) {
        kx::log(QStringLiteral("set: %1").arg(request.refusal));
        return KXURLHandler::refused(request.refusal);
    }
    openWindow(this);
    orderFront();
    stopMouseOutsideFading();
    if (request.hasInsert) {
        if (request.segment) selectInsertModeSegment(*request.segment);
        changeInsertMode();
    }
    if (request.search) {
        searchField()->setText(*request.search);
        performSearch();
    }
    return {};
}
