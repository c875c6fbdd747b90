#pragma once
// The machine going to sleep and waking up, as the login manager announces it on the
// system bus: org.freedesktop.login1.Manager's PrepareForSleep(true) before, and
// PrepareForSleep(false) after. Without the login manager (or the bus) nothing is
// announced; a malformed announcement is ignored.

#include <QDBusConnection>
#include <QObject>

class QDBusMessage;

class SleepWatch : public QObject {
    Q_OBJECT
public:
    // Follows the announcements on `bus`, usually the system bus.
    explicit SleepWatch(const QDBusConnection& bus, QObject* parent = nullptr);
    ~SleepWatch() override;

    bool isWatching() const { return watching_; }

signals:
    void goingToSleep();
    void wokeUp();

private slots:
    void prepareForSleep(const QDBusMessage& message);

private:
    QDBusConnection bus_;
    bool watching_ = false;
};
