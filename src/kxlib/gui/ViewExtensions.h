#pragma once
// Small helpers for views: stacking, a forced light look, appearance change delivery and
// tracking rectangles.

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QRect>
#include <QVariant>
#include <functional>

namespace kx::view {

// Takes the view out of its parent's stacking order and puts it back above its siblings.
void bringToFrontInsideSuperView(QWidget* view);

// true forces the light look on the view and its children; false lets them follow the
// desktop again.
void useLightAquaAppearance(QWidget* view, bool light);
// Whether the view draws dark: false when it or an ancestor forces the light look, else
// the current appearance.
bool isDarkFor(const QWidget* view);

// Calls `handler` (on the main thread) whenever the desktop switches between light and
// dark, for as long as `view` lives; answers the connection to undo it.
QMetaObject::Connection registerDarkModeNotifications(QWidget* view, std::function<void()> handler);
void unregisterDarkModeNotifications(const QMetaObject::Connection& connection);

} // namespace kx::view

// A rectangle of a view that reports the mouse entering and leaving it. When the mouse
// already lies inside at installation, an "entered" report is queued at once. The view
// gets mouse tracking switched on.
class KXTrackingRect : public QObject {
    Q_OBJECT
public:
    KXTrackingRect(QWidget* view, const QRect& rect, const QVariant& userData, QObject* owner = nullptr);
    ~KXTrackingRect() override;

    QRect rect() const { return rect_; }
    QVariant userData() const { return userData_; }
    bool mouseInside() const { return inside_; }
    // A number that names this rectangle among all of the process.
    qint64 tag() const { return tag_; }

signals:
    void entered(const QVariant& userData);
    void exited(const QVariant& userData);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void update(bool inside);

    QPointer<QWidget> view_;
    QRect rect_;
    QVariant userData_;
    bool inside_ = false;
    qint64 tag_;
};
