#include "app/PaletteFocus.h"

#include "app/PanelHints.h"
#include "app/RbxCharWindow.h"
#include "platform/x11/KeyboardFocus.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QWindow>

PaletteFocus::PaletteFocus(std::shared_ptr<KeyboardFocus> keyboard, QObject* parent)
    : QObject(parent), keyboard_(std::move(keyboard)) {
    keyboard_->follow();
    connect(keyboard_.get(), &KeyboardFocus::otherWindowActivated, this, &PaletteFocus::otherWindowActivated);
    connect(keyboard_.get(), &KeyboardFocus::ourWindowActivated, this, &PaletteFocus::ourWindowActivated);
}

PaletteFocus::~PaletteFocus() = default;

void PaletteFocus::attachWindow(RbxCharWindow& window) {
    window_ = &window;
    // A window manager activates a window only once it manages it: a request made while the
    // palette was still being mapped is made again when it has been painted.
    connect(&window, &RbxCharWindow::firstPaint, this, &PaletteFocus::takeOnceShown);
    qApp->installEventFilter(this);
}

bool PaletteFocus::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || !window_) return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_) return false;
    restingAt_.reset();  // a press is the user's, however still the pointer
    if (hold_ != Hold::None) return false;
    // A text field or editor (the press may land on its viewport).
    for (const QWidget* w = widget; w && w != window_; w = w->parentWidget())
        if (w->testAttribute(Qt::WA_InputMethodEnabled)) {
            take(Hold::Pointer);
            break;
        }
    return false;
}

QString PaletteFocus::holdName(Hold hold) {
    switch (hold) {
    case Hold::Opened: return QStringLiteral("opened");
    case Hold::Pointer: return QStringLiteral("pointer");
    case Hold::Sheet: return QStringLiteral("sheet");
    case Hold::None: break;
    }
    return QStringLiteral("none");
}

bool PaletteFocus::holdsKeyboard() { return hold_ != Hold::None || keyboard_->holdsKeyboard(); }

// ---------------------------------------------------------------- transitions

void PaletteFocus::opened() { take(Hold::Opened); }

void PaletteFocus::pointerEntered() {
    // A sheet keeps its reason; an opened palette now holds the keyboard for the pointer.
    if (hold_ == Hold::Sheet) return;
    // The pointer that rested on the palette while the user activated another window
    // "enters" again when a window of ours under it goes (the tool tip): that is no coming.
    if (restingAt_ && QCursor::pos() == *restingAt_) return;
    take(Hold::Pointer);
}

void PaletteFocus::pointerLeft() {
    if (hold_ == Hold::Sheet) return;
    handBack();
}

void PaletteFocus::sheetBegan(bool takesKeyboard) {
    // The sheet is a window of its own that the window manager activates as it maps it.
    if (takesKeyboard) hold_ = Hold::Sheet;
}

void PaletteFocus::sheetEnded(bool pointerOverPalette) {
    if (pointerOverPalette) {
        if (hold_ == Hold::Pointer) return;  // the tracking took it when the sheet went
        take(Hold::Pointer);
        return;
    }
    // Handed back even when the sheet itself, not the palette, had the keyboard.
    hold_ = Hold::None;
    handBack();
}

void PaletteFocus::alertPointedAt(QWidget* alert) {
    hold_ = Hold::Sheet;
    if (!alert || !keyboard_->isAvailable()) return;
    if (const auto own = panelhints::ownWindow(alert)) keyboard_->take(*own);
}

void PaletteFocus::closed() { handBack(); }

void PaletteFocus::deactivateApplication() { handBack(); }

void PaletteFocus::otherWindowActivated() {
    // The user chose another window: the palette no longer takes the keyboard, and never
    // activates a window the user has left.
    if (hold_ == Hold::None && !takeWhenShown_) return;  // our own hand-back, say
    restingAt_ = QCursor::pos();
    hold_ = Hold::None;
    takeWhenShown_ = false;
    if (window_) window_->setActivating(false);
}

void PaletteFocus::ourWindowActivated(unsigned long window) {
    // The palette that does not hold the keyboard was activated all the same (a toolkit
    // activates the window a closed dialog hung from): the keyboard goes back at once.
    if (hold_ != Hold::None || takeWhenShown_ || !window_ || !window_->isVisible()) return;
    if (const auto own = panelhints::ownWindow(window_); own && own->window == window) handBack();
}

// ---------------------------------------------------------------- the X side

void PaletteFocus::take(Hold why) {
    hold_ = why;
    restingAt_.reset();
    if (!window_) return;
    // The input hint first: a window manager gives the focus only to a window that takes it.
    window_->setActivating(true);
    if (!keyboard_->isAvailable()) return;
    const QWindow* handle = window_->windowHandle();
    if (!window_->isVisible() || !handle || !handle->isExposed()) {
        takeWhenShown_ = true;
        return;
    }
    takeWhenShown_ = false;
    if (const auto own = panelhints::ownWindow(window_)) keyboard_->take(*own);
}

void PaletteFocus::takeOnceShown() {
    if (!takeWhenShown_ || hold_ == Hold::None) return;
    take(hold_);
}

void PaletteFocus::handBack() {
    hold_ = Hold::None;
    takeWhenShown_ = false;
    // The input hint goes off first, so that the window manager does not hand the keyboard
    // straight back to the palette.
    std::optional<ewmh::OwnWindow> own;
    if (window_) {
        window_->setActivating(false);
        own = panelhints::ownWindow(window_);
    }
    keyboard_->handBack(own.value_or(ewmh::OwnWindow{}));
}
