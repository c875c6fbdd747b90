#pragma once
// Delivering one character, or one string, into the application that has the keyboard
// focus, while the palette keeps out of the way. Two roads: the text is typed into the
// front application as key events (when its settings allow "directInsertion" and the
// posting tap is live), or it is put on the clipboard (the user's clipboard saved first)
// and a paste keystroke (Ctrl+V, found on the current layout) is sent, after which the
// user's clipboard is put back. The road, the form of the text (plain, formatted, HTML, a
// notation) and every delay are chosen here; the table view hands its clicked characters
// on through RbxCharViewPosting.
//
// What the road needs of the running system (front application, keyboard, typing,
// clipboard) comes through RbxPostingSystem, so that it can be replaced in tests.
// Main thread only.

#include "core/InsertMode.h"
#include "table/widgets/RbxCharViewHooks.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class RbxCharView;

namespace kx {
class KXKeyboard;
class KXPasteboardManager;
class KXTap;
} // namespace kx

// The front application as the posting road sees it.
struct RbxFrontApplication {
    QString processName;
    bool directInsertion = false;   // text may be typed into it
    bool contextSwitch = false;     // switch it away and back before pasting
    double restoreFactor = 1.0;     // stretches the restore delay
    QString settingsDescription;    // for the insertion log
};

// The clipboard utility that wants to hear about our clipboard use.
struct RbxClipboardUtility {
    bool recentVersion = false;     // at least 2.7.3: it needs only a short delay
};

class RbxPostingSystem {
public:
    RbxPostingSystem();
    virtual ~RbxPostingSystem();
    RbxPostingSystem(const RbxPostingSystem&) = delete;
    RbxPostingSystem& operator=(const RbxPostingSystem&) = delete;

    virtual RbxFrontApplication frontApplication();
    virtual void wakeUpFrontProcess();
    // The running clipboard utility, if any.
    virtual std::optional<RbxClipboardUtility> clipboardUtility();
    // Hands the keys back to the front application (the palette never keeps them).
    virtual void deactivateApplication();
    // The modifier keys of the event being handled, in the stored form (Option 0x80000).
    virtual std::uint32_t currentModifierFlags();
    virtual kx::KXKeyboard* keyboard();
    // Presses a key with classic modifiers (Command 0x100 = Ctrl, Control 0x1000 = Super).
    virtual void sendKeystroke(int keyCode, int carbonModifiers);
    // The posting tap exists and is enabled.
    virtual bool postingTapEnabled();
    // Types a string through the posting tap; false when it could not be typed.
    virtual bool postKeyboardString(const QString& text);
    virtual void playSound(const QString& name);
    virtual void beep();
    // Switches the front application away and back (for applications that paste only
    // after such a switch).
    virtual void switchFrontApplicationAwayAndBack();
    virtual kx::KXPasteboardManager& pasteboard();

    // The posting tap: a listen-only tap on left presses and key presses, whose first
    // event makes it live. Installed when "useTapping" is on.
    void installPostingTap();
    void enablePostingTap();
    void disablePostingTap();
    kx::KXTap* postingTap() const { return tap_.get(); }

private:
    std::unique_ptr<kx::KXTap> tap_;
};

class RbxPoster : public QObject, public RbxCharViewPosting {
    Q_OBJECT
public:
    explicit RbxPoster(RbxCharView* view, std::shared_ptr<RbxPostingSystem> system = nullptr, QObject* parent = nullptr);
    ~RbxPoster() override;

    RbxPostingSystem& system() const { return *system_; }

    // ---- what the layers beside this one plug in (each optional)
    struct Hooks {
        // The font list puts the selected font first among the recent fonts.
        std::function<void()> markSelectedFontAsUsed;
        // Automatic font detection of the front application pauses for a while.
        std::function<void(double seconds)> disableFontCheckingForSeconds;
    };
    Hooks& hooks() { return hooks_; }

    // ---- posting
    // In the insert mode the settings give for the front application.
    void postCharacter(char32_t c, const QString& s) override;
    // The whole insertion. A non-empty string is what is delivered; the character then
    // serves the recent characters and the log only. The text of each mode is the
    // character-text module's (CharacterText::textForMode).
    void postCharacter(char32_t c, const QString& s, InsertMode mode);

    void addStringToPasteboard(const QString& s);
    void addCharacterToPasteboard(char32_t c);
    // The formatted forms (HTML, RTF and plain text) of a text in the view's font.
    void addFormattedStringToPasteboard(const QString& s);
    void sendKeystroke(int keyCode, int carbonModifiers);
    // The paste key of the current layout: the key labelled "v" with Command, else "V",
    // else key code 9.
    int pasteKeyCode();

    // ---- the typing road
    bool tapIsEnabled();
    bool postCharacterInTap(char32_t c);
    bool postStringInTap(const QString& s);

    // ---- the log of recent insertions, newest first, at most 10
    const QStringList& insertionLog() const;
    static constexpr int InsertionLogSize = 10;

    // Restore delay chosen for the latest pasteboard insertion (seconds; 0 when the
    // clipboard was not to be restored), for diagnostics and tests.
    double lastRestoreDelay() const { return lastRestoreDelay_; }

signals:
    // An insertion finished its road: true when typed, false when pasted. Not emitted for
    // insertions that delivered nothing.
    void posted(bool typed);

private:
    void logInsertion(char32_t c, InsertMode mode);
    void recordUse(char32_t c);
    void paste(char32_t c);
    void scheduleActivation(double seconds);
    void delayedCopyPasteEvent(int keyCode);
    void delayedActivation();
    QString fontDescription() const;
    // The front application, read once per insertion.
    const RbxFrontApplication& front();

    QPointer<RbxCharView> view_;
    std::shared_ptr<RbxPostingSystem> system_;
    Hooks hooks_;
    QStringList ownLog_;
    double lastRestoreDelay_ = 0;
    std::optional<RbxFrontApplication> front_;
    int depth_ = 0;
};
