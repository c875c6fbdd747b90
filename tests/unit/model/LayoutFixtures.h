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
#include "model/RbxModelHooks.h"
#include "model/RbxNameFilter.h"
#include "model/RbxRecentLayout.h"

#include <QDir>
#include <optional>
#include <QFile>
#include <gtest/gtest.h>

namespace layouttest {

// Flags only: the pair of regional indicators i, j is U+A0000 + 26 i + j.
inline char32_t flagValue(const QString& text) {
    const QList<uint> cps = text.toUcs4();
    if (cps.size() != 2) return 0;
    const uint a = cps[0] - 0x1F1E6, b = cps[1] - 0x1F1E6;
    if (a >= 26 || b >= 26) return 0;
    return 0xA0000 + 26 * a + b;
}

inline QString flagText(char32_t v) {
    const char32_t cps[2] = {0x1F1E6 + (v - 0xA0000) / 26, 0x1F1E6 + (v - 0xA0000) % 26};
    return QString::fromUcs4(cps, 2);
}

// Hooks that know the flags, as the emoji code answers for them.
inline void installFlagHooks() {
    RbxModelHooks& h = RbxModelHooks::shared();
    h.virtualEmojiCharacterForString = flagValue;
    h.stringWithUTF32Character = [](char32_t c) {
        if (c >= 0xA0000 && c <= 0xA02A3) return flagText(c);
        return QString::fromUcs4(&c, 1);
    };
    h.stringByReplacingSequencesWithVirtualCharacters = [](const QString& text) {
        QString out;
        const QList<uint> cps = text.toUcs4();
        for (qsizetype i = 0; i < cps.size(); ++i) {
            if (i + 1 < cps.size()) {
                const char32_t pair[2] = {cps[i], cps[i + 1]};
                if (const char32_t v = flagValue(QString::fromUcs4(pair, 2))) {
                    out += QStringLiteral("$%1 ").arg(v, 0, 16).toUpper();
                    ++i;
                    continue;
                }
            }
            const char32_t c = cps[i];
            out += QString::fromUcs4(&c, 1);
        }
        return out;
    };
}

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
        RbxModelHooks::shared() = RbxModelHooks();
        RbxLayout::resetForTesting();
        RbxFavGroupDescription::resetForTesting();
        RbxRecentLayout::resetForTesting();
        RbxNameFilter::resetForTesting();
    }
    void TearDown() override {
        RbxModelHooks::shared() = RbxModelHooks();
        RbxNameFilter::resetForTesting();
    }

    static RbxDefaults& settings() { return RbxDefaults::userDefaults(); }
    static void setView(int view) { settings().setInteger(view, QStringLiteral("view")); }

private:
    std::optional<rbxtest::ScopedInstance<RbxDefaults>> store_;
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
