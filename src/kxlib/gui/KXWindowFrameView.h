#pragma once
// Gives a borderless window resizable edges and lets it be dragged by any other point.
// Placed over the window's content (typically as the bottom-most child filling it); it
// draws nothing itself. Window buttons, when the owner sets them, are repainted whenever
// the window becomes or stops being active.

#include <QAbstractButton>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QScreen;

class KXWindowFrameView : public QWidget {
    Q_OBJECT
public:
    explicit KXWindowFrameView(QWidget* parent = nullptr);

    // The rectangle with the title strip (22 pixels) added above it, and removed again.
    static QRectF addFrameBorder(const QRectF& rect);
    static QRectF removeFrameBorder(const QRectF& rect);

    void setWindowButtons(QAbstractButton* close, QAbstractButton* minimize, QAbstractButton* zoom);
    QAbstractButton* closeButton() const { return close_; }
    QAbstractButton* minimizeButton() const { return minimize_; }
    QAbstractButton* zoomButton() const { return zoom_; }

    // The border under the mouse (kx::placement::Border mask), 0 for none.
    int mouseBorder() const { return mouseBorder_; }
    // The screen under the mouse (taken one pixel lower), else the primary screen.
    static QScreen* screenUnderMouse();
    // The border mask of a point of this view (its own coordinates).
    int borderForPoint(const QPoint& point) const;
    // The strip of this view that a border mask covers.
    QRect borderRect(int mask) const;
    // Recomputes the border under the mouse (0 while the window is hidden) and repaints the
    // old and the new strip when it changed.
    void checkMouseBorder();

    // Whether a press at `point` (view coordinates) begins a resize; the resize then follows
    // the mouse until the button is released.
    bool handleResizeClick(const QPoint& point, const QPoint& globalPoint);

protected:
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void mainWindowChanged();
    void darkModeChanged();

    QPointer<QAbstractButton> close_, minimize_, zoom_;
    int mouseBorder_ = 0;
    enum class Drag { None, Resize, Move } drag_ = Drag::None;
    int dragBorder_ = 0;
    QRect startFrame_;
    QPoint pressGlobal_;
};
