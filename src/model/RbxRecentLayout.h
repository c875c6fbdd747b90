#pragma once
// The recently used characters, and the layout that shows them as its one group.
//
// Each recorded use takes the next value of the use counter ("useCount") as its stamp.
// Three lists are kept, each newest first:
//   the global list ("global recent characters", at most 300): ordinary characters;
//   per font family ("font recent characters", at most 50 each): private-use characters;
//   "recent ligatures" (at most 200): ligatures by their text, {"string", "timeStamp"}.
// recentCharactersForFontInfo merges the three by stamp.

#include "model/RbxLayout.h"

#include <QString>
#include <QVariantList>
#include <memory>
#include <optional>
#include <vector>

class RbxDefaults;

class RbxRecentLayout : public RbxLayout {
public:
    static constexpr int MaxGlobalRecents = 300;
    static constexpr int MaxFamilyRecents = 50;
    static constexpr int MaxRecentLigatures = 200;

    struct Entry {
        char32_t character = 0;
        std::int32_t stamp = 0;
        bool operator==(const Entry&) const = default;
    };

    // The layout of the process (kx::ProcessWide<RbxRecentLayout>): installed by the
    // composition root, else made on first use over the process's settings store.
    static std::shared_ptr<RbxRecentLayout> recentLayout();
    static std::shared_ptr<RbxRecentLayout> currentRecentLayout() { return recentLayout(); }
    static std::shared_ptr<RbxRecentLayout> makeDefault();

    // Over `settings` (the process's store at each use when null), which must outlive
    // the layout. The recent ligatures are read on first need.
    explicit RbxRecentLayout(RbxDefaults* store) : RbxLayout(QStringLiteral("Recent Characters")), settings_(store) {}

    bool isRecentLayout() const override { return true; }
    RbxColor backgroundColor() const override { return {1.0, 1.0, 0.92}; }

    // Records a use of c with the font (which decides where a private-use character or
    // a ligature goes); the use counter advances in every case.
    void addRecentCharacter(char32_t c, RbxFontRepertoire* font);
    void removeRecentCharacter(char32_t c, RbxFontRepertoire* font);

    // The recent characters the font has, newest first; none when no recent entries
    // exist at all.
    std::optional<std::vector<char32_t>> recentCharactersForFontInfo(RbxFontRepertoire* info);

    // The recent ligatures: {"string": text, "timeStamp": number}, newest first.
    const QVariantList& recentLigatures();
    // Those the font has, as their values with their stamps.
    std::vector<Entry> recentLigaturesForFontInfo(RbxFontRepertoire* info);
    void addLigatureToRecent(const QString& text, std::int32_t stamp);
    void removeLigatureFromRecent(const QString& text);
    void saveRecentLigatures();

    RbxCharGroupList groupsForFontInfo(RbxFontRepertoire* info) override;

private:
    RbxDefaults& settings() const;

    RbxDefaults* const settings_;
    std::optional<QVariantList> ligatures_;
};
