#include "app/FavoritesFiles.h"

#include "app/RbxCharWindowController.h"
#include "app/PaletteTable.h"
#include "core/AtomicFile.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "model/RbxFavGroupDescription.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
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

bool FavoritesFiles::importFrom(const QString& path) {
    QFile file(path);
    QString why;
    std::optional<QString> text;
    if (!file.open(QIODevice::ReadOnly)) why = file.errorString();
    else if (file.size() > favoritesfile::MaximumSize) why = kx::loc(QStringLiteral("The file is too large to be a favourites file."));
    else text = favoritesfile::decode(file.readAll(), &why);
    if (!text) {
        kx::log(QStringLiteral("favourites not imported from %1: %2").arg(path, why));
        showError(kx::loc(QStringLiteral("“%1” was not imported: %2 Your favourites are unchanged.")).arg(path, why));
        return false;
    }
    RbxFavGroupDescription::sharedFavorites()->setFavoritesToString(*text);
    palette_.table().reload();
    return true;
}

void FavoritesFiles::showError(const QString& message) {
    auto* alert = new QMessageBox(QMessageBox::Warning, kx::loc(QStringLiteral("Favorites")), message, QMessageBox::Ok,
                                  palette_.window());
    alert->setObjectName(QStringLiteral("favoritesErrorAlert"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    // Shown once the file dialog's sheet has ended.
    QMetaObject::invokeMethod(this, [this, alert] {
        if (palette_.sheets().beginSheet(alert, ErrorSheet, nullptr) == SheetHost::Begin::Refused) alert->deleteLater();
    }, Qt::QueuedConnection);
}
