#pragma once
// The favourite characters as a text file: exported as UTF-16 with a byte-order mark
// ("Favorites.txt" proposed), written whole or not at all; imported from UTF-8, UTF-16
// or UTF-32 with a byte-order mark, else UTF-8, else Latin-1. A file that is no text (or
// too large to be one, or holds no character) is refused with a clear message and the
// favourites stay as they were. Before an import replaces them, the favourites are kept
// as a favourites file in the support folder ("Favorites before import <date>.txt"),
// which the confirmation names. The file dialogs are sheets of the palette: "exportFavorites" and
// "importFavorites".

#include <QObject>
#include <QString>
#include <optional>

class QFileDialog;
class RbxCharWindowController;

namespace favoritesfile {

// FF FE and the text in UTF-16LE.
QByteArray encode(const QString& text);
// The text of a file's bytes; nullopt (and the reason in `error`) for bytes that are no
// text of a favourites file.
std::optional<QString> decode(const QByteArray& bytes, QString* error = nullptr);
// Files larger than this are no favourites file.
inline constexpr qint64 MaximumSize = 4 * 1024 * 1024;

} // namespace favoritesfile

class FavoritesFiles : public QObject {
    Q_OBJECT
public:
    static inline const QString ExportSheet = QStringLiteral("exportFavorites");
    static inline const QString ImportSheet = QStringLiteral("importFavorites");
    static inline const QString ErrorSheet = QStringLiteral("favoritesError");
    static inline const QString ImportedSheet = QStringLiteral("favoritesImported");

    explicit FavoritesFiles(RbxCharWindowController& palette, QObject* parent = nullptr);
    ~FavoritesFiles() override;

    void exportFavorites();
    void importFavorites();
    // The work behind the dialogs: false (with the message shown) when it failed.
    bool exportTo(const QString& path);
    bool importFrom(const QString& path);

private:
    QFileDialog* makeDialog(bool save);
    // Writes the current favourites to a new file of the support folder; its path, or
    // "" (and why in `error`).
    static QString keepCurrentFavorites(QString* error);
    void showError(const QString& message);
    void showAlert(const QString& name, const QString& message, const QString& informative);
    RbxCharWindowController& palette_;
};
