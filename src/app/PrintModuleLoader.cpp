// Finding and loading the print module (src/print).

#include "print/PrintModule.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QLibrary>

namespace rbx::print {

PrintFunction printFunction() {
    static const PrintFunction function = [] {
        const QString dir = QCoreApplication::applicationDirPath();
        const QString name = QString::fromLatin1(ModuleName);
        // Beside the executable, installed under lib/, or (for the tools of a build tree)
        // beside runebox in src/.
        for (const QString& path : {dir + u'/' + name, dir + QStringLiteral("/../lib/runebox/") + name,
                                    dir + QStringLiteral("/../src/") + name}) {
            QLibrary module(path);  // stays loaded: a QLibrary does not unload when it goes
            if (auto f = reinterpret_cast<PrintFunction>(module.resolve(EntryPoint))) return f;
        }
        kx::log(QStringLiteral("the print module %1 cannot be loaded").arg(name));
        return PrintFunction(nullptr);
    }();
    return function;
}

} // namespace rbx::print
