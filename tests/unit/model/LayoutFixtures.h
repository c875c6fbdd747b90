#pragma once
// Fresh state for the tests of layouts, favourites, recent characters and the search:
// a settings store of its own, an empty "Layouts" folder, and no filter, layouts,
// favourites or recent ligatures left over from an earlier test. The bundle is the
// source tree's resources/ folder.

#include "common/ScopedInstance.h"
#include "kxlib/RbxDefaults.h"
#include "core/KXAppSupport.h"
#include "model/RbxCharGroup.h"
#include "model/RbxCharacterName.h"
#include "model/RbxFavGroupDescription.h"
#include "model/RbxFontRepertoire.h"
#include "model/RbxLayout.h"
#include "model/RbxEmoji.h"
#include "model/RbxLayoutRegistry.h"
#include "model/RbxLayoutWindow.h"
#include "model/RbxNameFilter.h"
#include "model/RbxRecentLayout.h"
#include "model/RbxSelectedFont.h"

#include <QDir>
#include <optional>
#include <QFile>
#include <gtest/gtest.h>

namespace layouttest {

// The value the emoji model gives a flag's pair of regional indicators.
inline char32_t flagValue(const QString& text) { return RbxEmoji::virtualEmojiCharacterForString(text); }

// The palette as layouts, favourites, recent characters and the search see it: the
// selected font is the test's, and the layout registry's calls are counted.
class FakePalette : public RbxSelectedFont, public RbxLayoutWindow {
public:
    RbxFontRepertoire* selectedFontRepertoire() override { return font; }
    void layoutsChanged() override { ++layoutsChanges; }
    void switchToLayoutForCurrentFont() override { ++layoutSwitches; }
    QStringList sampleTextTitles() override { return titles; }

    RbxFontRepertoire* font = nullptr;
    int layoutsChanges = 0;
    int layoutSwitches = 0;
    QStringList titles;
};

inline QString layoutsFolder() { return KXAppSupport::makeSupportSubfolder(QStringLiteral("Layouts")); }

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        store_.emplace(RbxDefaults::open(QStringLiteral("test.layouts%1").arg(++counter)));
        QDir(layoutsFolder()).removeRecursively();
        registry_.emplace(std::make_unique<RbxLayoutRegistry>(nullptr, &palette, &palette));
        favorites_.emplace();
        recents_.emplace();
        filter_.emplace(std::make_unique<RbxNameFilterState>(&palette));
    }
    void TearDown() override {
        filter_.reset();
        recents_.reset();
        favorites_.reset();
        registry_.reset();
        store_.reset();
    }

    static RbxDefaults& settings() { return RbxDefaults::userDefaults(); }
    static void setView(int view) { settings().setInteger(view, QStringLiteral("view")); }
    // The layouts as a later process finds them: everything read again.
    void restartLayouts() {
        registry_.reset();
        registry_.emplace(std::make_unique<RbxLayoutRegistry>(nullptr, &palette, &palette));
    }

    FakePalette palette;

private:
    std::optional<rbxtest::ScopedInstance<RbxDefaults>> store_;
    std::optional<rbxtest::ScopedInstance<RbxLayoutRegistry>> registry_;
    std::optional<rbxtest::ScopedInstance<RbxFavGroupDescription>> favorites_;
    std::optional<rbxtest::ScopedInstance<RbxRecentLayout>> recents_;
    std::optional<rbxtest::ScopedInstance<RbxNameFilterState>> filter_;
};

// The characters of a group list, group by group.
inline std::vector<std::vector<char32_t>> charactersOf(const RbxCharGroupList& groups) {
    std::vector<std::vector<char32_t>> out;
    for (const auto& g : groups) out.push_back(g->characters());
    return out;
}

inline std::vector<char32_t> range(char32_t from, char32_t to) {
    std::vector<char32_t> v;
    for (char32_t c = from; c <= to; ++c) v.push_back(c);
    return v;
}

} // namespace layouttest
