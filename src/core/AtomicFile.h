#pragma once
// Replacing a file whole or not at all: the one way the program writes its files
// (settings, per-application settings, layouts, names, caches, pages).
//
// The new contents go to a temporary file beside the old one. Every write is checked,
// and so are the final flush, the sync to disk and the close; only when all of them
// succeeded is the temporary file renamed over the old one (and the folder synced).
// A failure at any step removes the temporary file and leaves the old file exactly as
// it was; the writer's error then says what went wrong ("No space left on device").
// A file that is replaced keeps its permissions; a new one gets 0666 less the umask.

#include <QByteArray>
#include <QString>

namespace kx {

class AtomicFile {
public:
    explicit AtomicFile(const QString& path);
    ~AtomicFile();  // cancels what was not committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Makes the temporary file (the folder must exist). False with an error when that
    // fails.
    bool open();
    // Appends to the temporary file; every byte is written or the writer fails.
    bool write(const char* data, qsizetype size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Syncs and closes the temporary file and puts it in the old file's place. After a
    // failure here or earlier, nothing has changed and the temporary file is gone.
    bool commit();
    // Drops the temporary file; the old file stays.
    void cancel();

    QString path() const { return path_; }
    // The temporary file while open (empty otherwise).
    QString temporaryPath() const { return temporary_; }
    // "cannot write <path>: <reason>" after a failure; empty before one.
    QString errorString() const { return error_; }

    // Removes the temporary files that writers of `path` left beside it when they were
    // ended before they could finish; answers how many. Only for a caller that knows no
    // writer is at work (one holding the file's lock).
    static int removeLeftTemporaryFiles(const QString& path);

private:
    bool fail(const QString& step, int error);

    const QString path_;
    QString temporary_;
    QString error_;
    int fd_ = -1;
    bool failed_ = false;
};

// The whole sequence for one block of bytes. On failure `error` (when given) receives
// the writer's error and the old file is untouched.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);
// A copy of the file `from` put in place at `to` the same way.
bool copyFileAtomically(const QString& from, const QString& to, QString* error = nullptr);

} // namespace kx
