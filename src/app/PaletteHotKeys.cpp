#include "app/PaletteHotKeys.h"

#include "app/KXHotkeyField.h"
#include "app/RbxCharWindowController.h"
#include "core/Log.h"
#include "kxlib/RbxDefaults.h"

PaletteHotKeys::PaletteHotKeys(RbxCharWindowController& windowController, RbxDefaults& settings,
                               KXHotKeyRegistry& registry, QObject* parent)
    : QObject(parent), windowController_(windowController), settings_(settings), registry_(registry),
      openWindow_(registry, this) {}

PaletteHotKeys::~PaletteHotKeys() {
    if (observing_) settings_.removeObserver(this);
}

void PaletteHotKeys::setupHotkeys() {
    const QString text = settings_.stringForKey(rbx::key::openWindowHotkey);
    if (!observing_) {
        observing_ = true;
        settings_.addObserver(this);
    }
    openWindow_.setSerializedDescription(text);
    if (openWindow_.isEnabled())
        kx::log(QStringLiteral("open-window hot key: %1").arg(openWindow_.description()));
    else if (openWindow_.registrationError() != 0)
        kx::log(QStringLiteral("open-window hot key %1 not registered").arg(openWindow_.serializedDescription()));
    if (field_) field_->setSerializedDescription(text);
}

void PaletteHotKeys::hotkeyChanged(KXHotkeyField& field) {
    settings_.setString(field.serializedDescription(), rbx::key::openWindowHotkey.qname());
    setupHotkeys();
}

void PaletteHotKeys::hotKeyPressed(KXHotKey& hotKey) {
    if (&hotKey == &openWindow_) windowController_.toggleWindowFromHotkey();
}

void PaletteHotKeys::defaultChanged(const QString& key) {
    if (key == rbx::key::openWindowHotkey.qname()) setupHotkeys();
}
