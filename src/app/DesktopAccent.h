#pragma once
// The user's accent colour as the desktop states it, in the form the palette keeps it:
// an accent index as KXDynamicColor reads it (-1 Graphite, 0 Red, 1 Orange, 2 Yellow,
// 3 Green, 5 Purple, 6 Pink; none for Blue). The desktop's colour is the settings
// portal's "accent-color" where the desktop has one, else the highlight colour of the
// application palette; its index is that of the named accent it is nearest to (by hue; a
// colour with hardly any saturation is Graphite).
//
// The assembly installs it as the process's accent colour source (KXAccentColorSource).
// follow() starts reading the portal and following its announcements.

#include "kxlib/gui/KXDynamicColor.h"

#include <QColor>
#include <QObject>
#include <QVariant>
#include <optional>

class ColorSchemePortal;
class QDBusConnection;

class DesktopAccent : public QObject, public KXAccentColorSource {
    Q_OBJECT
public:
    explicit DesktopAccent(QObject* parent = nullptr);
    ~DesktopAccent() override;

    // Asks the portal on `bus` and follows its announcements from now on.
    void follow(const QDBusConnection& bus);

    // The desktop's accent colour now.
    QColor accentColor() const;
    // The colour the portal states, when it states one.
    std::optional<QColor> portalAccentColor() const { return portalAccent_; }
    // Its accent index (none for Blue).
    QVariant accentColorIndex() const override { return accentIndexOfColor(accentColor()); }
    static QVariant accentIndexOfColor(const QColor& color);

signals:
    // The portal stated another accent colour, or none.
    void portalAccentChanged();

private:
    ColorSchemePortal* portal_ = nullptr;
    std::optional<QColor> portalAccent_;
};
