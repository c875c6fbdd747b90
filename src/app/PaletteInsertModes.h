#pragma once
// The insert-mode control of the palette: segment 0 delivers plain characters, segment 1
// formatted text at the size "formattedSize", segment 2 the special form chosen last
// (HTML or a notation). Clicking the selected segment 1 or 2 again pulls down its menu of
// sizes or forms. The mode chosen is the front application's insert mode.

#include "core/InsertMode.h"

#include <QObject>
#include <QString>

class PaletteContent;
class RbxDefaults;

class PaletteInsertModes : public QObject {
    Q_OBJECT
public:
    PaletteInsertModes(RbxDefaults& settings, PaletteContent& content, QObject* parent = nullptr);

    // Whether a types-menu tag names a special form: HTML (2) or a notation (5 to 9).
    static bool isSpecialInsertType(int tag);
    // "%2d ▾": a size right-aligned in two digits and the arrow.
    static QString sizeLabel(int size);

    int selectedSegment() const;
    void selectSegment(int segment);
    // The segment the front application's insert mode selects, applied.
    void adoptApplicationInsertMode();

    // The control's action: the selected segment's mode (segment 2 stands for the latest
    // special form) becomes the front application's insert mode.
    void changeInsertMode();
    // The segments' labels; the size and types buttons over the selected segment.
    void updateInsertionModeSegments();
    // The size menu's action: "formattedSize" becomes the item's title as a number.
    void changeFormattedSize(const QString& title);
    // The types menu's action: a special form becomes the latest and the application's
    // insert mode; other tags are ignored.
    void changeInsertType(int tag);

private:
    RbxDefaults& settings_;
    PaletteContent& content_;
};
