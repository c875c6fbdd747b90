// Saving the clipboard of an owner that answers slowly, as programs do on a busy
// desktop, or not at all.
#include "common/TestEnvironment.h"
#include "insertion/KXPasteboardManager.h"
#include "core/Log.h"
#include "platform/x11/X11Clipboard.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

using kx::KXPasteboardManager;

namespace {

// A clipboard owner on a connection and thread of its own. It lists its types at once
// but pauses before each answer about data.
class PausingOwner {
public:
    PausingOwner(QList<std::pair<QByteArray, QByteArray>> items, int pauseMs)
        : items_(std::move(items)), pauseMs_(pauseMs) {
        dpy_ = XOpenDisplay(nullptr);
        if (!dpy_) return;
        window_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 0, 0, 1, 1, 0, 0, 0);
        clipboard_ = XInternAtom(dpy_, "CLIPBOARD", False);
        targets_ = XInternAtom(dpy_, "TARGETS", False);
        for (const auto& item : items_) atoms_.append(XInternAtom(dpy_, item.first.constData(), False));
        XSetSelectionOwner(dpy_, clipboard_, window_, CurrentTime);
        owning_ = XGetSelectionOwner(dpy_, clipboard_) == window_;
        thread_ = std::thread([this] { serve(); });
    }
    ~PausingOwner() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
        if (dpy_) XCloseDisplay(dpy_);
    }
    bool owning() const { return owning_; }
    int dataAnswers() const { return dataAnswers_; }

private:
    void serve() {
        while (!stopped()) {
            pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
            poll(&p, 1, 50);
            while (XPending(dpy_) > 0) {
                XEvent e;
                XNextEvent(dpy_, &e);
                if (e.type == SelectionRequest) answer(e.xselectionrequest);
            }
        }
    }
    bool stopped() {
        std::lock_guard lock(mutex_);
        return stop_;
    }
    void answer(const XSelectionRequestEvent& r) {
        const Atom property = r.property ? r.property : r.target;
        bool ok = false;
        if (r.target == targets_) {
            std::vector<long> list{long(targets_)};
            for (Atom a : atoms_) list.push_back(long(a));
            XChangeProperty(dpy_, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(list.data()), int(list.size()));
            ok = true;
        } else if (const qsizetype i = atoms_.indexOf(r.target); i >= 0) {
            std::unique_lock lock(mutex_);
            if (wake_.wait_for(lock, std::chrono::milliseconds(pauseMs_), [this] { return stop_; })) return;
            lock.unlock();
            const QByteArray& bytes = items_.at(i).second;
            XChangeProperty(dpy_, r.requestor, property, r.target, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(bytes.constData()), int(bytes.size()));
            ++dataAnswers_;
            ok = true;
        }
        XSelectionEvent n{};
        n.type = SelectionNotify;
        n.requestor = r.requestor;
        n.selection = r.selection;
        n.target = r.target;
        n.property = ok ? property : None;
        n.time = r.time;
        XSendEvent(dpy_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&n));
        XFlush(dpy_);
    }

    QList<std::pair<QByteArray, QByteArray>> items_;
    QList<Atom> atoms_;
    int pauseMs_;
    Display* dpy_ = nullptr;
    Window window_ = 0;
    Atom clipboard_ = 0, targets_ = 0;
    bool owning_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::atomic<int> dataAnswers_{0};
};

QByteArray binary() {
    QByteArray b;
    for (int i = 0; i < 5000; ++i) b.append(char((i * 131) & 0xFF));
    return b;
}

} // namespace

TEST(ClipboardSave, AnOwnerThatAnswersEachQuestionSlowlyIsSavedWhole) {
    // Slower than a second for every answer: the user's data still comes back whole.
    PausingOwner owner({{"text/plain", "slow text"}, {"application/x-slow", binary()}}, 1500);
    ASSERT_TRUE(owner.owning());
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    mgr.saveContents();
    EXPECT_TRUE(mgr.savedContentsComplete());
    ASSERT_TRUE(mgr.savedData(QStringLiteral("application/x-slow")).has_value());
    EXPECT_EQ(mgr.savedData(QStringLiteral("application/x-slow"))->bytes, binary());
    ASSERT_TRUE(mgr.savedData(QStringLiteral("text/plain")).has_value());
    EXPECT_EQ(mgr.savedData(QStringLiteral("text/plain"))->bytes, QByteArray("slow text"));
}

TEST(ClipboardSave, AnOwnerThatStopsAnsweringCostsOneTimeOut) {
    PausingOwner owner({{"text/plain", "a"}, {"text/html", "b"}, {"application/x-c", "c"}}, 600000);
    ASSERT_TRUE(owner.owning());
    KXPasteboardManager mgr(std::make_shared<kx::x11::X11Clipboard>());
    kx::LogCapture capture;
    QElapsedTimer t;
    t.start();
    mgr.saveContents();
    const qint64 spent = t.elapsed();
    EXPECT_GE(spent, KXPasteboardManager::TypeTimeoutMs - 100);
    EXPECT_LT(spent, 2 * KXPasteboardManager::TypeTimeoutMs);
    EXPECT_FALSE(mgr.savedContentsComplete());
    EXPECT_TRUE(capture.contains(QStringLiteral("clipboard saved incompletely, not read: text/plain, text/html, "
                                                "application/x-c")));
    EXPECT_EQ(mgr.savedChangeCount(), -1);
}
