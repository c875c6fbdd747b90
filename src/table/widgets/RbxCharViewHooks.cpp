#include "table/widgets/RbxCharViewHooks.h"

namespace {

std::shared_ptr<RbxTableClipboard>& sharedClipboard() {
    static std::shared_ptr<RbxTableClipboard> clipboard = std::make_shared<RbxTableClipboard>();
    return clipboard;
}

} // namespace

RbxTableClipboard& RbxTableClipboard::shared() { return *sharedClipboard(); }

void RbxTableClipboard::setShared(std::shared_ptr<RbxTableClipboard> clipboard) {
    sharedClipboard() = clipboard ? std::move(clipboard) : std::make_shared<RbxTableClipboard>();
}
