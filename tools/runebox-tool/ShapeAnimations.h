#pragma once
// The drawings of the shape finder's demonstration ("ani01" ... "ani17"), made from the
// stroke tables in ShapeAnimations.cpp.

#include "shapes/ShapeFile.h"

#include <QList>

namespace tool {

QList<shapes::ShapeDrawing> shapeAnimations();

} // namespace tool
