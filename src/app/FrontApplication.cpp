#include "app/FrontApplication.h"

#include "kxlib/KXProcess.h"

KXProcess::Ptr DesktopFrontApplication::frontProcess() { return KXProcess::frontProcess(); }

QString DesktopFrontApplication::frontApplicationName() {
    const KXProcess::Ptr front = frontProcess();
    return front ? front->name() : QString();
}
