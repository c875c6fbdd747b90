#include "shapes/BigFonts.h"

#include "platform/fonts/FontBackend.h"

#include <QFontDatabase>
#include <utility>

namespace shapes {
namespace {

// PostScript name and the percentage of the ascender that spans baseline to cap line.
constexpr std::pair<const char*, int> sizingTable[] = {
    {"ArialUnicodeMS", 150}, {"AbadiMT-CondensedLight", 130}, {"AdobeHeitiStd-Regular", 116},
    {"AkkoRoundedPro-Regular", 110}, {"AndaleMono", 132}, {"AppleCasual", 125}, {"AppleGothic", 112},
    {"ArialNarrow", 130}, {"AvantGarde-Book", 118}, {"Calibri", 150}, {"Candara", 150},
    {"CenturyGothic", 145}, {"Chalkboard", 145}, {"ComicSansMS", 150}, {"Corbel", 145},
    {"DejaVuSans", 128}, {"DejaVuSansMono", 128}, {"DroidSans", 130}, {"EurostileRegular", 121},
    {"Futura-Medium", 140}, {"Geneva", 130}, {"GillSans", 132}, {"Gulim", 120}, {"Helvetica", 106},
    {"ISOCPEUR", 100}, {"LetterGothicStd-Bold", 100}, {"LiGothicMed", 134}, {"LucidaGrande", 135},
    {"LucidaSans", 135}, {"LucidaSansUnicode", 150}, {"Meiryo", 145}, {"Menlo-Regular", 128},
    {"MicrosoftSansSerif", 129}, {"MS-Gothic", 111}, {"MS-PGothic", 124}, {"MSReferenceSansSerif", 140},
    {"MyriadPro-Regular", 110}, {"NanumGothic", 132}, {"Noteworthy-Bold", 150}, {"Optima-Regular", 135},
    {"Skia-Regular", 120}, {"STXihei", 110}, {"Tahoma", 138}, {"TektonPro-Bold", 105},
    {"TrebuchetMS", 130}, {"Verdana", 138},
};

QRawFont openRawFont(const QString& postScriptName) {
    if (!postScriptName.isEmpty()) {
        const std::optional<rbx::FaceInfo> info = rbx::FontBackend::shared().faceInfo(postScriptName);
        if (!info || info->postScriptName != postScriptName) return {};
        if (info->index == 0 && !info->file.isEmpty()) {
            QRawFont f(info->file, 100, QFont::PreferNoHinting);
            if (f.isValid()) return f;
        }
        QFont q(info->family);
        q.setStyleName(info->style);
        q.setPixelSize(100);
        q.setHintingPreference(QFont::PreferNoHinting);
        return QRawFont::fromFont(q);
    }
    QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    system.setPixelSize(100);
    system.setHintingPreference(QFont::PreferNoHinting);
    return QRawFont::fromFont(system);
}

} // namespace

BigFonts::BigFonts(const ShapeGeometry& geometry) : geometry_(geometry) {}

int BigFonts::percentage(const QString& postScriptName) {
    for (const auto& [name, pct] : sizingTable)
        if (postScriptName == QLatin1String(name)) return pct;
    return 100;
}

QStringList BigFonts::tableFonts() {
    QStringList names;
    for (const auto& entry : sizingTable) names << QString::fromLatin1(entry.first);
    return names;
}

bool BigFonts::isInstalled(const QString& postScriptName) {
    const std::optional<rbx::FaceInfo> info = rbx::FontBackend::shared().faceInfo(postScriptName);
    return info && info->postScriptName == postScriptName;
}

QString BigFonts::backgroundFontName(const QString& stored) {
    const QString wanted = stored.isEmpty() ? QStringLiteral("ArialUnicodeMS") : stored;
    if (isInstalled(wanted)) return wanted;
    for (const char* fallback : {"Arial", "Helvetica", "Geneva", "DejaVuSans"})
        if (isInstalled(QString::fromLatin1(fallback))) return QString::fromLatin1(fallback);
    return QString();
}

const QRawFont& BigFonts::bigFont(const QString& postScriptName) {
    auto it = cache_.find(postScriptName);
    if (it != cache_.end()) return *it;
    QRawFont f = openRawFont(postScriptName);
    if (f.isValid() && f.ascent() > 0) {
        const double span = geometry_.upperLineY - geometry_.baseLineY;
        f.setPixelSize(percentage(postScriptName) * span / f.ascent());
    }
    return *cache_.insert(postScriptName, f);
}

bool BigFonts::covers(const QString& postScriptName, char32_t c) {
    const QRawFont& f = bigFont(postScriptName);
    return f.isValid() && f.supportsCharacter(uint(c));
}

QPainterPath BigFonts::textPath(const QString& text, const QString& postScriptName, bool left) {
    const QRawFont& f = bigFont(postScriptName);
    if (!f.isValid() || text.isEmpty()) return {};
    const QList<quint32> glyphs = f.glyphIndexesForString(text);
    const QList<QPointF> advances = f.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    double width = 0;
    for (const QPointF& a : advances) width += a.x();
    const QRectF& inner = geometry_.innerRect;
    const double x = left ? inner.x() + 10 : inner.x() + double(float((inner.width() - width) / 2));
    // The characters stand on the baseline guide; their descenders reach below it.
    const double baselineUp = geometry_.baseLineY;
    const double baselineDown = geometry_.size.height() - baselineUp;
    QPainterPath path;
    double pen = x;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] != 0) path.addPath(f.pathForGlyph(glyphs[i]).translated(pen, baselineDown));
        pen += advances[i].x();
    }
    return path;
}

} // namespace shapes
