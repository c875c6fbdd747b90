// The hot-key recorder field on its own: key events built with the X keycode of the key's
// position, as the X server delivers them.
#include "app/KXHotkeyField.h"

#include "core/Log.h"
#include "core/ModifierFlags.h"
#include "insertion/KXKeyboard.h"
#include "platform/x11/MacKeyCodes.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

namespace mod = kx::modifier;
constexpr int KeyA = 0, KeyT = 17, KeyF5 = 96, KeySpace = 49, KeyTab = 48, KeyHome = 115, KeyKP5 = 87, KeyQuote = 39;

struct Recorder : KXHotkeyFieldDelegate {
    void hotkeyChanged(KXHotkeyField& f) override { texts << f.serializedDescription(); }
    void hotkeyFieldBecameFirstResponder(KXHotkeyField&, bool on) override { focus << on; }
    QStringList texts;
    QList<bool> focus;
};

class HotkeyField : public ::testing::Test {
protected:
    void SetUp() override {
        kx::KXKeyboard::setCurrentKeyboard(kx::KXKeyboard::fromNames(QStringLiteral("us")));
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        field = new KXHotkeyField(&window);
        layout->addWidget(field);
        layout->addWidget(other);
        field->setDelegate(&recorder);
        window.show();
        field->setFocus();
        QApplication::processEvents();
    }
    void TearDown() override { kx::KXKeyboard::setCurrentKeyboard(nullptr); }

    // Sends a press of the key at a position to whatever has the focus; answers whether
    // someone took it.
    bool press(int macKey, Qt::KeyboardModifiers m, Qt::Key key = Qt::Key_unknown, const QString& text = {}) {
        QKeyEvent e(QEvent::KeyPress, key, m, quint32(kx::x11::xKeycodeForMacKey(macKey)), 0, 0, text);
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : field;
        QApplication::sendEvent(to, &e);
        return e.isAccepted();
    }

    Recorder recorder;  // outlives the window, which tells it of the focus leaving
    QWidget window;
    KXHotkeyField* field = nullptr;
    QLineEdit* other = nullptr;
};

TEST_F(HotkeyField, RecordsAKeyWithCommandOrControlAndShowsIt) {
    EXPECT_EQ(field->keyCode(), -1);
    EXPECT_EQ(field->placeholderString(), QStringLiteral("---"));
    EXPECT_FALSE(field->clearButton()->isVisibleTo(field));
    EXPECT_GE(field->sizeHint().height(), KXHotkeyField::MinimumHeight);

    // A character key alone or with Option only is not taken.
    press(KeyA, Qt::NoModifier, Qt::Key_A, QStringLiteral("a"));
    press(KeyA, Qt::AltModifier, Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(field->keyCode(), -1);
    EXPECT_TRUE(recorder.texts.isEmpty());

    // Ctrl is Command, Super is Control, Alt is Option.
    press(KeyT, Qt::ControlModifier | Qt::AltModifier, Qt::Key_T);
    EXPECT_EQ(field->keyCode(), KeyT);
    EXPECT_EQ(field->modifiers(), mod::Command | mod::Option);
    EXPECT_EQ(recorder.texts, QStringList{QStringLiteral("1572864,17")});
    EXPECT_EQ(field->modifierString(), QStringLiteral("Ctrl+Alt"));
    EXPECT_EQ(field->keyString(), QStringLiteral("T"));
    EXPECT_EQ(field->string(), QStringLiteral("Ctrl+Alt+T"));
    EXPECT_EQ(field->menuKeyEquivalent(), U't');
    EXPECT_TRUE(field->clearButton()->isVisibleTo(field));

    press(KeySpace, Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(field->modifiers(), mod::Control | mod::Shift);
    EXPECT_EQ(field->string(), QStringLiteral("Shift+Super+Space"));
    // All four, in the order this desktop names them.
    press(KeyT, Qt::MetaModifier | Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier, Qt::Key_T);
    EXPECT_EQ(field->string(), QStringLiteral("Ctrl+Alt+Shift+Super+T"));
    EXPECT_EQ(field->serializedDescription(), QStringLiteral("1966080,17"));

    // Function and keypad keys need no modifier.
    press(KeyF5, Qt::NoModifier, Qt::Key_F5);
    EXPECT_EQ(field->keyCode(), KeyF5);
    EXPECT_EQ(field->modifiers(), 0u);
    EXPECT_EQ(field->menuKeyEquivalent(), char32_t(0xF708));
    EXPECT_EQ(field->string(), QStringLiteral("F5"));
    press(KeyKP5, Qt::KeypadModifier, Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(field->keyCode(), KeyKP5);
    EXPECT_EQ(field->string(), QStringLiteral("KP_5"));
    EXPECT_EQ(recorder.texts.size(), 5);
}

TEST_F(HotkeyField, BackspaceAndTheButtonClearTabMovesOnUnlessTabMayBeAKey) {
    field->setSerializedDescription(QStringLiteral("1572864,17"));
    EXPECT_EQ(field->keyCode(), KeyT);
    EXPECT_EQ(field->serializedDescription(), QStringLiteral("1572864,17"));
    press(51, Qt::NoModifier, Qt::Key_Backspace);
    EXPECT_EQ(field->keyCode(), -1);
    EXPECT_EQ(recorder.texts.last(), QString());
    EXPECT_EQ(field->serializedDescription(), QString());

    field->setSerializedDescription(QStringLiteral("0,96"));
    field->clearButton()->click();
    EXPECT_EQ(field->keyCode(), -1);
    EXPECT_TRUE(field->hasFocus());

    // A text the hot key refuses leaves the field empty.
    field->setSerializedDescription(QStringLiteral("0,0"));
    EXPECT_EQ(field->keyCode(), -1);
    field->setSerializedDescription(QStringLiteral("abc,def"));
    EXPECT_EQ(field->keyCode(), -1);

    // Tab goes on to the next field.
    recorder.texts.clear();
    press(KeyTab, Qt::NoModifier, Qt::Key_Tab, QStringLiteral("\t"));
    EXPECT_TRUE(other->hasFocus());
    EXPECT_TRUE(recorder.texts.isEmpty());
    EXPECT_EQ(recorder.focus.last(), false);

    // When special keys need no modifier, Tab itself is recorded.
    field->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(recorder.focus.last(), true);
    field->setZonesRequiringModifiers(1 | 4 | 128);
    press(KeyTab, Qt::NoModifier, Qt::Key_Tab, QStringLiteral("\t"));
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->keyCode(), KeyTab);
}

TEST_F(HotkeyField, KeysWithoutALabelAndTheHomeKey) {
    kx::LogCapture log;
    field->setKeyCode(KeyHome);
    field->setModifiers(mod::Command);
    EXPECT_EQ(field->menuKeyEquivalent(), char32_t(0xF729));
    EXPECT_EQ(field->string(), QStringLiteral("Ctrl+Home"));
    // A quote on a US keyboard types itself; a position without a key has no label.
    field->setKeyCode(KeyQuote);
    EXPECT_EQ(field->menuKeyEquivalent(), U'\'');
    EXPECT_EQ(field->string(), QStringLiteral("Ctrl+'"));
    field->setKeyCode(36);
    EXPECT_EQ(field->string(), QStringLiteral("Ctrl+Return"));
    field->setKeyCode(52);
    EXPECT_EQ(field->string(), QString());
    EXPECT_EQ(field->keyCode(), -1);
    EXPECT_TRUE(log.contains(QStringLiteral("invalid hotkey: key=52, mod=1048576")));
    // A key with a position that is no virtual key is not taken.
    QKeyEvent e(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier, 300, 0, 0, QStringLiteral("a"));
    QApplication::sendEvent(field, &e);
    EXPECT_EQ(field->keyCode(), -1);
}

} // namespace
