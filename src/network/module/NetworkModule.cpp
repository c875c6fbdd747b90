// The network module's one entry point: a GET through Qt's network access.

#include "network/NetworkModule.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>

extern "C" Q_DECL_EXPORT rbx::network::Answer rbx_network_fetch(const rbx::network::Request& r) {
    rbx::network::Answer answer;
    QNetworkRequest request(r.url);
    request.setTransferTimeout(r.timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         r.redirectAllowed ? QNetworkRequest::UserVerifiedRedirectPolicy
                                           : QNetworkRequest::NoLessSafeRedirectPolicy);
    if (r.identityEncoding) request.setRawHeader("Accept-Encoding", "identity");
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QNetworkReply* live = reply.get();
    if (r.redirectAllowed) {
        // The reply's address is the one it was redirected from until the redirect is allowed.
        QObject::connect(live, &QNetworkReply::redirected, live, [live, &r, &answer](const QUrl& to) {
            const QUrl from = live->url();
            const QUrl target = from.resolved(to);
            if (r.redirectAllowed(from, target)) {
                emit live->redirectAllowed();
                return;
            }
            answer.refusedRedirect = from.toString() + QStringLiteral(" -> ") + target.toString();
            live->abort();
        });
    }
    QEventLoop loop;
    bool tooLong = false;
    QObject::connect(live, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (r.maxBytes >= 0) {
        QObject::connect(live, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
            if (received > r.maxBytes && !tooLong) {
                tooLong = true;
                live->abort();
            }
        });
    }
    if (!live->isFinished()) loop.exec();
    if (tooLong) {
        answer.error = QStringLiteral("answer too long");
        return answer;
    }
    if (live->error() != QNetworkReply::NoError) {
        answer.error = live->errorString();
        return answer;
    }
    QByteArray data = live->readAll();
    if (r.maxBytes >= 0 && data.size() > r.maxBytes) {
        answer.error = QStringLiteral("answer too long");
        return answer;
    }
    answer.data = std::move(data);
    return answer;
}
