#include "platform/fonts/FaceSubstitutes.h"

#include <algorithm>
#include <utility>

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

FaceSubstitutes FaceSubstitutes::whenFirstAsked(std::function<FaceSubstitutes()> list) {
    FaceSubstitutes deferred;
    deferred.d_ = std::make_shared<Shared>();
    deferred.d_->pending = std::move(list);
    return deferred;
}

FaceSubstitutes::Shared* FaceSubstitutes::shared() const {
    if (!d_) return nullptr;
    if (d_->pending) {
        const auto list = std::exchange(d_->pending, nullptr);
        const FaceSubstitutes made = list();
        if (made.d_) {
            const Shared* from = made.shared();
            d_->faces = from->faces;
            d_->order = from->order;
            d_->make = from->make;
            d_->made = from->made;
        }
    }
    return d_.get();
}

qsizetype FaceSubstitutes::size() const {
    const Shared* d = shared();
    return d ? d->order.size() : 0;
}

QString FaceSubstitutes::postScriptName(qsizetype i) const {
    if (i < 0 || i >= size()) return {};
    const Shared* d = shared();
    if (const auto it = d->made.constFind(i); it != d->made.constEnd() && *it) return (*it)->postScriptName();
    const int at = d->order.at(i);
    return at < d->faces.size() ? d->faces.at(at).postScriptName : QString();
}

bool FaceSubstitutes::covers(qsizetype i, char32_t c) const {
    if (i < 0 || i >= size()) return false;
    const Shared* d = shared();
    const int at = d->order.at(i);
    if (at < d->faces.size()) {
        if (const auto& coverage = d->faces.at(at).coverage) return coverage->contains(c);
    }
    const std::shared_ptr<const FontFace> f = face(i);
    return f && f->covers(c);
}

const QList<qsizetype>& FaceSubstitutes::candidatesForPageOf(char32_t c) const {
    Shared* d = shared();
    const char32_t page = c >> 8;
    if (const auto it = d->pageCandidates.constFind(page); it != d->pageCandidates.constEnd()) return *it;
    QList<qsizetype> candidates;
    for (qsizetype i = 0; i < d->order.size(); ++i) {
        const int at = d->order.at(i);
        // A face the index recorded nothing for is asked itself, character by character.
        const FaceCoverage* coverage = at < d->faces.size() ? d->faces.at(at).coverage.get() : nullptr;
        if (!coverage || coverage->hasPageOf(c)) candidates.append(i);
    }
    return *d->pageCandidates.insert(page, std::move(candidates));
}

qsizetype FaceSubstitutes::nextCovering(char32_t c, qsizetype from) const {
    if (from < 0 || from >= size()) return -1;
    const QList<qsizetype>& candidates = candidatesForPageOf(c);
    for (auto it = std::lower_bound(candidates.begin(), candidates.end(), from); it != candidates.end(); ++it)
        if (covers(*it, c)) return *it;
    return -1;
}

std::shared_ptr<const FontFace> FaceSubstitutes::face(qsizetype i) const {
    if (i < 0 || i >= size()) return nullptr;
    Shared* d = shared();
    if (const auto it = d->made.constFind(i); it != d->made.constEnd()) return *it;
    const int at = d->order.at(i);
    std::shared_ptr<const FontFace> f;
    if (d->make && at < d->faces.size()) f = d->make(d->faces.at(at));
    d->made.insert(i, f);
    return f;
}

qsizetype FaceSubstitutes::facesMade() const {
    const Shared* d = shared();
    if (!d) return 0;
    qsizetype n = 0;
    for (const auto& f : d->made)
        if (f) ++n;
    return n;
}

} // namespace rbx
