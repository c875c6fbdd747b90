// The fixed tables against the published Unicode emoji data (Debian's unicode-data).
#include "model/EmojiTables.h"
#include "model/RbxEmoji.h"
#include "model/VirtualCharacters.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace rbx::emoji;

namespace {

const QString emojiData = QStringLiteral("/usr/share/unicode/emoji/");

// Lines of a data file without comments, split at ";" and trimmed.
QList<QStringList> records(const QString& name) {
    QList<QStringList> out;
    QFile f(emojiData + name);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
    QTextStream in(&f);
    while (!in.atEnd()) {
        QString line = in.readLine();
        line = line.left(line.indexOf(QLatin1Char('#'))).trimmed();
        if (line.isEmpty()) continue;
        QStringList fields = line.split(QLatin1Char(';'));
        for (QString& x : fields) x = x.trimmed();
        out << fields;
    }
    return out;
}

std::vector<char32_t> codePoints(const QString& field) {
    std::vector<char32_t> out;
    for (const QString& h : field.split(QLatin1Char(' '), Qt::SkipEmptyParts)) out.push_back(h.toUInt(nullptr, 16));
    return out;
}

QSet<char32_t> rangeSet(const QString& field) {
    QSet<char32_t> s;
    const QStringList ends = field.split(QStringLiteral(".."));
    const char32_t a = ends.first().toUInt(nullptr, 16), b = ends.last().toUInt(nullptr, 16);
    for (char32_t c = a; c <= b; ++c) s.insert(c);
    return s;
}

QString text(const std::vector<char32_t>& cps) {
    QString s;
    for (char32_t c : cps) s += QString::fromUcs4(&c, 1);
    return s;
}

// The fully-qualified sequences of emoji-test.txt.
QSet<QString> fullyQualified() {
    QSet<QString> out;
    for (const QStringList& r : records(QStringLiteral("emoji-test.txt")))
        if (r.value(1) == QLatin1String("fully-qualified")) out.insert(text(codePoints(r.value(0))));
    return out;
}

std::vector<char32_t> expand(const CodeRange* ranges, std::size_t n) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < n; ++i)
        for (char32_t c = ranges[i].first; c <= ranges[i].last; ++c) out.push_back(c);
    return out;
}

bool haveData() { return QFile::exists(emojiData + QStringLiteral("emoji-test.txt")); }

} // namespace

TEST(EmojiTables, everyJoinedRowIsAFullyQualifiedEmoji) {
    if (!haveData()) GTEST_SKIP() << "no Unicode emoji data in " << emojiData.toStdString();
    const QSet<QString> qualified = fullyQualified();
    QSet<QString> seen;
    for (int row = 0; row < JoinedCount; ++row) {
        std::vector<char32_t> cps;
        for (const char32_t* p = joinedSequences[row]; *p; ++p) cps.push_back(*p);
        ASSERT_GE(cps.size(), 1u);
        ASSERT_LE(cps.size(), 8u);
        const QString t = text(cps);
        EXPECT_EQ(kx::str::stringWithUTF32Character(JoinedFirst + char32_t(row)), t);
        EXPECT_TRUE(qualified.contains(t)) << "row " << row;
        EXPECT_FALSE(seen.contains(t)) << "row " << row << " repeats";
        seen.insert(t);
    }
}

TEST(EmojiTables, keycapsAreThePublishedKeycapBasesInOrder) {
    if (!haveData()) GTEST_SKIP();
    std::vector<char32_t> bases;
    for (const QStringList& r : records(QStringLiteral("emoji-sequences.txt")))
        if (r.value(1) == QLatin1String("Emoji_Keycap_Sequence")) {
            const auto cps = codePoints(r.value(0));
            ASSERT_EQ(cps.size(), 3u);
            EXPECT_EQ(cps[1], EmojiPresentation);
            EXPECT_EQ(cps[2], CombiningEnclosingKeycap);
            bases.push_back(cps[0]);
        }
    EXPECT_EQ(bases, std::vector<char32_t>(keycapBases, keycapBases + KeycapCount));
}

TEST(EmojiTables, modifiableCharactersTakeSkinColours) {
    if (!haveData()) GTEST_SKIP();
    const std::vector<char32_t> list = RbxEmoji::modifiableEmojisList();
    EXPECT_EQ(list.size(), 283u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    QSet<char32_t> bases;
    for (const QStringList& r : records(QStringLiteral("emoji-data.txt")))
        if (r.value(1) == QLatin1String("Emoji_Modifier_Base")) bases.unite(rangeSet(r.value(0)));
    const QSet<QString> qualified = fullyQualified();
    int joined = 0;
    for (char32_t c : list) {
        if (c < JoinedFirst) {
            EXPECT_TRUE(bases.contains(c)) << std::hex << unsigned(c);
            // Every skin colour of it is a published sequence.
            for (char32_t m : skinModifiers)
                EXPECT_TRUE(qualified.contains(QString::fromUcs4(&c, 1) + QString::fromUcs4(&m, 1))) << std::hex << unsigned(c);
            continue;
        }
        ++joined;
        ASSERT_LE(c, JoinedLast);
        const QString t = kx::str::stringWithUTF32Character(c);
        EXPECT_TRUE(bases.contains(joinedSequences[c - JoinedFirst][0])) << std::hex << unsigned(c);
        // Toned with its modifier after the first character, as the published sequences
        // write it; sequences of two people take a modifier for each instead.
        if (t.contains(QString::fromUcs4(U"\U0001F91D", 1))) continue;
        for (int colour = 2; colour <= 6; ++colour)
            EXPECT_TRUE(qualified.contains(kx::str::emojiStringWithSkinColor(t, colour))) << std::hex << unsigned(c);
    }
    EXPECT_EQ(joined, 152);
}

TEST(EmojiTables, textOrEmojiCharactersHaveBothPresentations) {
    if (!haveData()) GTEST_SKIP();
    QSet<char32_t> published;
    for (const QStringList& r : records(QStringLiteral("emoji-variation-sequences.txt"))) {
        const auto cps = codePoints(r.value(0));
        ASSERT_EQ(cps.size(), 2u);
        published.insert(cps[0]);
    }
    for (char32_t b : keycapBases) published.remove(b); // the keycaps have their own table
    const std::vector<char32_t> list = expand(textOrEmojis, textOrEmojiRangeCount);
    EXPECT_EQ(list.size(), 342u);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    EXPECT_EQ(QSet<char32_t>(list.begin(), list.end()), published);
    EXPECT_EQ(RbxEmoji::textOrEmojiCharacterSet().numberOfCharacters(), 342u);
}

TEST(EmojiTables, skinModifiersAreTheFitzpatrickModifiers) {
    if (!haveData()) GTEST_SKIP();
    QSet<char32_t> modifiers;
    for (const QStringList& r : records(QStringLiteral("emoji-data.txt")))
        if (r.value(1) == QLatin1String("Emoji_Modifier")) modifiers.unite(rangeSet(r.value(0)));
    EXPECT_EQ(QSet<char32_t>(skinModifiers, skinModifiers + SkinModifierCount), modifiers);
}

// With the colour emoji font installed, the flags it shows are published flags.
TEST(EmojiTables, measuredFlagsArePublishedFlags) {
    if (!haveData()) GTEST_SKIP();
    RbxEmoji::setMeasurer(nullptr);
    if (!RbxEmoji::appleColorEmojiFontOfSize(12)) GTEST_SKIP() << "no colour emoji font";
    QSet<char32_t> published;
    for (const QStringList& r : records(QStringLiteral("emoji-sequences.txt")))
        if (r.value(1) == QLatin1String("RGI_Emoji_Flag_Sequence")) {
            const auto cps = codePoints(r.value(0));
            published.insert(FlagFirst + (cps[0] - RegionalIndicatorA) * 26 + (cps[1] - RegionalIndicatorA));
        }
    const kx::CharSet& flags = RbxEmoji::colorFlagsCharacterSet();
    EXPECT_GT(flags.numberOfCharacters(), 200u);
    flags.forEach([&](char32_t v) { EXPECT_TRUE(published.contains(v)) << std::hex << unsigned(v); });
    RbxEmoji::setMeasurer(nullptr);
}
