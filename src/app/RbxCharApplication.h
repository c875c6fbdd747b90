#pragma once
// The application object, and the routing of a few events of the palette's windows
// before the normal delivery (PaletteEventRouter, installed on the application by the
// assembly):
//   - a mouse button released: the character table hears of it (unless a sheet is on),
//   - a key pressed: the table's selection keys and shortcuts first; Escape with Alt
//     alone rebuilds the layouts and ends there; any other Escape deselects the
//     character and goes on to the window.
// What the routes do is the PaletteEventTarget's.

#include <QApplication>

class QKeyEvent;
class QMouseEvent;

// Where the routed events go.
class PaletteEventTarget {
public:
    virtual ~PaletteEventTarget() = default;
    virtual bool hasSheet() const = 0;
    virtual void mouseUp(QMouseEvent& event) = 0;
    // Answers whether the event was consumed.
    virtual bool keyDown(QKeyEvent& event) = 0;
    virtual void deselectCharacter() = 0;
    virtual void rebuildLayouts() = 0;
};

class PaletteEventRouter : public QObject {
    Q_OBJECT
public:
    explicit PaletteEventRouter(PaletteEventTarget& target, QObject* parent = nullptr)
        : QObject(parent), target_(target) {}

    // Routes one event that a window of ours receives; true when it ends there.
    bool route(QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PaletteEventTarget& target_;
};

class RbxCharApplication : public QApplication {
    Q_OBJECT
public:
    RbxCharApplication(int& argc, char** argv);
    ~RbxCharApplication() override;

    // While set, currentEvent() answers nothing (the table's drawing clears it).
    static void setSuppressCurrentEvent(bool suppress);
    static bool suppressCurrentEvent();
    // The type of the latest key or mouse-button event a window of ours received
    // (QEvent::None before): what the event being handled is, or was last.
    static QEvent::Type currentEventType();
    static bool currentEventIsKey();
};
