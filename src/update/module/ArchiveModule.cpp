// The archive module's entry points: the signature check and the unpacking of a downloaded
// archive, with libarchive and OpenSSL's libcrypto.

#include "update/ArchiveModule.h"
#include "update/archive/ArchiveSignature.h"

#include <QFileInfo>

extern "C" Q_DECL_EXPORT QString rbx_archive_check_signature(const QString& archive, const QString& signatureBase64) {
    return update::checkArchiveSignature(archive, signatureBase64);
}

extern "C" Q_DECL_EXPORT update::Unpacked rbx_archive_unpack(const QString& archive, const QString& into,
                                                            const std::atomic<bool>* cancel) {
    return update::unpackArchive(archive, into, update::unpackBudgetFor(QFileInfo(archive).size()), cancel);
}

// The entry points have the types their callers look them up as.
static_assert(std::is_same_v<decltype(&rbx_archive_check_signature), update::archivemodule::CheckFunction>);
static_assert(std::is_same_v<decltype(&rbx_archive_unpack), update::archivemodule::UnpackFunction>);
