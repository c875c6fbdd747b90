#pragma once
// Keeping the clipboard alive after the program that owned it has ended.
//
// At exit the owner writes what it serves (every type with its data) to a private file
// and starts the keeper program (runebox-clipboard-keeper) on it. The keeper reads and
// removes the file, takes the clipboard with those types and serves them until another
// client takes the clipboard, then ends. The file holds a versioned QDataStream; a file
// that is not one is refused.

#include "platform/x11/ClipboardBackend.h"

#include <QList>
#include <QString>
#include <optional>

namespace kx::x11 {

struct KeptType {
    QString type;
    ClipboardData data;
};

// Writes the types to `path` (kx::AtomicFile); false with `error` when that failed.
bool writeKeptClipboard(const QString& path, const QList<KeptType>& types, QString* error = nullptr);
// The types in the file; nothing when it cannot be read or is not such a file.
std::optional<QList<KeptType>> readKeptClipboard(const QString& path);

// The keeper's work (its main, after the application object is made): reads and removes
// the file, owns the clipboard until another client takes it. The exit status: 0 after
// serving, 1 when the file was unusable or the clipboard could not be taken.
int keepClipboard(const QString& path);

} // namespace kx::x11
