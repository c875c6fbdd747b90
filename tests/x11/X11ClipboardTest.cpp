// The CLIPBOARD owner on a real server, against xclip as the other program.
#include "common/TestEnvironment.h"
#include "core/Log.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11Session.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <gtest/gtest.h>

using kx::x11::ClipboardData;
using kx::x11::X11Clipboard;

namespace {

// Reads the clipboard with xclip while our event loop keeps serving it.
QByteArray xclipRead(const QString& type, int* exitCode = nullptr) {
    QProcess p;
    p.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", type});
    rbxtest::waitFor([&p] { return p.state() == QProcess::NotRunning; }, 15000);
    if (exitCode) *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

// xclip holding the clipboard with one type until it is destroyed.
struct XclipOwner {
    QProcess p;
    XclipOwner(X11Clipboard& clip, const QString& type, const QByteArray& data) {
        const int before = clip.changeCount();
        p.start(QStringLiteral("xclip"), {"-quiet", "-selection", "clipboard", "-t", type, "-i"});
        p.waitForStarted();
        p.write(data);
        p.closeWriteChannel();
        EXPECT_TRUE(rbxtest::waitFor([&] { return clip.changeCount() > before; }, 10000));
    }
    ~XclipOwner() {
        p.kill();
        p.waitForFinished();
    }
};

QByteArray randomBytes(qsizetype n) {
    QByteArray b(n, Qt::Uninitialized);
    auto* g = QRandomGenerator::global();
    for (qsizetype i = 0; i < n; ++i) b[i] = char(g->bounded(256));
    return b;
}

} // namespace

TEST(X11Clipboard, ServesDeclaredTypesAndTargetsToOtherPrograms) {
    X11Clipboard clip;
    ASSERT_TRUE(clip.isAvailable());
    int requests = 0;
    const int count = clip.declareTypes({"UTF8_STRING", "text/html"}, [&requests](const QString& t)
                                        -> std::optional<ClipboardData> {
        ++requests;
        if (t == u"UTF8_STRING") return ClipboardData{QStringLiteral("aé€😀").toUtf8(), {}, 8};
        return std::nullopt;
    });
    EXPECT_EQ(clip.changeCount(), count);
    EXPECT_TRUE(clip.ownsClipboard());
    EXPECT_EQ(QString::fromUtf8(xclipRead(QStringLiteral("UTF8_STRING"))), QStringLiteral("aé€😀"));
    EXPECT_EQ(requests, 1);
    const QByteArray targets = xclipRead(QStringLiteral("TARGETS"));
    EXPECT_TRUE(targets.contains("UTF8_STRING")) << targets.constData();
    EXPECT_TRUE(targets.contains("text/html"));
    EXPECT_TRUE(targets.contains("TIMESTAMP"));
    // A type the provider cannot give is refused, not answered with garbage.
    int rc = 0;
    EXPECT_TRUE(xclipRead(QStringLiteral("text/html"), &rc).isEmpty());
    EXPECT_NE(rc, 0);
    // A type that was not declared never reaches the provider: it is refused, the refusal
    // handler hears of it, and the trace tells each request with its answer.
    QStringList refused;
    clip.setRefusalHandler([&refused](const QString& t) { refused << t; });
    clip.setTracing(true);
    kx::LogCapture capture;
    xclipRead(QStringLiteral("image/png"), &rc);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(requests, 2);
    EXPECT_EQ(refused, QStringList{QStringLiteral("image/png")});
    xclipRead(QStringLiteral("UTF8_STRING"));
    EXPECT_EQ(refused.size(), 1);
    const QString trace = capture.lines().join(u'\n');
    EXPECT_TRUE(trace.contains(QRegularExpression(QStringLiteral("asks image/png at \\+\\d+ ms .*: refused"))))
        << trace.toStdString();
    EXPECT_TRUE(trace.contains(QRegularExpression(QStringLiteral("asks UTF8_STRING at .*: 10 bytes")))) << trace.toStdString();
    clip.setRefusalHandler({});
    // Served without the event loop (as right after a paste key): the reader has its text,
    // and the serving ends once it was given.
    QProcess reader;
    reader.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-o", "-t", "UTF8_STRING"});
    ASSERT_TRUE(reader.waitForStarted());
    const int served = requests;
    clip.serveReaders(15000, [&] { return requests > served; });
    EXPECT_EQ(requests, served + 1);
    ASSERT_TRUE(reader.waitForFinished(15000));
    EXPECT_EQ(QString::fromUtf8(reader.readAllStandardOutput()), QStringLiteral("aé€😀"));
    // Our own declarations are counted once each.
    EXPECT_EQ(clip.changeCount(), count);
}

TEST(X11Clipboard, LargeDataGoesIncrementallyBothWays) {
    X11Clipboard clip;
    clip.setChunkSize(64 * 1024);
    const QByteArray big = randomBytes(700 * 1024 + 3);
    clip.declareTypes({"application/octet-stream"}, [&big](const QString&) -> std::optional<ClipboardData> {
        return ClipboardData{big, {}, 8};
    });
    const QByteArray got = xclipRead(QStringLiteral("application/octet-stream"));
    ASSERT_EQ(got.size(), big.size());
    EXPECT_TRUE(got == big);

    // Read back from another owner, which sends it in chunks as well.
    const QByteArray other = randomBytes(1500 * 1024);
    XclipOwner owner(clip, QStringLiteral("image/x-test"), other);
    EXPECT_FALSE(clip.ownsClipboard());
    const auto types = clip.availableTypes(2000);
    ASSERT_TRUE(types);
    EXPECT_TRUE(types->contains(QStringLiteral("image/x-test")));
    EXPECT_FALSE(types->contains(QStringLiteral("TARGETS")));
    const auto data = clip.dataForType(QStringLiteral("image/x-test"), 5000);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->bytes.size(), other.size());
    EXPECT_TRUE(data->bytes == other);
}

TEST(X11Clipboard, ChangeCountFollowsOtherOwners) {
    X11Clipboard clip;
    const int mine = clip.declareTypes({"UTF8_STRING"}, [](const QString&) -> std::optional<ClipboardData> {
        return ClipboardData{"x", {}, 8};
    });
    bool lost = false;
    QObject::connect(&clip, &X11Clipboard::lostOwnership, [&lost] { lost = true; });
    int whileTheirs = 0;
    {
        XclipOwner owner(clip, QStringLiteral("UTF8_STRING"), "theirs");
        EXPECT_GT(clip.changeCount(), mine);
        EXPECT_TRUE(rbxtest::waitFor([&lost] { return lost; }));
        const auto d = clip.dataForType(QStringLiteral("UTF8_STRING"), 2000);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->bytes, QByteArray("theirs"));
        EXPECT_EQ(d->dataType, QStringLiteral("UTF8_STRING"));
        whileTheirs = clip.changeCount();
    }
    // The owner went away: that is a change too, and nobody owns the clipboard.
    EXPECT_TRUE(rbxtest::waitFor([&] { return clip.changeCount() > whileTheirs; }));
    EXPECT_FALSE(clip.availableTypes(500).has_value());
    EXPECT_FALSE(clip.ownsClipboard());
}

TEST(X11Clipboard, ThirtyTwoBitDataKeepsItsTypeAndFormat) {
    X11Clipboard clip;
    QByteArray words;
    for (quint32 v : {1u, 0xdeadbeefu, 42u}) words.append(reinterpret_cast<const char*>(&v), 4);
    clip.declareTypes({"application/x-words"}, [&words](const QString&) -> std::optional<ClipboardData> {
        return ClipboardData{words, QStringLiteral("INTEGER"), 32};
    });
    // Reading our own declaration answers from the provider without a round trip.
    const auto own = clip.dataForType(QStringLiteral("application/x-words"), 1000);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->format, 32);
    EXPECT_EQ(own->bytes, words);
}
