// The activator's face on its own: the font files a drop brings (three folders deep at
// most, hidden entries and non-fonts skipped, at most ten), the drop refused with
// "dropFont" off, broken font files that come to nothing, the images it draws and the
// click that asks for the palette.
#include "AppFixture.h"

#include "app/FontDrop.h"
#include "app/RbxStatusItemView.h"
#include "model/RbxActivationSet.h"
#include "common/TestEnvironment.h"
#include "core/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTemporaryDir>

namespace {

class StatusItemView : public AppTest {
protected:
    // Copies a test font to `relative` inside the scratch folder; answers the path.
    QString placeFont(const QString& relative, const QString& font = QStringLiteral("RbxAlpha-Regular.ttf")) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        EXPECT_TRUE(QFile::copy(rbxtest::testData(QStringLiteral("fonts/") + font), path)) << path.toStdString();
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(StatusItemView, ADropFindsFontsUpToThreeFoldersDeep) {
    kx::LogCapture log;
    const QString shallow = placeFont(QStringLiteral("drop/a/b/two-deep.ttf"));
    placeFont(QStringLiteral("drop/a/b/c/d/four-deep.ttf"));
    placeFont(QStringLiteral("drop/.hidden/hidden.ttf"));
    QFile::copy(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf")), dir.filePath(QStringLiteral("drop/bad.ttf")));
    QStringList found;
    FontDrop::checkFontFile(dir.filePath(QStringLiteral("drop")), 3, found);
    EXPECT_EQ(found, QStringList{shallow});
    EXPECT_TRUE(log.contains(QStringLiteral("element: a")));
    EXPECT_FALSE(log.contains(QStringLiteral("element: .hidden")));
    // A missing path adds nothing; a file is taken as it is.
    found.clear();
    FontDrop::checkFontFile(dir.filePath(QStringLiteral("nothing")), 3, found);
    FontDrop::checkFontFile(shallow, 0, found);
    EXPECT_EQ(found, QStringList{shallow});
    // No more than ten are gathered.
    for (int i = 0; i < 12; ++i) placeFont(QStringLiteral("many/f%1.ttf").arg(i));
    found.clear();
    FontDrop::checkFontFile(dir.filePath(QStringLiteral("many")), 3, found);
    EXPECT_EQ(found.size(), FontDrop::MaxPaths);
}

TEST_F(StatusItemView, DropsAreAcceptedOnlyWithFontsAndWithDropFontOn) {
    RbxStatusItemView view(*store);
    view.resize(10, 12);
    const QString font = placeFont(QStringLiteral("one/RbxBeta.ttf"), QStringLiteral("RbxBeta-Regular.ttf"));
    auto enter = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent e(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        e.setAccepted(false);
        QCoreApplication::sendEvent(&view, &e);
        return e.isAccepted();
    };
    store->setBool(false, QStringLiteral("dropFont"));
    EXPECT_FALSE(enter(font));
    store->setBool(true, QStringLiteral("dropFont"));
    EXPECT_FALSE(enter(rbxtest::testData(QStringLiteral("fonts/not-a-font.ttf"))));
    EXPECT_TRUE(enter(dir.filePath(QStringLiteral("one"))));
    EXPECT_TRUE(view.isHilited());

    int dropped = 0;
    QObject::connect(&view, &RbxStatusItemView::fontsDropped, [&](auto set) { dropped += set ? 1 : 0; });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir.filePath(QStringLiteral("one")))});
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &drop);
    EXPECT_FALSE(view.isHilited());
    EXPECT_EQ(dropped, 1);
}

TEST_F(StatusItemView, ADropOfBrokenFontFilesMakesNoSetAndSaysSo) {
    // A font cut short after its table directory still looks like a font file; the drop
    // is taken, nothing can be activated from it, and the log names the file.
    const QString whole = placeFont(QStringLiteral("whole/RbxAlpha.ttf"));
    QFile in(whole);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QString broken = dir.filePath(QStringLiteral("broken.ttf"));
    QFile out(broken);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(in.read(300));
    out.close();
    kx::LogCapture log;
    const qsizetype setsBefore = RbxActivationSet::activatedFontSets().size();
    FontDrop drop(*store);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(broken)});
    EXPECT_TRUE(drop.enter(&data));
    EXPECT_EQ(drop.perform(), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("no font could be activated from the dropped files ") + broken));
    EXPECT_FALSE(drop.accepted());
    EXPECT_EQ(RbxActivationSet::activatedFontSets().size(), setsBefore);
}

TEST_F(StatusItemView, ImagesAndTheClickThatAsksForThePalette) {
    for (const char* name : {"Qsmall", "Q-status", "cornerQ-BS", "Q-topleft", "Q-topright"}) {
        for (const bool dark : {false, true}) {
            const QImage image = RbxStatusItemView::namedImage(QString::fromLatin1(name), dark);
            ASSERT_FALSE(image.isNull()) << name;
            // Something is drawn in it.
            bool inked = false;
            for (int y = 0; y < image.height() && !inked; ++y)
                for (int x = 0; x < image.width() && !inked; ++x) inked = qAlpha(image.pixel(x, y)) > 0;
            EXPECT_TRUE(inked) << name;
        }
    }
    EXPECT_TRUE(RbxStatusItemView::namedImage(QStringLiteral("nothing"), false).isNull());
    // The strip's light mark on its dark ground differs between the two corners.
    EXPECT_NE(RbxStatusItemView::namedImage(QStringLiteral("Q-topleft"), false),
              RbxStatusItemView::namedImage(QStringLiteral("Q-topright"), false));

    RbxStatusItemView view(*store);
    view.resize(10, 12);
    view.show();
    int clicked = 0;
    QObject::connect(&view, &RbxStatusItemView::clicked, [&] { ++clicked; });
    auto press = [&](Qt::MouseButton button) {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), view.mapToGlobal(QPointF(5, 5)), button, button,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &e);
    };
    press(Qt::LeftButton);
    EXPECT_EQ(clicked, 0);  // not at once
    EXPECT_TRUE(rbxtest::waitFor([&] { return clicked == 1; }, 1000));
    // A right click shows no palette.
    press(Qt::RightButton);
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(clicked, 1);
}

} // namespace
