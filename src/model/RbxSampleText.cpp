#include "model/RbxSampleText.h"

#include "core/Bundle.h"
#include "core/LocalizedStrings.h"
#include "core/Log.h"
#include "core/Plist.h"
#include "kxlib/RbxDefaults.h"
#include "kxlib/SettingsKeys.h"
#include "model/RbxFontInfo.h"
#include "model/RbxFontInfoRepertoire.h"
#include "model/RbxLayout.h"
#include "model/RbxLayoutRegistry.h"

#include <algorithm>
#include <optional>

namespace {

std::optional<QVariantList>& cachedEntries() {
    static std::optional<QVariantList> entries;
    return entries;
}

struct RepertoireCache {
    QString postScriptName;
    QString text;
    bool valid = false;
};

RepertoireCache& repertoireCache() {
    static RepertoireCache cache;
    return cache;
}

} // namespace

QVariantList RbxSampleText::sampleTextDictionaries() {
    auto& entries = cachedEntries();
    if (entries) return *entries;
    entries.emplace();
    const QString path = kx::Bundle::mainBundle().pathForResource(QStringLiteral("SampleText"), QStringLiteral("plist"));
    if (path.isEmpty()) {
        kx::log(QStringLiteral("SampleText.plist missing"));
        return *entries;
    }
    const kx::plist::Result r = kx::plist::readFile(path);
    if (!r.ok()) {
        kx::log(QStringLiteral("SampleText.plist: %1").arg(r.error));
        return *entries;
    }
    for (const QVariant& v : r.value.toList()) {
        const QVariantMap d = v.toMap();
        if (d.value(QStringLiteral("title")).typeId() == QMetaType::QString &&
            d.value(QStringLiteral("text")).typeId() == QMetaType::QString)
            entries->append(d);
    }
    return *entries;
}

QStringList RbxSampleText::sampleTextTitles() {
    QStringList titles;
    for (const QVariant& v : sampleTextDictionaries()) titles << v.toMap().value(QStringLiteral("title")).toString();
    return titles;
}

QString RbxSampleText::selectedSampleTextTitle() {
    const QString title = RbxDefaults::userDefaults().stringForKey(rbx::key::sample);
    return title.isEmpty() ? QStringLiteral("Lorem ipsum") : title;
}

QString RbxSampleText::selectedSampleText() { return sampleTextWithTitle(selectedSampleTextTitle()); }

namespace {

// The text of the entry with that title as the file has it; null when there is none.
QString entryText(const QString& title) {
    for (const QVariant& v : RbxSampleText::sampleTextDictionaries()) {
        const QVariantMap d = v.toMap();
        if (d.value(QStringLiteral("title")).toString() == title) return d.value(QStringLiteral("text")).toString();
    }
    return QString();
}

} // namespace

bool RbxSampleText::isUsersOwnText(const QString& title) { return entryText(title) == QLatin1String("C"); }

QString RbxSampleText::sampleTextWithTitle(const QString& title) {
    const QString text = entryText(title);
    if (text == QLatin1String("C")) {
        const QString own = RbxDefaults::userDefaults().stringForKey(rbx::key::editableSampleText);
        return RbxDefaults::userDefaults().objectForKey(rbx::key::editableSampleText.qname()).isValid()
                   ? own
                   : kx::loc(QStringLiteral("__FILLER_TEXT_INTRO__"));
    }
    if (text == QLatin1String("R")) return repertoireOfCurrentFont();
    return text.isNull() ? QString() : text;
}

QString RbxSampleText::repertoireOfCurrentFont() {
    auto* repertoire = dynamic_cast<RbxFontInfoRepertoire*>(RbxLayoutRegistry::shared().selectedFontRepertoire());
    if (!repertoire || !repertoire->fontInfo()) return QString();
    const std::shared_ptr<RbxFontInfo>& info = repertoire->fontInfo();
    RepertoireCache& cache = repertoireCache();
    const QString name = info->font().postScriptName();
    if (cache.valid && cache.postScriptName == name) return cache.text;
    const bool ignored = info->ignoresFilter();
    info->setIgnoresFilter(true);
    const auto blocks = RbxLayout::unicodeBlocksLayout();
    cache.text = blocks ? blocks->repertoireStringForFontInfo(repertoire) : QString();
    info->setIgnoresFilter(ignored);
    cache.postScriptName = name;
    cache.valid = true;
    return cache.text;
}

void RbxSampleText::reload() {
    cachedEntries().reset();
    repertoireCache() = RepertoireCache();
}

QString RbxSampleText::previewSample(const QString& sample) {
    QString s = sample;
    s.replace(u'\n', u' ');
    return s;
}

QString RbxSampleText::previewParagraph(const QString& sample, int size) {
    qsizetype n = size > 0 ? 7200 / size : 0;
    n = std::min(n, sample.size());
    if (n > 0 && n < sample.size() && sample[n - 1].isHighSurrogate() && sample[n].isLowSurrogate()) --n;
    QString part = sample.left(n);
    while (part.endsWith(u'\n')) part.chop(1);
    return QStringLiteral("%1 pt: ").arg(size) + part;
}

QString RbxSampleText::printText(const QString& sample) {
    QString s = sample;
    while (!s.isEmpty() && s.back().unicode() < 0x20) s.chop(1);
    if (s.isEmpty()) return s;
    while (s.size() < 20000) s = s + u'\n' + s;
    return s;
}

bool RbxSampleText::isPrintable(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x20; });
}
