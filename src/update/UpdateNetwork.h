#pragma once
// The rules every request of the update client follows:
//   only https addresses, and plain http only to this machine (a test server on the
//   loopback address); an https address is never turned into http;
//   a redirect is followed only to an address these rules allow, and never from https
//   to http;
//   a transfer that stalls ends after its time-out (30 s unless told);
//   the server is asked not to encode the content ("Accept-Encoding: identity").

#include "network/NetworkModule.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace update {

inline constexpr int TransferTimeoutMs = 30 * 1000;
// The largest archive of a new version that is downloaded.
inline constexpr qint64 MaxArchiveBytes = qint64(512) << 20;

bool isLoopbackHost(const QString& host);
// https to any host, http only to a loopback host.
bool isPermittedAddress(const QUrl& url);
bool isPermittedRedirect(const QUrl& from, const QUrl& to);

struct Fetched {
    std::optional<QByteArray> data;  // none on failure
    QString error;
};
// Fetches the address on the calling thread (any thread; a local event loop waits)
// through the network module. An answer longer than `maxBytes`, an address the rules
// refuse and an HTTP failure give no data; a refused redirect is logged
// "redirect refused: <from> -> <to>".
Fetched fetch(const QUrl& url, qint64 maxBytes = 1 << 20, int timeoutMs = TransferTimeoutMs);
// A request for the network module under these rules (the address itself is checked by
// the caller with isPermittedAddress).
rbx::network::Request makeRequest(const QUrl& url, qint64 maxBytes, int timeoutMs = TransferTimeoutMs);
// Logs a redirect the module refused ("" : nothing).
void logRefusedRedirect(const QString& refused);

} // namespace update
