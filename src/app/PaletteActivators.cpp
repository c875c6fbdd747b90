#include "app/PaletteActivators.h"

#include "app/RbxCharWindowController.h"
#include "app/RbxStatusItemView.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/gui/KXAppearance.h"
#include "platform/dbus/SessionBus.h"
#include "platform/dbus/SleepWatch.h"
#include "platform/dbus/StatusNotifierHost.h"
#include "platform/x11/ScreenStateWatch.h"
#include "platform/x11/WindowListDiagnostics.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWindow>

namespace {

constexpr int WindowListDelayMs = 500;

QIcon trayIcon() {
    const bool dark = KXAppearance::shared().isDark();
    QIcon icon;
    for (const int side : {16, 22, 32, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.scale(side / 16.0, side / 16.0);
        RbxStatusItemView::drawActivator(p, QRectF(-3, 0, 16, 16), 0, RbxStatusItemView::namedImage(QStringLiteral("Qsmall"), dark, side / 16.0), false, dark);
        icon.addPixmap(pixmap);
    }
    return icon;
}

// Whether the tray icon goes to a StatusNotifierItem host rather than an XEmbed tray. Qt
// decides this once per process, when a tray is first asked for, and so does this.
bool trayIsStatusNotifier() {
    static const bool statusNotifier = dbus::statusNotifierHostRegistered(dbus::sessionBus());
    return statusNotifier;
}

} // namespace

PaletteActivators::PaletteActivators(RbxCharWindowController& windowController, RbxDefaults& settings, X11Session& x11,
                                     QMenu* menu, QObject* parent)
    : QObject(parent), windowController_(windowController), settings_(settings), x11_(x11), menu_(menu) {
    // The strip: above everything, outside the window manager's placement, never focused.
    cornerWindow_ = new QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint |
                                             Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    cornerWindow_->setAttribute(Qt::WA_ShowWithoutActivating);
    cornerWindow_->setWindowTitle(QStringLiteral("Runebox corner"));
    cornerView_ = new RbxStatusItemView(settings_, cornerWindow_);
    cornerView_->setImageName(QStringLiteral("cornerQ-BS"));
    cornerView_->setMenu(menu);
    connect(cornerView_, &RbxStatusItemView::clicked, &windowController_, &RbxCharWindowController::toggleWindowFromIcon);
    connect(cornerView_, &RbxStatusItemView::fontsDropped, this, &PaletteActivators::fontsDropped);

    statusItemTimer_.setInterval(StatusWatchMs);
    connect(&statusItemTimer_, &QTimer::timeout, this, &PaletteActivators::checkStatusItemVisibility);
    cornerWatchTimer_.setInterval(CornerWatchMs);
    connect(&cornerWatchTimer_, &QTimer::timeout, this, &PaletteActivators::watchCornerQ);

    // The desktop, full-screen windows, the screen saver and the screens.
    screenState_ = new ScreenStateWatch(x11, this);
    menuBarIsHidden_ = screenState_->fullScreenInFront();
    connect(screenState_, &ScreenStateWatch::desktopSwitched, this, &PaletteActivators::spaceSwitched);
    connect(screenState_, &ScreenStateWatch::fullScreenChanged, this,
            [this](bool full) { menuBarChangedVisibility(!full); });
    connect(screenState_, &ScreenStateWatch::screenSaverChanged, this,
            [this](bool on) { on ? screenSaverStarted() : screenSaverStopped(); });
    sleep_ = new SleepWatch(QDBusConnection::systemBus(), this);
    connect(sleep_, &SleepWatch::wokeUp, this, &PaletteActivators::wakeUpFromSleep);
    auto screensChanged = [this] { showActivator(); };
    connect(qGuiApp, &QGuiApplication::screenAdded, this, screensChanged);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, screensChanged);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, screensChanged);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        connect(screen, &QScreen::geometryChanged, this, screensChanged);
    // The pointer, for the strip that shows only near its corner: asked for its place,
    // since a warped pointer (and some synthetic input) moves without input events.
    pointerTimer_.setInterval(PointerPollMs);
    connect(&pointerTimer_, &QTimer::timeout, this, &PaletteActivators::mouseMoved);

    settings_.boolForKey(rbx::key::hideQInCorner);
    settings_.integerForKey(rbx::key::activator);
    settings_.addObserver(this);
}

PaletteActivators::~PaletteActivators() {
    settings_.removeObserver(this);
    delete cornerWindow_;
}

int PaletteActivators::activator() const { return settings_.integerForKey(rbx::key::activator); }

void PaletteActivators::showActivator() {
    if (screenSaverIsActive_) return;
    const bool status = activator() == 1 && QSystemTrayIcon::isSystemTrayAvailable();
    if (status) {
        showCornerQ(false);
        activateStatusItem(true);
    } else {
        activateStatusItem(false);
        showCornerQ(true);
        if (activator() == 1 && !fellBackLogged_) {
            fellBackLogged_ = true;
            kx::log(QStringLiteral("no tray: the corner activator stands in"));
        }
    }
    if (activator() == 1 && !settings_.boolForKey(rbx::key::statusOnly)) {
        if (!statusItemTimer_.isActive()) statusItemTimer_.start();
    } else {
        statusItemTimer_.stop();
    }
}

void PaletteActivators::activateStatusItem(bool on) {
    if (on && !statusItem_) {
        statusItem_ = std::make_unique<QSystemTrayIcon>(trayIcon());
        statusItem_->setToolTip(QStringLiteral("Runebox"));
        if (menu_) statusItem_->setContextMenu(menu_);
        connect(statusItem_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
            const bool control = RbxStatusItemView::isMenuClick(QGuiApplication::queryKeyboardModifiers());
            if (why == QSystemTrayIcon::Trigger && control && menu_) menu_->popup(QCursor::pos());
            else if (why == QSystemTrayIcon::Trigger || why == QSystemTrayIcon::DoubleClick)
                QTimer::singleShot(RbxStatusItemView::ClickDelayMs, &windowController_,
                                   &RbxCharWindowController::toggleWindowFromIcon);
        });
        statusItem_->show();
        kx::log(trayIsStatusNotifier() ? QStringLiteral("status item shown in the tray (StatusNotifierItem)")
                                       : QStringLiteral("status item shown in the tray"));
    } else if (!on && statusItem_) {
        statusItem_.reset();
    }
}

bool PaletteActivators::statusItemIsValid() const {
    if (!statusItem_ || !QSystemTrayIcon::isSystemTrayAvailable()) return false;
    // A StatusNotifierItem host never says where the icon is.
    return trayIsStatusNotifier() || !statusItem_->geometry().isEmpty();
}

void PaletteActivators::checkStatusItemVisibility() {
    if (menuBarIsHidden_ || screenSaverIsActive_ || activator() != 1) return;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        // No tray (any more): the strip stands in, and the watch goes on for one to appear.
        if (statusItem_ || !cornerActive_) showActivator();
        recreatedOnce_ = false;
        return;
    }
    if (!statusItem_) {
        kx::log(QStringLiteral("a tray appeared: the status item moves there"));
        fellBackLogged_ = false;
        showActivator();
        return;
    }
    if (!statusItemIsValid()) {
        // Recreated once; a tray that will not take the icon leaves the strip in charge.
        if (!recreatedOnce_) {
            recreatedOnce_ = true;
            kx::log(QStringLiteral("recreated status item"));
            activateStatusItem(false);
            activateStatusItem(true);
        } else if (!cornerActive_) {
            kx::log(QStringLiteral("the tray does not show the status item: the corner activator stands in"));
            showCornerQ(true);
        }
        return;
    }
    if (cornerWindow_->isVisible()) showCornerQ(false);
}

bool PaletteActivators::cornerQShouldBeVisible() const {
    if (menuBarIsHidden_) return false;
    if (!settings_.boolForKey(rbx::key::hideQInCorner)) return true;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect s = screen->geometry();
    const QPoint mouse = QCursor::pos();
    const float cornerX = activator() == 2 ? float(s.x() + s.width()) : float(s.x());
    return std::abs(float(mouse.y()) - float(s.y())) < 23.0f && std::abs(float(mouse.x()) - cornerX) < 20.0f;
}

void PaletteActivators::showCornerQ(bool on) {
    cornerActive_ = on;
    if (on && settings_.boolForKey(rbx::key::hideQInCorner)) {
        if (!pointerTimer_.isActive()) pointerTimer_.start();
    } else {
        pointerTimer_.stop();
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (on && screen && cornerQShouldBeVisible()) {
        const QRect s = screen->geometry();
        // No display here has a camera housing: the short strip.
        const int height = int(settings_.floatForKey(rbx::key::scph));
        const bool right = activator() == 2;
        const int x = right ? s.x() + s.width() - CornerWidth : s.x();
        cornerView_->setAlignment(right ? 1 : -1);
        cornerView_->setGeometry(0, 0, CornerWidth, height);
        cornerWindow_->setGeometry(x, s.y(), CornerWidth, height);
        cornerRect_ = QRect(x, s.y(), CornerWidth, height);
        cornerWindow_->show();
        cornerWindow_->raise();
        cornerView_->update();
        if (!cornerWatchTimer_.isActive()) cornerWatchTimer_.start();
    } else {
        cornerWatchTimer_.stop();
        cornerWindow_->hide();
        cornerRect_ = QRect();
    }
}

void PaletteActivators::watchCornerQ() {
    if (!menuBarIsHidden_ && !screenSaverIsActive_) showCornerQ(true);
}

void PaletteActivators::mouseMoved() {
    if (cornerActive_ && cornerQShouldBeVisible() != cornerWindow_->isVisible()) showCornerQ(true);
}

void PaletteActivators::spaceSwitched() {
    if (!cornerActive_) return;
    showCornerQ(false);
    showCornerQ(true);
}

void PaletteActivators::menuBarChangedVisibility(bool visible) {
    menuBarIsHidden_ = !visible;
    // The window list is logged once the window manager has placed the windows anew: a
    // window just out of full screen still covers the screen for a moment.
    QTimer::singleShot(WindowListDelayMs, this, [this] { checkMenuBarVisibilityWindowList(); });
    showActivator();
}

bool PaletteActivators::checkMenuBarVisibilityWindowList() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const bool fullScreen = ewmh::logWindowList(x11_, screen ? screen->geometry() : QRect());
    kx::log(QStringLiteral("fullScreen: %1").arg(int(fullScreen)));
    return fullScreen;
}

void PaletteActivators::screenSaverStarted() {
    screenSaverIsActive_ = true;
    kx::log(QStringLiteral("screen saver started: the activator is left as it is"));
}

void PaletteActivators::screenSaverStopped() {
    screenSaverIsActive_ = false;
    kx::log(QStringLiteral("screen saver stopped"));
    showActivator();
}

void PaletteActivators::wakeUpFromSleep() {
    kx::log(QStringLiteral("woke from sleep: the activator is drawn anew"));
    cornerView_->update();
    if (statusItem_) statusItem_->setIcon(trayIcon());
    showActivator();
}

void PaletteActivators::defaultChanged(const QString& key) {
    if (key == rbx::key::activator.qname() || key == rbx::key::hideQInCorner.qname()) showActivator();
}
