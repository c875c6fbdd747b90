#pragma once
// The activator's face: the tray icon (alignment 0, drawn into the tray's pixmap) or the
// narrow strip in a top corner of the screen (alignment 1 top right, -1 top left). A left
// click asks for the palette 10 ms later (clicked()); a right click, or a left click with
// Ctrl held, shows the program's menu below the strip. Font files dropped on the strip
// are activated as one font set (FontDrop); the strip is highlighted while they hover.
//
// The images "Qsmall", "cornerQ-BS", "Q-status", "Q-topleft" and "Q-topright" are drawn
// here, in a light and a dark variant.

#include "app/FontDrop.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

class RbxActivationSet;
class RbxDefaults;

class RbxStatusItemView : public QWidget {
    Q_OBJECT
public:
    static constexpr int ClickDelayMs = 10;
    // A click with these keys held opens the menu instead of the palette: Ctrl, unless
    // Shift and Alt are held too (the emergency reset).
    static bool isMenuClick(Qt::KeyboardModifiers held);

    RbxStatusItemView(RbxDefaults& settings, QWidget* parent = nullptr);

    QString imageName() const { return imageName_; }
    void setImageName(const QString& name);
    int alignment() const { return alignment_; }
    void setAlignment(int alignment);
    // Keeps the first menu given; later ones are ignored.
    void setMenu(QMenu* menu);
    QMenu* menu() const { return menu_; }
    bool isActive() const { return active_; }
    void setActive(bool active);
    bool isHilited() const { return hilited_; }
    void setHilited(bool hilited);

    // A named image of the activator (null for an unknown name), 16 by 16 unless the
    // name says otherwise.
    static QImage namedImage(const QString& name, bool dark, qreal scale = 1.0);
    // Draws the view's face into `p` over `bounds`.
    static void drawActivator(QPainter& p, const QRectF& bounds, int alignment, const QImage& icon, bool hilited,
                              bool dark);

    // Shows the menu below the view.
    void showMenu();

signals:
    void clicked();
    void fontsDropped(std::shared_ptr<RbxActivationSet> set);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString imageName_;
    int alignment_ = 0;
    QPointer<QMenu> menu_;
    bool active_ = false;
    bool hilited_ = false;
    FontDrop drop_;
};
