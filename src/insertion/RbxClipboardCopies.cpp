#include "insertion/RbxClipboardCopies.h"

#include "insertion/KXPasteboardManager.h"
#include "insertion/PasteboardTypes.h"
#include "core/ProcessWide.h"

std::unique_ptr<RbxTableClipboard> RbxTableClipboard::makeDefault() { return std::make_unique<RbxTableClipboard>(); }

RbxTableClipboard& RbxTableClipboard::shared() { return kx::ProcessWide<RbxTableClipboard>::get(); }

kx::KXPasteboardManager& RbxClipboardCopies::manager() const {
    return manager_ ? *manager_ : kx::KXPasteboardManager::manager();
}

void RbxClipboardCopies::publishString(const QString& s) {
    kx::KXPasteboardManager& pb = manager();
    pb.clearContents();
    for (const QString& type : kx::pbtype::plainText()) pb.addString(s, type);
    pb.publishDirectly();
}

void RbxClipboardCopies::publishData(const QByteArray& data, const QString& type) {
    kx::KXPasteboardManager& pb = manager();
    pb.clearContents();
    pb.addData(data, type);
    pb.publishDirectly();
}
