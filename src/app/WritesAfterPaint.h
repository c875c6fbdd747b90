#pragma once
// Keeps the settings writes of a user action off the way to its result: from hold() the
// settings domain holds its writes, and they are written once the watched widget has
// painted next (right after that paint, from the event loop), or after a second when no
// paint comes (a hidden window).

#include <QObject>
#include <QPointer>
#include <QTimer>

namespace platform {
class DefaultsDomain;
}

class WritesAfterPaint : public QObject {
    Q_OBJECT
public:
    WritesAfterPaint(platform::DefaultsDomain& domain, QWidget* painted, QObject* parent = nullptr);
    ~WritesAfterPaint() override;

    // Holds the writes until the next paint; a second call while held changes nothing.
    void hold();
    bool holding() const { return holding_; }

    static constexpr int LongestHoldMs = 1000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void release();

    platform::DefaultsDomain& domain_;
    QPointer<QWidget> painted_;
    QTimer fallback_;
    bool holding_ = false;
};
