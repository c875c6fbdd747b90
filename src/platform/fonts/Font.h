#pragma once
// A face at a size: what the model calls a font. A null font has no face.

#include "platform/fonts/FontFace.h"

#include <QString>
#include <memory>

namespace rbx {

class Font {
public:
    static constexpr double DefaultSize = 12.0;

    Font() = default;
    // A size of 0 or less means 12 points.
    Font(std::shared_ptr<const FontFace> face, double size);

    bool isNull() const { return !face_; }
    explicit operator bool() const { return bool(face_); }
    const std::shared_ptr<const FontFace>& face() const { return face_; }
    const FontFace* operator->() const { return face_.get(); }
    double pointSize() const { return size_; }

    // The same face at another size (0 or less means 12).
    Font withPointSize(double size) const { return Font(face_, size); }

    // "" for a null font.
    QString postScriptName() const;
    QString familyName() const;
    QString displayName() const;

    // Same face (by identity) and same size.
    bool operator==(const Font& o) const { return face_ == o.face_ && size_ == o.size_; }

private:
    std::shared_ptr<const FontFace> face_;
    double size_ = DefaultSize;
};

} // namespace rbx
