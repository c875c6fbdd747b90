#include "kxlib/URLExtensions.h"

#include <QStringDecoder>
#include <sys/xattr.h>

namespace kx::url {

namespace {
int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}
} // namespace

std::optional<QString> percentDecoded(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = hexValue(text.at(i + 1)), lo = hexValue(text.at(i + 2));
            if (hi < 0 || lo < 0) return std::nullopt;
            bytes.append(char(hi * 16 + lo));
            i += 2;
        } else {
            bytes.append(QString(c).toUtf8());
        }
    }
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString out = decode(bytes);
    if (decode.hasError()) return std::nullopt;
    return out;
}

QVariantMap parameterDictionaryOfQuery(const QString& query) {
    QVariantMap out;
    if (query.isEmpty()) return out;
    for (const QString& part : query.split(QLatin1Char('&'))) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 1) continue;
        const auto name = percentDecoded(part.left(eq));
        const auto value = percentDecoded(part.mid(eq + 1));
        if (!name || !value) continue;
        out.insert(*name, *value);
    }
    return out;
}

QVariantMap parameterDictionary(const QUrl& url) {
    if (!url.hasQuery()) return {};
    return parameterDictionaryOfQuery(url.query(QUrl::FullyEncoded));
}

QStringList fileTagNames(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    const QByteArray path = url.toLocalFile().toLocal8Bit();
    char buf[4096];
    const ssize_t n = getxattr(path.constData(), "user.xdg.tags", buf, sizeof buf);
    if (n <= 0) return {};
    QStringList tags;
    for (const QString& t : QString::fromUtf8(buf, qsizetype(n)).split(QLatin1Char(','), Qt::SkipEmptyParts))
        tags << t.trimmed();
    return tags;
}

bool hasFileTag(const QUrl& url, const QString& tag) {
    for (const QString& t : fileTagNames(url))
        if (t.compare(tag, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace kx::url
