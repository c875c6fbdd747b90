#pragma once
// What the character table hands a clicked character to: the insertion road (RbxPoster).
// The table is given one when it is made and calls it with all the insertion needs.

#include "platform/fonts/Font.h"

#include <QObject>
#include <QString>
#include <QStringList>

class RbxCharacterPosting : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Posts the character, or the string when it is not empty, in the front application's
    // insert mode. `font` is the font the table shows (the log names it; formatted text is
    // set in its family).
    virtual void postCharacter(char32_t c, const QString& s, const rbx::Font& font) = 0;
    // The latest insertions, newest first (for the diagnostics report).
    virtual const QStringList& insertionLog() const = 0;

signals:
    // An insertion is over and the palette may take the keys again, should the mouse be
    // in it.
    void activationDue();
};
