// The About sheet, the diagnostics report with its fixed order, the crash reports it
// lists and the technical line of support mail.
#include "PaletteFixture.h"

#include "app/AboutSheet.h"
#include "app/CrashReports.h"
#include "app/DiagnosticsReport.h"
#include "app/PaletteSheets.h"
#include "app/SupportInfo.h"
#include "common/ScopedInstance.h"
#include "insertion/RbxClipboardCopies.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class RecordingClipboard : public RbxTableClipboard {
public:
    void publishString(const QString& s) override { strings << s; }
    QStringList strings;
};

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(DiagnosticsReport, LaunchLineActivatorAndCrashLine) {
    EXPECT_EQ(diagnostics::launchLine(false, QStringLiteral("today"), 86400 + 3600 + 60 + 1, false),
              QStringLiteral("launched: today (for 1d01:01:01) login=0"));
    EXPECT_EQ(diagnostics::launchLine(true, QStringLiteral("d"), 59, true), QStringLiteral("relaunched: d (for 0d00:00:59) login=1"));
    EXPECT_EQ(diagnostics::activatorText(2, true), QStringLiteral("right/hidden"));
    EXPECT_EQ(diagnostics::activatorText(2, false), QStringLiteral("right/always"));
    EXPECT_EQ(diagnostics::activatorText(1, true), QStringLiteral("status"));
    EXPECT_EQ(diagnostics::activatorText(0, true), QStringLiteral("left/hidden"));
    EXPECT_EQ(diagnostics::activatorText(0, false), QStringLiteral("left/always"));
    EXPECT_EQ(diagnostics::activatorText(5, false), QStringLiteral("?"));

    QTemporaryDir dir;
    EXPECT_EQ(crashreports::crashLine(crashreports::reports(dir.filePath(QStringLiteral("missing")))), QStringLiteral("no crashes"));
    // Listed by name, others left out, whatever order the folder gives.
    for (const char* name : {"Runebox_2026-03-01-101010.crash", "other.crash", "Runebox_2025-12-31-235959.crash",
                             "Runebox_2026-01-15-080000.crash"})
        touch(dir.filePath(QString::fromLatin1(name)));
    const QStringList reports = crashreports::reports(dir.path());
    EXPECT_EQ(reports.size(), 3);
    EXPECT_EQ(crashreports::crashLine(reports), QStringLiteral("3 crashes: 2025-12-31-235959 - 2026-03-01-101010"));
    EXPECT_EQ(crashreports::crashLine(reports.mid(1, 1)), QStringLiteral("one crash: 2026-01-15-080000"));
}

TEST(DiagnosticsReport, ThePiecesComeInTheirFixedOrder) {
    diagnostics::Report r;
    r.date = QStringLiteral("DATE");
    r.techLine = QStringLiteral("TECH");
    r.model = QStringLiteral("MODEL");
    r.processor = QStringLiteral("x86_64");
    r.bundlePath = QStringLiteral("/bundle");
    r.launchLine = QStringLiteral("LAUNCH");
    r.crashLine = QStringLiteral("no crashes");
    r.taps = QStringLiteral("TAPS");
    r.font = QStringLiteral("F");
    r.view = QStringLiteral("V");
    r.layout = QStringLiteral("L");
    r.collection = QStringLiteral("C");
    r.insertionMode = QStringLiteral("Plain");
    r.activator = QStringLiteral("status");
    r.charFilter = QStringLiteral("acute");
    r.customNames = QStringLiteral("none\n");
    r.insertions = {QStringLiteral("one"), QStringLiteral("two")};
    r.processes = QStringLiteral("PROCESSES");
    const QStringList lines = diagnostics::text(r).split(u'\n');
    const QStringList expected = {
        "DATE", "TECH", "MODEL // x86_64", "/bundle", "LAUNCH", "no crashes", "", "Taps:", "TAPS", "font: F", "view: V",
        "layout: L", "collection: C", "insertion mode: Plain", "Q icon: status", "char filter: \"acute\"",
        "font filter: \"\"", "", "custom names:", "none", "", "font changes:", "none", "", "recent insertions:", "one",
        "two", "", "window positions:", "none", "", "", "PROCESSES"};
    EXPECT_EQ(lines, expected);
}

TEST(CrashReports, ACrashWritesOneReportInItsOwnFolderAndNothingElsewhere) {
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    const QString folder = crashreports::folder();
    EXPECT_EQ(folder, state.filePath(QStringLiteral("runebox/crashes")));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!crashreports::install()) _exit(3);
        std::raise(SIGSEGV);
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    qunsetenv("XDG_STATE_HOME");
    ASSERT_TRUE(WIFSIGNALED(status)) << status;
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    const QStringList reports = crashreports::reports(folder);
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Runebox_\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.crash$")).match(reports[0]).hasMatch())
        << reports[0].toStdString();
    QFile report(folder + u'/' + reports[0]);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray text = report.readAll();
    EXPECT_TRUE(text.contains("signal 011")) << text.constData();
    EXPECT_TRUE(text.contains("Backtrace:"));
    // Nothing else was written anywhere below the state folder.
    QStringList files;
    for (QDirIterator it(state.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) files << it.next();
    EXPECT_EQ(files, QStringList{folder + u'/' + reports[0]});
}

TEST(CrashReports, AFolderThatIsALinkElsewhereGetsNoReports) {
    QTemporaryDir state, elsewhere;
    QDir().mkpath(state.filePath(QStringLiteral("runebox")));
    ASSERT_TRUE(QFile::link(elsewhere.path(), state.filePath(QStringLiteral("runebox/crashes"))));
    qputenv("XDG_STATE_HOME", state.path().toUtf8());
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(crashreports::install() ? 1 : 0);
    int status = 0;
    waitpid(child, &status, 0);
    qunsetenv("XDG_STATE_HOME");
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the handler was installed on a linked folder";
    EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::Files).isEmpty());
}

TEST(SupportInfo, TheTechnicalLineAndTheMailAddress) {
    support::TechInfo i;
    i.version = QStringLiteral("1.0");
    i.buildNr = 100;
    i.updateInterval = 7;
    i.language = QStringLiteral("EN");
    i.toolkitVersion = support::toolkitVersionNumber(6, 4, 2);
    i.systemVersion = QStringLiteral("12");
    i.dark = true;
    i.processorLetter = QStringLiteral("x");
    i.launchCount = 5;
    i.useCount = 3;
    i.fonts = 300;
    i.families = 120;
    i.favorites = 4;
    i.keyboardType = 40;
    i.knownKeyboardType = 40;
    EXPECT_EQ(support::techInfoLine(i), QStringLiteral("V1.0(100)-xb(EN) A6.0402 S12d-x L5 U3 F300/120 f4 KT40"));
    i.updateInterval = 2;
    i.betaVersions = true;
    i.dark = false;
    i.knownKeyboardType = 0;
    EXPECT_EQ(support::techInfoLine(i), QStringLiteral("V1.0(100)-wB(EN) A6.0402 S12-x L5 U3 F300/120 f4 KT40=0"));
    EXPECT_EQ(support::referenceNumber(3334), 90000);
    EXPECT_EQ(support::referenceNumber(0), 96666);

    // "&" and "#" inside the subject and body stay text.
    const QUrl mail = support::mailURL(QStringLiteral("help@runebox.org"), QStringLiteral("Q&A #1"),
                                       support::mailBody(QStringLiteral("V1 & more")));
    const QString encoded = QString::fromLatin1(mail.toEncoded());
    EXPECT_TRUE(encoded.startsWith(QStringLiteral("mailto:help@runebox.org?subject=Q%26A%20%231&body=%0DV1%20%26%20more%0D%0D")))
        << encoded.toStdString();
    EXPECT_EQ(encoded.count(u'&'), 1);
    EXPECT_FALSE(encoded.contains(u'#'));
}

TEST_F(Palette, TheAboutSheetShowsVersionAndFontsAndCopiesTheReport) {
    c->openSheet(QStringLiteral("about"));
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheetName() == QLatin1String("about"); }, 3000));
    AboutSheet& about = palette->sheets().about();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\S+ \\(\\d+\\)$")).match(about.versionField()->text()).hasMatch())
        << about.versionField()->text().toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+ fonts in \\d+ families; \\d+ unique Unicode characters$"))
                    .match(about.fontCountField()->text())
                    .hasMatch())
        << about.fontCountField()->text().toStdString();

    rbxtest::ScopedInstance<RbxTableClipboard> clipboard(std::make_shared<RecordingClipboard>());
    about.copyDiagnosticsReport();
    EXPECT_FALSE(c->hasSheet());
    const auto& copies = static_cast<RecordingClipboard&>(clipboard.get()).strings;
    ASSERT_EQ(copies.size(), 1);
    const QStringList lines = copies[0].split(u'\n');
    ASSERT_GT(lines.size(), 20);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("V"))) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains(QStringLiteral(" // ")));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("launched: ")));
    EXPECT_EQ(lines[7], QStringLiteral("Taps:"));
    // The taps take as many lines as there are taps; what the palette shows follows.
    qsizetype font = -1;
    for (qsizetype i = 8; i < lines.size() && font < 0; ++i)
        if (lines[i].startsWith(QStringLiteral("font: "))) font = i;
    ASSERT_GT(font, 7) << copies[0].toStdString();
    EXPECT_TRUE(lines[font + 1].startsWith(QStringLiteral("view: ")));
    EXPECT_EQ(lines[font + 6], QStringLiteral("char filter: \"\""));
    EXPECT_TRUE(copies[0].contains(QStringLiteral("\nrecent insertions:\nnone\n")));
}
