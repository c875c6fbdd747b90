#include "app/FrontApplication.h"

#include "kxlib/KXProcess.h"

QString DesktopFrontApplication::frontApplicationName() {
    const KXProcess::Ptr front = KXProcess::frontProcess();
    return front ? front->name() : QString();
}
