#pragma once
// The check and unpacking of a downloaded archive live in a module of their own
// (runebox-archive, with libarchive and OpenSSL's libcrypto), loaded the first time a
// download is finished, so that the palette's start-up neither loads nor binds those
// libraries. The module holds update/archive; these calls go through it.

#include "update/archive/ArchiveUnpacker.h"

#include <QString>
#include <atomic>

namespace update::archivemodule {

inline constexpr char ModuleName[] = "runebox-archive";
inline constexpr char CheckEntryPoint[] = "rbx_archive_check_signature";
inline constexpr char UnpackEntryPoint[] = "rbx_archive_unpack";
// The module's entry points, looked up by their names (ArchiveSignature.h, ArchiveUnpacker.h).
using CheckFunction = QString (*)(const QString& archive, const QString& signatureBase64);
using UnpackFunction = Unpacked (*)(const QString& archive, const QString& into, const std::atomic<bool>* cancel);

// checkArchiveSignature; a reason also when the module cannot be loaded.
QString checkSignature(const QString& archive, const QString& signatureBase64);
// unpackArchive within the budget for the archive's size (unpackBudgetFor); Damaged with a
// reason when the module cannot be loaded. Any thread.
Unpacked unpack(const QString& archive, const QString& into, const std::atomic<bool>* cancel);

} // namespace update::archivemodule
