#include "update/ReleaseNotes.h"

#include "core/Log.h"
#include "kxlib/KXUtilities.h"
#include "update/UpdateNetwork.h"

#include <QSet>
#include <QUrl>

namespace update {

int readReleaseNotes(const QString& startKey, const QString& whatsNewAddress, const QString& runningVersion,
                     NotesReceiver& receiver, int maxFiles) {
    QString key = startKey;
    QSet<QString> seen;
    bool notInLanguage = false;
    int files = 0;
    while (!key.isEmpty()) {
        const qsizetype dash = key.lastIndexOf(u'-');
        const QString version = dash < 0 ? key : key.left(dash);
        const QString suffix = dash < 0 ? QString() : key.mid(dash + 1);
        if (KXUtilities::compareVersion(version, runningVersion) != 1) break;
        if (seen.contains(key)) {
            kx::log(QStringLiteral("Fetching version %1 again would create a cycle").arg(key));
            break;
        }
        if (files >= maxFiles) {
            kx::log(QStringLiteral("release notes: more than %1 files; the rest is left out").arg(maxFiles));
            break;
        }
        seen.insert(key);
        // The key is one path segment: a server cannot point elsewhere with it.
        const QUrl url(whatsNewAddress + QString::fromLatin1(QUrl::toPercentEncoding(key + QStringLiteral(".txt"))),
                       QUrl::StrictMode);
        std::optional<QByteArray> data;
        if (!url.isValid() || !isPermittedAddress(url)) kx::log(QStringLiteral("***Cannot get URL %1").arg(url.toString()));
        else data = fetch(url, 256 * 1024).data;
        if (!data) {
            if (suffix.isEmpty()) break;
            if (suffix != QLatin1String("EN")) notInLanguage = true;
            key = version;
            continue;
        }
        QStringList lines = QString::fromUtf8(*data).split(u'\n');
        for (QString& line : lines)
            if (line.endsWith(u'\r')) line.chop(1);
        if (lines.size() < 2) break;
        const bool first = files == 0;
        ++files;
        QString items;
        for (qsizetype i = 1; i < lines.size(); ++i)
            if (!lines[i].isEmpty()) items += QStringLiteral("\u2022\t") + lines[i] + u'\n';
        if (first && notInLanguage) receiver.receive({NotesPiece::LanguageNote, QString(), true});
        receiver.receive({NotesPiece::Heading, key, first});
        receiver.receive({NotesPiece::Items, items, first});
        key = lines.first().trimmed();
    }
    return files;
}

} // namespace update
