#pragma once
// A small HTTP/1.0 server on 127.0.0.1 for the update tests, on a thread of its own so
// that a client blocking the test's main thread is still answered. Each path is served
// as set up with serve(); others get 404. Every request is recorded. One request per
// connection; the connection closes after the answer.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QThread>

class QTcpServer;

namespace rbxtest {

struct HttpAnswer {
    int status = 200;
    QByteArray body;
    // No Content-Length header: the body ends when the connection closes.
    bool omitLength = false;
    // Sent with status 302 when not empty (absolute or relative address).
    QByteArray location;
    // The head goes out at once; the body follows in `pieces` parts, `pauseMs` apart.
    int pieces = 1;
    int pauseMs = 0;
    // The head is sent, then nothing until the client gives up (a stalled server).
    bool stall = false;
    // The connection is closed half-way through the body, with the full length announced.
    bool breakOff = false;

    static HttpAnswer text(const QByteArray& body) { return HttpAnswer{200, body}; }
    static HttpAnswer redirect(const QByteArray& to) {
        HttpAnswer a;
        a.status = 302;
        a.location = to;
        return a;
    }
    static HttpAnswer failure(int status) {
        HttpAnswer a;
        a.status = status;
        a.body = "failed";
        return a;
    }
};

struct HttpRequest {
    QString path;  // with the query
    QHash<QByteArray, QByteArray> headers;  // names lower-cased
};

class LocalHttpServer {
public:
    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>/"
    QString baseUrl() const;
    void serve(const QString& path, const HttpAnswer& answer);
    QList<HttpRequest> requests() const;
    QStringList requestedPaths() const;
    int countOf(const QString& path) const;

private:
    friend class HttpConnection;
    HttpAnswer answerFor(const HttpRequest& request);

    QThread thread_;
    QObject* context_ = nullptr;  // lives on the thread
    QTcpServer* server_ = nullptr;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QHash<QString, HttpAnswer> answers_;
    QList<HttpRequest> requests_;
};

} // namespace rbxtest
