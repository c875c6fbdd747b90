// The favourites files and the contact sheet of the real runebox program: the file
// dialogs, opened by URL command or with the palette's menu, are driven with the keyboard
// of the X server; an import keeps skin tones and takes flags in both forms, an export
// writes flags as the regional indicators they show, an export read back by import
// gives the same favourites and keeps the ones it replaced in a file that its
// confirmation names, a damaged or empty file is refused with a message and changes
// nothing; the contact sheet's links and mail reach the desktop's opener.
#include "FakeOpener.h"
#include "SheetDriving.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QUrlQuery>
#include <gtest/gtest.h>

namespace {

using namespace x11test;

const QPoint awayFromThePalette(1100, 80);

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// How a favourites dialog is opened: by URL command or with the palette's menu.
enum class Through { Url, Menu };

// Opens a favourites dialog and chooses `path` in it with the keyboard.
bool chooseInDialog(const QString& command, const QString& sheet, const QString& path, Through through = Through::Url) {
    if (through == Through::Url) {
        if (url(QStringLiteral("runebox://open?sheet=") + command) != 0) return false;
    } else if (!chooseFromProgramMenu(command == QLatin1String("import") ? QStringLiteral("Import Favorites…")
                                                                         : QStringLiteral("Export Favorites…"))) {
        return false;
    }
    if (!waitForSheet(sheet)) return false;
    if (!focusControl(QStringLiteral("fileNameEdit"))) return false;
    pressKey(QStringLiteral("ctrl+a"));
    typeText(path);
    if (!rbxtest::waitFor([&] { return sheetFields().value(QStringLiteral("fileNameEdit")).toString() == path; }, 10000))
        return false;
    pressKey(QStringLiteral("Return"));
    return true;
}

// The confirmation of an import: the file it names, where the favourites it replaced
// are kept; the confirmation is then closed.
QString confirmedImport() {
    if (!waitForSheet(QStringLiteral("favoritesImported"))) return QString();
    const QString text = sheetFields().value(QStringLiteral("alertInformative")).toString();
    const qsizetype from = text.indexOf(u'“') + 1;
    const qsizetype to = text.indexOf(u'”', from);
    if (!pointAtSheet(QStringLiteral("alertInformative"))) return QString();
    pressKey(QStringLiteral("Return"));
    if (from <= 0 || to < 0 || !waitForSheet(QString())) return QString();
    return text.mid(from, to - from);
}

QString utf16(const QByteArray& bytes) {
    QString s;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) s += QChar(char16_t(std::uint8_t(bytes[i]) | std::uint8_t(bytes[i + 1]) << 8));
    return s;
}

} // namespace

TEST(FavoritesFiles, AnExportReadBackGivesTheSameFavouritesAndADamagedFileChangesNothing) {
    QTemporaryDir dir;
    const QString start = dir.filePath(QStringLiteral("start.txt"));
    QFile first(start);
    ASSERT_TRUE(first.open(QIODevice::WriteOnly));
    // A flag as an older export wrote it (its value U+A0052) and a thumb with a skin tone.
    first.write(QStringLiteral("xé€\U000A0052\U0001F44D\U0001F3FD\r\n").toUtf8());
    first.close();
    pointTo(awayFromThePalette);
    Copy copy;
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_TRUE(chooseInDialog(QStringLiteral("import"), QStringLiteral("importFavorites"), start)) << copy.output().toStdString();
    const QString keptFirst = confirmedImport();
    EXPECT_TRUE(QFile::exists(keptFirst)) << keptFirst.toStdString() << copy.output().toStdString();
    const QString exported = dir.filePath(QStringLiteral("Favorites.txt"));
    ASSERT_TRUE(chooseInDialog(QStringLiteral("export"), QStringLiteral("exportFavorites"), exported)) << copy.output().toStdString();
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFile::exists(exported); }, 10000)) << copy.output().toStdString();
    const QByteArray bytes = readFile(exported);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    // In order, the skin tone kept, the flag as the regional indicators it shows.
    EXPECT_EQ(utf16(bytes), QStringLiteral("xé€\U0001F3FD\U0001F44D\U0001F1E9\U0001F1EA"));

    // A picture is no favourites file: a message, and the favourites as they were.
    const QString picture = dir.filePath(QStringLiteral("picture.txt"));
    QFile damaged(picture);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20));
    damaged.close();
    ASSERT_TRUE(chooseInDialog(QStringLiteral("import"), QStringLiteral("importFavorites"), picture));
    ASSERT_TRUE(waitForSheet(QStringLiteral("favoritesError"))) << copy.output().toStdString();
    screenshot(QStringLiteral("favorites-error"));
    ASSERT_TRUE(pointAtSheet(QStringLiteral("alertInformative")));
    pressKey(QStringLiteral("Return"));
    ASSERT_TRUE(waitForSheet(QString()));
    // Nor is a file without a character, which would only erase them.
    const QString empty = dir.filePath(QStringLiteral("empty.txt"));
    QFile nothing(empty);
    ASSERT_TRUE(nothing.open(QIODevice::WriteOnly));
    nothing.close();
    ASSERT_TRUE(chooseInDialog(QStringLiteral("import"), QStringLiteral("importFavorites"), empty));
    ASSERT_TRUE(waitForSheet(QStringLiteral("favoritesError"))) << copy.output().toStdString();
    EXPECT_TRUE(sheetFields().value(QStringLiteral("alertInformative")).toString().contains(QStringLiteral("The file holds no characters.")));
    ASSERT_TRUE(pointAtSheet(QStringLiteral("alertInformative")));
    pressKey(QStringLiteral("Return"));
    ASSERT_TRUE(waitForSheet(QString()));
    const QString again = dir.filePath(QStringLiteral("again.txt"));
    ASSERT_TRUE(chooseInDialog(QStringLiteral("export"), QStringLiteral("exportFavorites"), again));
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFile::exists(again); }, 10000));
    EXPECT_EQ(readFile(again), bytes);

    // The export read back by import gives the same favourites; the palette's menu opens
    // the dialogs as the URL commands do.
    ASSERT_TRUE(chooseInDialog(QStringLiteral("import"), QStringLiteral("importFavorites"), exported, Through::Menu));
    // The favourites it replaced are kept as a favourites file of their own.
    const QString keptSecond = confirmedImport();
    ASSERT_FALSE(keptSecond.isEmpty()) << copy.output().toStdString();
    EXPECT_NE(keptSecond, keptFirst);
    EXPECT_EQ(readFile(keptSecond), bytes);
    const QString third = dir.filePath(QStringLiteral("third.txt"));
    ASSERT_TRUE(chooseInDialog(QStringLiteral("export"), QStringLiteral("exportFavorites"), third, Through::Menu));
    ASSERT_TRUE(rbxtest::waitFor([&] { return QFile::exists(third); }, 10000));
    EXPECT_EQ(readFile(third), bytes);
}

TEST(ContactSheet, TheLinksAndTheSupportMailReachTheDesktopsOpener) {
    FakeOpener opener;
    pointTo(awayFromThePalette);
    Copy copy({}, opener.environment());
    ASSERT_TRUE(Copy::waitForState(Copy::shownAndPainted)) << copy.output().toStdString();

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=contact")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("contact"))) << copy.output().toStdString();
    screenshot(QStringLiteral("contact"));
    ASSERT_TRUE(clickControl(QStringLiteral("visitFAQButton")));
    QStringList opened = opener.opened(1);
    ASSERT_EQ(opened.size(), 1) << copy.output().toStdString();
    EXPECT_EQ(opened[0], QStringLiteral("https://www.runebox.org/products/runeboxx/faq.html"));
    ASSERT_TRUE(waitForSheet(QString()));

    ASSERT_EQ(url(QStringLiteral("runebox://open?sheet=contact")), 0);
    ASSERT_TRUE(waitForSheet(QStringLiteral("contact")));
    ASSERT_TRUE(clickControl(QStringLiteral("supportMailButton")));
    opened = opener.opened(2);
    ASSERT_EQ(opened.size(), 2);
    const QUrl mail(opened[1], QUrl::StrictMode);
    EXPECT_EQ(mail.scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(mail.path(), QStringLiteral("support@runebox.org"));
    const QUrlQuery query(mail);
    EXPECT_TRUE(query.queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded)
                    .startsWith(QStringLiteral("Runebox Question (Technical Support) REF#9")))
        << opened[1].toStdString();
    const QString body = query.queryItemValue(QStringLiteral("body"), QUrl::FullyDecoded);
    EXPECT_TRUE(body.startsWith(QStringLiteral("\rV"))) << body.toStdString();
    EXPECT_TRUE(body.endsWith(QStringLiteral("\r\rQuestion:\r\r")));
    // The mail closed the sheet and the palette.
    EXPECT_TRUE(waitForSheet(QString()));
    EXPECT_TRUE(Copy::waitForState([](const QVariantMap& s) { return !Copy::visible(s); }));
}
