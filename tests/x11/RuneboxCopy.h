#pragma once
// A copy of the real runebox program with its debug state on the session bus
// (RUNEBOX_DEBUG_STATE=1), and the calls a test makes to it: the debug methods and the
// URL commands (sent with runebox-tool, as a second start would hand them over).
#include "BusCall.h"
#include "Desktop.h"
#include "RuneboxPrograms.h"
#include "common/TestEnvironment.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QUrl>
#include <QVariantMap>
#include <functional>

namespace x11test {

class Copy {
public:
    explicit Copy(const QStringList& args = {}, const QProcessEnvironment& extra = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("RUNEBOX_DEBUG_STATE"), QStringLiteral("1"));
        for (const QString& k : extra.keys()) env.insert(k, extra.value(k));
        p_.setProcessEnvironment(env);
        p_.setProcessChannelMode(QProcess::MergedChannels);
        p_.start(Runebox, args);
    }
    ~Copy() {
        if (p_.state() == QProcess::NotRunning) return;
        p_.terminate();
        if (!p_.waitForFinished(5000)) {
            p_.kill();
            p_.waitForFinished();
        }
    }
    QProcess& process() { return p_; }
    QString output() {
        out_ += QString::fromUtf8(p_.readAll());
        return out_;
    }

    // A method of the debug interface; an invalid value when the call failed.
    static QVariant debugCall(const QString& method, const QVariantList& args = {}) {
        QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.runebox.Runebox"), QStringLiteral("/Debug"),
                                                        QStringLiteral("org.runebox.Debug"), method);
        m.setArguments(args);
        const QDBusMessage reply = busCall(m, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage) return {};
        return reply.arguments().value(0);
    }
    static QVariantMap state() { return qdbus_cast<QVariantMap>(debugCall(QStringLiteral("State"))); }
    static bool waitForState(const std::function<bool(const QVariantMap&)>& pred, int ms = 15000) {
        return rbxtest::waitFor([&] {
            const QVariantMap s = state();
            return !s.isEmpty() && pred(s);
        }, ms);
    }
    static bool visible(const QVariantMap& s) { return s.value(QStringLiteral("visible")).toBool(); }
    static bool shownAndPainted(const QVariantMap& s) {
        return visible(s) && s.value(QStringLiteral("paintedNs")).toLongLong() > 0;
    }
    // The palette has the keyboard (opened, or the pointer over it) and gives it back to the
    // window of `pid` (waits up to `ms`).
    static bool holdsKeyboardFor(int pid, int ms = 15000) {
        return waitForState([pid](const QVariantMap& s) {
            X11Session& x = X11Session::shared();
            return ewmh::windowPid(x, s.value(QStringLiteral("keyboardOwner")).toULongLong()) ==
                       s.value(QStringLiteral("pid")).toInt() &&
                   ewmh::windowPid(x, s.value(QStringLiteral("handBackTo")).toULongLong()) == pid;
        }, ms);
    }
    // The screen rectangle of a character's cell while it is in view; empty otherwise.
    static QRect cellOf(char32_t c) {
        const QVariantList r = qdbus_cast<QVariantList>(debugCall(QStringLiteral("CellRect"), {uint(c)}));
        return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
    }
    // Moves the pointer to `p` over a window of the palette and waits until the palette has
    // taken a pointer event there (by way of the point beside it, so that it is a new one).
    static bool pointAt(const QPoint& p) {
        for (const QPoint& at : {p + QPoint(1, 0), p}) {
            pointTo(at);
            if (!tookPointerAt(at)) return false;
        }
        return true;
    }
    // Waits until the latest pointer event the palette took was at `p`.
    static bool tookPointerAt(const QPoint& p, int ms = 15000) {
        return waitForState([p](const QVariantMap& s) {
            const QVariantList seen = qdbus_cast<QVariantList>(s.value(QStringLiteral("pointer")));
            return seen.size() == 2 && QPoint(seen[0].toInt(), seen[1].toInt()) == p;
        }, ms);
    }
    // Waits until the palette knows that a window of its own has the keyboard (up to `ms`).
    static bool ownsKeyboard(int ms = 15000) {
        return waitForState([](const QVariantMap& s) {
            return ewmh::windowPid(X11Session::shared(), s.value(QStringLiteral("keyboardOwner")).toULongLong()) ==
                   s.value(QStringLiteral("pid")).toInt();
        }, ms);
    }
    // Points at the character's cell (`offset` from its centre) and waits until the palette
    // has it under the mouse.
    static bool pointAtCharacter(char32_t c, const QPoint& offset = {}) {
        const QRect cell = cellOf(c);
        if (cell.isEmpty()) return false;
        pointTo(cell.center() + offset);
        return waitForState([c](const QVariantMap& s) { return s.value(QStringLiteral("selected")).toUInt() == uint(c); });
    }
    // Points at the character's cell and clicks there once the palette has it under the
    // mouse.
    static bool clickCharacter(char32_t c) {
        if (!pointAtCharacter(c)) return false;
        click();
        return true;
    }

private:
    QProcess p_;
    QString out_;
};

// A URL command to the running copy; the exit code of runebox-tool.
inline int url(const QString& u) { return run(Tool, {QStringLiteral("url"), u}); }

// Whether the table has drawn the result of the search `text` (waits up to `ms`).
inline bool searchShown(const QString& text, int ms = 15000) {
    return Copy::waitForState([&](const QVariantMap& s) {
        return s.value(QStringLiteral("search")) == text && s.value(QStringLiteral("tableSearch")) == text;
    }, ms);
}

// Searches by URL command and waits until the table has drawn the search's result. A
// search typed before the names' word index is ready is taken up once it is, and until
// then the table goes on showing its whole layout: cells found before would move.
inline bool search(const QString& text, int ms = 15000) {
    if (url(QStringLiteral("runebox://set?search=") + QString::fromLatin1(QUrl::toPercentEncoding(text))) != 0)
        return false;
    return searchShown(text, ms);
}

// The screen rectangle of the item of the palette's open menu whose title begins with
// `title`, and whether it is enabled; empty when no such item is open.
inline QRect menuItemRect(const QString& title, bool* enabled = nullptr) {
    for (const QVariant& v : qdbus_cast<QVariantList>(Copy::debugCall(QStringLiteral("MenuItems")))) {
        const QVariantMap m = qdbus_cast<QVariantMap>(v);
        if (!m.value(QStringLiteral("title")).toString().startsWith(title)) continue;
        if (enabled) *enabled = m.value(QStringLiteral("enabled")).toBool();
        const QVariantList r = qdbus_cast<QVariantList>(m.value(QStringLiteral("rect")));
        return r.size() == 4 ? QRect(r[0].toInt(), r[1].toInt(), r[2].toInt(), r[3].toInt()) : QRect();
    }
    return {};
}

} // namespace x11test
