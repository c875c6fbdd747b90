// The shared manager on the X CLIPBOARD, telling a clipboard utility over the bus and
// handing the clipboard to a clipboard manager when the application quits.
#include "insertion/KXPasteboardManager.h"

#include "core/ProcessWide.h"
#include "platform/dbus/AppleEvent.h"
#include "platform/dbus/AppleEventSender.h"
#include "platform/x11/X11Clipboard.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace kx {

namespace {

constexpr quint32 CopyPasteSignature = 0x436F5061;   // 'CoPa'
constexpr quint32 ContentEvent = 0x434F4E54;         // 'CONT'
constexpr int CopyPasteTimeoutMs = 167;              // ten ticks

// The notice goes over the bus as an Apple event; errors are of no interest: the utility
// may have quit meanwhile.
class AppleEventUtilityNotifier : public KXClipboardUtilityNotifier {
public:
    void notify(quint32 number, bool wait) override {
        const QVariantMap params{{appleevent::DirectParameter, QVariant::fromValue(number)}};
        if (wait) appleevent::sendToSignature(CopyPasteSignature, CopyPasteSignature, ContentEvent, params,
                                              CopyPasteTimeoutMs);
        else appleevent::postToSignature(CopyPasteSignature, CopyPasteSignature, ContentEvent, params);
    }
};

} // namespace

KXPasteboardManager& KXPasteboardManager::manager() { return ProcessWide<KXPasteboardManager>::get(); }

std::unique_ptr<KXPasteboardManager> KXPasteboardManager::makeDefault() {
    Services services;
    services.utility = std::make_shared<AppleEventUtilityNotifier>();
    // Installed beside the program.
    if (QCoreApplication::instance()) {
        const QString keeper = QCoreApplication::applicationDirPath() + QStringLiteral("/runebox-clipboard-keeper");
        if (QFileInfo(keeper).isExecutable()) services.keeper = keeper;
    }
    auto m = std::make_unique<KXPasteboardManager>(std::make_shared<x11::X11Clipboard>(), std::move(services));
    static bool watchingExit = false;
    if (QCoreApplication* app = QCoreApplication::instance(); app && !watchingExit) {
        watchingExit = true;
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, &KXPasteboardManager::handOverSharedManager);
    }
    return m;
}

void KXPasteboardManager::handOverSharedManager() {
    if (KXPasteboardManager* m = ProcessWide<KXPasteboardManager>::current()) m->handOverToClipboardManager();
}

} // namespace kx
