// What the posting road asks of the running system, answered by the real services: the
// front application and its settings, the current keyboard, XTest keys, the posting tap,
// the shared clipboard manager.
#include "insertion/RbxPostingSystem.h"

#include "insertion/KXKeyboard.h"
#include "insertion/KXPasteboardManager.h"
#include "insertion/KXTap.h"
#include "kxlib/KXAppSettings.h"
#include "kxlib/KXProcess.h"
#include "kxlib/KXUtilities.h"
#include "kxlib/RbxDefaults.h"
#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "platform/x11/X11Session.h"

#include <QGuiApplication>

namespace {

constexpr quint32 ClipboardUtilitySignature = 0x436F5061;   // 'CoPa'

void ringBell(int percent) { X11Session::shared().bell(percent); }

} // namespace

RbxPostingSystem::RbxPostingSystem(std::shared_ptr<RbxFocusHandBack> focus) : focus_(std::move(focus)) {}

RbxPostingSystem::~RbxPostingSystem() = default;

bool RbxPostingSystem::useTapping() {
    RbxDefaults& d = RbxDefaults::userDefaults();
    const QVariant v = d.objectForKey(QStringLiteral("useTapping"));
    return v.isValid() && !v.isNull() ? d.boolForKey(QStringLiteral("useTapping")) : true;
}

RbxFrontApplication RbxPostingSystem::frontApplication() {
    RbxFrontApplication front;
    const std::shared_ptr<KXAppSettings> settings = KXAppSettings::settingsForFrontApplication();
    if (const KXProcess::Ptr p = KXProcess::frontProcess()) front.processName = p->name();
    if (!settings) return front;
    front.directInsertion = settings->boolForKey(QStringLiteral("directInsertion"));
    front.contextSwitch = settings->boolForKey(QStringLiteral("contextSwitch"));
    front.restoreFactor = settings->floatForKey(QStringLiteral("restoreFactor"), 1.0f);
    front.settingsDescription = settings->description();
    return front;
}

void RbxPostingSystem::wakeUpFrontProcess() {
    // Processes here handle their events without a nudge: nothing to ask the X server
    // while the keys wait.
}

std::optional<RbxClipboardUtility> RbxPostingSystem::clipboardUtility() {
    const KXProcess::Ptr p = KXProcess::processWithSignature(ClipboardUtilitySignature);
    if (!p) return std::nullopt;
    return RbxClipboardUtility{p->isAtLeastVersion(QStringLiteral("2.7.3"))};
}

void RbxPostingSystem::deactivateApplication() {
    if (focus_) focus_->deactivateApplication();
}

std::uint32_t RbxPostingSystem::currentModifierFlags() {
    // The keys of the event being handled, and those held now: a pointer event may carry
    // a state older than the keys it follows.
    return kx::modifier::fromQt(QGuiApplication::keyboardModifiers() | QGuiApplication::queryKeyboardModifiers());
}

kx::KXKeyboard* RbxPostingSystem::keyboard() { return kx::KXKeyboard::currentKeyboard(); }

void RbxPostingSystem::sendKeystroke(int keyCode, int carbonModifiers) {
    // The generator first lets go of the modifier keys the user holds, so that a held
    // Alt does not join our Ctrl+V.
    kx::KXEventGenerator& g = kx::KXEventGenerator::generator();
    g.blockUserEvents(true);
    g.setCarbonModifiers(carbonModifiers);
    g.generateRawKey(keyCode);
    g.blockUserEvents(false);
    g.resetModifiers();
}

bool RbxPostingSystem::postKeyboardString(const QString& text) {
    if (!tap_) return false;
    if (!tap_->hasTapProxy()) {
        // The press that started this insertion may still wait on our own connection.
        X11Session& s = X11Session::shared();
        if (s.isAvailable()) {
            s.sync();
            s.processPendingEvents();
        }
    }
    return tap_->postKeyboardString(text);
}

void RbxPostingSystem::playSound(const QString&) { ringBell(-60); }

void RbxPostingSystem::beep() { ringBell(0); }

void RbxPostingSystem::switchFrontApplicationAwayAndBack() {
    const KXProcess::Ptr front = KXProcess::frontProcess();
    if (!front || KXUtilities::fullScreenMode()) return;
    if (!front->temporarilySwitchOut()) kx::log(QStringLiteral("could not switch %1 away and back").arg(front->name()));
}

kx::KXPasteboardManager& RbxPostingSystem::pasteboard() { return kx::KXPasteboardManager::manager(); }

// ---------------------------------------------------------------- the posting tap

void RbxPostingSystem::installPostingTap() {
    if (tap_ || !useTapping()) return;
    tap_ = std::make_unique<kx::KXTap>();
    tap_->setEventsOfInterest(kx::tapevent::maskBit(kx::tapevent::LeftMouseDown) |
                              kx::tapevent::maskBit(kx::tapevent::KeyDown));
    tap_->setIsFilter(false);
    tap_->setIsHeadTap(false);
    tap_->setIsAnnotated(false);
    tap_->setEnabled(true);
}

void RbxPostingSystem::enablePostingTap() {
    if (!tap_ || tap_->isEnabled()) return;
    tap_->setEnabled(true);
    kx::log(QStringLiteral("tap enabled"));
}

void RbxPostingSystem::disablePostingTap() {
    if (!tap_ || !tap_->isEnabled()) return;
    tap_->setEnabled(false);
    kx::log(QStringLiteral("tap disabled"));
}
