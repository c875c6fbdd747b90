#include "app/DesktopAccent.h"

#include "kxlib/gui/KXDynamicColor.h"
#include "platform/dbus/ColorSchemePortal.h"

#include <QGuiApplication>
#include <QPalette>
#include <cmath>

namespace {

constexpr int PortalTimeoutMs = 2000;
// Below this saturation a colour is a grey.
constexpr double GreyLimit = 0.15;

// The named accents with a hue, by index (Blue has none: it is the default).
const QList<QVariant>& hueAccents() {
    static const QList<QVariant> indexes = {QVariant(0), QVariant(1), QVariant(2), QVariant(3),
                                            QVariant(), QVariant(5), QVariant(6)};
    return indexes;
}

double hueDistance(double a, double b) {
    const double d = std::fabs(a - b);
    return std::min(d, 1.0 - d);
}

} // namespace

DesktopAccent::DesktopAccent(QObject* parent) : QObject(parent) {}

DesktopAccent::~DesktopAccent() = default;

void DesktopAccent::follow(const QDBusConnection& bus) {
    if (portal_) return;
    portal_ = new ColorSchemePortal(bus, this);
    connect(portal_, &ColorSchemePortal::accentColorReceived, this, [this](bool valid, double r, double g, double b) {
        const std::optional<QColor> before = portalAccent_;
        if (valid)
            portalAccent_ = QColor::fromRgbF(float(r), float(g), float(b));
        else
            portalAccent_.reset();
        if (portalAccent_ != before) emit portalAccentChanged();
    });
    portal_->requestAccentColor(PortalTimeoutMs);
}

QColor DesktopAccent::accentColor() const {
    if (portalAccent_) return *portalAccent_;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

QVariant DesktopAccent::accentIndexOfColor(const QColor& color) {
    const QColor c = color.toHsv();
    if (c.hsvSaturationF() < GreyLimit) return -1;
    QVariant nearest;
    double best = 2;
    for (const QVariant& index : hueAccents()) {
        const QColor named =
            KXDynamicColor::menuItemHighlightColor(KXDynamicColor::accentColorNameOfIndex(index)).aquaColor();
        const double d = hueDistance(c.hsvHueF(), named.hsvHueF());
        if (d < best) {
            best = d;
            nearest = index;
        }
    }
    return nearest;
}
