// runebox-tool bench repertoire: the repertoire of every installed face, cold (face
// opened anew, font info made anew, ligatures discovered).
#include "Bench.h"

#include "core/Log.h"
#include "model/RbxEmoji.h"
#include "model/RbxFontInfo.h"
#include "platform/fonts/FontBackend.h"

#include <QFileInfo>

namespace {

// One cold load of a face's repertoire; answers its character count.
int loadCold(const rbx::FaceInfo& info) {
    const auto face = rbx::FontFace::fromFile(info.file, info.index);
    if (!face) return 0;
    RbxFontInfo fontInfo(rbx::Font(face, 12));
    return fontInfo.availableCharacterCount();
}

int runRepertoireBench(const QStringList&) {
    kx::LogCapture quiet;
    const QList<rbx::FaceInfo> faces = rbx::FontBackend::shared().faces();
    if (faces.isEmpty()) {
        tool::err() << "no installed fonts" << Qt::endl;
        return 1;
    }
    struct Result { QString name; double ms; int count; qint64 bytes; };
    std::vector<Result> results;
    for (const rbx::FaceInfo& f : faces) {
        RbxEmoji::setMeasurer(nullptr); // the emoji font measures its sequences cold too
        int count = 0;
        const tool::Timing t = tool::time(1, [&] { count = loadCold(f); });
        results.push_back({f.postScriptName, t.median, count, QFileInfo(f.file).size()});
    }
    std::vector<double> ms;
    for (const Result& r : results) ms.push_back(r.ms);
    std::sort(ms.begin(), ms.end());
    const auto slowest = std::max_element(results.begin(), results.end(),
                                          [](const Result& a, const Result& b) { return a.ms < b.ms; });
    const auto largest = std::max_element(results.begin(), results.end(),
                                          [](const Result& a, const Result& b) { return a.bytes < b.bytes; });
    const auto most = std::max_element(results.begin(), results.end(),
                                       [](const Result& a, const Result& b) { return a.count < b.count; });
    tool::out() << results.size() << " faces, cold: median " << QString::number(ms[ms.size() / 2], 'f', 2)
                << " ms, slowest " << slowest->name << " " << QString::number(slowest->ms, 'f', 2) << " ms ("
                << slowest->count << " characters)" << Qt::endl;
    tool::out() << "most characters: " << most->name << " (" << most->count << ") "
                << QString::number(most->ms, 'f', 2) << " ms" << Qt::endl;

    bool ok = true;
    auto timeFace = [&](const QString& name, const QString& what, double target) {
        const auto info = rbx::FontBackend::shared().faceInfo(name);
        if (!info) {
            tool::out() << what << ": not installed" << Qt::endl;
            return;
        }
        ok = tool::reportTiming(what, tool::time(5, [&] {
                                    RbxEmoji::setMeasurer(nullptr);
                                    loadCold(*info);
                                }),
                                target) && ok;
    };
    timeFace(QStringLiteral("DejaVuSans"), QStringLiteral("DejaVuSans"), 20);
    timeFace(largest->name,
             QStringLiteral("largest face %1 (%2 MB)").arg(largest->name).arg(double(largest->bytes) / 1048576.0, 0, 'f', 1),
             150);
    RbxEmoji::setMeasurer(nullptr);
    return ok ? 0 : 1;
}

} // namespace

RBX_BENCH(repertoire, "the repertoire of every installed face, cold; DejaVu Sans and the largest face timed",
          runRepertoireBench);
