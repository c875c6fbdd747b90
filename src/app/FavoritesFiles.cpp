#include "app/FavoritesFiles.h"

#include "app/AlertSheet.h"
#include "app/RbxCharWindowController.h"
#include "app/PaletteTable.h"
#include "core/AtomicFile.h"
#include "core/KXAppSupport.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "model/RbxFavGroupDescription.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringDecoder>

namespace favoritesfile {

QByteArray encode(const QString& text) {
    QByteArray out("\xFF\xFE", 2);
    for (const QChar u : text) {
        out.append(char(u.unicode() & 0xFF));
        out.append(char(u.unicode() >> 8));
    }
    return out;
}

namespace {

std::optional<QString> strict(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInvalidToNull);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace

std::optional<QString> decode(const QByteArray& bytes, QString* error) {
    const auto fail = [error](const QString& why) -> std::optional<QString> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (bytes.size() > MaximumSize) return fail(kx::loc(QStringLiteral("The file is too large to be a favourites file.")));
    std::optional<QString> text;
    const QByteArrayView b(bytes);
    if (b.startsWith("\xEF\xBB\xBF")) text = strict(QStringConverter::Utf8, b.sliced(3));
    else if (b.startsWith(QByteArrayView("\xFF\xFE\0\0", 4))) text = strict(QStringConverter::Utf32LE, b.sliced(4));
    else if (b.startsWith(QByteArrayView("\0\0\xFE\xFF", 4))) text = strict(QStringConverter::Utf32BE, b.sliced(4));
    else if (b.startsWith("\xFF\xFE")) text = b.size() % 2 ? std::nullopt : strict(QStringConverter::Utf16LE, b.sliced(2));
    else if (b.startsWith("\xFE\xFF")) text = b.size() % 2 ? std::nullopt : strict(QStringConverter::Utf16BE, b.sliced(2));
    else if (!(text = strict(QStringConverter::Utf8, b))) text = QString::fromLatin1(bytes);
    if (!text) return fail(kx::loc(QStringLiteral("The file's text is damaged.")));
    // Text has no control characters but line ends and tabs; a picture or a program has.
    for (const QChar c : *text)
        if ((c.unicode() < 0x20 && c != u'\n' && c != u'\r' && c != u'\t') || c.unicode() == 0xFFFE)
            return fail(kx::loc(QStringLiteral("The file is no text file.")));
    return text;
}

} // namespace favoritesfile

FavoritesFiles::FavoritesFiles(RbxCharWindowController& palette, QObject* parent) : QObject(parent), palette_(palette) {
    SheetHost& host = palette.sheets();
    host.registerSheet(ExportSheet, [this](const QVariantMap&) { exportFavorites(); });
    host.registerSheet(ImportSheet, [this](const QVariantMap&) { importFavorites(); });
}

FavoritesFiles::~FavoritesFiles() {
    palette_.sheets().registerSheet(ExportSheet, nullptr);
    palette_.sheets().registerSheet(ImportSheet, nullptr);
}

QFileDialog* FavoritesFiles::makeDialog(bool save) {
    auto* dialog = new QFileDialog(palette_.window());
    dialog->setObjectName(save ? QStringLiteral("exportFavoritesPanel") : QStringLiteral("importFavoritesPanel"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // The dialog of our own toolkit: it is a sheet of the palette like the others.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setNameFilter(kx::loc(QStringLiteral("Text files (*.txt)")));
    dialog->setDefaultSuffix(QStringLiteral("txt"));
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setWindowTitle(kx::loc(QStringLiteral("Export Favorites")));
        const QString name = kx::loc(QStringLiteral("Favorites")) + QStringLiteral(".txt");
        kx::log(QStringLiteral("file name: %1").arg(name));
        dialog->selectFile(name);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setWindowTitle(kx::loc(QStringLiteral("Import Favorites")));
    }
    return dialog;
}

void FavoritesFiles::exportFavorites() {
    QFileDialog* dialog = makeDialog(true);
    palette_.sheets().beginSheet(dialog, ExportSheet, [this, dialog](int code) {
        if (code == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) exportTo(dialog->selectedFiles().first());
    });
}

void FavoritesFiles::importFavorites() {
    QFileDialog* dialog = makeDialog(false);
    palette_.sheets().beginSheet(dialog, ImportSheet, [this, dialog](int code) {
        if (code == QDialog::Accepted && !dialog->selectedFiles().isEmpty()) importFrom(dialog->selectedFiles().first());
    });
}

bool FavoritesFiles::exportTo(const QString& path) {
    QString error;
    if (!kx::writeFileAtomically(
            path, favoritesfile::encode(RbxFavGroupDescription::sharedFavorites()->stringRepresentation()), &error)) {
        kx::log(QStringLiteral("favourites not exported to %1: %2").arg(path, error));
        showError(kx::loc(QStringLiteral("The favourites could not be written to “%1”: %2")).arg(path, error));
        return false;
    }
    return true;
}

QString FavoritesFiles::keepCurrentFavorites(QString* error) {
    const QString folder = KXAppSupport::supportFolderPath();
    if (folder.isEmpty()) {
        *error = kx::loc(QStringLiteral("The support folder cannot be made."));
        return QString();
    }
    const QString stem = kx::loc(QStringLiteral("Favorites before import")) + u' ' +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH.mm.ss"));
    QString path = QDir(folder).filePath(stem + QStringLiteral(".txt"));
    for (int n = 2; QFileInfo::exists(path) || QFileInfo(path).isSymLink(); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 %2.txt").arg(stem).arg(n));
    if (!kx::writeFileAtomically(path, favoritesfile::encode(RbxFavGroupDescription::sharedFavorites()->stringRepresentation()),
                                 error))
        return QString();
    return path;
}

bool FavoritesFiles::importFrom(const QString& path) {
    QFile file(path);
    QString why;
    std::optional<QString> text;
    if (!file.open(QIODevice::ReadOnly)) why = file.errorString();
    else if (file.size() > favoritesfile::MaximumSize) why = kx::loc(QStringLiteral("The file is too large to be a favourites file."));
    else text = favoritesfile::decode(file.readAll(), &why);
    // The import replaces every favourite: a file without a character would only erase them.
    if (text && QString(*text).remove(QChar(0xFEFF)).trimmed().isEmpty()) {
        text.reset();
        why = kx::loc(QStringLiteral("The file holds no characters."));
    }
    // The favourites replaced stay at hand as a favourites file of their own.
    QString kept;
    if (text && (kept = keepCurrentFavorites(&why)).isEmpty()) {
        text.reset();
        why = kx::loc(QStringLiteral("Your favourites could not be kept before the import: %1")).arg(why);
    }
    if (!text) {
        kx::log(QStringLiteral("favourites not imported from %1: %2").arg(path, why));
        showError(kx::loc(QStringLiteral("“%1” was not imported: %2 Your favourites are unchanged.")).arg(path, why));
        return false;
    }
    RbxFavGroupDescription::sharedFavorites()->setFavoritesToString(*text);
    palette_.table().reload();
    kx::log(QStringLiteral("favourites imported from %1; the previous ones are kept in %2").arg(path, kept));
    showAlert(ImportedSheet, kx::loc(QStringLiteral("The favourites of “%1” were imported.")).arg(path),
              kx::loc(QStringLiteral("Your previous favourites are kept in “%1”; import that file to have them back.")).arg(kept));
    return true;
}

void FavoritesFiles::showError(const QString& message) { showAlert(ErrorSheet, kx::loc(QStringLiteral("Favorites")), message); }

void FavoritesFiles::showAlert(const QString& name, const QString& message, const QString& informative) {
    auto* alert = new AlertSheet(name, message, informative, QString(), QString(), QString(), palette_.window());
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // Shown once the file dialog's sheet has ended.
    QMetaObject::invokeMethod(this, [this, alert, name] {
        if (palette_.sheets().beginSheet(alert, name, nullptr) == SheetHost::Begin::Refused) alert->deleteLater();
    }, Qt::QueuedConnection);
}
