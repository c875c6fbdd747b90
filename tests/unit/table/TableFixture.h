#pragma once
// A table view on the offscreen platform over the fixture fonts: its own settings domain,
// a font backend that knows only the fixture fonts, and helpers to read pixels back.

#include "common/ScopedInstance.h"
#include "common/TestEnvironment.h"
#include "kxlib/RbxDefaults.h"
#include "common/FakeFontBackend.h"
#include "platform/fonts/FontFace.h"
#include "model/CharacterText.h"
#include "insertion/RbxClipboardCopies.h"
#include "table/widgets/RbxCharKeys.h"
#include "table/widgets/RbxCharSelection.h"
#include "table/widgets/RbxCharTracking.h"
#include "table/widgets/RbxCharView.h"
#include "table/widgets/RbxQtFonts.h"

#include <QApplication>
#include <QImage>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

// One virtual character standing for a text of several code points.
struct OneSequence : RbxVirtualCharacters {
    OneSequence(char32_t value, const QString& text) : value(value), text(text), parts(text.toUcs4()) {}
    bool isVirtualCharacter(char32_t c) const override { return c == value; }
    QString stringWithUTF32Character(char32_t c) const override {
        return c == value ? text : RbxVirtualCharacters::stringWithUTF32Character(c);
    }
    int numberOfParts(char32_t c) const override { return c == value ? int(parts.size()) : 1; }
    char32_t part(int i, char32_t c) const override { return c == value ? parts.value(i - 1) : c; }
    char32_t value;
    QString text;
    QList<uint> parts;
};

// Sets, clipboard and controller of a test, with what the test puts in them.
struct TestSources : RbxCharViewSources {
    std::optional<kx::CharSet> allFonts, emoji, modifiable, textOrEmoji, favorites;
    std::optional<std::vector<char32_t>> recent;
    int roman = 0;
    QString entity;
    // How often the table asked for the emoji that take a skin tone (costly to work out).
    int modifiableAsked = 0;
    const kx::CharSet* charactersInAllFonts() override { return allFonts ? &*allFonts : nullptr; }
    const kx::CharSet* colorEmojiCharacters() override { return emoji ? &*emoji : nullptr; }
    const kx::CharSet* modifiableEmojiCharacters() override {
        ++modifiableAsked;
        return modifiable ? &*modifiable : nullptr;
    }
    const kx::CharSet* textOrEmojiCharacters() override { return textOrEmoji ? &*textOrEmoji : nullptr; }
    const kx::CharSet* favoriteCharacters(const rbx::Font&) override { return favorites ? &*favorites : nullptr; }
    std::optional<std::vector<char32_t>> recentCharacters(const rbx::Font&) override { return recent; }
    rbx::Font emojiFont; // the colour emoji font (any size), none by default
    rbx::Font colorEmojiFont(double size) override { return emojiFont ? emojiFont.withPointSize(size) : rbx::Font(); }
    int romanForUnicode(const rbx::Font&, char32_t) override { return roman; }
    QString htmlEntityForCharacter(char32_t) override { return entity; }
};

struct RecordingClipboard : RbxTableClipboard {
    QStringList strings;
    QList<QPair<QString, QByteArray>> data;
    void publishString(const QString& s) override { strings << s; }
    void publishData(const QByteArray& d, const QString& type) override { data.append({type, d}); }
};

struct RecordingPosting : RbxCharacterPosting {
    QList<QPair<char32_t, QString>> posted;
    QList<rbx::Font> fonts;
    QStringList log;
    void postCharacter(char32_t c, const QString& s, const rbx::Font& font) override {
        posted.append({c, s});
        fonts.append(font);
    }
    const QStringList& insertionLog() const override { return log; }
};

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        store.emplace(RbxDefaults::open(QStringLiteral("test.table%1").arg(++counter)));
        auto backend = std::make_unique<rbx::FakeFontBackend>();
        for (const char* name : {"RbxAlpha-Regular.ttf", "RbxCmapTest-Regular.ttf", "RbxLigaFi-Regular.ttf"})
            backend->addFontFile(rbxtest::testData(QStringLiteral("fonts/") + QLatin1String(name)));
        fonts.emplace(std::move(backend));
        rbx::qt::resetCache();
        clipboard = std::make_shared<RecordingClipboard>();
        clipboardInstance.emplace(clipboard);
        sources = std::make_shared<TestSources>();
    }
    void TearDown() override {
        view.reset();
        clipboardInstance.reset();
        fonts.reset();
        rbx::qt::resetCache();
    }

    rbx::Font font(const char* name = "RbxAlpha-Regular") { return rbx::FontBackend::shared().font(QLatin1String(name), 12); }

    // A group of characters with the font's characters as its native ones.
    std::shared_ptr<RbxCharGroup> group(const QString& name, std::vector<char32_t> chars,
                                        const rbx::Font& f = rbx::Font()) {
        auto g = RbxCharGroup::groupWithCharacters(std::move(chars));
        g->setName(name);
        if (f) g->setNativeFontCharacters(std::make_shared<kx::CharSet>(f->coveredCharacters()));
        return g;
    }

    // A shown view of that size with the font and groups.
    RbxCharView& makeView(int width, int height, const rbx::Font& f,
                          const std::vector<std::shared_ptr<RbxCharGroup>>& groups,
                          RbxCharViewServices services = {}) {
        view = std::make_unique<RbxCharView>(std::move(services));
        view->setAttribute(Qt::WA_DontShowOnScreen);
        view->setSources(sources);
        view->resize(width, height);
        view->show();
        QApplication::processEvents();
        view->setFont(f);
        view->setGroups(groups);
        return *view;
    }

    static std::vector<char32_t> letters(char32_t first, char32_t last) {
        std::vector<char32_t> v;
        for (char32_t c = first; c <= last; ++c) v.push_back(c);
        return v;
    }

    // The viewport pixels of a cell's inside (the grid lines left out).
    QRect cellPixels(std::size_t index) const {
        return view->viewportRectFromTable(view->rectForCharacterAtIndex(index)).toAlignedRect().adjusted(2, 2, -2, -2);
    }

    std::optional<rbxtest::ScopedInstance<RbxDefaults>> store;
    std::optional<rbxtest::ScopedInstance<rbx::FontBackend>> fonts;
    std::unique_ptr<RbxCharView> view;
    std::shared_ptr<RecordingClipboard> clipboard;
    std::optional<rbxtest::ScopedInstance<RbxTableClipboard>> clipboardInstance;
    std::shared_ptr<TestSources> sources;
};

// Pixels of `area` for which `pred` holds, and their bounding box.
template <typename Pred> int countPixels(const QImage& image, const QRect& area, Pred pred, QRect* box = nullptr) {
    int n = 0;
    QRect b;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (pred(image.pixelColor(x, y))) {
                ++n;
                b |= QRect(x, y, 1, 1);
            }
    if (box) *box = b;
    return n;
}

inline bool isDark(const QColor& c) { return c.lightness() < 100; }
inline bool isRed(const QColor& c) { return c.red() > 100 && c.green() < 60 && c.blue() < 60; }
