#pragma once
// Unpacks the zip archive of a new version with libarchive, within a budget:
//   first every entry's header is read, and the archive is refused with nothing
//   written when an entry's name is absolute, has a ".." part or is deeper than the
//   budget allows, when an entry is neither a file nor a folder (symbolic and hard
//   links, devices), or when the entries or the sizes they declare exceed the budget;
//   then the entries are written below the folder (no link is followed, no file that
//   is there already is replaced), counting the bytes really written, and the
//   unpacking stops as soon as they exceed the budget.
// What was written before a failure stays: the caller removes the folder.

#include <QByteArrayView>
#include <QString>
#include <atomic>

namespace update {

struct UnpackBudget {
    qint64 maxBytes = 0;  // of all files together
    int maxEntries = 0;
    int maxDepth = 0;  // parts of an entry's name
};

inline constexpr qint64 MaxUnpackedBytes = qint64(1) << 30;
inline constexpr int MaxUnpackedSizeFactor = 20;
inline constexpr int MaxArchiveEntries = 10000;
inline constexpr int MaxEntryDepth = 24;
// At most 20 times the archive and 1 GiB, 10000 entries, 24 parts to a name.
UnpackBudget unpackBudgetFor(qint64 archiveBytes);

struct Unpacked {
    enum Outcome { Done, Damaged, Refused, Cancelled };
    Outcome outcome = Done;
    QString reason;  // for the log
};

// Unpacks into the existing folder `into`; `cancel`, when set, stops it between blocks.
Unpacked unpackArchive(const QString& archive, const QString& into, const UnpackBudget& budget,
                       const std::atomic<bool>* cancel = nullptr);
// The same of an archive in memory.
Unpacked unpackArchiveData(QByteArrayView data, const QString& into, const UnpackBudget& budget);

} // namespace update
