#pragma once
// The one list of installed font families that the palette offers: the families with
// their faces, the font collections, the selected family and face, the recently used
// families, name filters and type-select for the font list table, the union of the
// characters of all fonts and the set of defined Unicode characters.
//
// The list listens to the font backend's change signal and, 0.1 s after the last
// change of a burst, emits fontChangeNoticed("notification"): the window controller
// then asks fontsChanged() and reloads. Main thread only, except
// prefetchCollections().

#include "core/CharSet.h"
#include "model/RbxFontFamily.h"
#include "platform/fonts/Font.h"
#include "platform/fonts/FontBackend.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class RbxDefaults;
class RbxDebugSwitch;
class RbxPopUpModel;

class RbxFontList : public QObject {
    Q_OBJECT
public:
    using FamilyPtr = std::shared_ptr<RbxFontFamily>;

    // The collection of all fonts, always the first of fontCollectionNames().
    static QString allFontsCollection() { return QStringLiteral("com.apple.AllFonts"); }
    // The families covering the user's language.
    static QString userFontsCollection() { return QStringLiteral("com.apple.UserFonts"); }
    static QString fixedWidthCollection() { return QStringLiteral("Fixed Width"); }
    static QString colorCollection() { return QStringLiteral("Color"); }

    static constexpr int MaxRecentFamilies = 100;
    static constexpr int MaxChangeLogLines = 10;
    static constexpr int FontChangeDelayMs = 100;

    // The list of the process (kx::ProcessWide<RbxFontList>): the one the composition
    // root installed, else one made without services on first use; reloaded with the
    // reason "init" on its first use.
    static RbxFontList& fontList();
    static std::unique_ptr<RbxFontList> makeDefault();

    // A list over the font backend and the settings store (each the process's at each
    // use when null); when the debugging switch is on, selectFont() logs the font. The
    // list waits prefetchDelayMs before prefetching collections. The services must
    // outlive the list. Nothing is loaded until reload().
    explicit RbxFontList(rbx::FontBackend* backend = nullptr, RbxDefaults* settings = nullptr,
                         const RbxDebugSwitch* debugging = nullptr, int prefetchDelayMs = 3000);
    ~RbxFontList() override;

    // ---- families -------------------------------------------------------------------

    void reload(const QString& reason);
    // Whether the list was loaded (fontList() loads it on first use).
    bool isLoaded() const { return reloadedOnce_; }
    // Whether the installed fonts or the collections changed since the last reload.
    bool fontsChanged();
    // The last reload lines, oldest first.
    QStringList fontChangeLog() const { return fontChangeLog_; }
    quint64 fontGeneration() const { return fontGeneration_; }

    const QList<FamilyPtr>& fontFamilies() const { return fontFamilies_; }
    const QList<FamilyPtr>& allFontFamilies() const { return allFontFamilies_; }
    int count() const { return static_cast<int>(fontFamilies_.size()); }
    QString fontNameAtIndex(int index) const;
    FamilyPtr fontFamilyAtIndex(int index) const;
    // The family's regular member (the system font for a family without members or a
    // row out of range).
    rbx::Font primaryFontAtIndex(int index) const;
    // Every member of every family.
    QList<rbx::Font> allFonts() const;
    int totalFontCount() const;
    int totalFamilyCount() const { return static_cast<int>(allFontFamilies_.size()); }
    // All families (whatever the filter) with a member covering c.
    QList<FamilyPtr> fontFamiliesContainingCharacter(char32_t c) const;
    // The family of that name among all families, or null.
    FamilyPtr familyNamed(const QString& name) const;

    // ---- collections ------------------------------------------------------------------

    // The offered names: "com.apple.AllFonts" first.
    QStringList fontCollectionNames() const { return fontCollectionNames_; }
    QStringList fontCollectionsOriginal() const { return fontCollectionsOriginal_; }
    // The faces of a collection (all faces for "com.apple.AllFonts"); empty for an
    // unknown name.
    QList<rbx::FaceInfo> fontDescriptorsInCollection(const QString& name);
    // The family names of a collection's faces.
    QSet<QString> familyNamesInCollection(const QString& name);
    // The title a pop-up shows for a collection name.
    static QString titleOfCollection(const QString& name);
    // The language whose fonts form "com.apple.UserFonts" ("en" for the C locale).
    static QString userLanguage();

    // Loads the faces of the named collections so that later use finds them open; runs
    // on a background thread and keeps nothing. A second prefetch while one runs does
    // nothing; a font change during the first 3 s, or during the walk, stops it.
    void prefetchCollections(const QStringList& names);
    // Starts prefetchCollections() with the collection names on a thread of its own.
    void startPrefetchingCollections();

    // ---- filters ----------------------------------------------------------------------

    // The words of the filter are its parts between single blanks; a family matches when
    // every word occurs in its name, ignoring case and diacritics. "LIGA" keeps only
    // families whose first member has ligatures.
    void filterFamiliesMatchingName(const QString& filter, const std::optional<QSet<QString>>& inSet = std::nullopt);
    void filterRecentFamiliesMatchingName(const QString& filter);
    void filterFontsMatchingName(const QString& filter, char32_t markedCharacter);
    // From row `from` on, wrapping round, the first family whose name begins with the
    // text (ignoring case), stopping at row `to`; -1 when none.
    int typeSelectMatchFromRow(int from, int to, const QString& text) const;

    // ---- characters -------------------------------------------------------------------

    // The union of all fonts' characters (fonts named with a leading "." skipped),
    // computed after each reload on first request.
    const kx::CharSet& availableCharactersInAllFonts();
    // Every defined Unicode character: the bundle's, unless set in their place.
    const kx::CharSet& definedUnicodeCharacters();
    void setDefinedUnicodeCharacters(const kx::CharSet& set);
    // The pairs of a "UnicodeCharacters.txt" array as a set (logged when the count is 0
    // or odd; complete pairs still count).
    static kx::CharSet definedCharactersFromList(const QVariantList& numbers);
    // The bundle's "UnicodeCharacters.txt", read once for the process (from any thread).
    static const kx::CharSet& bundleDefinedUnicodeCharacters();
    // The code points Unicode assigns: the defined characters with the controls and the
    // private-use ranges; none when the defined set is empty (its file is missing).
    static std::optional<kx::CharSet> assignedCodePoints(const kx::CharSet& defined);

    // ---- selection --------------------------------------------------------------------

    int selectedFamilyIndex() const { return selectedFamilyIndex_; }
    int selectedFaceIndex() const { return selectedFaceIndex_; }
    FamilyPtr selectedFamily() const;
    rbx::Font selectedFont() const;
    void selectFont(const rbx::Font& font);
    void selectFamilyAtIndex(int index);
    void selectFaceAtIndex(int index);
    // The family name the list files a font under.
    static QString familyNameOfFont(const rbx::Font& font);

    // Moves the selected font's family to the front of the recent families.
    void markSelectedFontAsUsed();
    const QStringList& recentFonts() const { return recentFonts_; }
    bool automaticSuccess() const { return automaticSuccess_; }
    void setAutomaticSuccess(bool on) { automaticSuccess_ = on; }

    // Fills the recent-fonts pop-up: the selected font, "Automatic" when font detection
    // is enabled, up to 10 recent fonts, and "Toggle Font Detection".
    void updateRecentFontsPopUp(RbxPopUpModel& popUp);

signals:
    // 0.1 s after the last font change of a burst, with the reason "notification".
    void fontChangeNoticed(const QString& reason);

private:
    rbx::FontBackend& backend() const;
    RbxDefaults& settings() const;
    bool debugging() const;
    void loadCollections();
    QStringList currentCollectionNames() const;
    void rememberSelectedFontName();
    void storeRecentFonts();
    void fontNotification();
    using FaceOpener = std::function<std::shared_ptr<const rbx::FontFace>(const rbx::FaceInfo&)>;
    static QList<rbx::FaceInfo> facesOfCollection(const QString& name, const QList<rbx::FaceInfo>& faces,
                                                  const FaceOpener& open, const std::function<bool()>& keepGoing);

    QList<FamilyPtr> fontFamilies_;
    QList<FamilyPtr> allFontFamilies_;
    quint64 fontGeneration_ = 0;
    bool reloadedOnce_ = false;
    int selectedFamilyIndex_ = -1;
    int selectedFaceIndex_ = -1;
    QString selectedFontName_;
    rbx::Font invisibleSelectedFont_;
    QStringList recentFonts_;
    bool automaticSuccess_ = false;
    std::optional<kx::CharSet> availableCharactersInAllFonts_;
    std::optional<kx::CharSet> definedUnicodeCharacters_;
    QStringList fontCollectionsOriginal_;
    QStringList fontCollectionNames_;
    bool haveCollections_ = false;
    QStringList fontChangeLog_;
    std::optional<QSet<QString>> rememberedFontSet_;
    QHash<QString, QList<rbx::FaceInfo>> collectionFaces_;
    quint64 collectionGeneration_ = 0;
    QTimer fontChangeTimer_;

    // Shared with the prefetch thread.
    std::recursive_mutex lock_;
    int runningPrefetches_ = 0;
    std::atomic<quint64> observedGeneration_{0};
    QList<rbx::FaceInfo> prefetchFaces_;
    rbx::FontBackend* const backend_;
    RbxDefaults* const settings_;
    const RbxDebugSwitch* const debugging_;
    const int prefetchDelayMs_;
    std::vector<std::thread> prefetchThreads_;
};
