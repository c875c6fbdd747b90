#pragma once
// A colour made of a light and a dark variant. Every operation is answered by the variant
// of the appearance in force at the call (KXAppearance::currentIsDark), so code that draws
// with it needs no appearance logic of its own. Derived colours (alpha, blends, highlight,
// shadow) are plain colours of the variant in force when they were made.

#include <QColor>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

class QPainter;

// Where the user's accent colour comes from: an accent index (-1 Graphite, 0 Red,
// 1 Orange, 2 Yellow, 3 Green, 5 Purple, 6 Pink; anything else reads Blue). The one of the
// process is installed through kx::ProcessWide<KXAccentColorSource>; the default knows no
// index.
class KXAccentColorSource {
public:
    virtual ~KXAccentColorSource() = default;
    virtual QVariant accentColorIndex() const = 0;
    static std::unique_ptr<KXAccentColorSource> makeDefault();
};

class KXDynamicColor {
public:
    KXDynamicColor() = default;
    // A colour that is the same in both appearances.
    explicit KXDynamicColor(const QColor& light) : aqua_(light) {}
    KXDynamicColor(const QColor& light, const QColor& dark);
    static KXDynamicColor lightColor(const QColor& light, const QColor& dark) { return {light, dark}; }

    const QColor& aquaColor() const { return aqua_; }
    // The dark variant, when there is one.
    const std::optional<QColor>& darkAquaColor() const { return darkAqua_; }

    // The variant for now: the light one without a dark variant (the appearance is then
    // not consulted), else the one of the current drawing appearance.
    QColor effectiveColor() const;
    operator QColor() const { return effectiveColor(); }

    // Forwarded to the effective colour.
    qreal redComponent() const { return effectiveColor().redF(); }
    qreal greenComponent() const { return effectiveColor().greenF(); }
    qreal blueComponent() const { return effectiveColor().blueF(); }
    qreal alphaComponent() const { return effectiveColor().alphaF(); }
    qreal hueComponent() const { return effectiveColor().hsvHueF(); }
    qreal saturationComponent() const { return effectiveColor().hsvSaturationF(); }
    qreal brightnessComponent() const { return effectiveColor().valueF(); }
    // Luminance-weighted grey level of the colour.
    qreal whiteComponent() const;
    void getRed(qreal* r, qreal* g, qreal* b, qreal* a) const;
    void getHue(qreal* h, qreal* s, qreal* v, qreal* a) const;
    void getWhite(qreal* w, qreal* a) const;
    void getCyan(qreal* c, qreal* m, qreal* y, qreal* k, qreal* a) const;
    int numberOfComponents() const { return 4; }

    QColor colorWithAlphaComponent(qreal alpha) const;
    // (1 - fraction) of this colour and fraction of `other`, alpha included.
    QColor blendedColorWithFraction(qreal fraction, const QColor& other) const;
    // Blended towards white / black by `level` (0 to 1).
    QColor highlightWithLevel(qreal level) const;
    QColor shadowWithLevel(qreal level) const;

    // Makes the effective colour the painter's fill (brush), stroke (pen colour), or both.
    void setFill(QPainter& painter) const;
    void setStroke(QPainter& painter) const;
    void set(QPainter& painter) const;

    // Archived form: "aquaColor" always, "darkAquaColor" only when there is a dark variant;
    // colours as "#AARRGGBB" text.
    QVariantMap archive() const;
    // Restores an archive; nullopt when "aquaColor" is missing or not a colour. A missing or
    // unreadable "darkAquaColor" gives a light-only colour.
    static std::optional<KXDynamicColor> fromArchive(const QVariantMap& archive);

    // The name of the user's accent colour ("Blue", "Graphite", "Red", ...), after the
    // installed accent colour source.
    static QString accentColorName();
    // The name an accent colour index stands for (the source's answer).
    static QString accentColorNameOfIndex(const QVariant& index);
    // The highlight of a selected item of a graphical menu, after the accent colour.
    static KXDynamicColor menuItemHighlightColor();
    // The same for a given accent name; a name without entry gives the palette's highlight
    // colour at alpha 0.8.
    static KXDynamicColor menuItemHighlightColor(const QString& accentName);

    bool operator==(const KXDynamicColor& other) const = default;

private:
    QColor aqua_;
    std::optional<QColor> darkAqua_;
};
