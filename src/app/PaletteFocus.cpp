#include "app/PaletteFocus.h"

#include "app/PanelHints.h"
#include "app/RbxCharWindow.h"
#include "platform/x11/KeyboardFocus.h"

PaletteFocus::PaletteFocus(std::shared_ptr<KeyboardFocus> keyboard) : keyboard_(std::move(keyboard)) {}

void PaletteFocus::take(RbxCharWindow& window) {
    if (!keyboard_->isAvailable()) return;
    // The input hint first: a window manager gives the focus only to a window that
    // takes it.
    window.setActivating(true);
    taken_ = &window;
    if (const auto own = panelhints::ownWindow(&window)) keyboard_->take(*own);
}

void PaletteFocus::deactivateApplication() {
    // The input hint goes off first, so that the window manager does not hand the
    // keyboard straight back to the palette.
    std::optional<ewmh::OwnWindow> own;
    if (taken_) {
        taken_->setActivating(false);
        own = panelhints::ownWindow(taken_);
    }
    taken_ = nullptr;
    keyboard_->handBack(own.value_or(ewmh::OwnWindow{}));
}

bool PaletteFocus::holdsKeyboard() { return keyboard_->holdsKeyboard(); }
