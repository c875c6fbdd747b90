#pragma once
// One running process: its identity (name, desktop entry, creator code, version, path,
// launch time), finding processes (front, own, by creator code, by identifier, by pid),
// acting on them (bring to front, hide, quit, send events), custom information kept for
// other parts, and the announcement of launches, terminations and front switches as
// "KXProcessChangeNotification".
//
// A process is named for good by its pid together with its start time, so a pid that
// the kernel hands to a new process never reaches the old object. The front process is
// the owner (_NET_WM_PID) of the window manager's active window; launches are new
// owners of managed windows, terminations are watched on the processes themselves.

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace a11y {
class EventWatch;
}

class KXProcess : public std::enable_shared_from_this<KXProcess> {
public:
    using Ptr = std::shared_ptr<KXProcess>;

    // high: the low 32 bits of the start time (clock ticks after boot); low: the pid.
    struct SerialNumber {
        quint32 high = 0;
        quint32 low = 0;
        bool operator==(const SerialNumber&) const = default;
    };

    static inline const QString ChangeNotification = QStringLiteral("KXProcessChangeNotification");
    // Accessibility events of one process: object the process, user info "element" (the
    // accessible object's path, or "") and "event" (the event name).
    static inline const QString UINotification = QStringLiteral("KXProcessUINotification");
    // The object of the change notifications (they are about the class, not one process).
    static const void* notificationObject();

    // Finding. All on the main thread.
    // The process of the active window; while the palette holds the keyboard it took, the
    // process of the window it goes back to. Null when there is none or it has no pid.
    static Ptr frontProcess();
    static Ptr currentProcess();  // kept after the first call
    static QList<Ptr> allProcesses();  // this user's processes, by pid
    static Ptr processWithSerialNumber(SerialNumber serial);  // null when it no longer runs
    static Ptr processWithPID(int pid);
    static Ptr processWithSignature(quint32 signature);
    static Ptr processWithSignatureString(const QString& signature);
    // First process whose identifier (desktop entry id) or program name equals the text:
    // processes with windows first, then the others.
    static Ptr processWithIdentifier(const QString& identifier);
    static QString processListForDiagnosticsReport();
    // Launch and termination events seen so far.
    static int applicationLaunchEndCount();
    // Starts the watch that posts the change notifications (done by every lookup).
    static void startWatching();

    // Identity.
    SerialNumber serialNumber() const { return m_serial; }
    int unixPID() const { return m_pid; }
    quint64 startTime() const { return m_startTime; }
    bool isSameProcess(const KXProcess& other) const;
    QString name();         // the program name
    QString displayName();  // the desktop entry's name, else `name`
    QString appName();      // the executable's file name, else `displayName`
    quint32 signature();    // the creator code whose bus name the process owns, else '????'
    QString signatureString();
    QString signatureHexString();
    QVariantMap infoDictionary();
    QString identifier();   // the desktop entry id, "" when unknown
    QString path();         // the executable
    QString desktopFile();  // the desktop entry's file
    QString iconName();     // the desktop entry's icon name
    QString version();
    int majorVersionNumber();
    bool isAtLeastVersion(const QString& version);
    QDateTime launchDate();
    double secondsRunning();
    double cpuTime();       // user CPU time in seconds, 0 on failure
    bool isStillRunning() const;
    bool isFrontProcess() const;
    // A window of it is the window manager's active window (for the palette, too).
    bool ownsActiveWindow() const;
    bool isBackgroundOnly() const;  // no managed window
    bool isCocoa();                 // a graphical application: has a managed window
    QString platform();             // "Java", "Cocoa" or "Carbon"
    // "Java" for a Java program (".java" in the identifier, or the program "java"),
    // else "Cocoa" for a graphical one, else "Carbon".
    static QString platformOf(const QString& identifier, const QString& name, bool graphical);
    QString hashString();
    QString description();
    QString detailedDescription();
    uint hash() const { return m_serial.high + m_serial.low; }
    int compare(KXProcess& other);  // by name, ignoring case

    // Custom information for other parts (an invalid value removes the key).
    void setInfo(const QVariant& value, const QString& key);
    QVariant infoForKey(const QString& key) const;
    QVariant info() const { return infoForKey(QString()); }
    void setInfo(const QVariant& value) { setInfo(value, QString()); }

    // Acting.
    bool wakeUp();
    bool setHidden(bool hidden);
    bool setFrontProcess();
    bool setFrontProcessFrontWindowOnly();
    bool temporarilySwitchOut();
    bool quit();
    bool quitRunningApplicationWithTimeout(double seconds);
    bool forceQuit();
    // Events to the process over the session bus (0 = sent; otherwise an error number).
    int sendAppleEventClass(quint32 eventClass, quint32 eventID);  // no reply
    int sendAppleEventClass(quint32 eventClass, quint32 eventID, double timeoutSeconds);
    int sendAppleEventClass(quint32 eventClass, quint32 eventID, const QString& parameter);

    // Accessibility events of this process ("object:state-changed:focused",
    // "window:activate", ...) are announced as UINotification from now on; false (and
    // a log line) when that cannot be done.
    bool addAXNotification(const QString& eventName);
    bool removeAXNotification(const QString& eventName);

    // Compares dotted versions component by component as integers (2.10 > 2.9).
    static bool versionIsAtLeast(const QString& version, const QString& minimum);

    KXProcess(int pid, quint64 startTime);  // use the finders
    ~KXProcess();

private:
    void loadIdentity();
    void loadDesktopEntry();
    QList<unsigned long> windows() const;
    bool signalIfSame(int sig) const;

    SerialNumber m_serial;
    int m_pid = 0;
    quint64 m_startTime = 0;
    bool m_identityLoaded = false;
    bool m_desktopLoaded = false;
    bool m_signatureLoaded = false;
    QString m_name, m_path, m_comm;
    QString m_identifier, m_displayName, m_desktopFile, m_icon;
    quint32 m_signature = 0;
    QString m_version;
    int m_cocoaStatus = 0;  // 0 unknown, 1 graphical, 2 not
    QVariantMap m_customInfo;
    // Owned by this object; also a child of the application, which deletes it on the way
    // out when this object outlives the application.
    QPointer<a11y::EventWatch> m_axWatch;
};
