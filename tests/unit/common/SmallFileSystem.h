#pragma once
// A small file system for tests of a full disk: a tmpfs of a given size mounted on a
// folder (a fresh one, or the one given, made when missing and hidden while mounted) in
// a mount namespace of the test's own (made for the calling thread on
// first use), so that programs the test starts see it and nothing outside the test
// does. Mounting needs the right to make mount namespaces; where the machine does not
// give it, `isMounted` is false and `skipReason` says why.

#include <QString>

namespace rbxtest {

class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& at = {}, qint64 bytes = 256 * 1024);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return mounted_; }
    QString skipReason() const { return reason_; }
    // The mounted folder.
    QString path() const { return path_; }

    // Takes every free byte with a filler file; true when nothing is left.
    bool fill();
    // Removes the filler again.
    void free();
    // Whether a one-byte file can be written now.
    bool hasRoom() const;

private:
    QString path_;
    QString reason_;
    bool mounted_ = false;
    bool made_ = false;
};

} // namespace rbxtest
