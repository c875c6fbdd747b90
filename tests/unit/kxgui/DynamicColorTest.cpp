#include "core/Bundle.h"
#include "core/Log.h"
#include "common/ScopedInstance.h"
#include "kxlib/gui/KXAppearance.h"
#include "kxlib/gui/KXDynamicColor.h"
#include "kxlib/gui/KXDynamicImage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <optional>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

QImage solid(const QColor& c, int w = 4, int h = 4) {
    QImage i(w, h, QImage::Format_ARGB32);
    i.fill(c);
    return i;
}

QColor drawnColor(const KXDynamicImage& image) {
    QImage canvas(8, 8, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    image.drawInRect(p, QRectF(0, 0, 8, 8));
    p.end();
    return canvas.pixelColor(4, 4);
}

} // namespace

TEST(DynamicColor, EachOperationUsesTheVariantOfTheCurrentAppearance) {
    const KXDynamicColor c = KXDynamicColor::lightColor(QColor(200, 10, 10), QColor(10, 10, 200));
    {
        KXAppearance::DrawingScope light(false);
        EXPECT_EQ(c.effectiveColor(), QColor(200, 10, 10));
        EXPECT_NEAR(c.redComponent(), 200 / 255.0, 1e-6);
        QImage canvas(2, 2, QImage::Format_ARGB32);
        canvas.fill(Qt::white);
        QPainter p(&canvas);
        p.setPen(Qt::NoPen);
        c.setFill(p);
        p.drawRect(QRectF(0, 0, 2, 2));
        p.end();
        EXPECT_EQ(canvas.pixelColor(1, 1), QColor(200, 10, 10));
    }
    KXAppearance::DrawingScope dark(true);
    EXPECT_EQ(QColor(c), QColor(10, 10, 200));
    EXPECT_NEAR(c.blueComponent(), 200 / 255.0, 1e-6);
    // Derived colours are plain colours of the variant in force when made.
    const QColor halfDark = c.colorWithAlphaComponent(0.5);
    {
        KXAppearance::DrawingScope light(false);
        EXPECT_EQ(halfDark.blue(), 200);
        EXPECT_NEAR(halfDark.alphaF(), 0.5, 0.01);
        const QColor mid = c.blendedColorWithFraction(0.5, QColor(0, 0, 0));
        EXPECT_EQ(mid.red(), 100);
        EXPECT_EQ(c.highlightWithLevel(1.0), QColor(255, 255, 255));
        EXPECT_EQ(c.shadowWithLevel(1.0), QColor(0, 0, 0));
    }

    // Without a dark variant the light one serves in both appearances.
    const KXDynamicColor lightOnly(QColor(1, 2, 3));
    EXPECT_FALSE(lightOnly.darkAquaColor().has_value());
    EXPECT_EQ(lightOnly.effectiveColor(), QColor(1, 2, 3));
}

TEST(DynamicColor, ArchiveKeepsBothVariantsAndToleratesAMissingDarkOne) {
    const KXDynamicColor c(QColor(12, 34, 56, 78), QColor(90, 80, 70));
    const QVariantMap archive = c.archive();
    EXPECT_TRUE(archive.contains(QStringLiteral("aquaColor")));
    EXPECT_TRUE(archive.contains(QStringLiteral("darkAquaColor")));
    const auto back = KXDynamicColor::fromArchive(archive);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, c);

    const QVariantMap lightOnly = KXDynamicColor(QColor(5, 6, 7)).archive();
    EXPECT_FALSE(lightOnly.contains(QStringLiteral("darkAquaColor")));
    const auto decoded = KXDynamicColor::fromArchive({{QStringLiteral("aquaColor"), QStringLiteral("#ff050607")}});
    ASSERT_TRUE(decoded.has_value());
    KXAppearance::DrawingScope dark(true);
    EXPECT_EQ(decoded->effectiveColor(), QColor(5, 6, 7));

    EXPECT_FALSE(KXDynamicColor::fromArchive({}).has_value());
    EXPECT_FALSE(KXDynamicColor::fromArchive({{QStringLiteral("aquaColor"), QStringLiteral("no colour")}}).has_value());
    const auto badDark = KXDynamicColor::fromArchive(
        {{QStringLiteral("aquaColor"), QStringLiteral("#ff000000")}, {QStringLiteral("darkAquaColor"), 17}});
    ASSERT_TRUE(badDark.has_value());
    EXPECT_FALSE(badDark->darkAquaColor().has_value());
}

// An accent index the test sets.
class TestAccent : public KXAccentColorSource {
public:
    QVariant accentColorIndex() const override { return index; }
    QVariant index;
};

TEST(DynamicColor, AccentNamesAndUnknownIndexesAreLoggedOncePerValue) {
    auto source = std::make_shared<TestAccent>();
    rbxtest::ScopedInstance<KXAccentColorSource> installed(source);
    QVariant& index = source->index;
    EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Blue"));
    index = QStringLiteral("3");
    EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Blue"));
    const std::pair<int, const char*> known[] = {{-1, "Graphite"}, {0, "Red"}, {1, "Orange"}, {2, "Yellow"},
                                                 {3, "Green"},     {5, "Purple"}, {6, "Pink"}};
    for (const auto& [value, name] : known) {
        index = value;
        EXPECT_EQ(KXDynamicColor::accentColorName(), QLatin1String(name));
    }

    kx::LogCapture log;
    index = 4;
    EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Blue"));
    EXPECT_EQ(KXDynamicColor::accentColorName(), QStringLiteral("Blue"));
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("*** unknown accent color index: 4")});
    index = 9;
    KXDynamicColor::accentColorName();
    index = 4;
    KXDynamicColor::accentColorName();
    EXPECT_EQ(log.lines().size(), 3);

    index = 5;
    const KXDynamicColor purple = KXDynamicColor::menuItemHighlightColor();
    {
        KXAppearance::DrawingScope light(false);
        EXPECT_EQ(purple.effectiveColor(), QColor(169, 99, 170));
    }
    {
        KXAppearance::DrawingScope dark(true);
        EXPECT_EQ(purple.effectiveColor(), QColor(135, 59, 135));
        EXPECT_EQ(KXDynamicColor::menuItemHighlightColor(QStringLiteral("Graphite")).effectiveColor(),
                  QColor(124, 128, 131));
    }
    EXPECT_NEAR(KXDynamicColor::menuItemHighlightColor(QStringLiteral("Teal")).alphaComponent(), 0.8, 0.01);
}

// Images drawn in one colour, counted as they are loaded.
class SolidImages : public KXImageLibrary {
public:
    int loads = 0;

protected:
    QImage loadImage(const QString& name) override {
        ++loads;
        if (name == QLatin1String("star")) return solid(Qt::red);
        if (name == QLatin1String("star-dark")) return solid(Qt::blue);
        if (name == QLatin1String("plain")) return solid(Qt::green, 6, 3);
        return QImage();
    }
};

TEST(DynamicImage, NamedImagesPairWithTheirDarkVariantAndAreCached) {
    auto library = std::make_shared<SolidImages>();
    rbxtest::ScopedInstance<KXImageLibrary> installed(library);
    int& loads = library->loads;
    const KXDynamicImage star = KXDynamicImage::imageNamed(QStringLiteral("star"));
    const KXDynamicImage plain = KXDynamicImage::imageNamed(QStringLiteral("plain"));
    EXPECT_EQ(loads, 4);
    KXDynamicImage::imageNamed(QStringLiteral("star"));
    EXPECT_EQ(loads, 4);
    {
        KXAppearance::DrawingScope light(false);
        EXPECT_EQ(drawnColor(star), QColor(Qt::red));
        EXPECT_EQ(drawnColor(plain), QColor(Qt::green));
    }
    {
        KXAppearance::DrawingScope dark(true);
        EXPECT_EQ(drawnColor(star), QColor(Qt::blue));
        // A missing dark image: the light one in both appearances.
        EXPECT_EQ(drawnColor(plain), QColor(Qt::green));
        EXPECT_FALSE(plain.hasDarkImage());
        EXPECT_EQ(plain.size(), QSizeF(6, 3));
    }
    const KXDynamicImage missing = KXDynamicImage::imageNamed(QStringLiteral("nothing"));
    EXPECT_FALSE(missing.isValid());
    EXPECT_EQ(drawnColor(missing), QColor(Qt::white));
}

TEST(DynamicImage, NamedImagesComeFromTheBundleWhereverItLies) {
    const QByteArray saved = qgetenv("RUNEBOX_RESOURCES");
    // Without $RUNEBOX_RESOURCES (an installed copy, or a build tree) the bundle's own
    // folder is used.
    qunsetenv("RUNEBOX_RESOURCES");
    std::optional<rbxtest::ScopedInstance<kx::Bundle>> bundle;
    bundle.emplace();
    std::optional<rbxtest::ScopedInstance<KXImageLibrary>> images;  // images read anew
    images.emplace();
    const KXDynamicImage favorite = KXDynamicImage::imageNamed(QStringLiteral("favorite"));
    EXPECT_TRUE(favorite.isValid());
    EXPECT_EQ(favorite.lightImage().devicePixelRatio(), 2.0);
    EXPECT_FALSE(KXDynamicImage::imageNamed(QStringLiteral("no such image")).isValid());

    // A bundle elsewhere: its plain and "-dark" images.
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("images")));
    ASSERT_TRUE(solid(Qt::red, 6, 4).save(dir.filePath(QStringLiteral("images/badge.png"))));
    ASSERT_TRUE(solid(Qt::blue, 12, 8).save(dir.filePath(QStringLiteral("images/badge-dark@2x.png"))));
    qputenv("RUNEBOX_RESOURCES", dir.path().toUtf8());
    bundle.reset();
    bundle.emplace();
    images.reset();
    images.emplace();
    const KXDynamicImage badge = KXDynamicImage::imageNamed(QStringLiteral("badge"));
    EXPECT_EQ(badge.lightImage().size(), QSize(6, 4));
    ASSERT_TRUE(badge.hasDarkImage());
    {
        KXAppearance::DrawingScope dark(true);
        EXPECT_EQ(badge.size(), QSizeF(6, 4)); // 12 × 8 at ratio 2
        EXPECT_EQ(drawnColor(badge), QColor(Qt::blue));
    }
    EXPECT_FALSE(KXDynamicImage::imageNamed(QStringLiteral("favorite")).isValid());

    qputenv("RUNEBOX_RESOURCES", saved);
    images.reset();
    bundle.reset();
}

TEST(DynamicImage, BundleImagesAreReadAsPngWithoutLoadingImagePlugIns) {
    const QByteArray saved = qgetenv("RUNEBOX_RESOURCES");
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("images")));
    QFile::copy(QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/images/favorite@2x.png"), dir.filePath(QStringLiteral("images/favorite@2x.png")));
    // A file that is no PNG (a GIF's signature) under a PNG's name.
    QFile fake(dir.filePath(QStringLiteral("images/fake.png")));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("GIF89a\x01\x00\x01\x00\x00\x00\x00;");
    fake.close();
    qputenv("RUNEBOX_RESOURCES", dir.path().toUtf8());
    std::optional<rbxtest::ScopedInstance<kx::Bundle>> bundle;
    bundle.emplace();
    std::optional<rbxtest::ScopedInstance<KXImageLibrary>> images;
    images.emplace();
    const KXDynamicImage favorite = KXDynamicImage::imageNamed(QStringLiteral("favorite"));
    EXPECT_TRUE(favorite.isValid());
    EXPECT_EQ(favorite.lightImage().devicePixelRatio(), 2.0);
    EXPECT_FALSE(KXDynamicImage::imageNamed(QStringLiteral("fake")).isValid());

    // Qt's PNG reader read them: no image-format plug-in was asked, so none is loaded.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("/imageformats/"));

    qputenv("RUNEBOX_RESOURCES", saved);
    images.reset();
    bundle.reset();
}

TEST(DynamicImage, PartsAndOpacityOfTheEffectiveImage) {
    QImage twoTone(4, 2, QImage::Format_ARGB32);
    twoTone.fill(Qt::black);
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x) twoTone.setPixelColor(x, y, Qt::red);
    const KXDynamicImage image(twoTone, QImage());
    QImage canvas(10, 10, QImage::Format_ARGB32);
    canvas.fill(Qt::white);
    QPainter p(&canvas);
    image.drawAtPoint(p, QPointF(3, 3), QRectF(2, 0, 2, 2), 1.0);
    image.drawInRect(p, QRectF(0, 8, 2, 2), QRectF(), 0.5);
    p.end();
    EXPECT_EQ(canvas.pixelColor(3, 3), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(4, 4), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(5, 5), QColor(Qt::white));
    const QColor half = canvas.pixelColor(0, 9);
    EXPECT_NEAR(half.red(), 128, 3);
    EXPECT_NEAR(half.green(), 128, 3);
}
