#pragma once
// A private session bus for one test: its own dbus-daemon, and as many connections to
// it as the test wants (each connection is one "program").

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

class PrivateBus {
public:
    PrivateBus() {
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
        m_daemon.waitForFinished(3000);
    }
    bool isRunning() const { return !m_address.isEmpty(); }
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
