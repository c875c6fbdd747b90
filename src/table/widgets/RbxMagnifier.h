#pragma once
// The process-wide magnifier object. Every place that hides the magnifier calls hide(); the
// magnified character itself is shown in the table's popover, not by this object. Main
// thread only.

#include <memory>

class RbxMagnifier {
public:
    // The shared instance (kx::ProcessWide): the one installed, else one made on first use
    // (which logs "FOCUS: magnifier init" with "logFocus").
    static RbxMagnifier& magnifier();
    static std::unique_ptr<RbxMagnifier> makeDefault();

    // Leaves the "What's This?" help mode. Safe at any time, any number of times.
    void hide();

private:
    RbxMagnifier();
};
