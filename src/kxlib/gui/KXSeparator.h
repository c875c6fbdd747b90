#pragma once
// A separator line that can step from one height on the left to another on the right:
// it leaves the left edge at the left height, turns with two curves and runs on to the
// right edge at the right height; optionally dashed. Main thread only.

#include <QColor>
#include <QFrame>
#include <QPainterPath>
#include <QVector>

class KXSeparator : public QFrame {
    Q_OBJECT
public:
    explicit KXSeparator(QWidget* parent = nullptr);

    // Dash and gap lengths in points; fewer than one number draws a solid line, one
    // number is both the dash and the gap.
    void setDash(const QVector<qreal>& dash);
    QVector<qreal> dash() const { return dash_; }
    // Heights of the line's ends above the bottom edge; -1 puts an end half-way up.
    void setLeftOffset(qreal offset);
    void setRightOffset(qreal offset);
    qreal leftOffset() const { return leftOffset_; }
    qreal rightOffset() const { return rightOffset_; }

    void setBorderColor(const QColor& color);
    void setBorderWidth(qreal width);
    QColor borderColor() const;
    qreal borderWidth() const { return borderWidth_; }

    // The line in a box (y down) for the two offsets.
    static QPainterPath linePath(const QRectF& box, qreal leftOffset, qreal rightOffset);
    // The pen's dash pattern for a dash array and pen width: the two lengths in units of
    // the pen's width; empty for a solid line.
    static QVector<qreal> penDashPattern(const QVector<qreal>& dash, qreal penWidth);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<qreal> dash_;
    qreal leftOffset_ = -1, rightOffset_ = -1;
    QColor borderColor_;
    qreal borderWidth_ = 1;
};
