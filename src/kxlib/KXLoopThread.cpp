#include "kxlib/KXLoopThread.h"

#include "core/Log.h"

#include <QPointer>
#include <QThread>

// The worker's side: lives on the worker thread for the life of its event loop.
class KXLoopThreadWorker : public QObject {
public:
    explicit KXLoopThreadWorker(std::shared_ptr<KXLoopThreadHandler> handler) : handler_(std::move(handler)) {}

    void receive(const QString& message) {
        kx::log(QStringLiteral("message received: %1").arg(message));
        if (handler_) handler_->handleMessage(message);
    }

private:
    std::shared_ptr<KXLoopThreadHandler> handler_;
};

namespace {

class LoopThread : public QThread {
public:
    LoopThread(std::shared_ptr<KXLoopThreadHandler> handler, QPointer<KXLoopThread> creator,
               std::function<void(KXLoopThread*, KXLoopThreadWorker*)> checkIn)
        : handler_(std::move(handler)), creator_(std::move(creator)), checkIn_(std::move(checkIn)) {}

protected:
    void run() override {
        kx::log(QStringLiteral("thread running"));
        {
            KXLoopThreadWorker worker(handler_);
            // Check in on the creator's thread; the call is dropped when the creator is gone.
            if (creator_) {
                auto checkIn = checkIn_;
                KXLoopThreadWorker* w = &worker;
                QPointer<KXLoopThread> creator = creator_;
                QMetaObject::invokeMethod(creator_.data(), [checkIn, creator, w] {
                    if (creator) checkIn(creator.data(), w);
                }, Qt::QueuedConnection);
            }
            exec();
        }
        kx::log(QStringLiteral("thread stopped"));
    }

private:
    std::shared_ptr<KXLoopThreadHandler> handler_;
    QPointer<KXLoopThread> creator_;
    std::function<void(KXLoopThread*, KXLoopThreadWorker*)> checkIn_;
};

} // namespace

KXLoopThread::KXLoopThread(std::shared_ptr<KXLoopThreadHandler> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    thread_ = new LoopThread(handler_, QPointer<KXLoopThread>(this),
                             [](KXLoopThread* self, KXLoopThreadWorker* w) { self->checkIn(w); });
    thread_->start();
}

KXLoopThread::~KXLoopThread() {
    // Messages already sent are still delivered; the worker leaves after them.
    stop();
    thread_->wait();
    delete thread_;
}

void KXLoopThread::checkIn(KXLoopThreadWorker* worker) {
    if (stopped_) return;  // the thread is already on its way out
    worker_ = worker;
    const QStringList held = std::exchange(messageQueue_, {});
    for (const QString& m : held) post(m);
}

void KXLoopThread::post(const QString& message) {
    KXLoopThreadWorker* w = worker_;
    QMetaObject::invokeMethod(w, [w, message] { w->receive(message); }, Qt::QueuedConnection);
}

void KXLoopThread::sendMessage(const QString& message) {
    if (stopped_) {
        kx::log(QStringLiteral("sendMessage(%1): inactive thread").arg(message));
        return;
    }
    if (!worker_) {
        kx::log(QStringLiteral("sendMessage(%1): port not yet set up").arg(message));
        messageQueue_ << message;
        return;
    }
    post(message);
}

void KXLoopThread::stop() {
    if (stopped_) return;
    stopped_ = true;
    messageQueue_.clear();
    kx::log(QStringLiteral("stopping"));
    // Queued behind the messages already sent, so those are delivered first.
    QThread* t = thread_;
    if (worker_) QMetaObject::invokeMethod(worker_, [t] { t->quit(); }, Qt::QueuedConnection);
    else t->quit();
    worker_ = nullptr;
}
