#include "common/LocalHttpServer.h"

#include <QMetaObject>
#include <QMutexLocker>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace rbxtest {

// Reads one request from its socket and answers it.
class HttpConnection : public QObject {
public:
    HttpConnection(LocalHttpServer& server, QTcpSocket* socket) : QObject(socket), server_(server), socket_(socket) {
        connect(socket, &QTcpSocket::readyRead, this, [this] { read(); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void read() {
        if (answered_) return;
        buffer_ += socket_->readAll();
        const qsizetype end = buffer_.indexOf("\r\n\r\n");
        if (end < 0) return;
        answered_ = true;
        const QList<QByteArray> lines = buffer_.left(end).split('\n');
        HttpRequest request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.path = QString::fromLatin1(first.value(1));
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0) request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        answer(server_.answerFor(request));
    }

    void answer(const HttpAnswer& a) {
        QByteArray head = "HTTP/1.0 " + QByteArray::number(a.status) + (a.status < 400 ? " OK" : " Failed") + "\r\n";
        if (!a.location.isEmpty()) head += "Location: " + a.location + "\r\n";
        if (!a.omitLength) head += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        socket_->write(head);
        if (a.stall) return;  // the client's time-out ends it
        if (a.breakOff) {
            socket_->write(a.body.left(a.body.size() / 2));
            socket_->flush();
            QTimer::singleShot(50, socket_, [s = socket_] { s->abort(); });
            return;
        }
        const int pieces = qMax(1, a.pieces);
        const qsizetype size = (a.body.size() + pieces - 1) / pieces;
        QList<QByteArray> parts;
        for (int i = 0; i < pieces; ++i) parts << a.body.mid(i * size, size);
        sendParts(parts, a.pauseMs);
    }

    // One part after the other: each waits for the one before, so that a busy machine
    // cannot put them out of order (coarse timers of different lengths may overtake).
    void sendParts(QList<QByteArray> parts, int pauseMs) {
        socket_->write(parts.takeFirst());
        if (parts.isEmpty()) {
            socket_->disconnectFromHost();
            return;
        }
        QTimer::singleShot(pauseMs, socket_, [this, parts, pauseMs] { sendParts(parts, pauseMs); });
    }

    LocalHttpServer& server_;
    QTcpSocket* socket_;
    QByteArray buffer_;
    bool answered_ = false;
};

LocalHttpServer::LocalHttpServer() {
    context_ = new QObject;
    context_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(context_, [this] {
        server_ = new QTcpServer(context_);
        server_->listen(QHostAddress::LocalHost, 0);
        port_ = server_->serverPort();
        QObject::connect(server_, &QTcpServer::newConnection, server_, [this] {
            while (QTcpSocket* s = server_->nextPendingConnection()) new HttpConnection(*this, s);
        });
    }, Qt::BlockingQueuedConnection);
}

LocalHttpServer::~LocalHttpServer() {
    QMetaObject::invokeMethod(context_, [this] { context_->deleteLater(); }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

QString LocalHttpServer::baseUrl() const { return QStringLiteral("http://127.0.0.1:%1/").arg(port_); }

void LocalHttpServer::serve(const QString& path, const HttpAnswer& answer) {
    QMutexLocker lock(&mutex_);
    answers_.insert(path, answer);
}

QList<HttpRequest> LocalHttpServer::requests() const {
    QMutexLocker lock(&mutex_);
    return requests_;
}

QStringList LocalHttpServer::requestedPaths() const {
    QStringList paths;
    for (const HttpRequest& r : requests()) paths << r.path;
    return paths;
}

int LocalHttpServer::countOf(const QString& path) const { return int(requestedPaths().count(path)); }

HttpAnswer LocalHttpServer::answerFor(const HttpRequest& request) {
    QMutexLocker lock(&mutex_);
    requests_ << request;
    return answers_.value(request.path, HttpAnswer::failure(404));
}

} // namespace rbxtest
