#include "kxlib/gui/KXAppearance.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPalette>

namespace {

std::unique_ptr<KXAppearance>& sharedSlot() {
    static std::unique_ptr<KXAppearance> s;
    return s;
}

std::optional<bool>& drawingAppearance() {
    static std::optional<bool> d;
    return d;
}

} // namespace

KXAppearance::KXAppearance(QObject* parent) : QObject(parent) {
    if (qApp) qApp->installEventFilter(this);
    dark_ = paletteIsDark();
}

KXAppearance::KXAppearance(const QDBusConnection& bus, QObject* parent) : KXAppearance(parent) {
    if (!bus.isConnected()) return;
    auto* portal = new ColorSchemePortal(bus, this);
    connect(portal, &ColorSchemePortal::colorSchemeReceived, this, [this](unsigned scheme) {
        portalScheme_ = scheme;
        reevaluate();
        emit portalColorSchemeChanged();
    });
    portal->request(2000);
}

KXAppearance::~KXAppearance() = default;

KXAppearance& KXAppearance::shared() {
    auto& s = sharedSlot();
    if (!s) s = std::make_unique<KXAppearance>(QDBusConnection::sessionBus());
    return *s;
}

void KXAppearance::setShared(std::unique_ptr<KXAppearance> appearance) {
    sharedSlot() = std::move(appearance);
}

bool KXAppearance::isDark() const { return override_.value_or(dark_); }

void KXAppearance::setOverride(std::optional<bool> dark) {
    const bool before = isDark();
    override_ = dark;
    if (isDark() != before) emit appearanceChanged(isDark());
}

bool KXAppearance::currentIsDark() {
    if (drawingAppearance()) return *drawingAppearance();
    return shared().isDark();
}

KXAppearance::DrawingScope::DrawingScope(bool dark) : previous_(drawingAppearance()) {
    drawingAppearance() = dark;
}

KXAppearance::DrawingScope::~DrawingScope() { drawingAppearance() = previous_; }

bool KXAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange) reevaluate();
    return QObject::eventFilter(watched, event);
}

void KXAppearance::reevaluate() {
    const bool before = isDark();
    if (portalScheme_ && *portalScheme_ != NoPreference)
        dark_ = *portalScheme_ == PreferDark;
    else
        dark_ = paletteIsDark();
    if (isDark() != before) emit appearanceChanged(isDark());
}

bool KXAppearance::paletteIsDark() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Window).lightness() < 128;
}
