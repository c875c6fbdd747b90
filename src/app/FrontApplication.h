#pragma once
// The application the user works in, as the palette follows it: its process name (the
// key of its per-application settings).

#include <QString>

class FrontApplication {
public:
    virtual ~FrontApplication() = default;
    // The front application's process name; "" when no application is in front.
    virtual QString frontApplicationName() = 0;
};

// The front process of the desktop (the owner of the active window).
class DesktopFrontApplication : public FrontApplication {
public:
    QString frontApplicationName() override;
};
