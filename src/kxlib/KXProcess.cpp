// KXProcess: finding processes, the process cache and the identity of one process.

#include "kxlib/KXProcess.h"

#include "kxlib/DesktopEntries.h"
#include "kxlib/KXProcessWatch.h"
#include "kxlib/ProcFs.h"
#include "core/Bundle.h"
#include "core/Log.h"
#include "platform/dbus/AccessibilityEvents.h"
#include "platform/dbus/FourCharCode.h"
#include "platform/dbus/SignatureNames.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/KeyboardFocus.h"
#include "platform/x11/X11Session.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSet>

#include <unistd.h>

namespace {

constexpr quint32 UnknownSignature = 0x3F3F3F3F;  // '????'

// Most recently used first.
QList<KXProcess::Ptr>& cache() {
    static QList<KXProcess::Ptr> c;
    return c;
}

int leadingInt(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && s.at(i).isSpace()) ++i;
    qsizetype j = i;
    if (j < s.size() && (s.at(j) == u'-' || s.at(j) == u'+')) ++j;
    while (j < s.size() && s.at(j) >= u'0' && s.at(j) <= u'9') ++j;
    bool ok = false;
    const int v = s.mid(i, j - i).toInt(&ok);
    return ok ? v : 0;
}

} // namespace

namespace kxprocess_detail {
void pruneCache() {
    cache().removeIf([](const KXProcess::Ptr& p) { return !p->isStillRunning(); });
}
} // namespace kxprocess_detail

KXProcess::KXProcess(int pid, quint64 startTime)
    : m_serial{quint32(startTime & 0xffffffffu), quint32(pid)}, m_pid(pid), m_startTime(startTime) {}

const void* KXProcess::notificationObject() {
    static const char tag = 0;
    return &tag;
}

// ---- finding

KXProcess::Ptr KXProcess::processWithPID(int pid) {
    startWatching();
    const auto st = kx::proc::readStat(pid);
    if (!st || st->state == 'Z' || st->state == 'X') return nullptr;
    auto& c = cache();
    for (qsizetype i = 0; i < c.size(); ++i) {
        if (c.at(i)->m_pid == pid && c.at(i)->m_startTime == st->startTime) {
            if (i) c.move(i, 0);
            return c.first();
        }
    }
    auto p = std::make_shared<KXProcess>(pid, st->startTime);
    c.prepend(p);
    return p;
}

KXProcess::Ptr KXProcess::processWithSerialNumber(SerialNumber serial) {
    startWatching();
    auto& c = cache();
    for (qsizetype i = 0; i < c.size(); ++i) {
        if (c.at(i)->m_serial == serial) {
            if (i) c.move(i, 0);
            return c.first();
        }
    }
    const auto st = kx::proc::readStat(int(serial.low));
    if (!st || quint32(st->startTime & 0xffffffffu) != serial.high) return nullptr;
    return processWithPID(int(serial.low));
}

KXProcess::Ptr KXProcess::currentProcess() {
    static Ptr current;
    if (!current) current = processWithPID(int(getpid()));
    return current;
}

KXProcess::Ptr KXProcess::frontProcess() {
    X11Session& s = X11Session::shared();
    // While the palette holds the keyboard it took, the application the user works in
    // stays in front.
    const int pid = ewmh::windowPid(s, KeyboardFocus::shared().applicationWindow(ewmh::activeWindow(s)));
    return pid > 0 ? processWithPID(pid) : nullptr;
}

QList<KXProcess::Ptr> KXProcess::allProcesses() {
    QList<Ptr> out;
    const uint me = getuid();
    for (int pid : kx::proc::allPids()) {
        bool ok = false;
        if (kx::proc::ownerUid(pid, &ok) != me || !ok) continue;
        if (kx::proc::commandLine(pid).isEmpty()) continue;  // kernel threads, zombies
        if (Ptr p = processWithPID(pid)) out.append(p);
    }
    return out;
}

KXProcess::Ptr KXProcess::processWithSignature(quint32 signature) {
    const uint pid = appleevent::signatureOwnerPid(signature);
    return pid ? processWithPID(int(pid)) : nullptr;
}

KXProcess::Ptr KXProcess::processWithSignatureString(const QString& signature) {
    const auto code = fourcc::fromText(signature);
    return code ? processWithSignature(*code) : nullptr;
}

KXProcess::Ptr KXProcess::processWithIdentifier(const QString& identifier) {
    if (identifier.isEmpty()) return nullptr;
    auto matches = [&](const Ptr& p) { return p && (p->identifier() == identifier || p->name() == identifier); };
    X11Session& s = X11Session::shared();
    QSet<int> seen;
    for (auto w : ewmh::clientList(s)) {
        const int pid = ewmh::windowPid(s, w);
        if (pid <= 0 || seen.contains(pid)) continue;
        seen.insert(pid);
        if (Ptr p = processWithPID(pid); matches(p)) return p;
    }
    for (const Ptr& p : allProcesses())
        if (!seen.contains(p->m_pid) && matches(p)) return p;
    return nullptr;
}

QString KXProcess::processListForDiagnosticsReport() {
    X11Session& s = X11Session::shared();
    QSet<int> windowed;
    for (auto w : ewmh::clientList(s)) windowed.insert(ewmh::windowPid(s, w));
    QStringList fg, bg;
    for (const Ptr& p : allProcesses()) (windowed.contains(p->m_pid) ? fg : bg) << p->detailedDescription();
    auto joined = [](QStringList l) {
        if (l.isEmpty()) return QStringLiteral("none");
        l.sort(Qt::CaseInsensitive);
        return l.join(QLatin1Char('\n'));
    };
    return QStringLiteral("Foreground processes:\n%1\n\nBackground processes:\n%2\n").arg(joined(fg), joined(bg));
}

// ---- identity

bool KXProcess::isSameProcess(const KXProcess& other) const {
    return m_pid == other.m_pid && m_startTime == other.m_startTime;
}

void KXProcess::loadIdentity() {
    if (m_identityLoaded) return;
    m_identityLoaded = true;
    if (const auto st = kx::proc::readStat(m_pid)) m_comm = st->comm;
    m_path = kx::proc::executablePath(m_pid);
    m_name = kx::proc::programName(m_path, m_comm);
}

void KXProcess::loadDesktopEntry() {
    if (m_desktopLoaded) return;
    m_desktopLoaded = true;
    loadIdentity();
    if (m_pid == int(getpid())) {
        // Our own identity is in the bundle.
        m_identifier = kx::Bundle::mainBundle().bundleIdentifier();
        m_displayName = kx::Bundle::mainBundle().bundleName();
        return;
    }
    const kx::DesktopEntries& entries = kx::DesktopEntries::shared();
    std::optional<kx::DesktopEntry> entry;
    // Started from a desktop entry by the desktop: it says so in the environment (the
    // pid check keeps children that inherited the variables out).
    const auto launched = kx::proc::environmentValue(m_pid, "GIO_LAUNCHED_DESKTOP_FILE");
    const auto launchedPid = kx::proc::environmentValue(m_pid, "GIO_LAUNCHED_DESKTOP_FILE_PID");
    if (launched && launchedPid && launchedPid->toInt() == m_pid) {
        const QString file = QString::fromLocal8Bit(*launched);
        QString id = QFileInfo(file).fileName();
        if (id.endsWith(QLatin1String(".desktop"))) id.chop(8);
        entry = entries.byId(id);
        if (!entry) entry = kx::DesktopEntries::parse(file, id);
    }
    if (!entry) {
        X11Session& s = X11Session::shared();
        for (auto w : windows()) {
            const ewmh::WindowClass wc = ewmh::windowClass(s, w);
            entry = entries.byWindowClass(wc.className);
            if (!entry) entry = entries.byWindowClass(wc.instance);
            if (entry) break;
        }
    }
    if (!entry && !m_name.isEmpty()) entry = entries.byProgram(m_name);
    if (!entry) return;
    m_identifier = entry->id;
    m_displayName = entry->name;
    m_desktopFile = entry->path;
    m_icon = entry->icon;
}

QList<unsigned long> KXProcess::windows() const { return ewmh::windowsOfPid(X11Session::shared(), m_pid); }

QString KXProcess::name() {
    loadIdentity();
    return m_name;
}

QString KXProcess::displayName() {
    loadDesktopEntry();
    return m_displayName.isEmpty() ? name() : m_displayName;
}

QString KXProcess::appName() {
    const QString file = QFileInfo(path()).fileName();
    return file.isEmpty() ? displayName() : file;
}

quint32 KXProcess::signature() {
    if (!m_signatureLoaded) {
        m_signatureLoaded = true;
        if (m_pid == int(getpid())) {
            const auto own = fourcc::fromText(
                kx::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleSignature")).toString());
            if (own) {
                m_signature = *own;
                return m_signature;
            }
        }
        const QList<quint32> owned = appleevent::signaturesOfPid(uint(m_pid));
        m_signature = owned.isEmpty() ? UnknownSignature : owned.first();
    }
    return m_signature;
}

QString KXProcess::signatureString() { return fourcc::toText(signature()); }

QString KXProcess::signatureHexString() { return fourcc::toHex(signature()); }

QString KXProcess::identifier() {
    loadDesktopEntry();
    return m_identifier;
}

QString KXProcess::path() {
    loadIdentity();
    return m_path;
}

QString KXProcess::desktopFile() {
    loadDesktopEntry();
    return m_desktopFile;
}

QString KXProcess::iconName() {
    loadDesktopEntry();
    return m_icon;
}

QVariantMap KXProcess::infoDictionary() {
    QVariantMap d;
    if (!identifier().isEmpty()) d.insert(QStringLiteral("CFBundleIdentifier"), identifier());
    d.insert(QStringLiteral("CFBundleName"), displayName());
    d.insert(QStringLiteral("CFBundleExecutable"), name());
    if (!iconName().isEmpty()) d.insert(QStringLiteral("CFBundleIconFile"), iconName());
    d.insert(QStringLiteral("CFBundleVersion"), version());
    return d;
}

QString KXProcess::version() {
    if (m_version.isEmpty()) {
        // Other programs do not publish a version; our own has it in the bundle.
        m_version = QStringLiteral("1.0");
        if (m_pid == int(getpid())) {
            const QString shortVersion = kx::Bundle::mainBundle().shortVersionString();
            if (shortVersion.contains(QLatin1Char('.')))
                m_version = shortVersion;
            else if (!kx::Bundle::mainBundle().bundleVersion().isEmpty())
                m_version = kx::Bundle::mainBundle().bundleVersion();
        }
    }
    return m_version;
}

int KXProcess::majorVersionNumber() { return leadingInt(version()); }

bool KXProcess::versionIsAtLeast(const QString& version, const QString& minimum) {
    const QStringList a = version.split(QLatin1Char('.'));
    const QStringList b = minimum.split(QLatin1Char('.'));
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const int x = leadingInt(a.value(i)), y = leadingInt(b.value(i));
        if (x != y) return x > y;
    }
    return true;
}

bool KXProcess::isAtLeastVersion(const QString& v) { return versionIsAtLeast(version(), v); }

QDateTime KXProcess::launchDate() {
    const QDateTime d = m_pid > 0 ? kx::proc::startDate(m_startTime) : QDateTime();
    if (d.isValid()) return d;
    kx::log(QStringLiteral("*** Cannot get launch date for %1").arg(description()));
    return QDateTime::currentDateTime();
}

double KXProcess::secondsRunning() { return double(launchDate().msecsTo(QDateTime::currentDateTime())) / 1000.0; }

double KXProcess::cpuTime() {
    const auto st = kx::proc::readStat(m_pid);
    if (!st || st->startTime != m_startTime) return 0.0;
    return kx::proc::ticksToSeconds(st->utime);
}

bool KXProcess::isStillRunning() const { return kx::proc::isRunning(m_pid, m_startTime); }

bool KXProcess::isFrontProcess() const {
    X11Session& s = X11Session::shared();
    return m_pid > 0 && ewmh::windowPid(s, KeyboardFocus::shared().applicationWindow(ewmh::activeWindow(s))) == m_pid &&
           isStillRunning();
}

bool KXProcess::ownsActiveWindow() const {
    X11Session& s = X11Session::shared();
    return m_pid > 0 && ewmh::windowPid(s, ewmh::activeWindow(s)) == m_pid && isStillRunning();
}

bool KXProcess::isBackgroundOnly() const { return windows().isEmpty(); }

bool KXProcess::isCocoa() {
    if (m_cocoaStatus == 0) m_cocoaStatus = windows().isEmpty() ? 2 : 1;
    return m_cocoaStatus == 1;
}

QString KXProcess::platform() { return platformOf(identifier(), name(), isCocoa()); }

QString KXProcess::platformOf(const QString& identifier, const QString& name, bool graphical) {
    // Java first: every application with a window here is "graphical", a Java one too,
    // and it should get the settings of Java applications.
    if (identifier.contains(QLatin1String(".java"), Qt::CaseInsensitive) || name == QLatin1String("java"))
        return QStringLiteral("Java");
    return graphical ? QStringLiteral("Cocoa") : QStringLiteral("Carbon");
}

QString KXProcess::hashString() {
    QString key;
    if (!identifier().isEmpty())
        key = QStringLiteral("id:") + identifier();
    else if (const QString sig = signatureString(); !sig.isEmpty() && sig != QLatin1String("????"))
        key = QStringLiteral("sig:") + sig;
    else
        key = QStringLiteral("name:") + name();
    return QString::fromLatin1(QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Md5).toHex());
}

QString KXProcess::description() {
    return QStringLiteral("Process \"%1\" (%2) %3").arg(name(), signatureString(), version());
}

QString KXProcess::detailedDescription() {
    return QStringLiteral("%1 V%2 (%3/%4)").arg(name(), version(), signatureString(), identifier());
}

int KXProcess::compare(KXProcess& other) {
    const int c = QString::compare(name(), other.name(), Qt::CaseInsensitive);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

void KXProcess::setInfo(const QVariant& value, const QString& key) {
    if (value.isValid())
        m_customInfo.insert(key, value);
    else
        m_customInfo.remove(key);
}

QVariant KXProcess::infoForKey(const QString& key) const { return m_customInfo.value(key); }
