#pragma once
// The shape finder's drawing pad: the user draws a character with the mouse; the
// drawing (ShapePad) keeps the strokes in pad coordinates with y growing upwards, this
// view turns Qt's downward y round. Left and Right undo and redo, Delete and Backspace
// clear (the drawing first, then the background character), any other typed character
// becomes the background character, pasted text's first character too. While the pad is
// empty a demonstration drawing plays after 5 s.

#include "shapes/BigFonts.h"
#include "shapes/ShapePad.h"
#include "shapes/widgets/ShapeAnimation.h"

#include <QWidget>

namespace shapes {

class RbxShapeView : public QWidget {
    Q_OBJECT
public:
    // `animationFolder` holds the demonstration drawings; `compareCharacters` the text
    // shown at the left for developers ("" for none).
    explicit RbxShapeView(QString animationFolder, QWidget* parent = nullptr);

    ShapePad& pad() { return pad_; }
    const ShapePad& pad() const { return pad_; }
    ShapeAnimation& animation() { return animation_; }
    const ShapeAnimation& animation() const { return animation_; }
    void setCompareCharacters(const QString& text);

    void paste();
    void pasteAsPlainText();

    QSize sizeHint() const override { return pad_.geometry().size; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void keyReleaseEvent(QKeyEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    QPointF toPad(QPointF widgetPoint) const { return {widgetPoint.x(), height() - widgetPoint.y()}; }
    void followShift(bool shift);
    void takeBackground(const QString& text, const QString& font);
    void drawGuides(QPainter& p);
    void fillText(QPainter& p, const QString& text, const QString& font, const QColor& color, bool left = false);

    ShapePad pad_;
    BigFonts fonts_;
    ShapeAnimation animation_;
    QString compareCharacters_;
    QPointF lastMouse_;
};

} // namespace shapes
