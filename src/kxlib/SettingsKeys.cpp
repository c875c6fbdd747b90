#include "kxlib/SettingsKeys.h"

#include "core/FoundationValues.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace rbx::key {

namespace {
KeyInfo row(const BoolKey& k) { return {k.qname(), Type::Bool, QVariant(k.codeDefault), k.fromBundle}; }
KeyInfo row(const IntKey& k) {
    return {k.qname(), Type::Int, QVariant(k.codeDefault), k.fromBundle, -std::numeric_limits<double>::max(),
            std::numeric_limits<double>::max(), std::vector<int>(k.values.begin(), k.values.end())};
}
KeyInfo row(const FloatKey& k) {
    return {k.qname(), Type::Float, QVariant(k.codeDefault), k.fromBundle, k.lowest, k.highest};
}
bool bounded(const KeyInfo& k) {
    return k.lowest > -std::numeric_limits<double>::max() || k.highest < std::numeric_limits<double>::max();
}
KeyInfo row(const StringKey& k) {
    return {k.qname(), Type::String, QVariant(QString::fromLatin1(k.codeDefault)), k.fromBundle};
}
KeyInfo row(const ObjectKey& k) { return {k.qname(), k.type, QVariant(), k.fromBundle}; }
} // namespace

const std::vector<KeyInfo>& allKeys() {
    static const std::vector<KeyInfo> keys = {
        row(activator),
        row(statusItem),
        row(hideQInCorner),
        row(animateWindow),
        row(startAtLogin),
        row(insertionCloses),
        row(clickOutsideCloses),
        row(mouseOutsideCloses),
        row(fixOffscreenWindow),
        row(openWindowHotkey),
        row(view),
        row(layout),
        row(disabledLayout),
        row(sample),
        row(magnify),
        row(showTooltips),
        row(hiliteRecentCharacters),
        row(recentLines),
        row(relativeFontSize),
        row(fitAscii),
        row(minimumFitSize),
        row(characterShadow),
        row(darkTable),
        row(defaultBlocksCollapsed),
        row(collapsedBlocks),
        row(expandedBlocks),
        row(fontNameInFont),
        row(ncph),
        row(scph),
        row(wRef),
        row(statusOnly),
        row(suppressOpening),
        row(selectedFont),
        row(selectedCollection),
        row(recentFonts),
        row(recentFontsV2),
        row(useUniversalFont),
        row(universalFont),
        row(fontSpecificLayouts),
        row(fontLayoutSuggestionsInstalled),
        row(fontSizeAdjustment),
        row(enableFontDetection),
        row(dropFont),
        row(safeDrawing),
        row(ligatures),
        row(gsub),
        row(morx),
        row(unicodeFolder),
        row(applications),
        row(formattedSize),
        row(htmlEntities),
        row(hexHtml),
        row(globalRecentCharacters),
        row(fontRecentCharacters),
        row(recentLigatures),
        row(favoriteCharacters),
        row(favoriteFontCharacters),
        row(favoriteLigatures),
        row(useCount),
        row(buildNr),
        row(sound),
        row(keyStringDelay1),
        row(keyStringDelay2),
        row(keyStringDelay3),
        row(keyStringDelayEnd),
        row(keyStringEmptyPrefix),
        row(pasteFileDelay),
        row(pasteboardSavingEnabled),
        row(pasteboardRestoreExtraDelay),
        row(quitOther),
        row(shapeCompareCharacters),
        row(editableSampleText),
        row(editorFontSize),
        row(editorAlignment),
        row(updateInterval),
        row(monthlyMinute),
        row(checkForBetaVersions),
        row(checkForUpdatesInFullScreenMode),
        row(lastUpdateCheck),
        row(lastCurrentVersion),
        row(lastReleaseDate),
        row(lastArchiveSHA256),
        row(lastArchiveEd25519),
        row(versionToSkip),
        row(monce),
        row(lastMaintenance),
        row(vcktest),
        row(updateServer),
        row(spaceWindow),
        row(httpsMinSys),
        row(launchCount),
        row(launchCountOld),
        row(translate),
        row(import),
        row(logSheets),
        row(charNames),
        row(collLog),
        row(shapeTools),
        row(glyphInfo),
        row(logFocus),
        row(logCalcFont),
        row(ligainfo),
        row(logOpen),
        row(logClipboard),
    };
    return keys;
}

std::optional<KeyInfo> keyInfo(const QString& name) {
    for (const KeyInfo& k : allKeys())
        if (k.name == name) return k;
    const QString ping = QString::fromLatin1(versionPingPrefix);
    if (name.size() > ping.size() && name.startsWith(ping)) return KeyInfo{name, Type::String, QVariant(), false};
    return std::nullopt;
}

std::optional<QVariant> coerce(Type type, const QString& text) {
    const QString t = text.trimmed();
    switch (type) {
    case Type::Bool: {
        const QString l = t.toLower();
        if (l == QLatin1String("1") || l == QLatin1String("yes") || l == QLatin1String("true")) return QVariant(true);
        if (l == QLatin1String("0") || l == QLatin1String("no") || l == QLatin1String("false")) return QVariant(false);
        return std::nullopt;
    }
    case Type::Int: {
        bool ok = false;
        const int v = t.toInt(&ok);
        return ok ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    case Type::Float: {
        bool ok = false;
        const double v = t.toDouble(&ok);
        return ok && std::isfinite(v) ? std::optional<QVariant>(QVariant(v)) : std::nullopt;
    }
    case Type::String:
        return QVariant(text);
    case Type::Data:
    case Type::Array:
    case Type::Dict:
        break;
    }
    return std::nullopt;
}

std::optional<QVariant> valueFor(const KeyInfo& key, const QString& text) {
    const auto value = coerce(key.type, text);
    if (value && key.type == Type::Int && !key.values.empty())
        return std::find(key.values.begin(), key.values.end(), value->toInt()) != key.values.end() ? value : std::nullopt;
    if (!value || key.type != Type::Float) return value;
    const double v = value->toDouble();
    return v >= key.lowest && v <= key.highest ? value : std::nullopt;
}

QString valueDescription(const KeyInfo& key) {
    if (key.type == Type::Int && !key.values.empty()) {
        QStringList values;
        for (int v : key.values) values << QString::number(v);
        return QStringLiteral("one of %1").arg(values.join(QStringLiteral(", ")));
    }
    if (key.type != Type::Float || !bounded(key)) return typeDescription(key.type);
    return QStringLiteral("a number from %1 to %2").arg(kx::ns::numberText(key.lowest), kx::ns::numberText(key.highest));
}

QVariant storedForm(Type type, const QVariant& value) {
    switch (type) {
    case Type::Int: return QVariant(value.toInt());
    case Type::Float: return QVariant(value.toDouble());
    default: return value;
    }
}

QString typeDescription(Type type) {
    switch (type) {
    case Type::Bool: return QStringLiteral("a boolean (yes or no)");
    case Type::Int: return QStringLiteral("an integer");
    case Type::Float: return QStringLiteral("a number");
    case Type::String: return QStringLiteral("a text");
    case Type::Data: return QStringLiteral("data");
    case Type::Array: return QStringLiteral("a list");
    case Type::Dict: return QStringLiteral("a dictionary");
    }
    return {};
}

} // namespace rbx::key
