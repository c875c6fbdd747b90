#pragma once
// What the activators follow on the desktop: the current desktop (_NET_CURRENT_DESKTOP
// of the root window), a full-screen window in front (the active window's
// _NET_WM_STATE_FULLSCREEN, read again whenever the active window changes) and the
// screen saver (the XScreenSaver extension's notices). Nothing is announced without a
// display.

#include "platform/x11/X11Session.h"

#include <QList>
#include <QObject>
#include <QPointer>

class ScreenStateWatch : public QObject {
    Q_OBJECT
public:
    explicit ScreenStateWatch(X11Session& session, QObject* parent = nullptr);
    ~ScreenStateWatch() override;

    bool fullScreenInFront() const { return fullScreen_; }
    bool screenSaverActive() const { return screenSaver_; }

signals:
    void desktopSwitched();
    void fullScreenChanged(bool fullScreen);
    void screenSaverChanged(bool active);

private:
    void checkFullScreen();

    QPointer<X11Session> session_;
    QList<X11Session::ListenerId> listeners_;
    bool fullScreen_ = false;
    bool screenSaver_ = false;
};
