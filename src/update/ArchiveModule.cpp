#include "update/ArchiveModule.h"

#include "kxlib/KXModules.h"

namespace update::archivemodule {

namespace {
const QString NoModule = QStringLiteral("the archive module cannot be loaded");
} // namespace

QString checkSignature(const QString& archive, const QString& signatureBase64) {
    const auto check = reinterpret_cast<CheckFunction>(kx::moduleFunction(ModuleName, CheckEntryPoint));
    return check ? check(archive, signatureBase64) : NoModule;
}

Unpacked unpack(const QString& archive, const QString& into, const std::atomic<bool>* cancel) {
    const auto unpackIt = reinterpret_cast<UnpackFunction>(kx::moduleFunction(ModuleName, UnpackEntryPoint));
    if (!unpackIt) return Unpacked{Unpacked::Damaged, NoModule};
    return unpackIt(archive, into, cancel);
}

} // namespace update::archivemodule
