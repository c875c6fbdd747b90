#pragma once
// What the layout registry asks of the window that shows its layout pop-up.

#include <QStringList>

class RbxLayoutWindow {
public:
    virtual ~RbxLayoutWindow() = default;
    // The list of user layouts changed: refill the layout pop-up (forced) and rebuild
    // the table with the layout now selected.
    virtual void layoutsChanged() = 0;
    // The pop-up was refilled while enabled: choose the layout linked with the current
    // font.
    virtual void switchToLayoutForCurrentFont() = 0;
    // The titles of the sample texts ("-" for a separator).
    virtual QStringList sampleTextTitles() = 0;
};
