#include "app/PaletteFrameKeeper.h"

#include "app/RbxPositionLog.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "kxlib/gui/KXWindowPlacement.h"
#include "kxlib/gui/WindowExtensions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

PaletteFrameKeeper::PaletteFrameKeeper(QWidget* window, RbxDefaults& settings, RbxPositionLog& log, QObject* parent)
    : QObject(parent), window_(window), settings_(settings), log_(log) {
    // A drag moves the window many times a second; the settings file is written once
    // it rests.
    saveTimer_.setSingleShot(true);
    saveTimer_.setInterval(400);
    connect(&saveTimer_, &QTimer::timeout, this, &PaletteFrameKeeper::saveFrame);
}

QList<QRect> PaletteFrameKeeper::screenAreas() {
    QList<QRect> out;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary) out << primary->availableGeometry();
    for (QScreen* s : QGuiApplication::screens())
        if (s != primary) out << s->availableGeometry();
    return out;
}

QList<QRect> PaletteFrameKeeper::screenFrames() {
    QList<QRect> out;
    for (QScreen* s : QGuiApplication::screens()) out << s->geometry();
    return out;
}

QString PaletteFrameKeeper::frameText(const QRect& frame, const QRect& screenArea) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())
        .arg(screenArea.x()).arg(screenArea.y()).arg(screenArea.width()).arg(screenArea.height());
}

std::optional<PaletteFrameKeeper::StoredFrame> PaletteFrameKeeper::parseFrameText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 4) return std::nullopt;
    int v[8] = {};
    const int n = parts.size() >= 8 ? 8 : 4;
    for (int i = 0; i < n; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok) return std::nullopt;
    }
    // A frame with no area, or one far beyond any screen, is damage.
    constexpr int Limit = 1 << 20;
    for (int x : v)
        if (x < -Limit || x > Limit) return std::nullopt;
    if (v[2] <= 0 || v[3] <= 0) return std::nullopt;
    StoredFrame f;
    f.frame = QRect(v[0], v[1], v[2], v[3]);
    if (n == 8 && v[6] > 0 && v[7] > 0) f.screenArea = QRect(v[4], v[5], v[6], v[7]);
    return f;
}

QRect PaletteFrameKeeper::currentFrame() const { return QRect(window_->pos(), window_->size()); }

void PaletteFrameKeeper::restoreFrame() {
    log_.addScreens(QStringLiteral("init screens"), screenFrames());
    RbxDefaults& defaults = settings_;
    const QString stored = defaults.stringForKey(FrameKey);
    log_.addMessage(QStringLiteral("pref: %1").arg(stored.isEmpty() ? QStringLiteral("missing") : stored));
    log_.addMessage(QStringLiteral("init: %1").arg(RbxPositionLog::rectText(currentFrame())));
    QRect frame = currentFrame();
    if (const auto f = parseFrameText(stored)) {
        frame = f->frame;
        frame.setWidth(std::max(frame.width(), window_->minimumWidth()));
        frame.setHeight(std::max(frame.height(), window_->minimumHeight()));
    } else {
        if (!stored.isEmpty()) kx::log(QStringLiteral("unusable window frame: %1").arg(stored));
        // No frame of its own yet: the middle of the main screen.
        if (QScreen* main = QGuiApplication::primaryScreen()) {
            const QRect area = main->availableGeometry();
            frame.moveTopLeft(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
        }
    }
    // Constrained to a screen: a frame no screen shows whole moves onto the one it
    // overlaps most (or the nearest).
    const QList<QRect> areas = screenAreas();
    QList<QRectF> visible;
    for (const QRect& a : areas) visible << QRectF(a);
    if (const auto moved = kx::placement::completelyVisibleFrame(QRectF(frame), visible, 0)) frame = moved->toRect();
    window_->resize(frame.size());
    window_->move(frame.topLeft());
}

void PaletteFrameKeeper::saveFrame() {
    saveTimer_.stop();
    if (!autosave_) return;
    QScreen* screen = window_->screen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QString text = frameText(currentFrame(), area);
    RbxDefaults& defaults = settings_;
    if (defaults.stringForKey(FrameKey) != text) defaults.setString(text, FrameKey);
}

void PaletteFrameKeeper::windowSizeChanged() {
    log_.addSingleMessage(QStringLiteral("size changed: %1").arg(RbxPositionLog::rectText(window_->frameGeometry())));
    fixOffscreenWindow();
    if (autosave_) saveTimer_.start();
}

void PaletteFrameKeeper::windowLocationChanged() {
    log_.addSingleMessage(QStringLiteral("location changed: %1").arg(RbxPositionLog::rectText(window_->frameGeometry())));
    fixOffscreenWindow();
    if (autosave_) saveTimer_.start();
}

void PaletteFrameKeeper::fixOffscreenWindow() {
    if (!settings_.boolForKey(rbx::key::fixOffscreenWindow)) return;
    if (!window_->isVisible()) return;
    kx::window::makeCompletelyVisible(window_);
}
