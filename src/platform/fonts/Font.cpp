#include "platform/fonts/Font.h"

namespace rbx {

Font::Font(std::shared_ptr<const FontFace> face, double size)
    : face_(std::move(face)), size_(size > 0 ? size : DefaultSize) {}

QString Font::postScriptName() const { return face_ ? face_->postScriptName() : QString(); }
QString Font::familyName() const { return face_ ? face_->familyName() : QString(); }
QString Font::displayName() const { return face_ ? face_->fullName() : QString(); }

} // namespace rbx
