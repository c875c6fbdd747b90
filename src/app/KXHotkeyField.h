#pragma once
// The recorder of a hot key: focused, it takes the next key pressed with its modifiers
// as the hot key and tells its delegate. Keys of the zones that need a modifier (by
// default characters, special keys, navigation: KXKeyboard's zones 1, 2, 4 and 128) are
// taken only with Command or Control held; keypad and function keys alone are taken.
// A modifier pressed alone is no key: the recorder waits for the key that follows it.
// Backspace or Delete without modifiers clears the field; so does its clear button.
//
// The key is the classic virtual key code of the pressed key's position (the X keycode
// of the event through MacKeyCodes), the modifiers the stored form of core/ModifierFlags.

#include <QWidget>
#include <cstdint>

class QToolButton;
class KXHotkeyField;

class KXHotkeyFieldDelegate {
public:
    virtual ~KXHotkeyFieldDelegate() = default;
    virtual void hotkeyChanged(KXHotkeyField& field) = 0;
    virtual void hotkeyFieldBecameFirstResponder(KXHotkeyField&, bool) {}
};

class KXHotkeyField : public QWidget {
    Q_OBJECT
public:
    static constexpr int MinimumHeight = 26;

    explicit KXHotkeyField(QWidget* parent = nullptr);

    int keyCode() const { return keyCode_; }
    void setKeyCode(int keyCode);
    std::uint32_t modifiers() const { return modifiers_; }
    void setModifiers(std::uint32_t modifiers);
    void setDelegate(KXHotkeyFieldDelegate* delegate) { delegate_ = delegate; }
    QToolButton* clearButton() const { return clearButton_; }
    QString placeholderString() const { return placeholder_; }
    int zonesRequiringModifiers() const { return zoneMask_; }
    void setZonesRequiringModifiers(int mask) { zoneMask_ = mask; }
    bool backspaceClears() const { return backspaceClears_; }

    // "modifiers,keycode", "" without a key; the setter takes the text as the hot key
    // does (a text it refuses leaves the field empty).
    QString serializedDescription() const;
    void setSerializedDescription(const QString& text);

    // The modifiers held by their names, in the order Ctrl, Alt, Shift, Super, joined
    // with "+" (empty without a key); the key's name: "Space" for the space bar, the key
    // cap of a character key ("C"), the X keysym name of any other ("F5", "Home"); both
    // together, "Ctrl+Alt+C". A key without a name is logged and clears the field.
    QString modifierString() const;
    QString keyString() const;
    QString string();
    // The same text without the clearing; empty for no key or a key without a name.
    QString text() const;
    // The character a menu shows for the key: U+F729 for Home, U+F703 + n for Fn, else
    // what the key types without modifiers; 0 for none.
    char32_t menuKeyEquivalent() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

public slots:
    void clear();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Answers whether the key was taken.
    bool setKeyFromEvent(QKeyEvent* event);
    void record(int keyCode, std::uint32_t flags);
    void changed();
    void updateClearButton();

    int keyCode_ = -1;
    std::uint32_t modifiers_ = 0;
    KXHotkeyFieldDelegate* delegate_ = nullptr;
    QToolButton* clearButton_ = nullptr;
    QString placeholder_ = QStringLiteral("---");
    int zoneMask_ = 135;
    bool backspaceClears_ = true;
};
