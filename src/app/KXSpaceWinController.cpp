#include "app/KXSpaceWinController.h"

#include "app/PanelHints.h"
#include "core/Log.h"

#include <QtGlobal>

KXSpaceWinController* KXSpaceWinController::openSpaceWindow() {
    kx::log(QStringLiteral("1-Qt V %1").arg(QString::fromLatin1(qVersion())));
    kx::log(QStringLiteral("Spaces fix installed"));
    static KXSpaceWinController* kept = nullptr;
    if (!kept) kept = new KXSpaceWinController;
    kept->showWindow();
    return kept;
}

KXSpaceWinController::KXSpaceWinController()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(WindowName);
    setWindowTitle(WindowName);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setGeometry(0, 0, 8, 8);
    windowDidLoad();
}

void KXSpaceWinController::windowDidLoad() { setWindowOpacity(0.0); }

void KXSpaceWinController::showWindow() {
    winId();
    panelhints::prepareForMapping(this, true);
    show();
    setWindowOpacity(0.5);
    raise();
}
