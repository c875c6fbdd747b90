// The network module's entry points: a whole GET and a streamed one, through Qt's network
// access.

#include "network/NetworkModule.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <memory>

namespace {

using rbx::network::Request;

constexpr char TooLong[] = "answer too long";

QNetworkRequest makeRequest(const Request& r) {
    QNetworkRequest request(r.url);
    request.setTransferTimeout(r.timeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         r.redirectAllowed ? QNetworkRequest::UserVerifiedRedirectPolicy
                                           : QNetworkRequest::NoLessSafeRedirectPolicy);
    if (r.identityEncoding) request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

// Asks the request's rule about every redirect; a refused one is noted in `refused`
// and ends the reply.
void guardRedirects(QNetworkReply* reply, const Request& r, QString* refused) {
    if (!r.redirectAllowed) return;
    auto allowed = r.redirectAllowed;
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply, allowed, refused](const QUrl& to) {
        // The reply's address is the one it was redirected from until the redirect is allowed.
        const QUrl from = reply->url();
        const QUrl target = from.resolved(to);
        if (allowed(from, target)) {
            emit reply->redirectAllowed();
            return;
        }
        *refused = from.toString() + QStringLiteral(" -> ") + target.toString();
        reply->abort();
    });
}

bool isRedirectOrFailure(QNetworkReply* reply) {
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 300;
}

// Lives on the starting thread; its handle deletes it from the event loop, so that a
// receiver may drop the handle inside one of its calls.
class StreamedDownload : public QObject {
public:
    StreamedDownload(const Request& r, rbx::network::DownloadReceiver* receiver)
        : manager_(new QNetworkAccessManager(this)), receiver_(receiver), maxBytes_(r.maxBytes) {
        reply_ = manager_->get(makeRequest(r));
        guardRedirects(reply_, r, &refused_);
        connect(reply_, &QNetworkReply::metaDataChanged, this, &StreamedDownload::gotHeaders);
        connect(reply_, &QNetworkReply::readyRead, this, [this] { gotData(); });
        connect(reply_, &QNetworkReply::finished, this, &StreamedDownload::finished);
    }
    void cancel() {
        ended_ = true;
        reply_->disconnect(this);
        if (!reply_->isFinished()) reply_->abort();
    }

private:
    void gotHeaders() {
        if (ended_ || isRedirectOrFailure(reply_)) return;
        const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
        const qint64 total = length.isValid() ? length.toLongLong() : -1;
        if (maxBytes_ >= 0 && total > maxBytes_) {
            end(QString::fromLatin1(TooLong));
            return;
        }
        total_ = total;
        receiver_->downloadLength(total);
    }
    // Answers whether the download ended.
    bool gotData() {
        if (ended_) return true;
        const QByteArray data = reply_->readAll();
        if (data.isEmpty() || isRedirectOrFailure(reply_)) return false;
        received_ += data.size();
        if (maxBytes_ >= 0 && received_ > maxBytes_) {
            end(QString::fromLatin1(TooLong));
            return true;
        }
        if (receiver_->downloadData(data)) return false;
        end(QStringLiteral("the content could not be kept"));
        return true;
    }
    void finished() {
        if (gotData() || ended_) return;
        if (reply_->error() != QNetworkReply::NoError) end(reply_->errorString());
        // A connection closed before the announced length arrived is not a whole answer.
        else if (total_ >= 0 && received_ != total_) end(QStringLiteral("the answer ended early"));
        else end(QString());
    }
    void end(const QString& error) {
        cancel();
        receiver_->downloadEnded(error, refused_);
    }

    QNetworkAccessManager* manager_;
    QNetworkReply* reply_ = nullptr;
    rbx::network::DownloadReceiver* receiver_;
    QString refused_;
    qint64 maxBytes_;
    qint64 total_ = -1;
    qint64 received_ = 0;
    bool ended_ = false;
};

class DownloadHandle : public rbx::network::Download {
public:
    explicit DownloadHandle(StreamedDownload* download) : download_(download) {}
    ~DownloadHandle() override {
        download_->cancel();
        download_->deleteLater();
    }

private:
    StreamedDownload* download_;
};

} // namespace

extern "C" Q_DECL_EXPORT rbx::network::Answer rbx_network_fetch(const rbx::network::Request& r) {
    rbx::network::Answer answer;
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(makeRequest(r)));
    QNetworkReply* live = reply.get();
    guardRedirects(live, r, &answer.refusedRedirect);
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
        answer.error = QString::fromLatin1(TooLong);
        return answer;
    }
    if (live->error() != QNetworkReply::NoError) {
        answer.error = live->errorString();
        return answer;
    }
    QByteArray data = live->readAll();
    if (r.maxBytes >= 0 && data.size() > r.maxBytes) {
        answer.error = QString::fromLatin1(TooLong);
        return answer;
    }
    answer.data = std::move(data);
    return answer;
}

extern "C" Q_DECL_EXPORT rbx::network::Download* rbx_network_download(const rbx::network::Request& r,
                                                                      rbx::network::DownloadReceiver* receiver) {
    return new DownloadHandle(new StreamedDownload(r, receiver));
}
