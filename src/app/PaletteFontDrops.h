#pragma once
// Font files dropped anywhere on the palette window (it stands in for a drop on the tray
// icon, which the trays here do not pass on): activated as one font set (FontDrop). A
// drag that brings fonts is taken before the window's text fields see it; any other drag
// goes on to them as before.

#include "app/FontDrop.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <memory>

class RbxActivationSet;
class RbxDefaults;

class PaletteFontDrops : public QObject {
    Q_OBJECT
public:
    PaletteFontDrops(RbxDefaults& settings, QWidget& window, QObject* parent = nullptr);
    ~PaletteFontDrops() override;

signals:
    void fontsDropped(std::shared_ptr<RbxActivationSet> set);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    FontDrop drop_;
};
