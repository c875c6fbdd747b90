// KXProcess: the launch, termination and front-switch announcements.
//
// Launches: a process that shows its first managed window (_NET_CLIENT_LIST on the root
// window). Front switches: the owner of _NET_ACTIVE_WINDOW changes. Terminations: every
// announced process is watched through a pidfd, which becomes readable when it ends.

#include "kxlib/KXNotificationCenter.h"
#include "kxlib/KXProcess.h"
#include "kxlib/KXProcessWatch.h"
#include "kxlib/ProcFs.h"
#include "platform/x11/DesktopWatch.h"
#include "platform/x11/Ewmh.h"
#include "platform/x11/KeyboardFocus.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/syscall.h>
#include <unistd.h>

namespace {

int pidfdOpen(int pid) {
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

class ProcessWatch : public QObject {
public:
    static ProcessWatch& get() {
        static ProcessWatch* w = new ProcessWatch;  // lives as long as the process
        return *w;
    }

    void ensureStarted() {
        X11Session& s = X11Session::shared();
        if (m_session == &s) return;
        stop();
        m_session = &s;
        if (!s.isAvailable()) return;
        m_desktop = new DesktopWatch(s, this);
        connect(m_desktop, &DesktopWatch::clientListChanged, this, [this] { clientListChanged(false); });
        connect(m_desktop, &DesktopWatch::activeWindowChanged, this, [this] { activeWindowChanged(false); });
        // Our own windows are no launch of ours.
        const int self = int(getpid());
        m_windowPids.insert(self);
        clientListChanged(true);
        activeWindowChanged(true);
    }

    int count = 0;

private:
    struct Watch {
        quint64 startTime = 0;
        int fd = -1;
        QSocketNotifier* notifier = nullptr;
    };

    void stop() {
        delete m_desktop;
        m_desktop = nullptr;
        for (auto it = m_watches.begin(); it != m_watches.end(); ++it) release(*it);
        m_watches.clear();
        m_windowPids.clear();
        m_frontPid = 0;
        m_session = nullptr;
    }

    void release(Watch& w) {
        delete w.notifier;
        w.notifier = nullptr;
        if (w.fd >= 0) ::close(w.fd);
        w.fd = -1;
    }

    QSet<int> currentWindowPids() {
        QSet<int> pids;
        for (auto w : ewmh::clientList(*m_session))
            if (const int pid = ewmh::windowPid(*m_session, w); pid > 0) pids.insert(pid);
        return pids;
    }

    void post(const QString& change, int pid) {
        KXNotificationCenter::defaultCenter().enqueue(
            KXNotification{KXProcess::ChangeNotification, KXProcess::notificationObject(),
                           {{QStringLiteral("change"), change}, {QStringLiteral("pid"), pid}}});
    }

    void clientListChanged(bool initial) {
        if (!m_session) return;
        const QSet<int> now = currentWindowPids();
        for (int pid : now) {
            if (m_windowPids.contains(pid)) continue;
            m_windowPids.insert(pid);
            if (!watch(pid)) continue;
            if (!initial) {
                ++count;
                post(QStringLiteral("started"), pid);
            }
        }
        checkUnwatchable();
    }

    void activeWindowChanged(bool initial) {
        if (!m_session) return;
        // Our own windows are never the front application.
        const int pid = ewmh::windowPid(*m_session, KeyboardFocus::shared().applicationWindow(ewmh::activeWindow(*m_session)));
        if (pid == m_frontPid) return;
        m_frontPid = pid;
        if (pid > 0 && !initial) post(QStringLiteral("front"), pid);
    }

    // Starts watching a process for its end; false when it has ended already.
    bool watch(int pid) {
        if (m_watches.contains(pid)) return true;
        const auto st = kx::proc::readStat(pid);
        if (!st || st->state == 'Z') return false;
        Watch w;
        w.startTime = st->startTime;
        w.fd = pidfdOpen(pid);
        // The pid may have been handed on between reading and opening.
        if (!kx::proc::isRunning(pid, w.startTime)) {
            release(w);
            return false;
        }
        if (w.fd >= 0) {
            w.notifier = new QSocketNotifier(w.fd, QSocketNotifier::Read, this);
            connect(w.notifier, &QSocketNotifier::activated, this, [this, pid] { ended(pid); });
        }
        m_watches.insert(pid, w);
        return true;
    }

    // Kernels without pidfds: look again on every client-list change and every second.
    void checkUnwatchable() {
        m_pollScheduled = false;
        bool any = false;
        for (auto it = m_watches.cbegin(); it != m_watches.cend(); ++it) {
            if (it->fd >= 0) continue;
            any = true;
            if (!kx::proc::isRunning(it.key(), it->startTime)) {
                const int pid = it.key();
                QTimer::singleShot(0, this, [this, pid] { ended(pid); });
            }
        }
        if (any && !m_pollScheduled) {
            m_pollScheduled = true;
            QTimer::singleShot(1000, this, [this] { checkUnwatchable(); });
        }
    }

    void ended(int pid) {
        auto it = m_watches.find(pid);
        if (it == m_watches.end()) return;
        release(*it);
        m_watches.erase(it);
        m_windowPids.remove(pid);
        if (m_frontPid == pid) m_frontPid = 0;
        ++count;
        kxprocess_detail::pruneCache();
        post(QStringLiteral("ended"), pid);
    }

    QPointer<X11Session> m_session;
    DesktopWatch* m_desktop = nullptr;
    QSet<int> m_windowPids;
    QHash<int, Watch> m_watches;
    int m_frontPid = 0;
    bool m_pollScheduled = false;
};

} // namespace

namespace kxprocess_detail {
int launchEndCount() { return ProcessWatch::get().count; }
} // namespace kxprocess_detail

void KXProcess::startWatching() { ProcessWatch::get().ensureStarted(); }

int KXProcess::applicationLaunchEndCount() { return kxprocess_detail::launchEndCount(); }
