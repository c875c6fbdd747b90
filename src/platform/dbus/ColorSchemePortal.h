#pragma once
// The desktop's light or dark preference as the freedesktop settings portal states it:
// "color-scheme" in the "org.freedesktop.appearance" namespace, read over the bus and
// followed through the portal's SettingChanged signal. A value other than the three
// known ones is ignored (and logged). The same namespace's "accent-color" (three numbers
// from 0 to 1, red, green and blue; any outside means the desktop has none) is read and
// followed alike.

#include <QDBusConnection>
#include <QObject>
#include <optional>

class QDBusMessage;

class ColorSchemePortal : public QObject {
    Q_OBJECT
public:
    enum ColorScheme : unsigned { NoPreference = 0, PreferDark = 1, PreferLight = 2 };

    // Follows the portal's announcements on `bus` (none when it is not connected). They
    // arrive on the thread the object lives in.
    explicit ColorSchemePortal(const QDBusConnection& bus, QObject* parent = nullptr);
    ~ColorSchemePortal() override;

    // Asks the portal without waiting; an answer comes as colorSchemeReceived.
    void request(int timeoutMs);
    // The same for the accent colour; an answer comes as accentColorReceived.
    void requestAccentColor(int timeoutMs);
    // Asks the portal and waits for the answer; nothing when it does not answer in time
    // or answers no known scheme. Any thread.
    static std::optional<unsigned> read(const QDBusConnection& bus, int timeoutMs);

signals:
    // The portal answered or announced a scheme (which may be the one it gave before).
    void colorSchemeReceived(unsigned scheme);
    // The portal answered or announced an accent colour; `valid` is false when the
    // desktop has none.
    void accentColorReceived(bool valid, double red, double green, double blue);

private slots:
    void settingChanged(const QDBusMessage& message);

private:
    void emitAccentColor(const QVariant& value);

    QDBusConnection bus_;
};
