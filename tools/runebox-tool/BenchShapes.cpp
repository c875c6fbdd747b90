// runebox-tool bench shapes [RUNS]: one drawing matched against the whole reference data
// as the shape finder's Find does it (rendering the drawing, its features, reading the
// reference data, ranking), for each demonstration drawing of the bundle.
#include "Bench.h"
#include "ShapeAnimations.h"

#include "shapes/ShapeMatching.h"
#include "shapes/ShapePad.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

int runShapesBench(const QStringList& args) {
    int runs = 20;
    if (!args.isEmpty()) runs = std::max(1, args.first().toInt());
    shapes::ShapeMatching matching{shapes::ShapeGeometry(), shapes::ShapeDataFiles::installed()};
    const std::optional<QByteArray> reference = matching.referenceData();
    if (!reference) {
        tool::err() << "no shape reference data installed" << Qt::endl;
        return 1;
    }
    QTemporaryDir dir;
    const QList<shapes::ShapeDrawing> drawings = tool::shapeAnimations();
    std::vector<double> medians;
    for (qsizetype i = 0; i < drawings.size(); ++i) {
        const QString path = QDir(dir.path()).filePath(QStringLiteral("d.rbxshape"));
        shapes::shapefile::writeFile(path, drawings[i]);
        shapes::ShapePad pad;
        if (!pad.load(path)) return 1;
        matching.bestMatch(pad);  // the weights are read once per process
        medians.push_back(tool::time(runs, [&] { matching.bestMatch(pad); }).median);
    }
    std::sort(medians.begin(), medians.end());
    tool::out() << drawings.size() << " drawings against " << reference->size() / shapes::ReferenceRecordBytes
                << " reference characters, " << runs << " runs each" << Qt::endl;
    return tool::reportTiming(QStringLiteral("match one drawing (median of the drawings; slowest %1 ms)")
                                  .arg(QString::number(medians.back(), 'f', 2)),
                              tool::Timing{medians.front(), medians[medians.size() / 2]}, 50)
               ? 0
               : 1;
}

} // namespace

RBX_BENCH(shapes, "one drawing matched against the whole shape reference data [RUNS]", runShapesBench);
