#pragma once
// The rules every request of the update client follows:
//   only https addresses, and plain http only to this machine (a test server on the
//   loopback address); an https address is never turned into http;
//   a redirect is followed only to an address these rules allow, and never from https
//   to http;
//   a transfer that stalls ends after its time-out (30 s unless told);
//   the server is asked not to encode the content ("Accept-Encoding: identity").

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <QUrl>
#include <optional>

class QNetworkReply;

namespace update {

inline constexpr int TransferTimeoutMs = 30 * 1000;

bool isLoopbackHost(const QString& host);
// https to any host, http only to a loopback host.
bool isPermittedAddress(const QUrl& url);
bool isPermittedRedirect(const QUrl& from, const QUrl& to);

// A GET request under these rules; redirects wait for guardRedirects.
QNetworkRequest makeRequest(const QUrl& url, int timeoutMs = TransferTimeoutMs);
// Follows the reply's redirects that the rules allow; the others end the reply with an
// error (logged "redirect refused: <from> -> <to>").
void guardRedirects(QNetworkReply* reply);

struct Fetched {
    std::optional<QByteArray> data;  // none on failure
    QString error;
};
// Fetches the address on the calling thread (any thread; a local event loop waits).
// An answer longer than `maxBytes`, an address the rules refuse and an HTTP failure
// give no data.
Fetched fetch(const QUrl& url, qint64 maxBytes = 1 << 20, int timeoutMs = TransferTimeoutMs);

} // namespace update
