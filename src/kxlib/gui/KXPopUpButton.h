#pragma once
// A pop-up button whose items may be filled only when the user reaches for them: it
// announces willPopUp() before its list opens and before a key or the wheel changes its
// choice, so that a costly list is made on demand. As a pull-down button it shows a fixed
// image in place of the chosen item's title. A title longer than the button ends in an
// ellipsis.

#include <QComboBox>
#include <QIcon>

class KXPopUpButton : public QComboBox {
    Q_OBJECT
public:
    explicit KXPopUpButton(QWidget* parent = nullptr);

    // Shows the image (and the arrow) whatever item is chosen; a null image shows the title.
    void setPullDownImage(const QIcon& image);

    void showPopup() override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user is about to see or step through the items.
    void willPopUp();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon pullDownImage_;
};
