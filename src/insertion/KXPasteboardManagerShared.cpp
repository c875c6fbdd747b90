// The shared manager on the X CLIPBOARD, telling a clipboard utility over the bus and
// handing the clipboard to a clipboard manager when the application quits.
#include "insertion/KXPasteboardManager.h"

#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/x11/X11Clipboard.h"

#include <QCoreApplication>

namespace kx {

namespace {

constexpr quint32 CopyPasteSignature = 0x436F5061;   // 'CoPa'
constexpr quint32 ContentEvent = 0x434F4E54;         // 'CONT'
constexpr int CopyPasteTimeoutMs = 167;              // ten ticks

std::unique_ptr<KXPasteboardManager>& sharedSlot() {
    static std::unique_ptr<KXPasteboardManager> m;
    return m;
}

} // namespace

KXPasteboardManager& KXPasteboardManager::manager() {
    auto& slot = sharedSlot();
    if (!slot) {
        slot = std::make_unique<KXPasteboardManager>(std::make_shared<x11::X11Clipboard>());
        slot->setCopyPasteNotifier([](quint32 number, bool wait) {
            const QVariantMap params{{appleevent::DirectParameter, QVariant::fromValue(number)}};
            // Errors are of no interest: the utility may have quit meanwhile.
            if (wait) appleevent::sendToSignature(CopyPasteSignature, CopyPasteSignature, ContentEvent, params,
                                                  CopyPasteTimeoutMs);
            else appleevent::postToSignature(CopyPasteSignature, CopyPasteSignature, ContentEvent, params);
        });
        static bool watchingExit = false;
        if (QCoreApplication* app = QCoreApplication::instance(); app && !watchingExit) {
            watchingExit = true;
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, &KXPasteboardManager::handOverSharedManager);
        }
    }
    return *slot;
}

void KXPasteboardManager::handOverSharedManager() {
    if (const auto& slot = sharedSlot()) slot->handOverToClipboardManager();
}

void KXPasteboardManager::setManager(std::unique_ptr<KXPasteboardManager> manager) {
    sharedSlot() = std::move(manager);
}

} // namespace kx
