#include "update/UpdateNetwork.h"

#include "core/Log.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <memory>

namespace update {

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

bool isPermittedAddress(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https")) return true;
    return scheme == QLatin1String("http") && isLoopbackHost(url.host());
}

bool isPermittedRedirect(const QUrl& from, const QUrl& to) {
    if (!isPermittedAddress(to)) return false;
    return !(from.scheme().toLower() == QLatin1String("https") && to.scheme().toLower() != QLatin1String("https"));
}

QNetworkRequest makeRequest(const QUrl& url, int timeoutMs) {
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

void guardRedirects(QNetworkReply* reply) {
    // The reply's address is the one it was redirected from until the redirect is allowed.
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& to) {
        const QUrl from = reply->url();
        const QUrl target = from.resolved(to);
        if (isPermittedRedirect(from, target)) {
            emit reply->redirectAllowed();
            return;
        }
        kx::log(QStringLiteral("redirect refused: %1 -> %2").arg(from.toString(), target.toString()));
        reply->abort();
    });
}

Fetched fetch(const QUrl& url, qint64 maxBytes, int timeoutMs) {
    if (!isPermittedAddress(url)) {
        kx::log(QStringLiteral("address refused (https only): %1").arg(url.toString()));
        return {std::nullopt, QStringLiteral("address refused")};
    }
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(makeRequest(url, timeoutMs)));
    guardRedirects(reply.get());
    QEventLoop loop;
    bool tooLong = false;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > maxBytes && !tooLong) {
            tooLong = true;
            reply->abort();
        }
    });
    if (!reply->isFinished()) loop.exec();
    if (tooLong) return {std::nullopt, QStringLiteral("answer too long")};
    if (reply->error() != QNetworkReply::NoError) return {std::nullopt, reply->errorString()};
    QByteArray data = reply->readAll();
    if (data.size() > maxBytes) return {std::nullopt, QStringLiteral("answer too long")};
    return {std::move(data), QString()};
}

} // namespace update
