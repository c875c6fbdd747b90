// Font collections. The desktop has no collection service: the list offers all fonts
// and collections of its own, made from what the faces say about themselves: the
// families covering the user's language, fixed-width fonts and colour fonts.

#include "model/RbxFontList.h"

#include "core/FoundationValues.h"
#include "core/Log.h"
#include "model/FontExtensions.h"
#include "kxlib/RbxDefaults.h"
#include "platform/fonts/DesktopFonts.h"

#include <QLocale>
#include <QThread>
#include <chrono>

namespace {

const kx::CharSet& userOrthography() {
    static const kx::CharSet orthography = rbx::orthographyOfLanguage(RbxFontList::userLanguage());
    return orthography;
}

} // namespace

QString RbxFontList::userLanguage() {
    const QString name = QLocale::system().name();
    const QString language = name.section(u'_', 0, 0);
    if (language.isEmpty() || language == QLatin1String("C") || language == QLatin1String("POSIX")) return QStringLiteral("en");
    return language;
}

QString RbxFontList::titleOfCollection(const QString& name) {
    if (name == allFontsCollection()) return QStringLiteral("All Fonts");
    if (name == userFontsCollection()) {
        const QLocale locale(userLanguage());
        QString title = locale.nativeLanguageName();
        if (title.isEmpty()) title = userLanguage();
        if (!title.isEmpty()) title[0] = title.at(0).toUpper();
        return title;
    }
    return name;
}

QStringList RbxFontList::currentCollectionNames() const {
    QStringList names{allFontsCollection()};
    if (!userOrthography().isEmpty()) names.append(userFontsCollection());
    names.append(fixedWidthCollection());
    names.append(colorCollection());
    return names;
}

void RbxFontList::loadCollections() {
    fontCollectionsOriginal_ = currentCollectionNames();
    haveCollections_ = true;
    if (RbxDefaults::userDefaults().boolForKey(rbx::key::collLog))
        kx::log(QStringLiteral("Collections: %1").arg(kx::ns::description(QVariant(fontCollectionsOriginal_))));
    fontCollectionNames_ = fontCollectionsOriginal_;
    if (fontCollectionNames_.isEmpty()) fontCollectionNames_.append(allFontsCollection());
    else if (fontCollectionNames_.first() != allFontsCollection()) fontCollectionNames_[0] = allFontsCollection();
}

QList<rbx::FaceInfo> RbxFontList::facesOfCollection(const QString& name, const QList<rbx::FaceInfo>& faces,
                                                    const FaceOpener& open, const std::function<bool()>& keepGoing) {
    if (name == allFontsCollection()) return faces;
    // What the font index records decides; only a face it has no coverage of is read.
    std::function<bool(const rbx::FaceInfo&)> member;
    if (name == userFontsCollection()) {
        const kx::CharSet& orthography = userOrthography();
        if (orthography.isEmpty()) return {};
        const QString language = userLanguage();
        member = [&orthography, &open, language](const rbx::FaceInfo& f) {
            if (f.coverage) return f.coverage->supportsLanguage(language);
            const std::shared_ptr<const rbx::FontFace> face = open(f);
            return face && orthography.minus(face->coveredCharacters()).isEmpty();
        };
    } else if (name == fixedWidthCollection()) {
        member = [](const rbx::FaceInfo& f) { return f.fixedPitch; };
    } else if (name == colorCollection()) {
        member = [](const rbx::FaceInfo& f) { return f.color; };
    } else {
        return {};
    }
    QList<rbx::FaceInfo> result;
    for (const rbx::FaceInfo& f : faces) {
        if (keepGoing && !keepGoing()) break;
        if (member(f)) result.append(f);
    }
    return result;
}

QList<rbx::FaceInfo> RbxFontList::fontDescriptorsInCollection(const QString& name) {
    rbx::FontBackend& backend = this->backend();
    if (collectionGeneration_ != backend.generation()) {
        collectionFaces_.clear();
        collectionGeneration_ = backend.generation();
    }
    auto it = collectionFaces_.constFind(name);
    if (it != collectionFaces_.constEnd()) return *it;
    const QList<rbx::FaceInfo> faces = facesOfCollection(
        name, backend.faces(), [&backend](const rbx::FaceInfo& f) { return backend.face(f.postScriptName); }, nullptr);
    collectionFaces_.insert(name, faces);
    return faces;
}

QSet<QString> RbxFontList::familyNamesInCollection(const QString& name) {
    QSet<QString> families;
    for (const rbx::FaceInfo& f : fontDescriptorsInCollection(name)) families.insert(f.family);
    return families;
}

void RbxFontList::prefetchCollections(const QStringList& names) {
    int before = 0;
    QList<rbx::FaceInfo> faces;
    {
        std::lock_guard<std::recursive_mutex> guard(lock_);
        before = runningPrefetches_++;
        faces = prefetchFaces_;
    }
    struct Release {
        RbxFontList* list;
        ~Release() {
            std::lock_guard<std::recursive_mutex> guard(list->lock_);
            --list->runningPrefetches_;
        }
    } release{this};
    if (before > 0) return;  // another prefetch is running
    try {
        const quint64 generation = observedGeneration_;
        QThread::msleep(static_cast<unsigned long>(prefetchDelayMs_));
        if (observedGeneration_ != generation) return;
        const bool log = RbxDefaults::userDefaults().boolForKey(rbx::key::collLog);
        if (log) kx::log(QStringLiteral("prefetching collections"));
        auto unchanged = [&] { return observedGeneration_ == generation; };
        // The backend's face cache belongs to the main thread: faces are opened from
        // their files here (which loads them into the system's file cache).
        const FaceOpener open = [](const rbx::FaceInfo& f) {
            return f.file.isEmpty() ? nullptr : rbx::FontFace::fromFile(f.file, f.index);
        };
        for (const QString& name : names) {
            if (!unchanged()) break;
            if (name == allFontsCollection()) continue;
            for (const rbx::FaceInfo& f : facesOfCollection(name, faces, open, unchanged)) {
                try {
                    const rbx::Font font(open(f), rbx::Font::DefaultSize);
                    if (font) (void)font.familyName();
                } catch (const std::exception& e) {
                    kx::log(QStringLiteral("Exception while prefetching %1: %2").arg(name, QString::fromUtf8(e.what())));
                }
            }
        }
        if (log) kx::log(QStringLiteral("prefetching collections done"));
    } catch (const std::exception& e) {
        kx::log(QStringLiteral("General prefetch exception: %1").arg(QString::fromUtf8(e.what())));
    }
}

void RbxFontList::startPrefetchingCollections() {
    const QStringList names = fontCollectionNames_;
    prefetchThreads_.erase(std::remove_if(prefetchThreads_.begin(), prefetchThreads_.end(),
                                          [](std::thread& t) { return !t.joinable(); }),
                           prefetchThreads_.end());
    prefetchThreads_.emplace_back([this, names] { prefetchCollections(names); });
}
