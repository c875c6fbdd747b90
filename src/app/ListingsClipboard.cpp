// The clipboard listings, and copyString.
#include "app/RbxListings.h"

#include "core/Log.h"
#include "core/PrivateFolder.h"
#include "kxlib/KXScript.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace rbx::listings {

namespace {

bool isPlainText(const QByteArray& data) {
    return std::all_of(data.begin(), data.end(), [](char ch) {
        const auto b = static_cast<unsigned char>(ch);
        return (b >= 32 && b <= 126) || b == '\t' || b == '\n' || b == '\r';
    });
}

QStringList typesWithData(const QMimeData* data) {
    QStringList types;
    if (!data) return types;
    // The selection protocol's own targets are no types of data.
    static const QStringList protocol = {QStringLiteral("TARGETS"), QStringLiteral("MULTIPLE"), QStringLiteral("TIMESTAMP"),
                                         QStringLiteral("SAVE_TARGETS")};
    for (const QString& type : data->formats())
        if (!protocol.contains(type) && !data->data(type).isEmpty()) types << type;
    return types;
}

QString colorName(const QBrush& b) { return b.style() == Qt::NoBrush ? QStringLiteral("none") : b.color().name(QColor::HexArgb); }

} // namespace

QString hexDump(const QByteArray& data) {
    QString out, column;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (i % 8 == 0) {
            out += QStringLiteral(" %1\n%2:").arg(column).arg(i, 6);
            column = QStringLiteral(" | ");
        }
        const auto b = static_cast<unsigned char>(data[i]);
        out += QStringLiteral(" %1").arg(uint(b), 2, 16, QLatin1Char('0')).toUpper();
        column += (b >= 32 && b <= 126) ? QChar(b) : QChar(u'.');
    }
    if (data.size() % 8 != 0)
        for (qsizetype k = data.size() % 8; k < 8; ++k) out += QStringLiteral("   ");
    out += QStringLiteral(" %1\n\n").arg(column);
    return out;
}

QString listClipboard(const Context& c) {
    QString out;
    for (const QString& type : typesWithData(c.clipboard)) {
        const QByteArray data = c.clipboard->data(type);
        out += QStringLiteral("\"%1\" = %2:").arg(type).arg(data.size());
        // Printable ASCII reads the same in Mac OS Roman.
        if (isPlainText(data))
            out += QStringLiteral(" \"%1\"\n\n").arg(QString::fromLatin1(data));
        else
            out += hexDump(data);
    }
    return out;
}

QString listClipboardTypes(const Context& c) {
    QStringList types = typesWithData(c.clipboard);
    std::sort(types.begin(), types.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    QStringList lines;
    for (const QString& type : types) lines << QStringLiteral("%1 (%2)").arg(type).arg(c.clipboard->data(type).size());
    return lines.join(u'\n');
}

QString listAttributes(const Context& c) {
    QTextDocument doc;
    if (c.clipboard && c.clipboard->hasHtml())
        doc.setHtml(c.clipboard->html());
    else if (c.clipboard && c.clipboard->hasText())
        doc.setPlainText(c.clipboard->text());
    if (doc.isEmpty()) return QStringLiteral("no attributed string");
    QTextCursor cursor(&doc);
    cursor.setPosition(1);
    const QTextCharFormat f = cursor.charFormat();
    const QFont font = f.font();
    QStringList lines;
    lines << QStringLiteral("font = \"%1\" %2%3%4%5")
                 .arg(font.family())
                 .arg(font.pixelSize() > 0 ? QStringLiteral("%1px").arg(font.pixelSize())
                                           : QStringLiteral("%1pt").arg(font.pointSizeF()))
                 .arg(font.bold() ? QStringLiteral(" bold") : QString())
                 .arg(font.italic() ? QStringLiteral(" italic") : QString())
                 .arg(font.underline() ? QStringLiteral(" underline") : QString());
    lines << QStringLiteral("foreground = %1").arg(colorName(f.foreground()));
    lines << QStringLiteral("background = %1").arg(colorName(f.background()));
    if (f.isAnchor()) lines << QStringLiteral("link = %1").arg(f.anchorHref());
    if (f.isImageFormat()) lines << QStringLiteral("attachment = %1").arg(f.toImageFormat().name());
    return QStringLiteral("{\n    %1\n}").arg(lines.join(QStringLiteral(";\n    ")));
}

void copyString(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
    // The text travels to the script in a file: it may be longer than an argument can be.
    // It may hold what the user copied: a private folder, and listings of earlier days go.
    const QString folder = kx::privateFolder(QStringLiteral("runebox-listings"));
    if (folder.isEmpty()) {
        kx::log(QStringLiteral("no private folder for the listing"));
        return;
    }
    kx::removeFilesOlderThan(folder, {QStringLiteral("Runebox-*.txt")}, 24 * 3600);
    QTemporaryFile file(folder + QStringLiteral("/Runebox-XXXXXX.txt"));
    file.setAutoRemove(false);
    if (!file.open()) return;
    file.write(text.toUtf8());
    file.close();
    KXScript::runBundleScript(QStringLiteral("ShowText"), {file.fileName()});
}

} // namespace rbx::listings
