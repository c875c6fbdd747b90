#include "shapes/ShapePad.h"

#include "core/Log.h"

#include <cmath>
#include <numbers>

namespace shapes {

ShapePad::ShapePad(QSize size, QObject* parent) : QObject(parent), geometry_(size) {}

bool ShapePad::beginStroke(QPointF p, bool shift) {
    if (!geometry_.inDrawingRect(p)) return false;
    paths_.resize(relevant_);  // a new stroke ends what redo could bring back
    straight_ = shift;
    drawing_ = Stroke{p, p};
    prevLoc_ = p;
    emit needsDisplay();
    return true;
}

void ShapePad::dragTo(QPointF mouse) {
    if (!drawing_) return;
    const QPointF p = geometry_.clampedToDrawingRect(mouse);
    Stroke& s = *drawing_;
    if (straight_) {
        s.last() = p;
        prevLoc_ = p;
        emit needsDisplay();
        return;
    }
    if (std::hypot(p.x() - prevLoc_.x(), p.y() - prevLoc_.y()) <= 3) return;
    const QPointF a = s.size() >= 2 ? s[s.size() - 2] : s.last();
    const QPointF b = s.last();
    const double before = std::atan2(b.x() - a.x(), b.y() - a.y());
    const double after = std::atan2(p.x() - b.x(), p.y() - b.y());
    double turn = std::fabs(before - after);
    if (turn > std::numbers::pi) turn = 2 * std::numbers::pi - turn;
    // A dot's two equal points give no direction: the stroke's run starts from it.
    if (a == b && s.size() == 2)
        s.last() = p;
    else if (turn < 0.1)
        s.last() = p;
    else
        s.append(p);
    prevLoc_ = p;
    emit needsDisplay();
}

void ShapePad::shiftChanged(bool shift, QPointF mouse) {
    if (!drawing_) return;
    straight_ = shift;
    if (shift) {
        const QPointF p = geometry_.clampedToDrawingRect(mouse);
        if (drawing_->last() != p) drawing_->append(p);
        drawing_->append(p);  // the rubber band's end
        prevLoc_ = p;
    }
    emit needsDisplay();
}

void ShapePad::endStroke() {
    if (!drawing_) return;
    paths_.append(*drawing_);
    ++relevant_;
    drawing_.reset();
    changed();
}

void ShapePad::undo() {
    if (relevant_ <= 0) return;
    --relevant_;
    changed();
}

void ShapePad::redo() {
    if (paths_.size() <= relevant_) return;
    ++relevant_;
    changed();
}

void ShapePad::clear() {
    if (isClear()) return;
    if (relevant_ > 0) {
        paths_.clear();
        relevant_ = 0;
    } else {
        background_ = 0;
    }
    changed();
}

void ShapePad::setBackgroundCharacter(char32_t c, const QString& font) {
    background_ = c;
    backgroundFont_ = font;
    changed();
}

void ShapePad::setSimilarCharacter(char32_t c, const QString& font) {
    paths_.clear();
    relevant_ = 0;
    drawing_.reset();
    background_ = c;
    backgroundFont_ = font;
    changed();
}

void ShapePad::changed() {
    shapeFile_.clear();
    bestMatch_ = 0;
    mismatches_.reset();
    emit shapeChanged();
    emit needsDisplay();
}

ShapeDrawing ShapePad::toDrawing() const {
    return ShapeDrawing{countedStrokes(), bestMatch_, mismatches_, background_ >= 33 ? background_ : 0};
}

ShapeReadResult ShapePad::load(const QString& path) {
    ShapeReadResult r = shapefile::readFile(path);
    if (!r) {
        kx::log(QStringLiteral("shape file not read: %1").arg(r.error));
        return r;
    }
    paths_ = r.drawing->strokes;
    relevant_ = int(paths_.size());
    drawing_.reset();
    background_ = r.drawing->background;
    backgroundFont_.clear();
    emit shapeChanged();
    bestMatch_ = r.drawing->bestMatch;
    if (r.drawing->mismatches) mismatches_ = r.drawing->mismatches;
    shapeFile_ = path;
    emit needsDisplay();
    return r;
}

bool ShapePad::save(const QString& path, QString* error) {
    if (!shapefile::writeFile(path, toDrawing(), error)) return false;
    shapeFile_ = path;
    return true;
}

std::optional<ShapeDrawing> ShapePad::reloadSaved() {
    if (shapeFile_.isEmpty()) return std::nullopt;
    ShapeReadResult r = shapefile::readFile(shapeFile_);
    if (!r) {
        kx::log(QStringLiteral("shape file not read: %1").arg(r.error));
        return std::nullopt;
    }
    return r.drawing;
}

bool ShapePad::writeBack(const ShapeDrawing& d) {
    if (!shapefile::writeFile(shapeFile_, d)) return false;
    bestMatch_ = d.bestMatch;
    mismatches_ = d.mismatches;
    emit needsDisplay();
    return true;
}

bool ShapePad::setBestMatch(char32_t c) {
    std::optional<ShapeDrawing> d = reloadSaved();
    if (!d) return false;
    d->bestMatch = char16_t(c & 0xFFFF);
    return writeBack(*d);
}

bool ShapePad::addMismatch(char32_t c) {
    std::optional<ShapeDrawing> d = reloadSaved();
    if (!d) return false;
    d->mismatches = d->mismatches.value_or(QString()) + QString::fromUcs4(&c, 1);
    return writeBack(*d);
}

} // namespace shapes
