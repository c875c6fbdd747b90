#include "app/DesktopPalette.h"

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

} // namespace desktoppalette

DesktopPalette::DesktopPalette(QObject* parent) : QObject(parent) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
    QCoreApplication::instance()->installEventFilter(this);
    mend();
}

bool DesktopPalette::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) mend();
    return QObject::eventFilter(watched, event);
}

void DesktopPalette::mend() {
    // Setting the mended palette announces another change, which finds nothing to mend.
    if (const auto mended = desktoppalette::withReadablePlaceholders(QGuiApplication::palette()))
        QGuiApplication::setPalette(*mended);
}
