#pragma once
// A menu whose single item is a canvas of pictures: each picture is a choice, highlighted
// while the mouse is over it and chosen by releasing the button over it. The table offers
// an emoji's skin tones and its text and emoji presentations this way.
//
// A choice calls a method of a target object by name with the item's argument, queued so
// that it runs after the menu has closed and the event loop has turned; the method is
// invokable (a slot or Q_INVOKABLE) and takes one QVariant. Main thread only.

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QVariant>
#include <QWidget>
#include <vector>

class QWidgetAction;

// One picture of the canvas and what choosing it does.
struct KXGraphicalItem {
    QImage image;
    QRect rect;               // in the canvas, y down
    QByteArray action;        // the method's name, e.g. "delayedPostSkinnedString"
    QPointer<QObject> target;
    QVariant argument;

    // Whether the target has an invokable method `action(QVariant)`.
    bool targetResponds() const;
    // Calls the action on the target with the argument once the event loop turns; a
    // target without the method only logs "<class> object does not respond to <action>".
    void performAction() const;
};

// The canvas: the pictures, the one under the mouse highlighted.
class KXGraphicalMenuView : public QWidget {
    Q_OBJECT
public:
    explicit KXGraphicalMenuView(QWidget* parent = nullptr);

    void addItem(KXGraphicalItem item);
    const std::vector<KXGraphicalItem>& items() const { return items_; }
    // The item under the mouse, counted from 1; 0 for none.
    int trackedItem() const { return tracked_; }
    // The item at a point of the canvas, counted from 1; 0 for none.
    int itemAt(const QPoint& point) const;

    QSize sizeHint() const override { return frame_.size(); }
    QSize minimumSizeHint() const override { return frame_.size(); }

signals:
    // The button went up over the canvas; `item` is the tracked one (0: none).
    void released(int item);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void track(int item);

    std::vector<KXGraphicalItem> items_;
    QRect frame_;
    int tracked_ = 0;
};

class KXGraphicalMenu : public QMenu {
    Q_OBJECT
public:
    // The menu with its one canvas item, titled "FIRST".
    explicit KXGraphicalMenu(const QString& title, QWidget* parent = nullptr);

    // Adds a picture at `rect` of the canvas (y down); the canvas grows to the union of
    // its frame and the rectangle.
    void addImage(const QImage& image, const QRect& rect, const QByteArray& action, QObject* target,
                  const QVariant& argument);
    KXGraphicalMenuView& canvas() const { return *canvas_; }

    // Logs "item selected: <item>".
    static void graphicalItemSelected(const QVariant& item);

protected:
    // A button going up outside the canvas closes the menu without a choice, unless it
    // ends the click that opened the menu (released at once, where it was pressed): then
    // the menu stays for a click on a picture.
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The button went up over the canvas: the menu closes, and a tracked item is chosen.
    void canvasReleased(int item);

    QWidgetAction* first_ = nullptr;
    KXGraphicalMenuView* canvas_ = nullptr;
    QPoint openedAt_;
    QElapsedTimer opened_;
};
