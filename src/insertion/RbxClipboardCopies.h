#pragma once
// The clipboard of the copy commands (the table's, its group headers', the big-character
// view's): each copy replaces the whole clipboard, with no marker types and no saving or
// restoring of the user's clipboard.

#include <QByteArray>
#include <QString>
#include <memory>

namespace kx {
class KXPasteboardManager;
}

// Where the copy commands publish. The process-wide one (kx::ProcessWide<RbxTableClipboard>)
// does nothing until the composition root installs the real one, RbxClipboardCopies.
class RbxTableClipboard {
public:
    virtual ~RbxTableClipboard() = default;
    static std::unique_ptr<RbxTableClipboard> makeDefault();
    // The clipboard the copy commands use now.
    static RbxTableClipboard& shared();

    virtual void publishString(const QString&) {}
    // Data under a MIME type ("application/pdf", "image/png").
    virtual void publishData(const QByteArray&, const QString&) {}
};

// The copies on the real clipboard, through the clipboard manager directly.
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
