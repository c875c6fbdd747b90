// A mapped file that another program cuts shorter in place while it is mapped: reads
// past its new end find zeros instead of ending the program, the mapping counts as
// damaged, and a fault outside every guarded mapping, or the signal sent by a program,
// still ends the program as before.
#include "core/MappedFile.h"

#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Pages = 4;

QString makeFile(const QTemporaryDir& dir, const char* name, qsizetype size) {
    const QString path = dir.filePath(QLatin1String(name));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(QByteArray(size, 'x'));
    return path;
}

// What a read of the byte gives, made through a volatile pointer so that it is made.
char readByte(const char* p) { return *static_cast<const volatile char*>(p); }

// The child ended as the handler from before the guards ends it: the default one by the
// signal itself, the address sanitizer's (in sanitizer builds) by aborting after its report.
void expectEndedByTheHandlerFromBefore(int status) {
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
#else
    EXPECT_EQ(WTERMSIG(status), SIGBUS);
#endif
}

} // namespace

TEST(MappedFile, AFileCutShortWhileMappedReadsAsZerosPastItsNewEndAndCountsAsDamaged) {
    QTemporaryDir dir;
    const long page = ::sysconf(_SC_PAGESIZE);
    const QString path = makeFile(dir, "names", Pages * page);
    const auto file = kx::MappedFile::open(path);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->size(), std::size_t(Pages * page));
    EXPECT_EQ(readByte(file->data() + 2 * page), 'x');
    EXPECT_FALSE(file->damaged());
    const std::uint64_t before = kx::MappedBytesGuard::damageCount();

    // Another program rewrites the file in place: it is one page long now.
    ASSERT_TRUE(QFile::resize(path, page));
    EXPECT_EQ(readByte(file->data() + page / 2), 'x');
    EXPECT_EQ(readByte(file->data() + 2 * page + 5), '\0');
    EXPECT_EQ(readByte(file->data() + Pages * page - 1), '\0');
    EXPECT_TRUE(file->damaged());
    EXPECT_EQ(kx::MappedBytesGuard::damageCount(), before + 1);
    // The page before the fault still shows the file.
    EXPECT_EQ(readByte(file->data() + page - 1), 'x');

    // Another mapping stays as it was; mapping the file again gives what it holds now.
    const QString other = makeFile(dir, "other", 2 * page);
    const auto second = kx::MappedFile::open(other);
    ASSERT_TRUE(second);
    EXPECT_FALSE(second->damaged());
    const auto again = kx::MappedFile::open(path);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->size(), std::size_t(page));
    EXPECT_FALSE(again->damaged());
}

TEST(MappedFile, AFaultOutsideTheGuardedMappingsStillEndsTheProgram) {
    QTemporaryDir dir;
    const long page = ::sysconf(_SC_PAGESIZE);
    const QString guarded = makeFile(dir, "guarded", 2 * page);
    const QString plain = makeFile(dir, "plain", 2 * page);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A guarded mapping makes the handler be there; a mapping of our own is not guarded.
        const auto file = kx::MappedFile::open(guarded);
        const int fd = ::open(QFile::encodeName(plain).constData(), O_RDONLY);
        void* p = ::mmap(nullptr, 2 * page, PROT_READ, MAP_PRIVATE, fd, 0);
        if (!file || p == MAP_FAILED || ::ftruncate(::open(QFile::encodeName(plain).constData(), O_WRONLY), 0) != 0)
            ::_exit(2);
        readByte(static_cast<const char*>(p) + page);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    expectEndedByTheHandlerFromBefore(status);
}

TEST(MappedFile, ASignalSentByAProgramStillEndsTheProgramWhileMappingsAreGuarded) {
    QTemporaryDir dir;
    const QString guarded = makeFile(dir, "guarded", 4096);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto file = kx::MappedFile::open(guarded);
        if (!file) ::_exit(2);
        ::kill(::getpid(), SIGBUS);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    expectEndedByTheHandlerFromBefore(status);
}
