#pragma once
// Stand-ins for what the insertion services are given when they are made: settings from a
// table of the test's, a running-process check, a clipboard-utility notifier, and the
// running system of the posting road, each recording what it was asked.

#include "insertion/InsertionSettings.h"
#include "insertion/KXKeyboard.h"
#include "insertion/KXPasteboardManager.h"
#include "insertion/RbxPostingSystem.h"

#include <QHash>
#include <QList>
#include <QPair>
#include <QStringList>
#include <memory>
#include <optional>

// Settings from a table; a key not in it is absent.
struct MapSettings : kx::InsertionSettings {
    QHash<QString, QVariant> values;
    QVariant value(const QString& key) const override { return values.value(key); }
};

struct FakeProcesses : kx::KXProcessCheck {
    QList<quint32> running;
    bool isRunning(quint32 signature) const override { return running.contains(signature); }
};

struct RecordingNotifier : kx::KXClipboardUtilityNotifier {
    QList<std::pair<quint32, bool>> notices;
    void notify(quint32 number, bool wait) override { notices.append({number, wait}); }
};

// The palette's hand-back of the keyboard.
struct RecordingFocus : RbxFocusHandBack {
    int handBacks = 0;
    void deactivateApplication() override { ++handBacks; }
};

// The running system as a test sets it up, recording what the road asks of it; the
// keyboard is handed back through the focus service it is made with.
struct FakeSystem : RbxPostingSystem {
    explicit FakeSystem(std::shared_ptr<RecordingFocus> f = std::make_shared<RecordingFocus>())
        : RbxPostingSystem(f), focus(std::move(f)) {}
    std::shared_ptr<RecordingFocus> focus;

    RbxFrontApplication front{QStringLiteral("editor"), true, false, 1.0, QStringLiteral("settings for editor")};
    std::optional<RbxClipboardUtility> utility;
    bool typingWorks = true;
    std::uint32_t modifiers = 0;
    std::unique_ptr<kx::KXKeyboard> kb = kx::KXKeyboard::fromNames(QStringLiteral("us"));
    bool noKeyboard = false;
    kx::KXPasteboardManager* manager = nullptr;

    QStringList typed;
    QList<QPair<int, int>> keystrokes;
    int& deactivations = focus->handBacks;
    int wakeUps = 0, beeps = 0, sounds = 0, switches = 0;

    RbxFrontApplication frontApplication() override { return front; }
    void wakeUpFrontProcess() override { ++wakeUps; }
    std::optional<RbxClipboardUtility> clipboardUtility() override { return utility; }
    std::uint32_t currentModifierFlags() override { return modifiers; }
    kx::KXKeyboard* keyboard() override { return noKeyboard ? nullptr : kb.get(); }
    void sendKeystroke(int key, int mods) override { keystrokes.append({key, mods}); }
    bool postKeyboardString(const QString& s) override {
        if (!typingWorks) return false;
        typed << s;
        return true;
    }
    void playSound(const QString&) override { ++sounds; }
    void beep() override { ++beeps; }
    void switchFrontApplicationAwayAndBack() override { ++switches; }
    kx::KXPasteboardManager& pasteboard() override { return *manager; }
};
