#pragma once
// Zip archives for the tests, written by Python's zipfile: files with their modes,
// folders, symbolic links, and runs of zeros (deflated, so that a small archive unpacks
// to much more), whose size the headers may understate.
#include <QByteArray>
#include <QList>
#include <QString>

namespace rbxtest {

struct ZipEntry {
    QString name;
    QByteArray data;             // a file's bytes, or a link's target
    int mode = 0100644;          // 0100755 an executable, 040755 a folder, 0120777 a link
    qint64 zeros = 0;            // instead of the data: this many zero bytes (whole MiB)
    bool understated = false;    // the headers say the entry unpacks to 10 bytes
};

QByteArray zipArchive(const QList<ZipEntry>& entries);

} // namespace rbxtest
