#include "platform/fonts/FontconfigBackend.h"

#include "platform/fonts/FontconfigShortcuts.h"

#include <fontconfig/fontconfig.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace rbx {

namespace {

QString patternString(FcPattern* p, const char* object) {
    FcChar8* s = nullptr;
    if (FcPatternGetString(p, object, 0, &s) == FcResultMatch && s)
        return QString::fromUtf8(reinterpret_cast<const char*>(s));
    return QString();
}

// Outline formats that carry the SFNT tables the model reads come first.
int formatRank(const QString& format) {
    if (format == QLatin1String("TrueType") || format == QLatin1String("CFF")) return 0;
    return 1;
}

QStringList userFontFolders() {
    QStringList dirs;
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (!data.isEmpty()) dirs << data + QStringLiteral("/fonts");
    else dirs << QDir::homePath() + QStringLiteral("/.local/share/fonts");
    dirs << QDir::homePath() + QStringLiteral("/.fonts");
    return dirs;
}

// Weight, slant, pitch, colour and coverage as fontconfig's cache records them.
void describe(FcPattern* p, FaceInfo& info) {
    double weight = 0;
    if (FcPatternGetDouble(p, FC_WEIGHT, 0, &weight) == FcResultMatch)
        info.weight = int(FcWeightToOpenTypeDouble(weight));
    int value = 0;
    if (FcPatternGetInteger(p, FC_SLANT, 0, &value) == FcResultMatch) info.italic = value != FC_SLANT_ROMAN;
    if (FcPatternGetInteger(p, FC_SPACING, 0, &value) == FcResultMatch)
        info.fixedPitch = value == FC_MONO || value == FC_CHARCELL;
    FcBool color = FcFalse;
    if (FcPatternGetBool(p, FC_COLOR, 0, &color) == FcResultMatch) info.color = color;
    FcCharSet* characters = nullptr;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &characters) == FcResultMatch && characters)
        info.coverage = std::make_shared<const FaceCoverage>(p);
}

// The PostScript names of the set's faces, in its order; the set is destroyed.
QStringList takePostScriptNames(FcFontSet* set) {
    QStringList names;
    if (!set) return names;
    for (int i = 0; i < set->nfont; ++i) {
        const QString n = patternString(set->fonts[i], FC_POSTSCRIPT_NAME);
        if (!n.isEmpty()) names << n;
    }
    FcFontSetDestroy(set);
    return names;
}

} // namespace

FontconfigBackend::FontconfigBackend() {
    FcInit();
    prepareFontconfigShortcuts();
    debounce_.setSingleShot(true);
    debounce_.setInterval(100);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { debounce_.start(); });
    connect(&debounce_, &QTimer::timeout, this, [this] { checkForChanges(); });
    snapshot_ = folderSnapshot();
    rearmWatch();
}

FontconfigBackend::~FontconfigBackend() = default;

QStringList FontconfigBackend::watchedFolders() const {
    QStringList dirs;
    if (FcStrList* list = FcConfigGetFontDirs(nullptr)) {
        while (FcChar8* dir = FcStrListNext(list)) dirs << QString::fromUtf8(reinterpret_cast<const char*>(dir));
        FcStrListDone(list);
    }
    // User folders may not exist yet: watch the nearest folder that does.
    for (QString d : userFontFolders()) {
        while (!d.isEmpty() && !QFileInfo(d).isDir()) {
            const QString up = QFileInfo(d).absolutePath();
            if (up == d) break;
            d = up;
        }
        if (!d.isEmpty()) dirs << d;
    }
    dirs.removeDuplicates();
    dirs.erase(std::remove_if(dirs.begin(), dirs.end(), [](const QString& d) { return !QFileInfo(d).isDir(); }),
               dirs.end());
    return dirs;
}

QMap<QString, qint64> FontconfigBackend::folderSnapshot() const {
    QMap<QString, qint64> snap;
    for (const QString& d : watchedFolders())
        snap.insert(d, QFileInfo(d).lastModified().toMSecsSinceEpoch());
    for (const QString& d : userFontFolders()) {
        QFileInfo fi(d);
        snap.insert(d, fi.exists() ? fi.lastModified().toMSecsSinceEpoch() : -1);
    }
    return snap;
}

void FontconfigBackend::rearmWatch() {
    const QStringList old = watcher_.directories();
    if (!old.isEmpty()) watcher_.removePaths(old);
    const QStringList dirs = watchedFolders();
    if (!dirs.isEmpty()) watcher_.addPaths(dirs);
}

void FontconfigBackend::addApplicationFonts() {
    for (const Container& c : containers_)
        FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(QFile::encodeName(c.path).constData()));
}

void FontconfigBackend::fontsMoved() {
    generation_ = newGeneration();
    facesLoaded_ = false;
    singleLookups_ = 0;
    clearFaceCache();
}

bool FontconfigBackend::checkForChanges() {
    const QMap<QString, qint64> snap = folderSnapshot();
    if (snap == snapshot_ && FcConfigUptoDate(nullptr)) return false;
    FcInitReinitialize();
    addApplicationFonts();
    snapshot_ = folderSnapshot();
    rearmWatch();
    fontsMoved();
    emit fontsChanged();
    return true;
}

namespace {

// Every face fontconfig knows, the installed ones and the files activated here, as its
// cache holds them: nothing is copied or matched to go through them.
template <typename Visit>
void forEachEntry(Visit&& visit) {
    for (const FcSetName which : {FcSetSystem, FcSetApplication}) {
        const FcFontSet* set = FcConfigGetFonts(nullptr, which);
        for (int i = 0; set && i < set->nfont; ++i) visit(set->fonts[i]);
    }
}

// The faces fontconfig knows, one per PostScript name: of two files with the same name,
// the one in an outline format the model reads, then the first by path. `only`, when
// given, keeps that name alone.
QList<FaceInfo> bestFaces(const QString& only = QString()) {
    // Everything is read from fontconfig's cache: no face is opened to list the fonts.
    const QByteArray onlyName = only.toUtf8();
    QList<FaceInfo> faces;
    QList<int> ranks;
    QHash<QString, qsizetype> byName;
    if (only.isNull()) {
        qsizetype n = 0;
        forEachEntry([&n](FcPattern*) { ++n; });
        faces.reserve(n);
        ranks.reserve(n);
        byName.reserve(n);
    }
    forEachEntry([&](FcPattern* p) {
        FcChar8* psName = nullptr;
        if (FcPatternGetString(p, FC_POSTSCRIPT_NAME, 0, &psName) != FcResultMatch || !psName || !*psName) return;
        if (!only.isNull() && onlyName != reinterpret_cast<const char*>(psName)) return;
        FaceInfo info;
        info.postScriptName = QString::fromUtf8(reinterpret_cast<const char*>(psName));
        info.file = patternString(p, FC_FILE);
        if (info.file.isEmpty()) return;
        const int rank = formatRank(patternString(p, FC_FONTFORMAT));
        const auto known = byName.constFind(info.postScriptName);
        if (known != byName.constEnd() &&
            (rank > ranks.at(*known) || (rank == ranks.at(*known) && info.file >= faces.at(*known).file)))
            return;
        info.family = patternString(p, FC_FAMILY);
        info.style = patternString(p, FC_STYLE);
        info.setFullName(patternString(p, FC_FULLNAME));
        int index = 0;
        if (FcPatternGetInteger(p, FC_INDEX, 0, &index) == FcResultMatch) info.index = index;
        describe(p, info);
        if (known != byName.constEnd()) {
            faces[*known] = std::move(info);
            ranks[*known] = rank;
        } else {
            byName.insert(info.postScriptName, faces.size());
            faces.append(std::move(info));
            ranks.append(rank);
        }
    });
    return faces;
}

} // namespace

void FontconfigBackend::loadFaces() {
    facesLoaded_ = true;
    faces_.clear();
    byName_.clear();
    faces_ = bestFaces();
    std::sort(faces_.begin(), faces_.end(),
              [](const FaceInfo& a, const FaceInfo& b) { return a.postScriptName < b.postScriptName; });
    // The faces of a family share its name, most faces one of a few style names, and
    // the faces of a collection file its path: each such text is kept once.
    QSet<QString> texts;
    const auto keepOnce = [&texts](QString& s) {
        const auto it = texts.constFind(s);
        if (it != texts.constEnd()) s = *it;
        else texts.insert(s);
    };
    for (FaceInfo& info : faces_) {
        keepOnce(info.family);
        keepOnce(info.style);
        keepOnce(info.file);
    }
    byName_.reserve(faces_.size());
    for (qsizetype i = 0; i < faces_.size(); ++i) byName_.insert(faces_.at(i).postScriptName, int(i));
}

QList<FaceInfo> FontconfigBackend::faces() {
    if (!facesLoaded_) loadFaces();
    return faces_;
}

std::optional<FaceInfo> FontconfigBackend::faceInfo(const QString& postScriptName) {
    if (postScriptName.isEmpty()) return std::nullopt;
    if (!facesLoaded_ && singleLookups_ < MaxSingleLookups) {
        // A few names are asked of fontconfig one by one: the palette's first fonts do not
        // wait for the whole list (each asking reads every face's entry, so more askings
        // make the list).
        ++singleLookups_;
        const QList<FaceInfo> found = bestFaces(postScriptName);
        if (found.isEmpty()) return std::nullopt;
        return found.first();
    }
    if (!facesLoaded_) loadFaces();
    auto it = byName_.constFind(postScriptName);
    if (it == byName_.constEnd()) return std::nullopt;
    // Read without detaching: the list handed out by faces() may still be alive.
    return faces_.at(it.value());
}

int FontconfigBackend::activateFile(const QString& path) {
    const QList<FaceInfo> infos = faceInfosOfFile(path);
    if (infos.isEmpty()) return 0;
    if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(QFile::encodeName(path).constData())))
        return 0;
    const int id = nextContainer_++;
    containers_ << Container{id, path, infos};
    fontsMoved();
    emit fontFileActivated(path);
    QMetaObject::invokeMethod(this, &FontBackend::fontsChanged, Qt::QueuedConnection);
    return id;
}

QList<FaceInfo> FontconfigBackend::facesOfContainer(int container) const {
    for (const Container& c : containers_)
        if (c.id == container) return c.faces;
    return {};
}

void FontconfigBackend::deactivate(int container) {
    const auto n = containers_.size();
    containers_.erase(std::remove_if(containers_.begin(), containers_.end(),
                                     [&](const Container& c) { return c.id == container; }),
                      containers_.end());
    if (containers_.size() == n) return;
    FcConfigAppFontClear(nullptr);
    addApplicationFonts();
    fontsMoved();
    QMetaObject::invokeMethod(this, &FontBackend::fontsChanged, Qt::QueuedConnection);
}

QStringList FontconfigBackend::substitutionOrder(const FaceInfo& face) {
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(face.family.toUtf8().constData()));
    FcPatternAddDouble(pat, FC_WEIGHT, FcWeightFromOpenTypeDouble(face.weight));
    FcPatternAddInteger(pat, FC_SLANT, face.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result = FcResultNoMatch;
    // Sorted from fontconfig's cache: no face is opened.
    FcFontSet* set = FcFontSort(nullptr, pat, FcFalse, nullptr, &result);
    QStringList names = takePostScriptNames(set);
    FcPatternDestroy(pat);
    return names;
}

QString FontconfigBackend::defaultColorEmojiFontName() {
    if (colorEmojiGeneration_ == generation_) return colorEmoji_;
    colorEmojiGeneration_ = generation_;
    colorEmoji_.clear();
    FcPattern* pat = FcPatternCreate();
    FcPatternAddBool(pat, FC_COLOR, FcTrue);
    FcCharSet* cs = FcCharSetCreate();
    FcCharSetAddChar(cs, 0x1F600);
    FcPatternAddCharSet(pat, FC_CHARSET, cs);
    FcObjectSet* os = FcObjectSetBuild(FC_POSTSCRIPT_NAME, nullptr);
    FcFontSet* set = FcFontList(nullptr, pat, os);
    QStringList names = takePostScriptNames(set);
    FcObjectSetDestroy(os);
    FcCharSetDestroy(cs);
    FcPatternDestroy(pat);
    names.sort();
    if (!names.isEmpty()) colorEmoji_ = names.first();
    return colorEmoji_;
}

} // namespace rbx
