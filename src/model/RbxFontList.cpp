// The font list: the shared list, reloading, the change test and the change
// notifications.

#include "model/RbxFontList.h"

#include "core/Log.h"
#include "core/ProcessWide.h"
#include "model/RbxDebugSwitch.h"
#include "model/FontExtensions.h"
#include "kxlib/RbxDefaults.h"
#include "core/FoundationValues.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <algorithm>

RbxFontList& RbxFontList::fontList() {
    RbxFontList& list = kx::ProcessWide<RbxFontList>::get();
    if (!list.reloadedOnce_) list.reload(QStringLiteral("init"));
    return list;
}

std::unique_ptr<RbxFontList> RbxFontList::makeDefault() { return std::make_unique<RbxFontList>(); }

rbx::FontBackend& RbxFontList::backend() const { return backend_ ? *backend_ : rbx::FontBackend::shared(); }

RbxDefaults& RbxFontList::settings() const { return settings_ ? *settings_ : RbxDefaults::userDefaults(); }

bool RbxFontList::debugging() const { return debugging_ && debugging_->isDebugging(); }

RbxFontList::RbxFontList(rbx::FontBackend* backend, RbxDefaults* settings, const RbxDebugSwitch* debugging,
                         int prefetchDelayMs)
    : backend_(backend), settings_(settings), debugging_(debugging), prefetchDelayMs_(prefetchDelayMs) {
    RbxDefaults& defaults = this->settings();
    for (const QVariant& v : kx::ns::arrayOrEmpty(defaults.objectForKey(rbx::key::recentFontsV2)))
        if (kx::ns::isString(v)) recentFonts_.append(v.toString());
    selectedFontName_ = defaults.stringForKey(rbx::key::selectedFont);
    fontChangeTimer_.setSingleShot(true);
    fontChangeTimer_.setInterval(FontChangeDelayMs);
    connect(&fontChangeTimer_, &QTimer::timeout, this, [this] { emit fontChangeNoticed(QStringLiteral("notification")); });
    connect(&this->backend(), &rbx::FontBackend::fontsChanged, this, &RbxFontList::fontNotification);
}

RbxFontList::~RbxFontList() {
    for (std::thread& t : prefetchThreads_)
        if (t.joinable()) t.join();
}

void RbxFontList::fontNotification() {
    observedGeneration_ = backend().generation();
    // A burst of changes gives one check, 0.1 s after the last.
    fontChangeTimer_.start();
}

void RbxFontList::reload(const QString& reason) {
    rbx::FontBackend& backend = this->backend();
    reloadedOnce_ = true;
    fontGeneration_ = backend.generation();
    observedGeneration_ = fontGeneration_;

    QHash<QString, QList<rbx::FaceInfo>> byFamily;
    QStringList order;
    for (const rbx::FaceInfo& f : backend.faces()) {
        auto it = byFamily.find(f.family);
        if (it == byFamily.end()) {
            order.append(f.family);
            it = byFamily.insert(f.family, {});
        }
        it->append(f);
    }
    QList<FamilyPtr> families;
    for (const QString& name : order) {
        auto family = std::make_shared<RbxFontFamily>(name, byFamily.value(name));
        if (name.isEmpty() || family->numberOfValidMembers() == 0) {
            kx::log(QStringLiteral("ignoring font family \"%1\", as it does not contain usable fonts").arg(name));
            continue;
        }
        families.append(family);
    }
    std::stable_sort(families.begin(), families.end(),
                     [](const FamilyPtr& a, const FamilyPtr& b) { return a->compare(*b) < 0; });
    fontFamilies_ = families;
    loadCollections();
    allFontFamilies_ = families;
    availableCharactersInAllFonts_.reset();
    collectionFaces_.clear();
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        prefetchFaces_ = backend.faces();
    }

    fontChangeLog_.append(QStringLiteral("%1 generation %2 (%3), %4 fonts in %5 families, %6 collections")
                              .arg(QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat))
                              .arg(fontGeneration_)
                              .arg(reason)
                              .arg(totalFontCount())
                              .arg(allFontFamilies_.size())
                              .arg(fontCollectionNames_.size()));
    while (fontChangeLog_.size() > MaxChangeLogLines) fontChangeLog_.removeFirst();
}

bool RbxFontList::fontsChanged() {
    rbx::FontBackend& backend = this->backend();
    if (backend.generation() != fontGeneration_) {
        const QSet<QString> fonts = rbx::font::availableFontSet();
        if (rememberedFontSet_ && *rememberedFontSet_ == fonts) {
            fontGeneration_ = backend.generation();
        } else {
            rememberedFontSet_ = fonts;
            return true;
        }
    }
    return !haveCollections_ || currentCollectionNames() != fontCollectionsOriginal_;
}

QString RbxFontList::fontNameAtIndex(int index) const {
    const FamilyPtr f = fontFamilyAtIndex(index);
    return f ? f->name() : QString();
}

RbxFontList::FamilyPtr RbxFontList::fontFamilyAtIndex(int index) const {
    if (index < 0 || index >= fontFamilies_.size()) return nullptr;
    return fontFamilies_.at(index);
}

rbx::Font RbxFontList::primaryFontAtIndex(int index) const {
    const FamilyPtr f = fontFamilyAtIndex(index);
    if (f && f->numberOfValidMembers() > 0)
        if (rbx::Font regular = f->regularFont()) return regular;
    return RbxFontFamily::systemFont();
}

QList<rbx::Font> RbxFontList::allFonts() const {
    QList<rbx::Font> fonts;
    for (const FamilyPtr& f : allFontFamilies_) fonts.append(f->members());
    return fonts;
}

int RbxFontList::totalFontCount() const {
    int n = 0;
    // Counted by the members' styles: no member's font is made for the count.
    for (const FamilyPtr& f : allFontFamilies_) n += static_cast<int>(f->typefaces().size());
    return n;
}

QList<RbxFontList::FamilyPtr> RbxFontList::fontFamiliesContainingCharacter(char32_t c) const {
    QList<FamilyPtr> families;
    for (const FamilyPtr& f : allFontFamilies_)
        if (f->anyMemberContainsCharacter(c)) families.append(f);
    return families;
}

RbxFontList::FamilyPtr RbxFontList::familyNamed(const QString& name) const {
    for (const FamilyPtr& f : allFontFamilies_)
        if (f->name() == name) return f;
    return nullptr;
}
