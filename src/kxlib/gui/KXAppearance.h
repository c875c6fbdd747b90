#pragma once
// Whether the desktop is drawn light or dark, and the appearance a drawing call is made in.
//
// The desktop's choice comes from the freedesktop settings portal ("color-scheme" in the
// "org.freedesktop.appearance" namespace, read over the session bus and followed through
// its SettingChanged signal). When the portal is missing or states no preference, the
// lightness of the application palette's window colour decides. Drawing code may put a
// scope around a call to draw in one appearance whatever the desktop says (a view that
// forces the light look, an offscreen rendering of the dark table).

#include "platform/dbus/ColorSchemePortal.h"

#include <QDBusConnection>
#include <QObject>
#include <memory>
#include <optional>

class KXAppearance : public QObject {
    Q_OBJECT
public:
    // Values of the portal's "color-scheme" setting.
    using enum ColorSchemePortal::ColorScheme;

    // Follows the portal on `bus`; the answer arrives asynchronously, until then (and
    // without a portal) the palette decides.
    explicit KXAppearance(const QDBusConnection& bus, QObject* parent = nullptr);
    // Follows nothing but the palette and the override.
    explicit KXAppearance(QObject* parent = nullptr);
    ~KXAppearance() override;

    // The process-wide service on the session bus, made on first use.
    static KXAppearance& shared();
    // Installs another service as the shared one (tests); nullptr goes back to the default.
    static void setShared(std::unique_ptr<KXAppearance> appearance);

    // The desktop's appearance as this service sees it.
    bool isDark() const;
    // The portal's last answer, when it gave one.
    std::optional<unsigned> portalColorScheme() const { return portalScheme_; }
    // Forces an appearance (nullopt: follow the desktop again).
    void setOverride(std::optional<bool> dark);

    // The appearance of the current drawing call: the innermost DrawingScope, else the
    // shared service's.
    static bool currentIsDark();

    // Draws in one appearance for the lifetime of the scope (main thread).
    class DrawingScope {
    public:
        explicit DrawingScope(bool dark);
        ~DrawingScope();
        DrawingScope(const DrawingScope&) = delete;
        DrawingScope& operator=(const DrawingScope&) = delete;

    private:
        std::optional<bool> previous_;
    };

signals:
    // The desktop switched between light and dark.
    void appearanceChanged(bool dark);
    // The portal stated its "color-scheme" (again or anew).
    void portalColorSchemeChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void reevaluate();
    static bool paletteIsDark();

    std::optional<unsigned> portalScheme_;
    std::optional<bool> override_;
    bool dark_ = false;
};
