#pragma once
// One character (or the text of a virtual character) drawn as large as fits, with guide
// lines for the baseline, cap height, x-height, ascender and descender and for the left
// and right edges of the text. In a popup (the magnifier) it draws no background and no
// labels, in the colours of the current appearance; elsewhere on a framed white ground
// with a label at each guide line. Its picture can be copied as PDF or PNG.
//
// Geometry follows the table's convention: the string box and the guide lines are in y-up
// coordinates of the view's bounds (y = 0 at the bottom). Main thread only.

#include "platform/fonts/Font.h"
#include "table/widgets/RbxGlyphLayout.h"

#include <QRectF>
#include <QString>
#include <QWidget>
#include <memory>

class QMenu;

class RbxBigCharView : public QWidget {
    Q_OBJECT
public:
    explicit RbxBigCharView(QWidget* parent = nullptr);

    // Takes the string and the mode and fits the font to the current bounds; redraws. A
    // later change of the view's size does not fit again.
    void setFont(const rbx::Font& font, const QString& string, bool usedInPopup);
    using QWidget::setFont;

    // The font at the fitted size (QWidget::font() is the widget's own font).
    const rbx::Font& charFont() const { return font_; }
    const QString& charString() const { return charString_; }
    bool isPopupMode() const { return popup_; }
    // Where the string is drawn, centred in the bounds (y up).
    QRectF stringBox() const { return stringBox_; }

    // Heights of the guide lines (y up) for the fitted font and box.
    struct GuideLines {
        double descender, baseline, capHeight, xHeight, ascender;
    };
    GuideLines guideLines() const;

    // Draws the view into a painter whose coordinates are the view's (y down).
    void drawRect(QPainter& painter);

    // The context menu: "Copy As PDF" and "Copy As PNG".
    std::unique_ptr<QMenu> menu();
    // The picture of the bounds as PDF data and as a PNG file; published directly on the
    // table's clipboard.
    QByteArray pdfData();
    QByteArray pngData();
    void copyAsPDF();
    void copyAsPNG();

    // Editing commands are not supported; each only logs.
    void paste();
    void pasteAsPlainText();
    void cut();
    void copy();
    void undo();
    void redo();

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawBackground(QPainter& p);
    void drawAuxLine(QPainter& p, double y, double from, double to, bool dashed);
    void drawLabelLeft(QPainter& p, const QString& text, double y, bool above);
    void drawLabelRight(QPainter& p, const QString& text, double y, bool above);
    double toViewY(double y) const { return height() - y; }

    rbx::Font font_;
    QString charString_;
    bool popup_ = false;
    QRectF stringBox_;
    // The string's glyphs in font_.
    RbxGlyphLine line_;
};
