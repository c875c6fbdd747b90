#include "kxlib/KXModules.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QLibrary>

namespace kx {

QFunctionPointer moduleFunction(const char* name, const char* entry) {
    const QString module = QString::fromLatin1(name);
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& path : {dir + u'/' + module, dir + QStringLiteral("/../lib/runebox/") + module,
                                QStringLiteral(RUNEBOX_BUILD_MODULES "/") + module}) {
        QLibrary library(path);  // stays loaded: a QLibrary does not unload when it goes
        if (QFunctionPointer f = library.resolve(entry)) return f;
    }
    kx::log(QStringLiteral("the module %1 cannot be loaded").arg(module));
    return nullptr;
}

} // namespace kx
