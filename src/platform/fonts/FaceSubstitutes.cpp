#include "platform/fonts/FaceSubstitutes.h"

namespace rbx {

FaceSubstitutes::FaceSubstitutes(const QList<std::shared_ptr<const FontFace>>& faces)
    : d_(std::make_shared<Shared>()) {
    for (const auto& f : faces) {
        if (!f) continue;
        d_->made.insert(d_->order.size(), f);
        d_->order.append(int(d_->order.size()));
    }
}

FaceSubstitutes::FaceSubstitutes(QList<FaceInfo> faces, QList<int> order, MakeFace make)
    : d_(std::make_shared<Shared>()) {
    d_->faces = std::move(faces);
    d_->order = std::move(order);
    d_->make = std::move(make);
}

qsizetype FaceSubstitutes::size() const { return d_ ? d_->order.size() : 0; }

QString FaceSubstitutes::postScriptName(qsizetype i) const {
    if (i < 0 || i >= size()) return {};
    if (const auto it = d_->made.constFind(i); it != d_->made.constEnd() && *it) return (*it)->postScriptName();
    const int at = d_->order.at(i);
    return at < d_->faces.size() ? d_->faces.at(at).postScriptName : QString();
}

bool FaceSubstitutes::covers(qsizetype i, char32_t c) const {
    if (i < 0 || i >= size()) return false;
    const int at = d_->order.at(i);
    if (at < d_->faces.size()) {
        if (const auto& coverage = d_->faces.at(at).coverage) return coverage->contains(c);
    }
    const std::shared_ptr<const FontFace> f = face(i);
    return f && f->covers(c);
}

std::shared_ptr<const FontFace> FaceSubstitutes::face(qsizetype i) const {
    if (i < 0 || i >= size()) return nullptr;
    if (const auto it = d_->made.constFind(i); it != d_->made.constEnd()) return *it;
    const int at = d_->order.at(i);
    std::shared_ptr<const FontFace> f;
    if (d_->make && at < d_->faces.size()) f = d_->make(d_->faces.at(at));
    d_->made.insert(i, f);
    return f;
}

qsizetype FaceSubstitutes::facesMade() const {
    if (!d_) return 0;
    qsizetype n = 0;
    for (const auto& f : d_->made)
        if (f) ++n;
    return n;
}

} // namespace rbx
