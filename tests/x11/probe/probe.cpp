// runebox-probe: a small window for the end-to-end tests. It holds the keyboard focus
// with a text field, records every key event it receives, pastes on Ctrl+V (the text
// field's own paste), and answers on the session bus as "org.runebox.TestProbe" at
// "/Probe":
//   Text() -> s, Clear(), KeyEvents() -> as, Busy(i ms) (blocks its own thread after
//   answering), SetClipboard(a{sv} mime type -> bytes), ClipboardFormats() -> as,
//   ClipboardData(s mime type) -> ay (both as the clipboard is when asked, see
//   XCatchUp), Activate(), CopyPasteNotices() -> as,
//   TextChangedNs() -> x (CLOCK_MONOTONIC nanoseconds of the latest change of the text),
//   DragFiles(as paths): the next left-button press in the window starts a drag of those
//   files (text/uri-list, copy) that follows the pointer until the button is released;
//   DragResult() -> s: "" before, "dragging" during ("dragging to a taker" while the
//   window under the pointer has said it takes the files), then "copy" when the target
//   took the files or "refused".
// It also stands in for the clipboard utility with the creator code 'CoPa': it owns that
// signature's bus name and records the events sent to it ("CoPa CONT <number>"), unless
// started with --no-clipboard-utility.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusError>
#include <QDrag>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <time.h>
#include <xcb/xcb.h>

// Brings the probe's view of the X server up to date. Qt answers clipboard questions
// from what it has seen: the list of types is cached until the ownership notice comes
// in, and requests carry the time of the last event seen, which an owner that took the
// clipboard later refuses. The bus call that asks can overtake those notices, so before
// reading the probe changes a property of its own window and waits for the notice of
// that change: the server sends it behind everything it queued for the probe before.
class XCatchUp : public QAbstractNativeEventFilter {
public:
    explicit XCatchUp(QWidget* window) : window_(window) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || !atom_) return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        if ((ev->response_type & 0x7F) != XCB_PROPERTY_NOTIFY) return false;
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(ev);
        if (p->window == xcb_window_t(window_->winId()) && p->atom == atom_) ++seen_;
        return false;
    }

    void run() {
        auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        if (!x11) return;
        xcb_connection_t* c = x11->connection();
        if (!atom_) {
            static const char name[] = "_RUNEBOX_PROBE_CATCH_UP";
            xcb_intern_atom_reply_t* r =
                xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
            if (!r) return;
            atom_ = r->atom;
            std::free(r);
        }
        const quint64 wanted = ++sent_;
        xcb_change_property(c, XCB_PROP_MODE_APPEND, xcb_window_t(window_->winId()), atom_, XCB_ATOM_INTEGER, 32,
                            0, nullptr);
        xcb_flush(c);
        QElapsedTimer t;
        t.start();
        while (seen_ < wanted && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (seen_ < wanted) std::fprintf(stderr, "runebox-probe: no notice of its own property change\n");
    }

private:
    QWidget* window_;
    xcb_atom_t atom_ = XCB_NONE;
    quint64 sent_ = 0, seen_ = 0;
};

class Probe : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.runebox.TestProbe")
public:
    explicit Probe(QLineEdit* field) : field_(field), catchUp_(field->window()) {
        QCoreApplication::instance()->installNativeEventFilter(&catchUp_);
        connect(field_, &QLineEdit::textChanged, this, [this] {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            changedNs_ = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
        });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress && !dragPaths_.isEmpty() &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            startDrag();
            return true;
        }
        if (event->type() == QEvent::KeyPress && watched == field_) {
            auto* k = static_cast<QKeyEvent*>(event);
            keyEvents_ << QStringLiteral("%1:%2:%3").arg(k->key()).arg(int(k->modifiers())).arg(k->text());
        }
        return false;
    }

public slots:
    Q_SCRIPTABLE QString Text() { return field_->text(); }
    Q_SCRIPTABLE void Clear() {
        field_->clear();
        keyEvents_.clear();
    }
    Q_SCRIPTABLE QStringList KeyEvents() { return keyEvents_; }
    Q_SCRIPTABLE void Busy(int ms) {
        QTimer::singleShot(0, [ms] { QThread::msleep(static_cast<unsigned long>(ms)); });
    }
    Q_SCRIPTABLE void SetClipboard(const QVariantMap& items) {
        auto* mime = new QMimeData;
        for (auto it = items.cbegin(); it != items.cend(); ++it) mime->setData(it.key(), it.value().toByteArray());
        QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    }
    Q_SCRIPTABLE QStringList ClipboardFormats() {
        catchUp_.run();
        const QMimeData* m = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
        return m ? m->formats() : QStringList();
    }
    Q_SCRIPTABLE QByteArray ClipboardData(const QString& type) {
        catchUp_.run();
        const QMimeData* m = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
        return m ? m->data(type) : QByteArray();
    }
    Q_SCRIPTABLE void Activate() {
        QWidget* w = field_->window();
        w->raise();
        w->activateWindow();
        field_->setFocus();
    }

    // Full screen through the window manager (_NET_WM_STATE_FULLSCREEN), or back.
    Q_SCRIPTABLE void FullScreen(bool on) {
        QWidget* w = field_->window();
        if (on) w->showFullScreen();
        else w->showNormal();
    }

    Q_SCRIPTABLE void DragFiles(const QStringList& paths) {
        dragPaths_ = paths;
        dragResult_.clear();
    }
    Q_SCRIPTABLE QString DragResult() { return dragResult_; }

    Q_SCRIPTABLE QStringList CopyPasteNotices() { return notices_; }
    Q_SCRIPTABLE qlonglong TextChangedNs() { return changedNs_; }

public:
    QStringList notices_;

private:
    // The drag runs in an event loop of its own; the bus is answered meanwhile.
    void startDrag() {
        QList<QUrl> urls;
        for (const QString& path : std::exchange(dragPaths_, {})) urls << QUrl::fromLocalFile(path);
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(field_);
        drag->setMimeData(data);
        dragResult_ = QStringLiteral("dragging");
        connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction now) {
            dragResult_ = now == Qt::CopyAction ? QStringLiteral("dragging to a taker") : QStringLiteral("dragging");
        });
        const Qt::DropAction action = drag->exec(Qt::CopyAction);
        dragResult_ = action == Qt::CopyAction ? QStringLiteral("copy") : QStringLiteral("refused");
    }

    QStringList dragPaths_;
    QString dragResult_;
    QLineEdit* field_;
    XCatchUp catchUp_;
    QStringList keyEvents_;
    qint64 changedNs_ = 0;
};

// The events addressed to the clipboard utility.
class AppleEvents : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.runebox.AppleEvents")
public:
    explicit AppleEvents(Probe* probe) : probe_(probe) {}
public slots:
    Q_SCRIPTABLE QVariantMap Send(const QString& eventClass, const QString& eventID, const QVariantMap& params) {
        probe_->notices_ << QStringLiteral("%1 %2 %3").arg(eventClass, eventID, params.value(QStringLiteral("----")).toString());
        return {};
    }
private:
    Probe* probe_;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("runebox-probe"));
    auto* field = new QLineEdit(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(field);
    window.resize(400, 80);
    Probe probe(field);
    field->installEventFilter(&probe);
    window.installEventFilter(&probe);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/Probe"), &probe, QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(QStringLiteral("org.runebox.TestProbe"))) {
        std::fprintf(stderr, "runebox-probe: cannot register on the bus: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    bool clipboardUtility = true;
    for (int i = 1; i < argc; ++i) clipboardUtility = clipboardUtility && std::strcmp(argv[i], "--no-clipboard-utility") != 0;
    AppleEvents events(&probe);
    if (clipboardUtility &&
        (!bus.registerObject(QStringLiteral("/AppleEvents"), &events, QDBusConnection::ExportScriptableSlots) ||
         !bus.registerService(QStringLiteral("org.runebox.sig.x436f5061")))) {
        std::fprintf(stderr, "runebox-probe: cannot stand in for the clipboard utility\n");
        return 1;
    }
    window.show();
    probe.Activate();
    return app.exec();
}

#include "probe.moc"
