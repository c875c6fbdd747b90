#pragma once
// A private session bus for one test: its own dbus-daemon, and as many connections to
// it as the test wants (each connection is one "program"). The daemon ends with the
// object, and with the test process should that die first.

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/prctl.h>

namespace rbxtest {

class PrivateBus {
public:
    PrivateBus() {
        m_daemon.setStandardErrorFile(QProcess::nullDevice());
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                        QStringLiteral("--print-address=1")});
        if (!m_daemon.waitForStarted(5000)) return;
        for (int i = 0; i < 100 && !m_daemon.canReadLine(); ++i) m_daemon.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& n : m_names) QDBusConnection::disconnectFromBus(n);
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(3000);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QDBusConnection connect(const QString& name) {
        const QString full = QStringLiteral("rbxtest-%1-%2").arg(name).arg(quintptr(this));
        m_names << full;
        return QDBusConnection::connectToBus(m_address, full);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

} // namespace rbxtest
