#include "app/PalettePresenter.h"

#include "app/PaletteContent.h"
#include "app/PaletteFader.h"
#include "app/PaletteFocus.h"
#include "app/PaletteFrameKeeper.h"
#include "app/RbxCharWindowController.h"
#include "app/RbxSearchField.h"
#include "app/RbxPositionLog.h"
#include "kxlib/RbxDefaults.h"
#include "core/Bundle.h"
#include "core/Log.h"
#include "kxlib/gui/WindowExtensions.h"
#include "table/widgets/RbxCharTracking.h"
#include "table/widgets/RbxCharView.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>

PalettePresenter::PalettePresenter(RbxCharWindowController& controller) : QObject(&controller), c_(controller) {}

QString PalettePresenter::senderText(QObject* sender) {
    if (!sender) return QStringLiteral("(null)");
    const QString name = sender->objectName();
    return name.isEmpty() ? QString::fromLatin1(sender->metaObject()->className())
                          : QStringLiteral("%1 %2").arg(QString::fromLatin1(sender->metaObject()->className()), name);
}

void PalettePresenter::openWindow(QObject* sender) {
    if (!c_.isWindowVisible()) toggleWindow(sender);
}

void PalettePresenter::openWindowWithoutKeyboard(QObject* sender) {
    takesKeyboard_ = false;
    openWindow(sender);
    takesKeyboard_ = true;
}

void PalettePresenter::toggleWindow(QObject* sender) {
    if (c_.isWindowVisible()) {
        c_.fadeOut(0.3f, 0);
        return;
    }
    if (!firstOpeningDone_) {
        // The font list scrolls to its selection and the table measures its cells once
        // the widgets have their sizes (their own duties).
        firstOpeningDone_ = true;
    }
    c_.updateToFrontApplication(true);
    appearWindow(sender);
}

void PalettePresenter::appearWindow(QObject* sender) {
    c_.selectApplicationFont();
    RbxDefaults& defaults = c_.settings_;
    if (defaults.boolForKey(rbx::key::animateWindow)) {
        c_.stopFading();
        c_.fader().fadeIn();  // alpha 0 before the window maps
        showWindow(sender);
    } else {
        c_.fader().stopFadeIn();
        showWindow(sender);
        c_.setWindowAlphas(1);
    }
    logWindowOpening(sender);
    if (defaults.boolForKey(rbx::key::wRef)) c_.window()->winId();
    c_.charView()->setupViewTracking();
    // Opened, the palette has the keyboard: the user types a search at once.
    if (takesKeyboard_ && !c_.hasSheet()) takeKeyboard();
    emit c_.windowOpened();
}

void PalettePresenter::showWindow(QObject* sender) {
    RbxCharWindow* w = c_.window();
    // The version the user knows the program by, as About and --version show it.
    c_.content().setVersionText(kx::Bundle::mainBundle().shortVersionString());
    const bool wasVisible = w->isVisible();
    w->show();
    if (!wasVisible) w->raise();
    emit c_.windowShown();
    c_.setVisibleInAllSpaces(true);
    // A window on no screen is centred on the main screen, then kept whole on one.
    bool onScreen = false;
    for (QScreen* s : QGuiApplication::screens()) onScreen = onScreen || s->geometry().intersects(w->frameGeometry());
    if (!onScreen) kx::window::centerOnMainScreen(w);
    c_.fixOffscreenWindow();
    emergencyReset(sender);
}

QRect PalettePresenter::emergencyFrame(const QRect& frame, const QSize& minimum, const QRect& visibleArea) {
    const float half = float(visibleArea.height()) / 2.0f;
    const int height = std::max(minimum.height(), int(half));
    return QRect(frame.topLeft(), QSize(minimum.width(), height));
}

void PalettePresenter::emergencyReset(QObject* sender) {
    if (!sender) return;  // never from the hot key
    const Qt::KeyboardModifiers all = Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier;
    if ((QGuiApplication::queryKeyboardModifiers() & all) != all) return;
    RbxCharWindow* w = c_.window();
    QScreen* main = QGuiApplication::primaryScreen();
    if (!main) return;
    kx::log(QStringLiteral("** emergency reset of window:"));
    kx::log(QStringLiteral("** -- sender: %1").arg(senderText(sender)));
    kx::log(QStringLiteral("** -- original window frame: %1").arg(RbxPositionLog::rectText(w->frameGeometry())));
    kx::log(QStringLiteral("** -- screen: %1").arg(RbxPositionLog::rectText(main->availableGeometry())));
    const QRect frame = emergencyFrame(QRect(w->pos(), w->size()), w->minimumSize(), main->availableGeometry());
    kx::log(QStringLiteral("** -- new window frame: %1").arg(RbxPositionLog::rectText(frame)));
    w->resize(frame.size());
    w->move(frame.topLeft());
    kx::window::centerOnMainScreen(w);
    kx::log(QStringLiteral("** -- centered window frame: %1").arg(RbxPositionLog::rectText(w->frameGeometry())));
}

void PalettePresenter::logWindowOpening(QObject* sender) {
    if (!c_.settings_.boolForKey(rbx::key::logOpen)) return;
    kx::log(QStringLiteral("opening window (%1): %2")
                .arg(senderText(sender), RbxPositionLog::rectText(c_.window()->frameGeometry())));
    QString screens;
    for (const QRect& r : PaletteFrameKeeper::screenFrames()) screens += RbxPositionLog::rectText(r);
    kx::log(QStringLiteral("  screens: %1").arg(screens));
}

void PalettePresenter::close() {
    if (c_.hasSheet()) return;
    c_.hideTransients();
    c_.window()->orderOut();
    c_.stopFading();
}

bool PalettePresenter::closeWithESC() {
    if (c_.hasSheet()) return false;
    QLineEdit* search = c_.searchField();
    if (search && !search->text().isEmpty()) {
        search->clear();
        c_.performSearch();
        return true;
    }
    if (c_.isWindowVisible()) toggleWindow(&c_);
    return true;
}

void PalettePresenter::orderFront() {
    RbxCharWindow* w = c_.window();
    if (c_.hasSheet()) return;
    w->raise();
    takeKeyboard();
}

void PalettePresenter::takeKeyboard() {
    // Typed keys go to the table (which hands letters on to the search field), or to the
    // search field when another page shows, unless a widget of the palette has them.
    if (!c_.window()->focusWidget()) {
        QWidget* table = c_.charView();
        QWidget* target = table && table->isVisible() ? table : c_.searchField();
        if (target) target->setFocus(Qt::OtherFocusReason);
    }
    c_.focus().opened();
}

void PalettePresenter::clickedOutside() {
    RbxCharWindow* w = c_.window();
    if (!w->isVisible()) return;
    if (!c_.settings_.boolForKey(rbx::key::clickOutsideCloses)) return;
    const QPoint p = QCursor::pos();
    if (w->frameGeometry().contains(p)) return;
    if (QApplication::topLevelAt(p)) return;  // another window of ours (the activator)
    if (QWidget* sheet = c_.sheets().attachedSheet(); sheet && sheet->frameGeometry().contains(p)) return;
    const RbxCharView* view = c_.charView();
    if (view->tracking().mouseInFonts()) return;
    if (QApplication::activePopupWidget()) return;
    if (view->tracking().menuOpen()) return;
    c_.fadeOut(0.3f, 0);
}
