#include "common/FakeFontBackend.h"

namespace rbx {

int FakeFontBackend::addFontData(const QByteArray& data) {
    const int n = FontFace::faceCountInData(data);
    int added = 0;
    for (int i = 0; i < n; ++i) {
        auto f = FontFace::fromData(data, i);
        if (!f || f->postScriptName().isEmpty()) continue;
        removeFont(f->postScriptName());
        faces_ << infoOfFace(*f, QString(), i);
        data_.insert(f->postScriptName(), data);
        ++added;
    }
    if (added) generation_ = newGeneration();
    return added;
}

int FakeFontBackend::addFontFile(const QString& path) {
    const QList<FaceInfo> infos = faceInfosOfFile(path);
    for (const FaceInfo& info : infos) {
        removeFont(info.postScriptName);
        faces_ << info;
    }
    if (!infos.isEmpty()) generation_ = newGeneration();
    return int(infos.size());
}

void FakeFontBackend::removeFont(const QString& postScriptName) {
    const auto n = faces_.size();
    faces_.removeIf([&](const FaceInfo& f) { return f.postScriptName == postScriptName; });
    data_.remove(postScriptName);
    if (faces_.size() != n) generation_ = newGeneration();
}

void FakeFontBackend::touch() {
    generation_ = newGeneration();
    emit fontsChanged();
}

std::shared_ptr<const FontFace> FakeFontBackend::openFace(const FaceInfo& info) {
    auto it = data_.constFind(info.postScriptName);
    if (it != data_.constEnd()) return FontFace::fromData(it.value(), info.index);
    return FontFace::fromFile(info.file, info.index);
}

int FakeFontBackend::activateFile(const QString& path) {
    const QList<FaceInfo> infos = faceInfosOfFile(path);
    if (infos.isEmpty()) return 0;
    for (const FaceInfo& info : infos) {
        removeFont(info.postScriptName);
        faces_ << info;
    }
    generation_ = newGeneration();
    const int id = nextContainer_++;
    containers_ << Container{id, infos};
    emit fontFileActivated(path);
    return id;
}

QList<FaceInfo> FakeFontBackend::facesOfContainer(int container) const {
    for (const Container& c : containers_)
        if (c.id == container) return c.faces;
    return {};
}

void FakeFontBackend::deactivate(int container) {
    for (int i = 0; i < containers_.size(); ++i) {
        if (containers_[i].id != container) continue;
        for (const FaceInfo& f : containers_[i].faces) removeFont(f.postScriptName);
        containers_.removeAt(i);
        generation_ = newGeneration();
        return;
    }
}

} // namespace rbx
