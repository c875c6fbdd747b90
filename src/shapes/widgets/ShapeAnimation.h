#pragma once
// The demonstration that plays while the pad is empty: the bundle's drawings "ani01",
// "ani02", ... drawn stroke by stroke at 200 units a second. A start picks a random
// drawing the first time and the next one after that (back to "ani01" past the last);
// a drawing's background character is shown alone for half a second first; strokes
// follow each other after 0.25 s, the next drawing 0.75 s after 1.5 s of the finished one.

#include "shapes/ShapeFile.h"

#include <QObject>
#include <QPointF>
#include <QTimer>

namespace shapes {

class ShapeAnimation : public QObject {
    Q_OBJECT
public:
    // Drawings are looked up as "<folder>/aniNN.rbxshape".
    explicit ShapeAnimation(QString folder, QObject* parent = nullptr);

    bool isRunning() const { return running_; }
    // Starts after `delayMs` unless already running or about to start.
    void startAfter(int delayMs);
    void stop();

    // What to draw now.
    const QList<Stroke>& finishedStrokes() const { return finished_; }
    // The growing stroke (empty between strokes).
    const Stroke& growingStroke() const { return growing_; }
    char32_t backgroundCharacter() const { return backgroundShown_ ? drawing_.background : 0; }
    bool strokeBegun() const { return strokeBegun_; }
    bool animatingStraightLine() const { return straight_; }
    int drawingIndex() const { return index_; }

    // One step: answers the delay to the next one in ms, or -1 when the animation ends.
    // The timer calls it; it is public so that a headless caller can run the demonstration.
    int step();

signals:
    void changed();
    void stopped();

private:
    void begin();
    bool loadDrawing(int index);

    QString folder_;
    QTimer timer_;
    bool running_ = false;
    bool pending_ = false;
    int index_ = 0;
    ShapeDrawing drawing_;
    QList<Stroke> finished_;
    Stroke growing_;
    int stroke_ = 0;       // index of the stroke being drawn, or Finished
    int point_ = 0;        // next point of that stroke to reach
    bool backgroundShown_ = false;
    bool strokeBegun_ = false;
    bool straight_ = false;
    static constexpr int Finished = 100;
};

} // namespace shapes
