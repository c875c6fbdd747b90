#pragma once
// The one writer of the system's text to the clipboard. For an insertion it saves the
// user's clipboard, publishes the text with marker types that tell clipboard-history
// tools to ignore it, and puts the user's clipboard back shortly after the front
// application has fetched the text. Copy commands publish without markers and without
// restoring.
//
// Main thread only (timers and the clipboard owner live there); the saved contents
// are guarded by `mutex_` for the periodic save.

#include "insertion/InsertionSettings.h"
#include "platform/x11/ClipboardBackend.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QVariant>
#include <memory>
#include <mutex>
#include <optional>

namespace kx {

// Tells the clipboard utility (creator code 'CoPa') about our use of the clipboard: its
// notice 'CONT' with a number, waiting for the reply when asked.
class KXClipboardUtilityNotifier {
public:
    virtual ~KXClipboardUtilityNotifier() = default;
    virtual void notify(quint32 number, bool wait) = 0;
};

// Whether a process with a creator code runs.
class KXProcessCheck {
public:
    virtual ~KXProcessCheck() = default;
    virtual bool isRunning(quint32 signature) const = 0;
};

class KXPasteboardManager : public QObject {
    Q_OBJECT
public:
    // What the manager asks of the system, given when it is made.
    struct Services {
        // The restore settings ("KXPasteboardSavingEnabled", "KXPasteboardRestoreExtraDelay");
        // null: the settings store.
        std::shared_ptr<const InsertionSettings> settings;
        // null: the clipboard utility is never told.
        std::shared_ptr<KXClipboardUtilityNotifier> utility;
        // null: no process counts as running.
        std::shared_ptr<const KXProcessCheck> processes;
        // The program that keeps what we own on the clipboard after exit when no
        // clipboard manager takes it (runebox-clipboard-keeper); empty: none.
        QString keeper;
    };

    // The shared manager on the X CLIPBOARD (kx::ProcessWide): the one installed, else one
    // made on first use, which tells the clipboard utility over the bus.
    static KXPasteboardManager& manager();
    static std::unique_ptr<KXPasteboardManager> makeDefault();
    // At the application's exit: the shared manager, when one was made, restores what is
    // pending and hands what it owns to a running clipboard manager, else to the keeper.
    static void handOverSharedManager();

    explicit KXPasteboardManager(std::shared_ptr<x11::ClipboardBackend> backend, Services services = {},
                                 QObject* parent = nullptr);
    ~KXPasteboardManager() override;

    // The name written as the marker types' data (default: the executable's name).
    void setExecutableName(const QString& name) { executableName_ = name; }

    // --- preparing contents
    void clearContents();
    void addData(const QByteArray& data, const QString& type);
    void addString(const QString& string, const QString& type);
    // The prepared list; empty when nothing is to be published.
    QStringList types() const { return types_; }

    // --- publishing
    // With the marker types, without saving or restoring. Answers the change count.
    int publish();
    // Without marker types (the copy commands).
    int publishDirectly();
    // Saves the user's clipboard, publishes with markers and restores `delay` seconds
    // after the last fetch of the data, or `timeout` seconds after publishing when
    // nothing is fetched (both plus "KXPasteboardRestoreExtraDelay").
    void publishAndRestoreAfter(double delay, double timeout);
    // After the paste key: answers the application's requests for the published text at
    // once, until it has fetched it or `timeoutMs` has passed.
    void serveUntilFetched(int timeoutMs);
    void setCopyPasteMode(bool on) { copyPasteMode_ = on; }
    bool copyPasteMode() const { return copyPasteMode_; }

    // --- saving and restoring
    void saveContents();
    // The restore step (what the restore timer runs).
    void restoreSavedContent();
    void restoreContents();
    void forgetSavedContents();
    // At exit: a pending restore is done now, then a running clipboard manager is asked
    // to keep a copy of what we own, else the keeper program is given one. True when one
    // of them took it.
    bool handOverToClipboardManager(int timeoutMs = 2000);

    // --- the further operations
    // Publishes with markers without saving; and the same delivering every type at once.
    int publishData();
    int publishAndProvideData();
    // Restores after `delay` seconds unless the clipboard changes meanwhile.
    void restoreSavedContentWithDelay(double delay);
    // Saves every `seconds` while nothing else runs; 0 or less stops and forgets.
    void setPeriodicSaveInterval(double seconds);

    // --- state, for the callers' checks and for tests
    QStringList savedTypes() const;
    std::optional<x11::ClipboardData> savedData(const QString& type) const;
    // False when the latest save could not read everything the owner listed (it stopped
    // answering, or the clipboard kept changing); such a save is never taken for the
    // clipboard's contents by a later save, which reads again.
    bool savedContentsComplete() const;
    // True when the latest save found no owner or one without types: the restore then
    // leaves the clipboard without owner, as it was.
    bool savedContentsEmpty() const;
    int savedChangeCount() const { return savedChangeCount_; }
    int publishedChangeCount() const { return publishedChangeCount_; }
    bool restorePending() const { return restoreTimer_.isActive(); }
    // Milliseconds until the pending restore; -1 when none.
    int restoreRemainingMs() const { return restoreTimer_.isActive() ? restoreTimer_.remainingTime() : -1; }
    bool deliveredPromise() const { return deliveredPromise_; }
    QString backgroundSaveState() const { return backgroundSaveState_; }
    double restoreDelay() const { return restoreDelay_; }
    x11::ClipboardBackend* backend() const { return backend_.get(); }

    // The types this manager adds to mark its own publishing, in order.
    static const QStringList& markerTypes();
    static bool isMarkerType(const QString& type);
    // Types that are never saved (whatever runs); see shouldSkipType for the rest.
    static bool isAlwaysSkippedType(const QString& type);
    bool shouldSkipType(const QString& type) const;

    // Time-outs of saving, in milliseconds: for the list of types, for each answer
    // about one type's data, for the whole save. An owner on a loaded desktop answers
    // slowly; one that lets an answer time out is not asked for more.
    static constexpr int TypesTimeoutMs = 5000;
    static constexpr int TypeTimeoutMs = 5000;
    static constexpr int SaveTimeoutMs = 15000;
    // Reads of a clipboard that changes while it is being saved.
    static constexpr int SaveAttempts = 3;

    // A reader that pastes from a list of types it kept from an earlier clipboard
    // (LibreOffice keeps the list it was given for up to two seconds) asks afresh once
    // this long after it was refused.
    static constexpr int RepasteDelayMs = 2100;

signals:
    // Emitted after each restore that put the saved contents back.
    void restored();
    // While an insertion's text waits on the clipboard and nothing of it was fetched, a
    // reader asked for a type of the user's saved clipboard that we do not publish: it
    // pastes from the types of the clipboard before ours, and pasted nothing. Emitted
    // once per publishing, with its change count; the restore waits for a second paste
    // key sent RepasteDelayMs later.
    void pasteMissed(int publishedChangeCount);

private:
    struct Declared;
    struct SaveRead;
    std::optional<x11::ClipboardData> provideDataForType(const Declared& declared, const QString& type);
    void addGeneratorType();
    void stopTimers();
    void typeRefused(const QString& type);
    int declare(const QStringList& types, bool restoring);
    void basicSave(QString& reading);
    SaveRead readClipboard(QString& reading, const QElapsedTimer& spent);
    bool savingEnabled() const;
    double extraDelay() const;
    QString executableName() const;
    void sendCopyPasteEvent(quint32 number, bool wait);

    std::shared_ptr<x11::ClipboardBackend> backend_;
    std::shared_ptr<const InsertionSettings> settings_;
    std::shared_ptr<KXClipboardUtilityNotifier> utility_;
    std::shared_ptr<const KXProcessCheck> processes_;
    const QString keeper_;
    QString executableName_;

    bool prepared_ = false;   // types_ is non-nil
    QStringList types_;
    QHash<QString, QByteArray> dataContents_;
    QHash<QString, QString> stringContents_;

    mutable std::recursive_mutex mutex_;
    QStringList savedTypes_;
    QHash<QString, x11::ClipboardData> savedContents_;
    int savedChangeCount_ = -1;
    bool savedComplete_ = true;
    // The latest save found an empty clipboard; restoring it gives the clipboard up.
    bool savedEmpty_ = false;
    int publishedChangeCount_ = 0;

    QTimer restoreTimer_, savedCheckTimer_, periodicSaveTimer_, delayedRestoreTimer_;
    double restoreDelay_ = 0;
    double periodicSaveInterval_ = 0;
    bool copyPasteMode_ = false;
    QString backgroundSaveState_;
    bool deliveredPromise_ = false;
    bool pasteMissed_ = false;   // reported for the current publishing
    double restoreTimeout_ = 0;  // seconds from publishing to the restore when nothing is fetched
    qint64 changeCountBeforeRestore_ = 0;
    // What the latest declaration serves.
    std::shared_ptr<Declared> current_;

    // The latest moment a restore may be moved to, on the monotonic clock (ms).
    QElapsedTimer clock_;
    qint64 restoreDeadlineMs_ = 0;
};

} // namespace kx
