#pragma once
// A worker thread with its own event loop that is handed short text messages; the
// worker passes each message to a handler's handleMessage() on the worker thread.
//
// The creator's side lives on the creating thread and needs that thread's event loop:
// the worker checks in through it, and messages sent before the check-in are held and
// delivered, in order, once it has happened. A message sent after stop() is dropped.

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class QThread;

class KXLoopThreadHandler {
public:
    virtual ~KXLoopThreadHandler() = default;
    // Called on the worker thread.
    virtual void handleMessage(const QString& message) = 0;
};

class KXLoopThreadWorker;

class KXLoopThread : public QObject {
    Q_OBJECT
public:
    explicit KXLoopThread(std::shared_ptr<KXLoopThreadHandler> handler, QObject* parent = nullptr);
    // Stops the worker and waits for its thread to end.
    ~KXLoopThread() override;

    // Delivers the text to the handler on the worker thread.
    void sendMessage(const QString& message);
    // Asks the worker to leave its loop after the messages already sent.
    void stop();

    // The worker has checked in.
    bool isReady() const { return worker_ != nullptr && !stopped_; }
    KXLoopThreadHandler* handler() const { return handler_.get(); }

private:
    void checkIn(KXLoopThreadWorker* worker);
    void post(const QString& message);

    std::shared_ptr<KXLoopThreadHandler> handler_;
    QThread* thread_ = nullptr;
    KXLoopThreadWorker* worker_ = nullptr;  // lives on the worker thread
    QStringList messageQueue_;
    bool stopped_ = false;
};
