#include "app/FontCollectionItems.h"

#include "core/FoundationValues.h"
#include "model/RbxFontList.h"

#include <QLocale>
#include <algorithm>

namespace fontcollections {

namespace {

using Kind = FontCollectionItem::Kind;

FontCollectionItem separator() { return FontCollectionItem{}; }

QString titleOf(const QString& name, const QString& languageTitle) {
    if (name == RbxFontList::userFontsCollection()) return languageTitle;
    return RbxFontList::titleOfCollection(name);
}

FontCollectionItem collection(const QString& name, const QString& languageTitle) {
    return FontCollectionItem{Kind::Collection, titleOf(name, languageTitle), name, -1, true};
}

} // namespace

QList<FontCollectionItem> items(const QStringList& names, const QStringList& setNames, const QStringList& setObjects,
                                bool characterMarked, const QString& languageTitle) {
    QList<FontCollectionItem> out;
    if (names.isEmpty()) return out;
    out << collection(names[0], languageTitle);
    out << FontCollectionItem{Kind::Recent, QStringLiteral("Recently inserted"), recentFonts(), -1, true};
    out << FontCollectionItem{Kind::Marked, QStringLiteral("Marked Fonts"), markedFonts(), -1, characterMarked};
    if (!setNames.isEmpty()) {
        out << separator();
        for (qsizetype i = 0; i < setNames.size(); ++i)
            out << FontCollectionItem{Kind::ActivationSet, setNames[i], setObjects.value(i), int(i), true};
    }
    if (names.size() > 1) {
        out << separator();
        out << collection(names[1], languageTitle);
    }
    bool separated = false;
    for (qsizetype i = 2; i < names.size(); ++i) {
        if (!separated && !names[i].startsWith(QLatin1String("com.apple."))) {
            out << separator();
            separated = true;
        }
        out << collection(names[i], languageTitle);
    }
    return out;
}

int indexOfObject(const QList<FontCollectionItem>& items, const QString& object) {
    for (qsizetype i = 0; i < items.size(); ++i)
        if (items[i].kind != Kind::Separator && items[i].enabled && items[i].object == object) return int(i);
    return items.isEmpty() ? -1 : 0;
}

QString descriptionOfFamilies(const QStringList& families) {
    QStringList sorted = families;
    std::sort(sorted.begin(), sorted.end());
    return kx::ns::description(QVariant(sorted));
}

QString preferredLanguage(const QStringList& uiLanguages) {
    QString code = uiLanguages.value(0, QStringLiteral("en"));
    code = code.section(u'-', 0, 0).section(u'_', 0, 0);
    if (code.isEmpty() || code == QLatin1String("C")) code = QStringLiteral("en");
    // Qt names English after the United States.
    if (code == QLatin1String("en")) return QStringLiteral("English");
    const QLocale locale(code);
    QString name = locale.language() == QLocale::C ? QString() : locale.nativeLanguageName();
    if (name.isEmpty()) name = code;
    name[0] = name.at(0).toUpper();
    return name;
}

} // namespace fontcollections
