#pragma once
// The palette's character table as the timing listing ("!time") draws it: the search
// emptied, the cells sized for 30, the window 600 by 600; the fonts shown one after the
// other; afterwards the size, the window's frame and the font shown as they were.

#include "app/RbxListings.h"

#include <QPointer>
#include <QRect>
#include <QVariant>

class PaletteSearch;
class PaletteTable;
class QWidget;
class RbxDefaults;

class PaletteTiming : public rbx::listings::TimedTable {
public:
    PaletteTiming(RbxDefaults& settings, PaletteTable& table, PaletteSearch& search, QWidget* window);

    void prepare() override;
    bool showFont(const QString& name) override;
    RbxCharView& view() override;
    void restore() override;

private:
    RbxDefaults& settings_;
    PaletteTable& table_;
    PaletteSearch& search_;
    QPointer<QWidget> window_;
    QVariant size_;
    QRect frame_;
    rbx::Font shown_;
};
