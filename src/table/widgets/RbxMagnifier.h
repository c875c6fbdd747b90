#pragma once
// The process-wide magnifier object. Every place that hides the magnifier calls hide(); the
// magnified character itself is shown in the table's popover, not by this object. Main
// thread only.

#include <memory>

class RbxMagnifier {
public:
    // The shared instance, made on first use (logs "FOCUS: magnifier init" with "logFocus").
    static RbxMagnifier& magnifier();
    // Forgets the shared instance; the next magnifier() makes a new one (tests).
    static void resetForTesting();

    // Leaves the "What's This?" help mode. Safe at any time, any number of times.
    void hide();

private:
    RbxMagnifier();
};
