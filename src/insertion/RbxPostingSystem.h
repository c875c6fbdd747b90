#pragma once
// What the posting road asks of the running system: the front application and its
// settings, the current keyboard, XTest keys, the posting tap, the shared clipboard
// manager; and the palette's hand-back of the keyboard, a service given when the system is
// made. Tests and tools derive from it to stand in for parts of the system. Main thread.

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

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

// Gives the keyboard back to the application the user works in, should the palette have
// taken it; the keys of an insertion must reach that application.
class RbxFocusHandBack {
public:
    virtual ~RbxFocusHandBack() = default;
    virtual void deactivateApplication() = 0;
};

class RbxPostingSystem {
public:
    // `focus` is null where no palette ever takes the keyboard.
    explicit RbxPostingSystem(std::shared_ptr<RbxFocusHandBack> focus);
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
    // Types a string through the posting tap; false when it could not be typed.
    virtual bool postKeyboardString(const QString& text);
    virtual void playSound(const QString& name);
    virtual void beep();
    // Switches the front application away and back (for applications that paste only
    // after such a switch).
    virtual void switchFrontApplicationAwayAndBack();
    virtual kx::KXPasteboardManager& pasteboard();

    // The typing road is allowed unless the setting "useTapping" says no.
    static bool useTapping();

    // The posting tap: a listen-only tap on left presses and key presses, whose first
    // event makes it live. Installed when "useTapping" is on.
    void installPostingTap();
    void enablePostingTap();
    void disablePostingTap();
    kx::KXTap* postingTap() const { return tap_.get(); }

private:
    std::shared_ptr<RbxFocusHandBack> focus_;
    std::unique_ptr<kx::KXTap> tap_;
};
