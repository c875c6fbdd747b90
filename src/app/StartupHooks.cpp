#include "app/StartupHooks.h"

#include "app/ModelBridges.h"
#include "core/ProcessWide.h"
#include "kxlib/KXLoginPrefs.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "model/FontExtensions.h"
#include "platform/fonts/FontBackend.h"

#include <QFontDatabase>

namespace startup {

QString systemFontName() {
    static QString cached;
    static quint64 generation = 0;
    rbx::FontBackend& backend = rbx::FontBackend::shared();
    if (!cached.isEmpty() && generation == backend.generation()) return cached;
    const QString family = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    QString found;
    QString any;
    for (const rbx::FaceInfo& face : backend.faces()) {
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

QString availableFontName(const QString& postScriptName) {
    if (postScriptName.isEmpty()) return QStringLiteral("");
    if (const rbx::Font f = rbx::font::tryFindingFontWithName(postScriptName, 12)) return f.postScriptName();
    return systemFontName();
}

namespace {

// What the settings store asks of the application.
class StoreServices : public RbxFontAvailability, public RbxMenuTheme {
public:
    QString availableFontName(const QString& postScriptName) override { return startup::availableFontName(postScriptName); }
    bool isDarkMenuTheme() override { return KXAppearance::shared().isDark(); }
};

} // namespace

void installHooks() {
    bridges::install();
    // The store of the running program, opened with the application's services; a store
    // put in place before this controller was made is kept.
    if (!kx::ProcessWide<RbxDefaults>::current()) {
        static StoreServices services;
        static KXAutostartLoginItem loginItem;
        kx::ProcessWide<RbxDefaults>::install(RbxDefaults::open(QString(), QString(), {&services, &services, &loginItem}));
    }
}

} // namespace startup
