// Reading the process table: odd process names, zombies, pid reuse, program names.
#include "common/TestEnvironment.h"
#include "kxlib/ProcFs.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace kx::proc;

namespace {

QByteArray statLine(const QByteArray& name, char state = 'S') {
    // pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt
    // utime stime cutime cstime priority nice threads itreal starttime vsize ...
    return "4242 (" + name + ") " + QByteArray(1, state) +
           " 1 4242 4242 0 -1 4194560 100 0 0 0 250 30 0 0 20 0 1 0 987654 12345 678 0 0 0\n";
}

TEST(ProcFs, ParsesNamesWithSpacesAndParentheses) {
    auto s = parseStat(statLine("Web Content"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pid, 4242);
    EXPECT_EQ(s->comm, QStringLiteral("Web Content"));
    EXPECT_EQ(s->state, 'S');
    EXPECT_EQ(s->ppid, 1);
    EXPECT_EQ(s->utime, 250u);
    EXPECT_EQ(s->stime, 30u);
    EXPECT_EQ(s->startTime, 987654u);
    s = parseStat(statLine("a) Z 9 (b"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->comm, QStringLiteral("a) Z 9 (b"));
    EXPECT_EQ(s->state, 'S');
    EXPECT_EQ(s->startTime, 987654u);
}

TEST(ProcFs, RefusesDamagedLines) {
    EXPECT_FALSE(parseStat(QByteArray()));
    EXPECT_FALSE(parseStat("4242 (x) S 1 2 3"));               // too short
    EXPECT_FALSE(parseStat("abc (x) S 1 4242 4242 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 5 1 1"));
    EXPECT_FALSE(parseStat("4242 x S 1 4242 4242 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 5 1 1"));
    EXPECT_FALSE(parseStat("4242 (x) S 1 4242 4242 0 -1 0 0 0 0 0 u 1 0 0 20 0 1 0 5 1 1"));
}

TEST(ProcFs, OwnProcess) {
    const auto s = readStat(int(getpid()));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pid, int(getpid()));
    EXPECT_EQ(s->ppid, int(getppid()));
    EXPECT_TRUE(isRunning(int(getpid())));
    EXPECT_TRUE(isRunning(int(getpid()), s->startTime));
    EXPECT_FALSE(isRunning(int(getpid()), s->startTime + 1));  // a different process with our pid
    EXPECT_TRUE(executablePath(int(getpid())).endsWith(QLatin1String("/test_kxlib")));
    EXPECT_FALSE(commandLine(int(getpid())).isEmpty());
    bool ok = false;
    EXPECT_EQ(ownerUid(int(getpid()), &ok), uint(getuid()));
    EXPECT_TRUE(ok);
    const QDateTime started = startDate(s->startTime);
    EXPECT_LE(started, QDateTime::currentDateTime().addSecs(1));
    EXPECT_GT(started, QDateTime::currentDateTime().addSecs(-3600));
    EXPECT_TRUE(allPids().contains(int(getpid())));
    // A variable given to a child.
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("RBX_PROCFS_PROBE"), QStringLiteral("a=b"));
    child.setProcessEnvironment(env);
    child.start(QStringLiteral("sleep"), {QStringLiteral("30")});
    ASSERT_TRUE(child.waitForStarted());
    // Right after the start the kernel may still be setting the new program up.
    EXPECT_TRUE(rbxtest::waitFor([&] { return environmentValue(int(child.processId()), "RBX_PROCFS_PROBE").has_value(); }));
    EXPECT_EQ(environmentValue(int(child.processId()), "RBX_PROCFS_PROBE"), QByteArray("a=b"));
    EXPECT_FALSE(environmentValue(int(child.processId()), "RBX_PROCFS_ABSENT"));
    child.kill();
    child.waitForFinished();
}

TEST(ProcFs, ZombieIsNotRunning) {
    const pid_t pid = fork();
    if (pid == 0) _exit(0);
    ASSERT_GT(pid, 0);
    // Not reaped yet: a zombie.
    EXPECT_TRUE(rbxtest::waitFor([&] {
        const auto s = readStat(pid);
        return s && s->state == 'Z';
    }));
    EXPECT_FALSE(isRunning(pid));
    waitpid(pid, nullptr, 0);
    EXPECT_FALSE(readStat(pid));
    EXPECT_FALSE(isRunning(-1));
    EXPECT_TRUE(executablePath(0).isEmpty());
}

TEST(ProcFs, ProgramNames) {
    EXPECT_EQ(programName(QStringLiteral("/usr/libexec/gnome-terminal-server"), QStringLiteral("gnome-terminal-")),
              QStringLiteral("gnome-terminal-server"));  // the kernel cuts names at 15 bytes
    EXPECT_EQ(programName(QStringLiteral("/usr/bin/python3.11"), QStringLiteral("meld")), QStringLiteral("meld"));
    EXPECT_EQ(programName(QString(), QStringLiteral("kworker")), QStringLiteral("kworker"));
    EXPECT_EQ(programName(QStringLiteral("/usr/bin/xterm"), QString()), QStringLiteral("xterm"));
}

} // namespace
