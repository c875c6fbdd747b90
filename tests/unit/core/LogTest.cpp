// The log: the exact bytes on standard error, the capture, and each layer's category.
#include "core/IndexSet.h"
#include "core/Log.h"
#include "core/LogOutput.h"

#include <QLoggingCategory>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

// Runs `body` with standard error going to a file and answers what was written.
template <typename F>
QByteArray standardErrorOf(F body) {
    QTemporaryFile file;
    EXPECT_TRUE(file.open());
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    body();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return file.readAll();
}

// Filter rules for the time of a test; the defaults come back afterwards.
struct LogRules {
    explicit LogRules(const QString& rules) { QLoggingCategory::setFilterRules(rules); }
    ~LogRules() { QLoggingCategory::setFilterRules(QString()); }
};

kx::IndexSet beyondTheLastIndex() { return kx::IndexSet{1, std::size_t{1} << 31}; }

TEST(Log, LinesGoToStandardErrorByteForByteAndToEveryCapture) {
    QByteArray written;
    {
        kx::LogCapture outer(false), inner(false);
        written = standardErrorOf([] { kx::log(QStringLiteral("naïve line %1").arg(7)); });
        EXPECT_EQ(outer.lines(), QStringList{QStringLiteral("naïve line 7")});
        EXPECT_EQ(inner.lines(), outer.lines());
    }
    EXPECT_EQ(written, QByteArray("runebox: na\xC3\xAFve line 7\n"));

    // A quiet capture keeps the line to itself; once it has gone, lines are written again.
    {
        kx::LogCapture quiet;
        EXPECT_TRUE(standardErrorOf([] { kx::log(QStringLiteral("kept")); }).isEmpty());
        EXPECT_TRUE(quiet.contains(QStringLiteral("kep")));
        quiet.clear();
        EXPECT_TRUE(quiet.lines().isEmpty());
    }
    EXPECT_EQ(standardErrorOf([] { kx::log(QStringLiteral("again")); }), QByteArray("runebox: again\n"));
}

// Standard error gets the lines only when asked for (RUNEBOX_LOG=1, which the tests set, or
// runebox --verbose); else they go to the journal, and captures get them all the same. Qt's
// own messages go the same way once the program's handler is in.
TEST(Log, StandardErrorGetsTheLinesOnlyWhenAskedFor) {
    ASSERT_TRUE(kx::logsToStandardError());
    kx::installLogMessageHandler();
    kx::setLogToStandardError(false);
    kx::LogCapture capture(false);
    const QByteArray quiet = standardErrorOf([] {
        kx::log(QStringLiteral("to the journal"));
        qWarning("a warning of Qt's");
    });
    kx::setLogToStandardError(true);
    const QByteArray verbose = standardErrorOf([] { qWarning("a warning of Qt's"); });
    qInstallMessageHandler(nullptr);
    EXPECT_TRUE(quiet.isEmpty()) << quiet.toStdString();
    EXPECT_EQ(capture.lines(), QStringList{QStringLiteral("to the journal")});
    EXPECT_EQ(verbose, QByteArray("runebox: a warning of Qt's\n"));
}

TEST(Log, EachLayerLogsInItsOwnCategory) {
    EXPECT_STREQ(kx::logCategory(kx::LogLayer::Core).categoryName(), "runebox.core");
    EXPECT_STREQ(kx::logCategory(kx::LogLayer::Insertion).categoryName(), "runebox.insertion");
    EXPECT_STREQ(kx::layerCategory().categoryName(), "runebox");  // a test is no layer

    kx::LogCapture log;
    {
        // The ground layer's lines are switched off, the others stay.
        LogRules rules(QStringLiteral("runebox.core.info=false"));
        beyondTheLastIndex().compactStringRepresentation();
        kx::log(QStringLiteral("from the test"));
        EXPECT_EQ(log.lines(), QStringList{QStringLiteral("from the test")});
    }
    log.clear();
    {
        LogRules rules(QStringLiteral("runebox.info=false"));
        beyondTheLastIndex().compactStringRepresentation();
        kx::log(QStringLiteral("from the test"));
        ASSERT_EQ(log.lines().size(), 1);
        EXPECT_TRUE(log.lines().first().startsWith(QStringLiteral("compact index-set text refused")));
    }
}

} // namespace
