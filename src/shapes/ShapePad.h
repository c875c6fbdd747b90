#pragma once
// The drawing on the shape finder's pad, without its widget: finished strokes (with the
// undone ones kept for redo), the stroke in progress, the background character, and what
// the drawing was saved as. Strokes keep only their corners: a mouse move of 3 units or
// less adds nothing, and a move that goes on in the direction of the last segment (within
// 0.1 radian) moves the segment's end instead of adding a point. With Shift held the
// stroke's last point follows the mouse as a straight rubber-band segment.

#include "shapes/ShapeFile.h"
#include "shapes/ShapeGeometry.h"

#include <QObject>
#include <optional>

namespace shapes {

class ShapePad : public QObject {
    Q_OBJECT
public:
    explicit ShapePad(QSize size = QSize(PadWidth, PadHeight), QObject* parent = nullptr);

    const ShapeGeometry& geometry() const { return geometry_; }

    // ---- strokes, in pad coordinates
    // Starts a stroke when the point lies in drawingRect; answers whether it did.
    bool beginStroke(QPointF p, bool shift);
    void dragTo(QPointF p);
    // Shift went down or up while drawing, the mouse at `p`.
    void shiftChanged(bool shift, QPointF p);
    void endStroke();
    bool isDrawing() const { return drawing_.has_value(); }
    // The stroke in progress is a straight segment (Shift held).
    bool isStraight() const { return straight_; }
    const Stroke* strokeInProgress() const { return drawing_ ? &*drawing_ : nullptr; }

    // The strokes that count, oldest first.
    QList<Stroke> countedStrokes() const { return paths_.mid(0, relevant_); }
    int numberOfPaths() const { return relevant_; }
    int numberOfAllPaths() const { return int(paths_.size()); }
    bool canUndo() const { return relevant_ > 0; }
    bool canRedo() const { return paths_.size() > relevant_; }
    // Nothing to clear: no strokes (counted or undone) and no background character.
    bool isClear() const { return paths_.isEmpty() && background_ < 33; }
    bool isEmpty() const { return relevant_ == 0 && !drawing_; }

    void undo();
    void redo();
    // The first clear removes the strokes, the next the background character.
    void clear();

    // ---- the background character (below 33: none) and its font ("" the default)
    char32_t backgroundCharacter() const { return background_; }
    QString backgroundFont() const { return backgroundFont_; }
    void setBackgroundCharacter(char32_t c, const QString& font = QString());
    // Clears the drawing and shows the character behind it.
    void setSimilarCharacter(char32_t c, const QString& font);

    // ---- files
    ShapeDrawing toDrawing() const;
    // Replaces everything by the file's drawing; the pad is unchanged when it cannot be read.
    ShapeReadResult load(const QString& path);
    bool save(const QString& path, QString* error = nullptr);
    // The file the drawing was saved in or loaded from; "" once it changed since.
    QString savedShapeFile() const { return shapeFile_; }
    char16_t bestMatchCharacter() const { return bestMatch_; }
    std::optional<QString> mismatches() const { return mismatches_; }
    // Records the saved drawing's correct match or one more wrong one, in its file.
    bool setBestMatch(char32_t c);
    bool addMismatch(char32_t c);

signals:
    // After every change of the drawing (not for the stroke in progress).
    void shapeChanged();
    // The stroke in progress or the pad's look changed.
    void needsDisplay();

private:
    void changed();
    // The saved file's drawing read anew; nullopt when there is none.
    std::optional<ShapeDrawing> reloadSaved();
    bool writeBack(const ShapeDrawing& d);

    ShapeGeometry geometry_;
    QList<Stroke> paths_;
    int relevant_ = 0;
    std::optional<Stroke> drawing_;
    QPointF prevLoc_;
    bool straight_ = false;
    char32_t background_ = 0;
    QString backgroundFont_;
    QString shapeFile_;
    char16_t bestMatch_ = 0;
    std::optional<QString> mismatches_;
};

} // namespace shapes
