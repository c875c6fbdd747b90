#pragma once
// The application object. Before the normal delivery it routes a few events of the
// palette's windows:
//   - a mouse button released: the character table hears of it (unless a sheet is on),
//   - the mouse moved: the window controller's mouse monitor,
//   - a key pressed: the table's selection keys and shortcuts first; Escape with Alt
//     alone rebuilds the layouts and ends there; any other Escape deselects the
//     character and goes on to the window.
// What the table does with these it installs as routes.

#include <QApplication>
#include <functional>

class QKeyEvent;
class QMouseEvent;

class PaletteEventRouter : public QObject {
    Q_OBJECT
public:
    struct Routes {
        std::function<void(QMouseEvent& event)> mouseUp;
        std::function<void()> mouseMoved;
        // Answers whether the event was consumed.
        std::function<bool(QKeyEvent& event)> keyDown;
        std::function<void()> deselectCharacter;
        std::function<void()> rebuildLayouts;
        std::function<bool()> hasSheet;
    };

    explicit PaletteEventRouter(QObject* parent = nullptr) : QObject(parent) {}
    Routes& routes() { return routes_; }

    // Routes one event that a window of ours receives; true when it ends there.
    bool route(QEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Routes routes_;
};

class RbxCharApplication : public QApplication {
    Q_OBJECT
public:
    RbxCharApplication(int& argc, char** argv);
    ~RbxCharApplication() override;

    static RbxCharApplication* shared();
    PaletteEventRouter& router() { return *router_; }

    // While set, currentEvent() answers nothing (the table's drawing clears it).
    static void setSuppressCurrentEvent(bool suppress);
    static bool suppressCurrentEvent();

private:
    PaletteEventRouter* router_;
};
