// Fonts whose layout tables send their readers over the same data again and again
// (made by tests/fonts/make-hostile-fonts.py): loading their characters the palette's
// way is bounded work, stops with a log line, and keeps what was found until then.
#include "core/Log.h"
#include "model/FontReadingBudget.h"
#include "model/FontTableReports.h"
#include "model/LigatureReaders.h"
#include "model/RbxFontInfo.h"
#include "platform/fonts/Font.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString StoppedLine = QStringLiteral("stopped: they ask for more than");

class HostileFonts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir;
        QProcess script;
        script.setProcessChannelMode(QProcess::MergedChannels);
        script.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(RUNEBOX_SOURCE_DIR "/tests/fonts/make-hostile-fonts.py"), folder_->path()});
        made_ = script.waitForFinished(120000) && script.exitCode() == 0;
        if (!made_) output_ = QString::fromUtf8(script.readAll());
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(made_) << "the font script failed: " << output_.toStdString(); }

    static rbx::Font font(const char* file) {
        const auto face = rbx::FontFace::fromFile(QDir(folder_->path()).filePath(QString::fromLatin1(file)), 0);
        return face ? rbx::Font(face, 12) : rbx::Font();
    }

    static inline QTemporaryDir* folder_ = nullptr;
    static inline bool made_ = false;
    static inline QString output_;
};

TEST_F(HostileFonts, TheirCharactersLoadAndTheReadingStopsAtTheBudgetWithALogLine) {
    for (const char* file : {"RbxHostileGsub-Regular.ttf", "RbxHostileMorx-Regular.ttf"}) {
        const rbx::Font f = font(file);
        ASSERT_TRUE(f) << file;
        kx::LogCapture log;
        RbxFontInfo info(f);
        // The letters a to t are there whatever the layout tables ask.
        EXPECT_GE(info.availableCharacterCount(), 20) << file;
        EXPECT_TRUE(info.availableCharacters().contains(U'a')) << file;
        EXPECT_TRUE(info.availableCharacters().contains(U't')) << file;
        EXPECT_TRUE(log.contains(StoppedLine)) << file;
        EXPECT_TRUE(log.contains(f.postScriptName())) << file;
    }
}

TEST_F(HostileFonts, OneBudgetServesTheWholeFontAndNoReaderGoesOnOnceItIsSpent) {
    for (const char* file : {"RbxHostileGsub-Regular.ttf", "RbxHostileMorx-Regular.ttf"}) {
        const rbx::Font f = font(file);
        ASSERT_TRUE(f) << file;
        kx::LogCapture log;
        rbx::font::ReadingBudget budget = rbx::font::readingBudgetForFont(f);
        // Sized by the tables: the hostile ones ask for far more than that.
        EXPECT_LE(budget.units(), std::size_t(4) << 20) << file;
        rbx::font::ligatures(f, &budget);
        EXPECT_LE(budget.used(), budget.units()) << file;
        EXPECT_LE(budget.requestsAfterSpent(), 4u) << file;
        if (QLatin1String(file).contains(QLatin1String("Gsub"))) {
            // What the table gave before the hostile ligatures is kept: the honest a+c.
            rbx::font::ReadingBudget fresh = rbx::font::readingBudgetForFont(f);
            const std::optional<QStringList> gsub = rbx::font::ligaturesFromGSUB(f, &fresh);
            ASSERT_TRUE(gsub.has_value());
            EXPECT_TRUE(gsub->contains(QStringLiteral("ac"))) << gsub->join(u' ').toStdString();
            EXPECT_TRUE(fresh.isSpent());
        }
        // The log says so once per reading, however many readers met the end of the budget.
        EXPECT_EQ(log.lines().join(u'\n').count(StoppedLine), QLatin1String(file).contains(QLatin1String("Gsub")) ? 2 : 1)
            << file;
        // The table's report, which writes every component out, stops too.
        if (QLatin1String(file).contains(QLatin1String("Gsub"))) {
            EXPECT_THROW(rbx::font::detailsOfGSUB(f), rbx::font::TableTooComplex);
        }
    }
}

} // namespace
