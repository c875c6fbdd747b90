#pragma once
// The application the user works in, as the palette follows it: its process name (the
// key of its per-application settings).

#include "kxlib/KXProcess.h"

#include <QString>

class FrontApplication {
public:
    virtual ~FrontApplication() = default;
    // The front application's process name; "" when no application is in front.
    virtual QString frontApplicationName() = 0;
    // Its process; null when unknown (font detection then has nothing to ask).
    virtual KXProcess::Ptr frontProcess() { return nullptr; }
};

// The front process of the desktop (the owner of the active window).
class DesktopFrontApplication : public FrontApplication {
public:
    QString frontApplicationName() override;
    KXProcess::Ptr frontProcess() override;
};
