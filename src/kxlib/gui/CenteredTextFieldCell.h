#pragma once
// Text drawn centred vertically in its frame by the font's line metrics (the key caps of
// the magnifier).

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;

namespace kx {

// `frame` inset vertically by floor((height - (ascent + descent)) / 2), descent counted
// positive below the baseline; a line taller than the frame gives a negative inset, so
// the text frame grows beyond the frame.
QRectF centeredTextFrame(const QRectF& frame, qreal ascent, qreal descent);
QRectF centeredTextFrame(const QRectF& frame, const QFont& font);

// Draws one line of text in the centred frame, aligned horizontally by `alignment`
// (Qt::AlignLeft, Qt::AlignHCenter or Qt::AlignRight), with the painter's pen.
void drawCenteredText(QPainter& painter, const QRectF& frame, const QString& text, const QFont& font,
                      Qt::Alignment alignment = Qt::AlignHCenter);

} // namespace kx

// A text field whose one line of text is centred vertically by its font's metrics.
class CenteredTextFieldCell : public QWidget {
    Q_OBJECT
public:
    explicit CenteredTextFieldCell(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return text_; }
    void setTextColor(const QColor& color);
    void setAlignment(Qt::Alignment alignment);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
};
