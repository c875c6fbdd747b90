#pragma once
// Network access lives in a module of its own (runebox-network), loaded the first time
// something is downloaded, so that the palette's start-up does not load the network
// libraries. The module knows nothing of the rules of its callers: it is handed them.

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace rbx::network {

struct Request {
    QUrl url;
    qint64 maxBytes = -1;  // no limit when negative
    int timeoutMs = 30 * 1000;  // a transfer that stalls that long ends
    bool identityEncoding = false;  // asks the server not to encode the content
    // Whether a redirect may be followed; without it, never from https to http.
    bool (*redirectAllowed)(const QUrl& from, const QUrl& to) = nullptr;
};

struct Answer {
    std::optional<QByteArray> data;  // none on failure
    QString error;
    QString refusedRedirect;  // "<from> -> <to>" when a redirect was refused
};

// The module's entry point, looked up by its name: fetches on the calling thread (any
// thread; a local event loop waits).
using FetchFunction = Answer (*)(const Request& request);
inline constexpr char EntryPoint[] = "rbx_network_fetch";
inline constexpr char ModuleName[] = "runebox-network";

} // namespace rbx::network
