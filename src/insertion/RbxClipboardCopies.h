#pragma once
// The table's copy commands (and the big-character view's) on the real clipboard: each
// copy goes through the clipboard manager directly, without marker types and without
// saving or restoring the user's clipboard, and replaces the whole clipboard.

#include "table/widgets/RbxCharViewHooks.h"

namespace kx {
class KXPasteboardManager;
}

class RbxClipboardCopies : public RbxTableClipboard {
public:
    // On a manager of its own (tests); without one, the shared manager.
    explicit RbxClipboardCopies(kx::KXPasteboardManager* manager = nullptr) : manager_(manager) {}

    // The text under every plain-text type.
    void publishString(const QString& s) override;
    void publishData(const QByteArray& data, const QString& type) override;

private:
    kx::KXPasteboardManager& manager() const;
    kx::KXPasteboardManager* manager_;
};
