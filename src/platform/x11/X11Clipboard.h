#pragma once
// The X CLIPBOARD selection as a ClipboardBackend.
//
// Owning: a window of our own on the session's connection takes the selection and
// answers requests (TARGETS, MULTIPLE, TIMESTAMP and the declared types, INCR for large
// data); the data of a declared type is asked from the provider when a reader wants it.
// Reading another owner's data (saving) goes over a private connection and waits with
// time-outs, so the session's event dispatch is never entered from inside a read. A
// read that timed out takes that connection with it: a late answer must not land in a
// later read.
// The change count counts XFixes owner-change notices (ours included).

#include "platform/x11/ClipboardBackend.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <memory>

class X11Session;
struct _XDisplay;
union _XEvent;

namespace kx::x11 {

class X11Clipboard : public QObject, public ClipboardBackend {
    Q_OBJECT
public:
    // On a session (default: the shared one); unavailable without a display.
    explicit X11Clipboard(X11Session* session = nullptr, QObject* parent = nullptr);
    ~X11Clipboard() override;

    bool isAvailable() const override;
    int changeCount() override;
    int declareTypes(const QStringList& types, Provider provider) override;
    bool ownsClipboard() override;
    int releaseClipboard() override;
    std::optional<QStringList> availableTypes(int timeoutMs, bool* timedOut = nullptr) override;
    std::optional<ClipboardData> dataForType(const QString& type, int timeoutMs, bool* timedOut = nullptr) override;
    bool handOverToClipboardManager(int timeoutMs) override;
    bool handOverToKeeper(const QString& program, int timeoutMs) override;
    void setTracing(bool on) override { tracing_ = on; }
    void serveReaders(int timeoutMs, const std::function<bool()>& done) override;
    void setRefusalHandler(RefusalHandler handler) override { refusal_ = std::move(handler); }

    // Gives up the clipboard if we own it.
    void release();
    // Data larger than this goes in INCR chunks of this size (bytes).
    void setChunkSize(int bytes) { chunkSize_ = bytes; }
    // Largest data kept from another owner per type (bytes).
    static constexpr qsizetype MaxDataSize = 64 << 20;

signals:
    // Another client took the clipboard from us.
    void lostOwnership();

private:
    struct IncrTransfer;
    struct Reader;

    void onSelectionRequest(const _XEvent& e);
    void onSelectionClear(const _XEvent& e);
    void onOwnerChange(const _XEvent& e);
    void onPropertyNotify(const _XEvent& e);
    void trace(const QString& text) const;
    bool convert(unsigned long requestor, unsigned long target, unsigned long property);
    bool writeData(unsigned long requestor, unsigned long property, unsigned long target,
                   const ClipboardData& data);
    std::optional<ClipboardData> ownData(const QString& type);
    Reader* reader();
    std::optional<ClipboardData> readOther(unsigned long target, int timeoutMs, bool* timedOut);

    X11Session* session_ = nullptr;
    _XDisplay* dpy_ = nullptr;
    unsigned long window_ = 0;
    unsigned long clipboard_ = 0;
    int fixesEventBase_ = -1;
    unsigned long ownTime_ = 0;
    QList<unsigned long> ownTimes_;   // our recent ownership times, to tell our own notices
    bool owning_ = false;
    int count_ = 0;
    int chunkSize_ = 0;
    QStringList types_;
    Provider provider_;
    QList<std::shared_ptr<IncrTransfer>> transfers_;
    std::unique_ptr<Reader> reader_;
    QList<quint64> listeners_;
    RefusalHandler refusal_;
    bool tracing_ = false;
    QString traceAnswer_;      // what the request being answered got
    QElapsedTimer declared_;   // since the latest declaration, for the trace
};

} // namespace kx::x11
