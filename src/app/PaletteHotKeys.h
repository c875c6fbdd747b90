#pragma once
// The palette's global hot key: "openWindowHotkey" ("modifiers,keycode", "" for none)
// opens and closes the palette from any application. The key is registered again
// whenever the setting changes, in this process or another, and the recorder field of
// the preferences stores what the user records under that key.

#include "insertion/KXHotKey.h"
#include "kxlib/KXDefaultObserver.h"

#include <QObject>

class KXHotkeyField;
class RbxCharWindowController;
class RbxDefaults;

class PaletteHotKeys : public QObject, public KXHotKeyTarget, public KXDefaultObserver {
    Q_OBJECT
public:
    PaletteHotKeys(RbxCharWindowController& windowController, RbxDefaults& settings, KXHotKeyRegistry& registry,
                   QObject* parent = nullptr);
    ~PaletteHotKeys() override;

    // Reads the setting and registers the key (again); shows it in the field, if any.
    void setupHotkeys();
    KXHotKey& openWindowHotKey() { return openWindow_; }
    KXHotKeyRegistry& registry() const { return registry_; }

    // The recorder field that edits the key (may be null).
    void setField(KXHotkeyField* field) { field_ = field; }
    // The field recorded a key: it is stored and registered.
    void hotkeyChanged(KXHotkeyField& field);

    void hotKeyPressed(KXHotKey& hotKey) override;
    void defaultChanged(const QString& key) override;

protected:
    QString observerClassName() const override { return QStringLiteral("PaletteHotKeys"); }

private:
    RbxCharWindowController& windowController_;
    RbxDefaults& settings_;
    KXHotKeyRegistry& registry_;
    KXHotKey openWindow_;
    KXHotkeyField* field_ = nullptr;
    bool observing_ = false;
};
