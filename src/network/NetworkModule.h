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

// What a streamed download tells its receiver, on the thread that started it, from its
// event loop. Only the content of a successful answer is handed on (not that of a
// redirect or a failure).
class DownloadReceiver {
public:
    virtual ~DownloadReceiver() = default;
    // The announced length of the content; -1 when the server does not say.
    virtual void downloadLength(qint64 total) = 0;
    // The next part of the content. Answering false ends the download as failed.
    virtual bool downloadData(const QByteArray& data) = 0;
    // The end: `error` is empty when all the content arrived. Nothing follows.
    virtual void downloadEnded(const QString& error, const QString& refusedRedirect) = 0;
};

// A download in progress; deleting it cancels it without a word to its receiver (also
// inside one of the receiver's calls).
class Download {
public:
    virtual ~Download() = default;
};

// The second entry point: starts a download on the calling thread, which must run an
// event loop; the content goes to the receiver piece by piece, never held whole. The
// request's size cap ends it as "answer too long".
using DownloadFunction = Download* (*)(const Request& request, DownloadReceiver* receiver);
inline constexpr char DownloadEntryPoint[] = "rbx_network_download";

} // namespace rbx::network
