// Posting one character: the typing road through the posting tap, and the pasteboard road
// with the paste keystroke and the restore of the user's clipboard.
#include "insertion/RbxPoster.h"

#include "insertion/KXKeyboard.h"
#include "insertion/KXPasteboardManager.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "model/CharacterText.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

RbxDefaults& settings() { return RbxDefaults::userDefaults(); }

constexpr int CommandModifier = 0x100;
constexpr int ControlModifier = 0x1000;
constexpr int FallbackPasteKey = 9;   // the key of "v" on the ANSI layout

} // namespace

// ---------------------------------------------------------------- typing

bool RbxPoster::postCharacterInTap(char32_t c) { return postStringInTap(CharacterText::characterToPost(c)); }

bool RbxPoster::postStringInTap(const QString& s) {
    if (!front().directInsertion) return false;
    // The typing needs the posting tap: it is made live for an insertion that comes while
    // the palette is hidden (a request over the bus).
    system_->enablePostingTap();
    system_->wakeUpFrontProcess();
    system_->deactivateApplication();
    const bool typed = system_->postKeyboardString(s);
    if (typed && settings().boolForKey(rbx::key::sound)) system_->playSound(QStringLiteral("Tink"));
    return typed;
}

// ---------------------------------------------------------------- pasting

void RbxPoster::sendKeystroke(int keyCode, int carbonModifiers) {
    // The clipboard trace shows the readers' requests around the paste key.
    if (settings().boolForKey(rbx::key::logClipboard)) kx::log(QStringLiteral("clipboard: paste key sent"));
    system_->sendKeystroke(keyCode & 0xFFFF, carbonModifiers & 0xFFFF);
}

int RbxPoster::pasteKeyCode() {
    kx::KXKeyboard* kb = system_->keyboard();
    int key = kb ? kb->keyCodeForCommandKeyLabeled(QStringLiteral("v")) : -1;
    if (key < 0 && kb) key = kb->keyCodeForKeyLabeled(QStringLiteral("V"));
    if (key < 0) {
        kx::log(QStringLiteral("Cannot locate V on keyboard \"%1\"").arg(kb ? kb->layoutName() : QString()));
        key = FallbackPasteKey;
    }
    return key;
}

void RbxPoster::paste(char32_t c, const rbx::Font& font) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    lastRestoreDelay_ = 0;
    if (pb.types().isEmpty()) return;
    const RbxFrontApplication front = this->front();
    const std::optional<RbxClipboardUtility> utility = system_->clipboardUtility();
    pb.setCopyPasteMode(utility.has_value());
    const int key = pasteKeyCode();
    system_->deactivateApplication();
    publish(front, utility.has_value());
    if (front.contextSwitch) system_->switchFrontApplicationAwayAndBack();
    system_->wakeUpFrontProcess();
    lastPaste_ = PasteKey{key, front, utility};
    connect(&pb, &kx::KXPasteboardManager::pasteMissed, this, &RbxPoster::pasteMissed, Qt::UniqueConnection);
    pauseFontDetection(pressPasteKey(key, front, utility) + 0.25);
    // The recent characters change (and are drawn) once the application has its text.
    recordUse(c, font);
    emit posted(false);
}

void RbxPoster::pasteMissed(int publishedChangeCount) {
    QPointer<RbxPoster> self(this);
    QTimer::singleShot(kx::KXPasteboardManager::RepasteDelayMs, this, [self, publishedChangeCount] {
        if (!self || !self->lastPaste_) return;
        kx::KXPasteboardManager& pb = self->system_->pasteboard();
        // Only while that text still waits on the clipboard, unfetched, and the same
        // application is in front.
        if (pb.publishedChangeCount() != publishedChangeCount || pb.deliveredPromise() || !pb.restorePending()) return;
        const PasteKey k = *self->lastPaste_;
        if (self->system_->frontApplication().processName != k.front.processName) return;
        self->system_->deactivateApplication();
        self->system_->wakeUpFrontProcess();
        self->pressPasteKey(k.key, k.front, k.utility);
    });
}

// The restore waits 0.5 s (1 s with a clipboard utility, 2 s with a context switch),
// stretched by the application's factor. With Option held the user keeps what we publish:
// nothing is saved or restored.
void RbxPoster::publish(const RbxFrontApplication& front, bool utility) {
    kx::KXPasteboardManager& pb = system_->pasteboard();
    const double base = front.contextSwitch ? 2.0 : utility ? 1.0 : 0.5;
    // A factor that is no number, or beyond a hundred times the wait, would keep the
    // user's clipboard away for good: the usual wait it is.
    const double factor = std::isfinite(front.restoreFactor) && front.restoreFactor <= 100 ? front.restoreFactor : 1.0;
    if (factor <= 0.001 || (system_->currentModifierFlags() & kx::modifier::Option)) {
        pb.publish();
        return;
    }
    lastRestoreDelay_ = base * std::max(factor, 1.0);
    pb.publishAndRestoreAfter(lastRestoreDelay_, 5.0);
}

// The paste keystroke: at once (with Control in "X11"), or a moment later when a
// clipboard utility wants to see the clipboard first. Answers the delay after which the
// insertion is over.
double RbxPoster::pressPasteKey(int key, const RbxFrontApplication& front,
                                const std::optional<RbxClipboardUtility>& utility) {
    const bool x11Front = front.processName == QLatin1String("X11");
    if (!utility || x11Front) {
        sendKeystroke(key, x11Front ? ControlModifier : CommandModifier);
        system_->pasteboard().serveUntilFetched(FetchWaitMs);
        const double d = utility ? 1.0 : 0.2;
        scheduleActivation(d);
        return d;
    }
    const double d = utility->recentVersion ? 0.05 : 0.25;
    QPointer<RbxPoster> self(this);
    QTimer::singleShot(int(d * 1000), this, [self, key] {
        if (self) self->delayedCopyPasteEvent(key);
    });
    return d;
}

void RbxPoster::delayedCopyPasteEvent(int keyCode) {
    sendKeystroke(keyCode, CommandModifier);
    system_->pasteboard().serveUntilFetched(FetchWaitMs);
    scheduleActivation(0.2);
}

void RbxPoster::scheduleActivation(double seconds) {
    QPointer<RbxPoster> self(this);
    QTimer::singleShot(int(seconds * 1000), this, [self] {
        if (self) emit self->activationDue();
    });
}
