#pragma once
// The palette following the font of the front application: when font detection is on
// for it, its detector is asked for the font in use there; a detected name that is no
// installed font is guessed at ("Helvetica Neue Bold" -> "HelveticaNeue-Bold"); the
// font found becomes the application's font and the palette shows it. A name that
// matches nothing is logged once per process and name, and without accessibility the
// palette asks for it (the accessibility alert). Main thread.

#include "platform/fonts/Font.h"

#include <QString>
#include <QStringList>

class FrontApplication;
class PaletteFontList;
class RbxCharWindowController;
class RbxDefaults;
class RbxFontDetectors;

class PaletteFontFollower {
public:
    PaletteFontFollower(RbxCharWindowController& controller, RbxDefaults& settings, FrontApplication& front,
                        PaletteFontList& fonts, RbxFontDetectors& detectors);

    // One check: nothing while the universal font is on or a character is under the
    // mouse; unless forced, only when the detector's next check is due.
    void checkForAutomaticFontChange(bool force);

    // The names tried for a detected name, after the name itself, in order: for the words
    // A B C, "A-BC", "AB-C", "ABC", "A B", then "A-B", "AB", then "A".
    static QStringList guessedNames(const QString& detectedName);
    // The installed font the name stands for (itself or the first guess available); a
    // null font when none. `lastTried` receives the last name tried.
    static rbx::Font guessFont(const QString& detectedName, QString* lastTried = nullptr);

private:
    RbxCharWindowController& controller_;
    RbxDefaults& settings_;
    FrontApplication& front_;
    PaletteFontList& fonts_;
    RbxFontDetectors& detectors_;
};
