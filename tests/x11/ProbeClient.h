#pragma once
// Starts the probe application and talks to it over the session bus. Calls are made
// asynchronously and waited for while our own event loop runs, so that our clipboard
// owner keeps answering the probe meanwhile.

#include "BusCall.h"
#include "common/TestEnvironment.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QProcess>
#include <QVariantMap>

// The active window and the window with the keyboard focus belong to the process
// (ProbeFocus.cpp).
bool processHasKeyboardFocus(int pid);

class ProbeClient {
public:
    // `--no-clipboard-utility`: the probe does not stand in for the clipboard utility.
    explicit ProbeClient(const QStringList& args = {}) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(RUNEBOX_PROBE), args);
        started_ = rbxtest::waitFor([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.runebox.TestProbe"))
                .value();
        }, 15000);
    }
    ~ProbeClient() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) process_.kill();
    }
    bool started() const { return started_; }

    QVariant call(const QString& method, const QVariantList& args = {}, int timeoutMs = 15000) {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.runebox.TestProbe"), QStringLiteral("/Probe"),
                                                        QStringLiteral("org.runebox.TestProbe"), method);
        m.setArguments(args);
        const QDBusMessage reply = x11test::busCall(m, timeoutMs);
        return reply.arguments().value(0);
    }
    QString text() { return call(QStringLiteral("Text")).toString(); }
    // Waits until the probe's text field holds `expected` (never a fixed sleep).
    bool waitForText(const QString& expected, int timeoutMs = 10000) {
        return rbxtest::waitFor([&] { return text() == expected; }, timeoutMs);
    }
    void setClipboard(const QVariantMap& items) { call(QStringLiteral("SetClipboard"), {items}); }
    QByteArray clipboardData(const QString& type) { return call(QStringLiteral("ClipboardData"), {type}).toByteArray(); }
    QStringList keyEvents() { return call(QStringLiteral("KeyEvents")).toStringList(); }
    // Whether the probe's window is the active one and holds the keyboard focus. The window
    // manager names the active window before the focus has moved there, and key events go
    // where the focus is.
    bool hasKeyboardFocus() {
        return processHasKeyboardFocus(int(process_.processId()));
    }
    bool waitForKeyboardFocus(int timeoutMs = 10000) {
        return rbxtest::waitFor([this] { return hasKeyboardFocus(); }, timeoutMs);
    }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
    bool started_ = false;
};
