#pragma once
// The diagnostics report that the About sheet puts on the clipboard for support: the
// installation, the launch and crashes, the event taps, what the palette shows, the
// user's names, font changes, recent insertions, window positions and the processes,
// always in the same order.

#include <QDateTime>
#include <QString>
#include <QStringList>

class RbxCharWindowController;
class RbxDefaults;
class RbxFontList;

namespace diagnostics {

// "launched: <date> (for 1d01:01:01) login=0"; "relaunched" when started with "-relaunch".
QString launchLine(bool relaunched, const QString& launchDate, qint64 secondsSinceLaunch, bool startAtLogin);
// "activator" 2: "right/hidden" or "right/always" by "hide Q in corner"; 1 "status";
// 0 "left/hidden" or "left/always"; else "?".
QString activatorText(int activator, bool hideInCorner);

struct Report {
    QString date, techLine, model, processor, bundlePath, launchLine, crashLine, taps;
    QString font, view, layout, collection, insertionMode, activator, charFilter, fontFilter;
    QString customNames;
    QStringList fontChanges, insertions;
    QString positions, processes;
};
// The pieces in their fixed order, each followed by a line break (the processes last,
// without one).
QString text(const Report& report);

// What the running palette knows now.
Report gather(RbxCharWindowController& palette, RbxDefaults& settings, RbxFontList& fonts);

} // namespace diagnostics
