#include "kxlib/gui/KXDynamicColor.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "kxlib/gui/KXAppearance.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPalette>

namespace {

// Without a desktop to ask, no accent index is known.
class NoAccentColor : public KXAccentColorSource {
public:
    QVariant accentColorIndex() const override { return {}; }
};

QColor blend(const QColor& a, const QColor& b, qreal f) {
    f = std::clamp(f, 0.0, 1.0);
    const QColor x = a.toRgb(), y = b.toRgb();
    return QColor::fromRgbF(float(x.redF() * (1 - f) + y.redF() * f),
                            float(x.greenF() * (1 - f) + y.greenF() * f),
                            float(x.blueF() * (1 - f) + y.blueF() * f),
                            float(x.alphaF() * (1 - f) + y.alphaF() * f));
}

std::optional<QColor> colorFromArchive(const QVariant& v) {
    if (!v.isValid()) return std::nullopt;
    if (v.userType() == QMetaType::QColor) {
        const QColor c = v.value<QColor>();
        return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
    }
    if (v.userType() != QMetaType::QString) return std::nullopt;
    const QColor c = QColor::fromString(v.toString());
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

bool isNumber(const QVariant& v) {
    switch (v.userType()) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Long: case QMetaType::ULong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

QColor rgb8(int r, int g, int b) { return QColor::fromRgbF(float(r / 255.0), float(g / 255.0), float(b / 255.0), 1.0f); }

} // namespace

KXDynamicColor::KXDynamicColor(const QColor& light, const QColor& dark) : aqua_(light) {
    if (dark.isValid()) darkAqua_ = dark;
}

QColor KXDynamicColor::effectiveColor() const {
    if (!darkAqua_) return aqua_;
    return KXAppearance::currentIsDark() ? *darkAqua_ : aqua_;
}

qreal KXDynamicColor::whiteComponent() const {
    const QColor c = effectiveColor().toRgb();
    return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
}

void KXDynamicColor::getRed(qreal* r, qreal* g, qreal* b, qreal* a) const {
    const QColor c = effectiveColor().toRgb();
    if (r) *r = c.redF();
    if (g) *g = c.greenF();
    if (b) *b = c.blueF();
    if (a) *a = c.alphaF();
}

void KXDynamicColor::getHue(qreal* h, qreal* s, qreal* v, qreal* a) const {
    const QColor c = effectiveColor().toHsv();
    if (h) *h = c.hsvHueF();
    if (s) *s = c.hsvSaturationF();
    if (v) *v = c.valueF();
    if (a) *a = c.alphaF();
}

void KXDynamicColor::getWhite(qreal* w, qreal* a) const {
    if (w) *w = whiteComponent();
    if (a) *a = effectiveColor().alphaF();
}

void KXDynamicColor::getCyan(qreal* c, qreal* m, qreal* y, qreal* k, qreal* a) const {
    const QColor x = effectiveColor().toCmyk();
    if (c) *c = x.cyanF();
    if (m) *m = x.magentaF();
    if (y) *y = x.yellowF();
    if (k) *k = x.blackF();
    if (a) *a = x.alphaF();
}

QColor KXDynamicColor::colorWithAlphaComponent(qreal alpha) const {
    QColor c = effectiveColor();
    c.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return c;
}

QColor KXDynamicColor::blendedColorWithFraction(qreal fraction, const QColor& other) const {
    return blend(effectiveColor(), other, fraction);
}

QColor KXDynamicColor::highlightWithLevel(qreal level) const {
    return blend(effectiveColor(), QColor(255, 255, 255, effectiveColor().alpha()), level);
}

QColor KXDynamicColor::shadowWithLevel(qreal level) const {
    return blend(effectiveColor(), QColor(0, 0, 0, effectiveColor().alpha()), level);
}

void KXDynamicColor::setFill(QPainter& painter) const { painter.setBrush(effectiveColor()); }

void KXDynamicColor::setStroke(QPainter& painter) const {
    QPen pen = painter.pen();
    pen.setColor(effectiveColor());
    painter.setPen(pen);
}

void KXDynamicColor::set(QPainter& painter) const {
    setFill(painter);
    setStroke(painter);
}

QVariantMap KXDynamicColor::archive() const {
    QVariantMap m;
    m.insert(QStringLiteral("aquaColor"), aqua_.name(QColor::HexArgb));
    if (darkAqua_) m.insert(QStringLiteral("darkAquaColor"), darkAqua_->name(QColor::HexArgb));
    return m;
}

std::optional<KXDynamicColor> KXDynamicColor::fromArchive(const QVariantMap& archive) {
    const auto light = colorFromArchive(archive.value(QStringLiteral("aquaColor")));
    if (!light) return std::nullopt;
    KXDynamicColor c(*light);
    c.darkAqua_ = colorFromArchive(archive.value(QStringLiteral("darkAquaColor")));
    return c;
}

std::unique_ptr<KXAccentColorSource> KXAccentColorSource::makeDefault() { return std::make_unique<NoAccentColor>(); }

QString KXDynamicColor::accentColorName() {
    return accentColorNameOfIndex(kx::ProcessWide<KXAccentColorSource>::get().accentColorIndex());
}

QString KXDynamicColor::accentColorNameOfIndex(const QVariant& v) {
    static std::optional<long long> lastLogged;
    if (!isNumber(v)) return QStringLiteral("Blue");
    const long long index = v.toLongLong();
    switch (index) {
    case -1: return QStringLiteral("Graphite");
    case 0: return QStringLiteral("Red");
    case 1: return QStringLiteral("Orange");
    case 2: return QStringLiteral("Yellow");
    case 3: return QStringLiteral("Green");
    case 5: return QStringLiteral("Purple");
    case 6: return QStringLiteral("Pink");
    default:
        break;
    }
    if (lastLogged != index) {
        kx::log(QStringLiteral("*** unknown accent color index: %1").arg(index));
        lastLogged = index;
    }
    return QStringLiteral("Blue");
}

KXDynamicColor KXDynamicColor::menuItemHighlightColor() {
    return menuItemHighlightColor(accentColorName());
}

KXDynamicColor KXDynamicColor::menuItemHighlightColor(const QString& accentName) {
    static const QHash<QString, KXDynamicColor> table = {
        {QStringLiteral("Blue"), {rgb8(60, 139, 246), rgb8(12, 111, 225)}},
        {QStringLiteral("Purple"), {rgb8(169, 99, 170), rgb8(135, 59, 135)}},
        {QStringLiteral("Pink"), {rgb8(248, 114, 176), rgb8(218, 74, 142)}},
        {QStringLiteral("Red"), {rgb8(229, 95, 100), rgb8(199, 54, 60)}},
        {QStringLiteral("Orange"), {rgb8(248, 154, 79), rgb8(218, 117, 31)}},
        {QStringLiteral("Yellow"), {rgb8(252, 198, 90), rgb8(222, 164, 42)}},
        {QStringLiteral("Green"), {rgb8(128, 198, 107), rgb8(90, 165, 66)}},
        {QStringLiteral("Graphite"), {rgb8(162, 162, 162), rgb8(124, 128, 131)}},
    };
    const auto it = table.constFind(accentName);
    if (it != table.constEnd()) return *it;
    QColor accent = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                        ? QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight)
                        : QColor(60, 139, 246);
    accent.setAlphaF(0.8f);
    return KXDynamicColor(accent);
}
