#include "platform/fonts/FontBackend.h"

#include "core/ByteReader.h"
#include "core/ProcessWide.h"
#include "platform/fonts/FontconfigBackend.h"

#include <QPointer>
#include <vector>
#include <atomic>

namespace rbx {

namespace {
const std::uint32_t colourTags[] = {0x43424454 /*CBDT*/, 0x73626978 /*sbix*/, 0x53564720 /*SVG */,
                                    0x434F4C52 /*COLR*/};
} // namespace

FontBackend::~FontBackend() = default;

quint64 FontBackend::newGeneration() {
    static std::atomic<quint64> next{1};
    return next++;
}

FontBackend& FontBackend::shared() { return kx::ProcessWide<FontBackend>::get(); }

std::unique_ptr<FontBackend> FontBackend::makeDefault() { return std::make_unique<FontconfigBackend>(); }

std::optional<FaceInfo> FontBackend::faceInfo(const QString& postScriptName) {
    if (postScriptName.isEmpty()) return std::nullopt;
    for (const FaceInfo& f : faces())
        if (f.postScriptName == postScriptName) return f;
    return std::nullopt;
}

void FontBackend::clearFaceCache() { faceCache_.clear(); }

std::shared_ptr<const FontFace> FontBackend::openFace(const FaceInfo& info) { return FontFace::fromInfo(info); }

std::shared_ptr<const FontFace> FontBackend::face(const QString& postScriptName) {
    if (cacheGeneration_ != generation()) {
        faceCache_.clear();
        cacheGeneration_ = generation();
    }
    auto it = faceCache_.constFind(postScriptName);
    if (it != faceCache_.constEnd()) return it.value();
    std::shared_ptr<const FontFace> f;
    if (auto info = faceInfo(postScriptName)) f = openFace(*info);
    if (f) faceCache_.insert(postScriptName, f);
    return f;
}

Font FontBackend::font(const QString& postScriptName, double size) {
    auto f = face(postScriptName);
    return f ? Font(f, size) : Font();
}

FaceSubstitutes FontBackend::substitutesFor(const QString& postScriptName) {
    if (substitutesGeneration_ != generation()) {
        substitutes_.clear();
        substitutesGeneration_ = generation();
    }
    auto it = substitutes_.constFind(postScriptName);
    if (it != substitutes_.constEnd()) return it.value();
    // Sorting every installed face waits until a character the face lacks is drawn.
    const FaceSubstitutes list = FaceSubstitutes::whenFirstAsked(
        [backend = QPointer<FontBackend>(this), postScriptName] {
            return backend ? backend->sortedSubstitutes(postScriptName) : FaceSubstitutes();
        });
    if (substitutes_.size() >= SubstituteLists) substitutes_.clear();
    substitutes_.insert(postScriptName, list);
    return list;
}

FaceSubstitutes FontBackend::sortedSubstitutes(const QString& postScriptName) {
    const QList<FaceInfo> all = faces();
    const std::optional<FaceInfo> info = faceInfo(postScriptName);
    if (!info) return {};
    // The order by the faces' places in the list, each face once and without the face
    // itself; names the list does not hold are passed over.
    QHash<QString, int> place;
    place.reserve(all.size());
    for (qsizetype i = 0; i < all.size(); ++i) place.insert(all.at(i).postScriptName, int(i));
    std::vector<bool> taken(std::size_t(all.size()), false);
    if (const auto own = place.constFind(postScriptName); own != place.constEnd()) taken[std::size_t(*own)] = true;
    QList<int> order;
    for (const QString& name : substitutionOrder(*info)) {
        const auto at = place.constFind(name);
        if (at == place.constEnd() || taken[std::size_t(*at)]) continue;
        taken[std::size_t(*at)] = true;
        order << *at;
    }
    order.squeeze();
    return FaceSubstitutes(all, std::move(order), [backend = QPointer<FontBackend>(this)](const FaceInfo& face) {
        return backend ? backend->face(face.postScriptName) : nullptr;
    });
}

QStringList FontBackend::substitutionOrder(const FaceInfo& face) {
    QStringList family, others;
    for (const FaceInfo& f : faces()) (f.family == face.family ? family : others) << f.postScriptName;
    return family + others;
}

bool FontBackend::isFontFile(const QString& path) const { return FontFace::faceCountInFile(path) > 0; }

QString FontBackend::defaultColorEmojiFontName() {
    if (colorEmojiGeneration_ == generation() && colorEmojiGeneration_ != 0) return colorEmojiName_;
    colorEmojiGeneration_ = generation();
    colorEmojiName_.clear();
    for (const FaceInfo& info : faces()) {
        auto f = face(info.postScriptName);
        if (!f || !f->isSfnt() || f->nominalGlyph(0x1F600) == 0) continue;
        for (std::uint32_t t : colourTags) {
            if (f->hasTable(t)) {
                colorEmojiName_ = info.postScriptName;
                return colorEmojiName_;
            }
        }
    }
    return colorEmojiName_;
}

QList<FaceInfo> FontBackend::faceInfosOfFile(const QString& path) {
    QList<FaceInfo> out;
    const int n = FontFace::faceCountInFile(path);
    for (int i = 0; i < n; ++i) {
        auto f = FontFace::fromFile(path, i);
        if (!f || f->postScriptName().isEmpty()) continue;
        out << infoOfFace(*f, path, i);
    }
    return out;
}

FaceInfo FontBackend::infoOfFace(const FontFace& face, const QString& path, int index) {
    FaceInfo info;
    info.postScriptName = face.postScriptName();
    info.family = face.familyName();
    info.style = face.styleName();
    info.setFullName(face.fullName());
    info.file = path;
    info.index = index;
    // Weight and slant from 'OS/2', the pitch from 'post' (damaged tables say nothing).
    if (const std::optional<QByteArray> os2 = face.table(kx::fourCC("OS/2")); os2 && os2->size() >= 64) {
        const kx::ByteReader r(*os2);
        info.weight = r.u16(4);
        info.italic = (r.u16(62) & 0x0001) != 0;
    }
    if (const std::optional<QByteArray> post = face.table(kx::fourCC("post")); post && post->size() >= 16)
        info.fixedPitch = kx::ByteReader(*post).u32(12) != 0;
    for (std::uint32_t tag : colourTags)
        if (face.hasTable(tag)) info.color = true;
    return info;
}

} // namespace rbx
