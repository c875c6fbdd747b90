// Clicking characters into LibreOffice Writer with the real runebox program while half
// the processors are kept busy: every character arrives, Writer keeps the keyboard, and
// the user's clipboard (text and a PNG image, copied anew in another program before every
// other click) comes back byte for byte after each click. It takes about two seconds a
// click and needs Writer, which the test set-up does not install: it runs only when
// RUNEBOX_WRITER_CLICKS gives the number of clicks, as tools/check-writer-paste does.
#include "Desktop.h"
#include "ProbeClient.h"
#include "RuneboxCopy.h"
#include "RuneboxPrograms.h"
#include "platform/x11/X11Clipboard.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

using kx::x11::ClipboardData;
using kx::x11::X11Clipboard;
using x11test::Copy;

const QString WriterProgram = QStringLiteral("/usr/lib/libreoffice/program/soffice");

// The characters clicked in turn, each with the search that shows its cell.
struct Clicked {
    char32_t c;
    const char* search;
};
const Clicked characters[] = {
    {U'a', "latin small letter a"}, {U'é', "latin small letter e with acute"}, {U'€', "euro sign"},
    {U'“', "left double quotation mark"}, {U'"', "quotation mark"}, {U'\'', "apostrophe"},
    {U'☃', "snowman"}, {U'😀', "grinning face"}, {U'→', "rightwards arrow"}, {U'ß', "sharp s"},
};

QByteArray pngImage() {
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// Busy loops, one per process, for as long as the object lives.
struct BusyProcessors {
    explicit BusyProcessors(int count) {
        for (int i = 0; i < count; ++i) {
            auto p = std::make_unique<QProcess>();
            p->start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            loops.push_back(std::move(p));
        }
    }
    ~BusyProcessors() { stop(); }
    void stop() {
        for (auto& p : loops) {
            p->kill();
            p->waitForFinished();
        }
        loops.clear();
    }
    std::vector<std::unique_ptr<QProcess>> loops;
};

// Writer on an empty document, with a profile of its own that skips the first-start
// dialogs.
struct Writer {
    Writer() {
        QDir(profile.path()).mkpath(QStringLiteral("user"));
        QFile f(profile.filePath(QStringLiteral("user/registrymodifications.xcu")));
        f.open(QIODevice::WriteOnly);
        f.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Office"><prop oor:name="ooSetupInstCompleted" oor:op="fuse"><value>true</value></prop></item>
</oor:items>
)");
        f.close();
        process.start(WriterProgram, {QStringLiteral("--writer"), QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                                      QStringLiteral("-env:UserInstallation=") +
                                          QUrl::fromLocalFile(profile.path()).toString()});
    }
    ~Writer() {
        // The document is dropped: the office process goes with its session's X server,
        // or here when it still runs.
        if (pid) ::kill(pid, SIGKILL);
        process.kill();
        process.waitForFinished();
    }
    // Waits until the document window has the keyboard; the office process is a child of
    // the launcher.
    bool started() {
        return rbxtest::waitFor([this] {
            const int active = x11test::activePid();
            if (active <= 0) return false;
            QFile comm(QStringLiteral("/proc/%1/comm").arg(active));
            if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "soffice.bin") return false;
            pid = active;
            return hasKeyboard();
        }, 120000);
    }
    bool hasKeyboard() const { return pid > 0 && processHasKeyboardFocus(pid); }

    QTemporaryDir profile;
    QProcess process;
    int pid = 0;
};

// The user's clipboard, text and an image, copied in the probe.
struct UserClipboard {
    UserClipboard() { copy(); }
    // The user copies text and an image in another program.
    void copy() { probe.setClipboard({{QStringLiteral("text/plain"), text}, {QStringLiteral("image/png"), png}}); }
    // What a reader finds on the clipboard now is this, byte for byte.
    bool isBack(X11Clipboard& reader) const {
        const auto types = reader.availableTypes(2000);
        if (!types || !types->contains(QStringLiteral("image/png"))) return false;
        const auto image = reader.dataForType(QStringLiteral("image/png"), 2000);
        const auto utf8 = reader.dataForType(QStringLiteral("UTF8_STRING"), 2000);
        return image && image->bytes == png && utf8 && utf8->bytes == text;
    }
    ProbeClient probe{{QStringLiteral("--no-clipboard-utility")}};
    QByteArray text = QByteArrayLiteral("the user's text");
    QByteArray png = pngImage();
};

// Shows the character's cell, searching for it when it is not in view.
bool showCell(const Clicked& k) {
    if (!Copy::cellOf(k.c).isEmpty()) return true;
    return x11test::search(QString::fromUtf8(k.search)) &&
           rbxtest::waitFor([&k] { return !Copy::cellOf(k.c).isEmpty(); }, 15000);
}

// What Writer's document holds, copied by Writer to the clipboard.
QString documentText(X11Clipboard& reader) {
    x11test::key(QStringLiteral("ctrl+a"));
    x11test::key(QStringLiteral("ctrl+c"));
    QString text;
    rbxtest::waitFor([&] {
        const auto d = reader.dataForType(QStringLiteral("UTF8_STRING"), 2000);
        if (!d || d->bytes == QByteArrayLiteral("the user's text")) return false;
        text = QString::fromUtf8(d->bytes).trimmed();
        return true;
    }, 15000);
    return text;
}

TEST(WriterPaste, MixedCharactersArriveWithHalfTheProcessorsBusyAndTheClipboardComesBackEachTime) {
    const int clicks = qEnvironmentVariableIntValue("RUNEBOX_WRITER_CLICKS");
    if (clicks <= 0) GTEST_SKIP() << "run by tools/check-writer-paste";
    ASSERT_TRUE(QFileInfo(WriterProgram).isExecutable()) << "LibreOffice Writer is not installed";
    ASSERT_EQ(x11test::run(x11test::Tool, {QStringLiteral("defaults"), QStringLiteral("write"),
                                           QStringLiteral("org.runebox.Runebox"), QStringLiteral("logClipboard"),
                                           QStringLiteral("YES")}),
              0);
    UserClipboard user;
    ASSERT_TRUE(user.probe.started());
    X11Clipboard reader;
    ASSERT_TRUE(rbxtest::waitFor([&] { return user.isBack(reader); }, 10000));
    Writer writer;
    ASSERT_TRUE(writer.started()) << "Writer never had the keyboard";

    x11test::pointTo(QPoint(1100, 80));
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted, 30000)) << copy.output().toStdString();
    ASSERT_TRUE(Copy::waitForState([](const QVariantMap& s) {
        return s.value(QStringLiteral("front")).toString().contains(QStringLiteral("soffice"));
    })) << Copy::state().value(QStringLiteral("front")).toString().toStdString();
    BusyProcessors busy(std::max(1, QThread::idealThreadCount() / 2));

    QString expected;
    qint64 slowest = 0, total = 0;
    for (int i = 0; i < clicks; ++i) {
        const Clicked& k = characters[i % std::size(characters)];
        ASSERT_TRUE(showCell(k)) << "no cell for " << QString::fromUcs4(&k.c, 1).toStdString() << copy.output().toStdString();
        // Every other click follows a copy in another program; the others find the
        // clipboard that runebox put back.
        if (i % 2) {
            const int owners = reader.changeCount();
            user.copy();
            ASSERT_TRUE(rbxtest::waitFor([&] { return reader.changeCount() > owners && user.isBack(reader); }, 10000));
        }
        ASSERT_TRUE(Copy::pointAtCharacter(k.c));
        const int before = reader.changeCount();
        QElapsedTimer t;
        t.start();
        x11test::click();
        expected += QString::fromUcs4(&k.c, 1);
        // Published, pasted, and the user's clipboard back: two changes of its owner.
        ASSERT_TRUE(rbxtest::waitFor([&] { return reader.changeCount() >= before + 2 && user.isBack(reader); }, 20000))
            << "click " << i << ": the clipboard did not come back\n" << copy.output().toStdString();
        slowest = std::max(slowest, t.elapsed());
        total += t.elapsed();
        // The palette gives the keyboard back to Writer once the mouse leaves it.
        x11test::pointTo(QPoint(1100, 80));
        ASSERT_TRUE(rbxtest::waitFor([&] { return writer.hasKeyboard(); }, 10000)) << "click " << i;
    }
    busy.stop();
    std::printf("%d clicks: the clipboard came back after %lld ms on average, %lld ms at most; %lld pasted again\n",
                clicks, total / std::max(1, clicks), slowest,
                qlonglong(copy.output().count(QStringLiteral("a type of the clipboard before ours"))));

    const QString received = documentText(reader);
    // Characters lost: what is missing when the received text is matched against the
    // clicks in order.
    int lost = 0;
    qsizetype at = 0;
    const QList<uint> want = expected.toUcs4(), got = received.toUcs4();
    for (uint c : want) {
        if (at < got.size() && got[at] == c) ++at;
        else ++lost;
    }
    EXPECT_EQ(lost, 0) << "received \"" << received.toStdString() << "\"\nexpected \"" << expected.toStdString() << "\"\n"
                       << copy.output().toStdString();
}

} // namespace
