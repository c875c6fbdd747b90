// runebox-tool shapes: makes the shape finder's data files from the installed fonts.
//   shapes reference [--type N] [--font NAME] FILE   reference data (type 1 by default)
//   shapes weights [--table FILE] FILE               feature weights from the sample characters
//   shapes animations FOLDER                         the demonstration drawings ani01 ... ani17
//   shapes check FOLDER                              makes all of them anew and compares them with
//                                                    the files in FOLDER (the bundle)
#include "ShapeAnimations.h"
#include "ToolCommand.h"

#include "core/AtomicFile.h"
#include "core/Bundle.h"
#include "core/Plist.h"
#include "shapes/ShapeReference.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QString error;
    if (kx::writeFileAtomically(path, bytes, &error)) return true;
    tool::err() << error << Qt::endl;
    return false;
}

int makeReference(const QString& path, int type, const QString& font) {
    if (!shapes::BigFonts::isInstalled(font)) {
        tool::err() << "font " << font << " is not installed" << Qt::endl;
        return 1;
    }
    shapes::ShapeRenderer renderer{shapes::ShapeGeometry()};
    QElapsedTimer t;
    t.start();
    const shapes::ReferenceData data = shapes::createReferenceData(renderer, font, type);
    tool::out() << "collected data for " << data.characters << " characters in "
                << QString::number(double(t.elapsed()) / 1000, 'f', 1) << " sec" << Qt::endl;
    tool::out() << "write reference data (" << QString::number(double(data.bytes.size()) / 1048576, 'f', 3)
                << " MB) to " << path << Qt::endl;
    return writeBytes(path, data.bytes) ? 0 : 1;
}

int makeWeights(const QString& path, const QString& tablePath) {
    const QString samplesPath = kx::Bundle::mainBundle().pathForResource(QStringLiteral("varianceCharacters"), QStringLiteral("txt"));
    QFile samplesFile(samplesPath);
    if (samplesPath.isEmpty() || !samplesFile.open(QIODevice::ReadOnly)) {
        tool::err() << "varianceCharacters.txt not found in the bundle" << Qt::endl;
        return 1;
    }
    const QString samples = QString::fromUtf8(samplesFile.readAll());
    tool::out() << "sample characters: " << samples.simplified() << Qt::endl;
    QStringList missingFonts;
    const QStringList fonts = shapes::sampleFonts(QString::fromLatin1(shapes::ReferenceFont), &missingFonts);
    tool::out() << "sample fonts: " << fonts.join(QStringLiteral(", ")) << " (" << missingFonts.size()
                << " not available)" << Qt::endl;
    if (fonts.size() < 2) {
        tool::err() << "at least two sample fonts are needed" << Qt::endl;
        return 1;
    }
    shapes::ShapeRenderer renderer{shapes::ShapeGeometry()};
    const shapes::Variances v = shapes::computeVariances(renderer, samples, fonts);
    for (const QString& line : v.report) tool::out() << line << Qt::endl;
    for (const QString& line : v.missing) tool::out() << line << Qt::endl;
    if (v.characters == 0) {
        tool::err() << "no sample character is covered by two fonts" << Qt::endl;
        return 1;
    }
    if (!writeBytes(path, kx::plist::writeXml(v.weights))) return 1;
    if (!tablePath.isEmpty() && !writeBytes(tablePath, v.table.toUtf8())) return 1;
    return 0;
}

QString animationName(int i) { return QStringLiteral("ani%1.rbxshape").arg(i, 2, 10, QLatin1Char('0')); }

int makeAnimations(const QString& folder) {
    if (!QDir().mkpath(folder)) {
        tool::err() << "cannot make " << folder << Qt::endl;
        return 1;
    }
    const QList<shapes::ShapeDrawing> drawings = tool::shapeAnimations();
    for (qsizetype i = 0; i < drawings.size(); ++i) {
        QString error;
        if (!shapes::shapefile::writeFile(QDir(folder).filePath(animationName(int(i + 1))), drawings[i], &error)) {
            tool::err() << "cannot write " << animationName(int(i + 1)) << ": " << error << Qt::endl;
            return 1;
        }
    }
    tool::out() << drawings.size() << " demonstration drawings in " << folder << Qt::endl;
    return 0;
}

int check(const QString& bundleFolder) {
    QTemporaryDir tmp;
    if (!tmp.isValid()) return 1;
    const QDir made(tmp.path());
    if (makeReference(made.filePath(QStringLiteral("shapeReference.data")), 1, QString::fromLatin1(shapes::ReferenceFont)) ||
        makeWeights(made.filePath(QStringLiteral("shapeWeights.plist")), QString()) || makeAnimations(tmp.path()))
        return 1;
    QStringList names{QStringLiteral("shapeReference.data"), QStringLiteral("shapeWeights.plist")};
    for (int i = 1; i <= int(tool::shapeAnimations().size()); ++i) names << animationName(i);
    int differing = 0;
    for (const QString& name : names) {
        QFile mine(made.filePath(name)), theirs(QDir(bundleFolder).filePath(name));
        if (!mine.open(QIODevice::ReadOnly) || !theirs.open(QIODevice::ReadOnly) || mine.readAll() != theirs.readAll()) {
            tool::err() << name << " differs from what the fonts give now" << Qt::endl;
            ++differing;
        }
    }
    tool::out() << names.size() - differing << " of " << names.size() << " files as made" << Qt::endl;
    return differing ? 1 : 0;
}

int runShapes(const QStringList& args) {
    if (args.isEmpty()) return tool::usage("shapes");
    const QString what = args.first();
    QStringList rest = args.mid(1);
    int type = 1;
    QString font = QString::fromLatin1(shapes::ReferenceFont), table;
    QStringList positional;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString& a = rest[i];
        const bool hasValue = i + 1 < rest.size();
        if (a == QLatin1String("--type") && hasValue) {
            bool ok = false;
            type = rest[++i].toInt(&ok);
            if (!ok) return tool::usage("shapes");
        } else if (a == QLatin1String("--font") && hasValue) {
            font = rest[++i];
        } else if (a == QLatin1String("--table") && hasValue) {
            table = rest[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            return tool::usage("shapes");
        } else {
            positional << a;
        }
    }
    if (positional.size() != 1) return tool::usage("shapes");
    if (what == QLatin1String("reference")) return makeReference(positional.first(), type, font);
    if (what == QLatin1String("weights")) return makeWeights(positional.first(), table);
    if (what == QLatin1String("animations")) return makeAnimations(positional.first());
    if (what == QLatin1String("check")) return check(positional.first());
    return tool::usage("shapes");
}

} // namespace

RBX_TOOL_COMMAND(shapes, "shapes reference [--type N] [--font NAME] FILE | weights [--table FILE] FILE | animations FOLDER | check FOLDER",
                 runShapes);
