#include "update/PadFeed.h"

#include "core/FoundationValues.h"
#include "core/Log.h"
#include "core/StringExtensions.h"

#include <QXmlStreamReader>

namespace update {

QVariantMap parsePadFeed(const QByteArray& xml) {
    QVariantMap feed;
    QString open;  // the element whose text is collected; empty when none is open
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            reader.raiseError(QStringLiteral("document type declarations are not accepted"));
            break;
        case QXmlStreamReader::StartElement:
            if (!open.isEmpty()) feed.remove(open);
            open = reader.name().toString();
            feed.remove(open);
            break;
        case QXmlStreamReader::Characters:
            if (!open.isEmpty()) feed[open] = feed.value(open).toString() + reader.text().toString();
            break;
        case QXmlStreamReader::EndElement:
            if (!open.isEmpty() && feed.contains(open)) feed[open] = kx::str::trimWhitespace(feed.value(open).toString());
            open.clear();
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) kx::log(QStringLiteral("XML parse error %1").arg(reader.errorString()));
    return feed;
}

QString minimumSystemVersion(const QString& requirements) {
    qsizetype i = 0;
    while (i < requirements.size() && !requirements[i].isDigit()) ++i;
    qsizetype end = i;
    while (end < requirements.size() && (requirements[end].isDigit() || requirements[end] == u'.')) ++end;
    return requirements.mid(i, end - i);
}

QString releaseDate(const QVariantMap& feed) {
    const int year = kx::ns::intValue(feed.value(QStringLiteral("Program_Release_Year")));
    const int month = kx::ns::intValue(feed.value(QStringLiteral("Program_Release_Month")));
    const int day = kx::ns::intValue(feed.value(QStringLiteral("Program_Release_Day")));
    if (year < 1 || month < 1 || day < 1) return {};
    return QString::asprintf("%04d-%02d-%02d", year, month, day);
}

} // namespace update
