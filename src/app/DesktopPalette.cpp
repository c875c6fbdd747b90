#include "app/DesktopPalette.h"

#include "kxlib/gui/KXAppearance.h"

#include <QGuiApplication>
#include <QEvent>
#include <cmath>

namespace desktoppalette {

namespace {

// How far apart in lightness a placeholder drawn over the base is from the base.
double contrast(const QColor& placeholder, const QColor& base) {
    const double a = placeholder.alphaF();
    const double shown = placeholder.lightnessF() * a + base.lightnessF() * (1 - a);
    return std::abs(shown - base.lightnessF());
}

constexpr double Readable = 0.25;

} // namespace

std::optional<QPalette> withReadablePlaceholders(const QPalette& palette) {
    QPalette mended = palette;
    bool changed = false;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor base = palette.color(group, QPalette::Base);
        if (contrast(palette.color(group, QPalette::PlaceholderText), base) >= Readable) continue;
        QColor placeholder = palette.color(group, QPalette::Text);
        placeholder.setAlphaF(0.5);
        mended.setColor(group, QPalette::PlaceholderText, placeholder);
        changed = true;
    }
    if (!changed) return std::nullopt;
    return mended;
}

bool isDark(const QPalette& palette) { return palette.color(QPalette::Active, QPalette::Window).lightness() < 128; }

QPalette darkened(const QPalette& palette) {
    QPalette dark = palette;
    const QColor window(32, 35, 38), base(27, 30, 32), button(41, 44, 48), text(252, 252, 252), off(120, 124, 128);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        dark.setColor(group, QPalette::Window, window);
        dark.setColor(group, QPalette::Base, base);
        dark.setColor(group, QPalette::AlternateBase, QColor(36, 39, 43));
        dark.setColor(group, QPalette::Button, button);
        dark.setColor(group, QPalette::ToolTipBase, button);
        dark.setColor(group, QPalette::Light, QColor(64, 68, 73));
        dark.setColor(group, QPalette::Midlight, QColor(52, 56, 60));
        dark.setColor(group, QPalette::Mid, QColor(30, 32, 35));
        dark.setColor(group, QPalette::Dark, QColor(18, 20, 22));
        dark.setColor(group, QPalette::Shadow, QColor(0, 0, 0));
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText})
            dark.setColor(group, role, disabled ? off : text);
        dark.setColor(group, QPalette::BrightText, text);
        dark.setColor(group, QPalette::Link, QColor(29, 153, 243));
        dark.setColor(group, QPalette::LinkVisited, QColor(155, 89, 182));
        QColor placeholder = text;
        placeholder.setAlphaF(0.5);
        dark.setColor(group, QPalette::PlaceholderText, placeholder);
    }
    return dark;
}

QPalette withSelectionColor(const QPalette& palette, const QColor& accent) {
    QPalette p = palette;
    // Black on a bright accent (by how bright the eye sees it), white on the others.
    const double luminance = 0.299 * accent.redF() + 0.587 * accent.greenF() + 0.114 * accent.blueF();
    const QColor onAccent = luminance > 0.6 ? QColor(Qt::black) : QColor(Qt::white);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::Highlight, accent);
        p.setColor(group, QPalette::HighlightedText, onAccent);
    }
    return p;
}

} // namespace desktoppalette

DesktopPalette::DesktopPalette(QObject* parent) : QObject(parent) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    desktop_ = QGuiApplication::palette();
    QCoreApplication::instance()->installEventFilter(this);
    KXAppearance& appearance = KXAppearance::shared();
    connect(&appearance, &KXAppearance::portalColorSchemeChanged, this, &DesktopPalette::apply);
    connect(&appearance, &KXAppearance::appearanceChanged, this, &DesktopPalette::apply);
    apply();
}

void DesktopPalette::setAccentColor(const std::optional<QColor>& accent) {
    if (accent == accent_) return;
    accent_ = accent;
    apply();
}

bool DesktopPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        desktopPaletteChanged();
    return QObject::eventFilter(watched, event);
}

void DesktopPalette::desktopPaletteChanged() {
    // Setting a palette here announces a change too: that one is ours.
    const QPalette now = QGuiApplication::palette();
    if (applied_ && now == *applied_) return;
    desktop_ = now;
    apply();
}

void DesktopPalette::apply() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QPalette p = desktop_;
    // A stated dark preference darkens colours the desktop left light.
    const bool preferDark = KXAppearance::shared().portalColorScheme() == KXAppearance::PreferDark;
    if (preferDark && !desktoppalette::isDark(p)) p = desktoppalette::darkened(p);
    if (accent_ && accent_->isValid()) p = desktoppalette::withSelectionColor(p, *accent_);
    if (const auto mended = desktoppalette::withReadablePlaceholders(p)) p = *mended;
    if (p == QGuiApplication::palette()) return;
    applied_ = p;
    QGuiApplication::setPalette(p);
}
