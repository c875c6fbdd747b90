// The favourites as a file: what export writes, what import reads in each encoding, and
// that a file that is no favourites file changes nothing.
#include "PaletteFixture.h"

#include "app/AlertSheet.h"
#include "app/FavoritesFiles.h"
#include "app/PaletteSheets.h"
#include "app/PaletteURLCommands.h"
#include "common/ScopedInstance.h"
#include "common/SmallFileSystem.h"
#include "core/KXAppSupport.h"
#include "core/Log.h"
#include "model/RbxFavGroupDescription.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray utf16be(const QString& s) {
    QByteArray out("\xFE\xFF", 2);
    for (const QChar c : s) {
        out.append(char(c.unicode() >> 8));
        out.append(char(c.unicode() & 0xFF));
    }
    return out;
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class FavoritesFile : public Palette {
protected:
    void SetUp() override {
        Palette::SetUp();
        favorites.emplace(std::make_shared<RbxFavGroupDescription>(store));
    }
    void TearDown() override {
        favorites.reset();
        Palette::TearDown();
    }
    RbxFavGroupDescription& shared() { return *RbxFavGroupDescription::sharedFavorites(); }
    FavoritesFiles& files() { return palette->sheets().favorites(); }

    std::optional<rbxtest::ScopedInstance<RbxFavGroupDescription>> favorites;
    QTemporaryDir dir;
};

} // namespace

TEST(FavoritesFileText, EveryEncodingIsReadAndWhatIsNoTextIsRefused) {
    const QString text = QStringLiteral("aé€\U0001F600\n[LIGATURES]: [fi]");
    const QByteArray exported = favoritesfile::encode(text);
    EXPECT_TRUE(exported.startsWith("\xFF\xFE"));
    EXPECT_EQ(exported.size(), 2 + 2 * text.size());
    EXPECT_EQ(favoritesfile::decode(exported), text);
    EXPECT_EQ(favoritesfile::decode(utf16be(text)), text);
    EXPECT_EQ(favoritesfile::decode("\xEF\xBB\xBF" + text.toUtf8()), text);
    EXPECT_EQ(favoritesfile::decode(text.toUtf8()), text);
    QByteArray utf32("\xFF\xFE\0\0", 4);
    for (const char32_t c : text.toUcs4())
        for (int shift = 0; shift < 32; shift += 8) utf32.append(char((c >> shift) & 0xFF));
    EXPECT_EQ(favoritesfile::decode(utf32), text);
    // Not UTF-8: Latin-1.
    EXPECT_EQ(favoritesfile::decode("caf\xE9"), QStringLiteral("café"));
    EXPECT_EQ(favoritesfile::decode(QByteArray()), QString());

    QString why;
    EXPECT_FALSE(favoritesfile::decode(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(favoritesfile::decode(QByteArray("\xFF\xFE" "a", 3)));
    EXPECT_FALSE(favoritesfile::decode("\xEF\xBB\xBF" "a\xFF"));
    EXPECT_FALSE(favoritesfile::decode(QByteArray(favoritesfile::MaximumSize + 1, 'a')));
}

TEST_F(FavoritesFile, AnExportImportsBackToTheSameFavourites) {
    shared().setFavoritesToString(QStringLiteral("aé€\U0001F600"));
    const QString before = shared().stringRepresentation();
    ASSERT_FALSE(before.isEmpty());
    const QString path = dir.filePath(QStringLiteral("Favorites.txt"));
    ASSERT_TRUE(files().exportTo(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("\xFF\xFE"));

    shared().setFavoritesToString(QStringLiteral("x"));
    ASSERT_NE(shared().stringRepresentation(), before);
    const QDir support(KXAppSupport::supportFolderPath());
    const QStringList keptBefore = support.entryList({QStringLiteral("Favorites before import *.txt")});
    ASSERT_TRUE(files().importFrom(path));
    EXPECT_EQ(shared().stringRepresentation(), before);
    // The favourites it replaced are kept in the support folder, and the confirmation says where.
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheetName() == FavoritesFiles::ImportedSheet; }, 3000));
    QStringList kept = support.entryList({QStringLiteral("Favorites before import *.txt")});
    for (const QString& old : keptBefore) kept.removeAll(old);
    ASSERT_EQ(kept.size(), 1);
    const QString informative = static_cast<AlertSheet*>(c->sheets().attachedSheet())->informativeText();
    EXPECT_TRUE(informative.contains(kept.first())) << informative.toStdString();
    QFile keptFile(support.filePath(kept.first()));
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(favoritesfile::decode(keptFile.readAll()), QStringLiteral("x"));
    c->closeSheet();
    // A folder that cannot be written keeps the old file whole and says so.
    EXPECT_FALSE(files().exportTo(dir.filePath(QStringLiteral("missing/Favorites.txt"))));
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheetName() == FavoritesFiles::ErrorSheet; }, 3000));
    c->closeSheet();
}

TEST_F(FavoritesFile, AnExportToAFullDiskKeepsTheOldFileWholeAndSaysSo) {
    rbxtest::SmallFileSystem fs;
    if (!fs.isMounted()) GTEST_SKIP() << fs.skipReason().toStdString();
    const QString path = fs.path() + QStringLiteral("/Favorites.txt");
    shared().setFavoritesToString(QStringLiteral("abc"));
    ASSERT_TRUE(files().exportTo(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    ASSERT_TRUE(fs.fill());
    shared().setFavoritesToString(QStringLiteral("xyz"));
    kx::LogCapture log;
    EXPECT_FALSE(files().exportTo(path));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    EXPECT_TRUE(log.contains(QStringLiteral("No space left on device"))) << log.lines().join(u'\n').toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheetName() == FavoritesFiles::ErrorSheet; }, 3000));
    c->closeSheet();
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral(".filler"), QStringLiteral("Favorites.txt")}));
}

TEST_F(FavoritesFile, ADamagedFileIsRefusedWithAMessageAndChangesNothing) {
    shared().setFavoritesToString(QStringLiteral("abc"));
    const QString before = shared().stringRepresentation();
    const QString path = dir.filePath(QStringLiteral("picture.txt"));
    write(path, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_FALSE(files().importFrom(path));
    EXPECT_EQ(shared().stringRepresentation(), before);
    ASSERT_TRUE(rbxtest::waitFor([&] { return c->sheets().attachedSheetName() == FavoritesFiles::ErrorSheet; }, 3000));
    c->closeSheet();
    EXPECT_FALSE(files().importFrom(dir.filePath(QStringLiteral("none.txt"))));
    EXPECT_EQ(shared().stringRepresentation(), before);
    c->closeSheet();
    // A file without a character would only erase the favourites.
    write(path, "\xEF\xBB\xBF \r\n\t\n");
    kx::LogCapture log;
    EXPECT_FALSE(files().importFrom(path));
    EXPECT_EQ(shared().stringRepresentation(), before);
    EXPECT_TRUE(log.contains(QStringLiteral("The file holds no characters.")));
    c->closeSheet();
}

TEST_F(FavoritesFile, AFileFromAnotherSystemWithBOMAndCRLFKeepsItsLigatures) {
    const QString path = dir.filePath(QStringLiteral("windows.txt"));
    write(path, "\xEF\xBB\xBF" + QStringLiteral("ab\r\n[LIGATURES]: [fi], [ffl]\r\n").toUtf8());
    ASSERT_TRUE(files().importFrom(path));
    EXPECT_EQ(shared().stringRepresentation(), QStringLiteral("ab\n[LIGATURES]: [fi], [ffl]"));
    // The reader itself takes a mark at the start of its text as no favourite.
    shared().setFavoritesToString(QStringLiteral("\uFEFFxy"));
    EXPECT_EQ(shared().stringRepresentation(), QStringLiteral("xy"));
}

TEST(FavoritesFileText, TheOpenCommandNamesTheDialogs) {
    EXPECT_EQ(paletteurl::parseOpen(QUrl(QStringLiteral("runebox://open?sheet=import")))->sheet, FavoritesFiles::ImportSheet);
    EXPECT_EQ(paletteurl::parseOpen(QUrl(QStringLiteral("runebox://open?sheet=Export")))->sheet, FavoritesFiles::ExportSheet);
}
