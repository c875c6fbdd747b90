#include "shapes/widgets/ShapeAnimation.h"

#include "core/Log.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cmath>

namespace shapes {

ShapeAnimation::ShapeAnimation(QString folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (pending_) {
            pending_ = false;
            begin();
            return;
        }
        const int next = step();
        if (next >= 0) timer_.start(next);
    });
}

void ShapeAnimation::startAfter(int delayMs) {
    if (running_ || pending_) return;
    pending_ = true;
    timer_.start(delayMs);
}

bool ShapeAnimation::loadDrawing(int index) {
    const QString path = QDir(folder_).filePath(QStringLiteral("ani%1.rbxshape").arg(index, 2, 10, QLatin1Char('0')));
    if (!QFileInfo(path).isFile()) return false;
    const ShapeReadResult r = shapefile::readFile(path);
    if (!r) {
        kx::log(r.error);
        return false;
    }
    drawing_ = *r.drawing;
    index_ = index;
    return true;
}

void ShapeAnimation::begin() {
    const int next = index_ == 0 ? 1 + int(QRandomGenerator::global()->bounded(17)) : index_ + 1;
    if (!loadDrawing(next) && !loadDrawing(1)) {
        kx::log(QStringLiteral("no animation shapes found"));
        return;
    }
    running_ = true;
    finished_.clear();
    growing_.clear();
    stroke_ = 0;
    point_ = 0;
    strokeBegun_ = false;
    straight_ = false;
    backgroundShown_ = drawing_.background >= 33;
    emit changed();
    timer_.start(backgroundShown_ ? 500 : 0);
}

int ShapeAnimation::step() {
    if (!running_) return -1;
    if (stroke_ == Finished) {
        stop();
        startAfter(750);
        return -1;
    }
    if (stroke_ >= drawing_.strokes.size()) {
        stroke_ = Finished;
        return 1500;
    }
    const Stroke& s = drawing_.strokes[stroke_];
    if (point_ == 0) {
        strokeBegun_ = true;
        growing_ = Stroke{s.first(), s.first()};
        point_ = 1;
        straight_ = false;
        emit changed();
        if (s.size() > 1) return 0;
    }
    if (point_ < s.size()) {
        const QPointF target = s[point_];
        QPointF& end = growing_.last();
        const QPointF d = target - end;
        const double dist = std::hypot(d.x(), d.y());
        double moved;
        if (dist >= 7.5) {
            end += d * (5 / dist);
            moved = 5;
            if (s.size() == 2 && dist > 20) straight_ = true;
        } else {
            end = target;
            moved = dist;
            ++point_;
            if (point_ < s.size()) growing_.append(target);
        }
        emit changed();
        return int(std::lround(moved / 200 * 1000));
    }
    // The stroke is done.
    finished_.append(s);
    growing_.clear();
    straight_ = false;
    ++stroke_;
    point_ = 0;
    emit changed();
    return 250;
}

void ShapeAnimation::stop() {
    const bool was = running_ || pending_;
    timer_.stop();
    running_ = false;
    pending_ = false;
    finished_.clear();
    growing_.clear();
    backgroundShown_ = false;
    strokeBegun_ = false;
    straight_ = false;
    stroke_ = 0;
    point_ = 0;
    if (was) emit stopped();
    emit changed();
}

} // namespace shapes
