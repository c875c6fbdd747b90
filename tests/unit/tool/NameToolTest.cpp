// runebox-tool name, html and fonts, run as the user runs them (in the test's private
// home, over the bundle's own data files).
#include "common/TestEnvironment.h"

#include <QFile>
#include <QHash>
#include <gtest/gtest.h>

namespace {

using ToolRun = rbxtest::ProgramRun;

ToolRun runTool(const QStringList& args) {
    return rbxtest::runProgram(QStringLiteral(RUNEBOX_BINARY_DIR "/tools/runebox-tool"), args, rbxtest::Channels::Separate,
                               300000);
}

// The name of a Hangul syllable, made by the rule of the Unicode standard.
QString hangulSyllableName(char32_t c) {
    static const char* const lead[] = {"G", "GG", "N", "D", "DD", "R", "M", "B", "BB", "S",
                                       "SS", "", "J", "JJ", "C", "K", "T", "P", "H"};
    static const char* const vowel[] = {"A", "AE", "YA", "YAE", "EO", "E", "YEO", "YE", "O", "WA", "WAE",
                                        "OE", "YO", "U", "WEO", "WE", "WI", "YU", "EU", "YI", "I"};
    static const char* const trail[] = {"", "G", "GG", "GS", "N", "NJ", "NH", "D", "L", "LG",
                                        "LM", "LB", "LS", "LT", "LP", "LH", "M", "B", "BS", "S",
                                        "SS", "NG", "J", "C", "K", "T", "P", "H"};
    const int s = static_cast<int>(c - 0xAC00);
    return QStringLiteral("HANGUL SYLLABLE ") + QLatin1String(lead[s / (21 * 28)]) +
           QLatin1String(vowel[(s % (21 * 28)) / 28]) + QLatin1String(trail[s % 28]);
}

// The names of Debian's UnicodeData.txt (an older Unicode version): code point -> name,
// with control characters by their Unicode 1 names and the ranges' algorithmic names.
QHash<char32_t, QString> oracleNames(const QString& path) {
    QHash<char32_t, QString> names;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return names;
    char32_t rangeStart = 0;
    bool inRange = false;
    for (const QByteArray& rawLine : f.readAll().split('\n')) {
        const QStringList fields = QString::fromUtf8(rawLine).split(u';');
        if (fields.size() < 11) continue;
        const char32_t code = fields.at(0).toUInt(nullptr, 16);
        const QString& name = fields.at(1);
        if (name.endsWith(QLatin1String(", First>"))) {
            rangeStart = code;
            inRange = true;
            continue;
        }
        if (name.endsWith(QLatin1String(", Last>")) && inRange) {
            for (char32_t c = rangeStart; c <= code; ++c) {
                if (name.startsWith(QLatin1String("<CJK Ideograph")))
                    names.insert(c, QStringLiteral("CJK UNIFIED IDEOGRAPH-%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper());
                else if (name.startsWith(QLatin1String("<Tangut Ideograph")))
                    names.insert(c, QStringLiteral("TANGUT IDEOGRAPH-%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper());
                else if (name.startsWith(QLatin1String("<Hangul Syllable")))
                    names.insert(c, hangulSyllableName(c));
            }
            inRange = false;
            continue;
        }
        if (name == QLatin1String("<control>")) {
            if (!fields.at(10).isEmpty()) names.insert(code, fields.at(10));
            continue;
        }
        names.insert(code, name);
    }
    return names;
}

} // namespace

TEST(NameTool, EveryCodePointHasTheNameOfTheStandard) {
    const QHash<char32_t, QString> oracle = oracleNames(QStringLiteral("/usr/share/unicode/UnicodeData.txt"));
    if (oracle.isEmpty()) GTEST_SKIP() << "Debian's unicode-data is not installed";
    const ToolRun r = runTool({QStringLiteral("name"), QStringLiteral("U+0000..U+10FFFF")});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 0x110000);
    int checked = 0, mismatches = 0, newer = 0;
    for (const QString& line : lines) {
        const qsizetype tab = line.indexOf(u'\t');
        ASSERT_GT(tab, 0) << line.toStdString();
        const char32_t c = line.mid(2, tab - 2).toUInt(nullptr, 16);
        const QString name = line.mid(tab + 1);
        const QString plain = name.section(QStringLiteral("; "), 0, 0);
        const auto it = oracle.constFind(c);
        if (it == oracle.constEnd()) {
            if (!name.isEmpty()) ++newer;
            continue;
        }
        ++checked;
        if (plain != *it && mismatches++ < 10)
            ADD_FAILURE() << line.toStdString() << " expected " << it->toStdString();
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(checked, oracle.size());
    // Characters added since, and the emoji sequences' virtual characters.
    EXPECT_GT(newer, 5000);
}

TEST(NameTool, FormatsAndSequences) {
    const ToolRun r = runTool({QStringLiteral("name"), QStringLiteral("U+0041"), QStringLiteral("1f600"),
                               QStringLiteral("U+A1003"), QStringLiteral("U+E000")});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), QStringLiteral("U+0041\tLATIN CAPITAL LETTER A"));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("U+1F600\tGRINNING FACE; "))) << lines.at(1).toStdString();
    EXPECT_TRUE(lines.at(1).contains(QStringLiteral("smile")));
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("U+A1003\tKEYCAP: 1"))) << lines.at(2).toStdString();
    EXPECT_EQ(lines.at(3), QStringLiteral("U+E000\t"));
    EXPECT_EQ(runTool({QStringLiteral("name"), QStringLiteral("U+110000")}).code, 2);
    EXPECT_EQ(runTool({QStringLiteral("name"), QStringLiteral("U+0042..U+0041")}).code, 2);
    EXPECT_EQ(runTool({QStringLiteral("name")}).code, 2);
}

TEST(NameTool, HtmlForms) {
    const ToolRun r = runTool({QStringLiteral("html"), QStringLiteral("U+0041"), QStringLiteral("U+1F600"),
                               QStringLiteral("U+A1003"), QStringLiteral("U+003C")});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), QStringLiteral("A"));
    EXPECT_TRUE(lines.at(1) == QStringLiteral("&#128512;") || lines.at(1) == QStringLiteral("&#x1f600;"));
    EXPECT_TRUE(lines.at(2) == QStringLiteral("1&#8419;") || lines.at(2) == QStringLiteral("1&#x20e3;"));
    EXPECT_TRUE(lines.at(3) == QStringLiteral("&lt;") || lines.at(3) == QStringLiteral("&#60;") ||
                lines.at(3) == QStringLiteral("&#x3c;"));
}

TEST(NameTool, HtmlFormsFollowTheSettings) {
    const QString domain = QStringLiteral("org.runebox.Runebox");
    auto set = [&](const char* key, const char* value) {
        ASSERT_EQ(runTool({QStringLiteral("defaults"), QStringLiteral("write"), domain, QLatin1String(key),
                           QLatin1String(value)})
                      .code,
                  0);
    };
    const QStringList chars{QStringLiteral("html"), QStringLiteral("U+00E9"), QStringLiteral("U+1F600"),
                            QStringLiteral("U+A1003"), QStringLiteral("U+0026")};
    set("htmlEntities", "YES");
    set("hexHtml", "NO");
    EXPECT_EQ(runTool(chars).lines(), QStringList({QStringLiteral("&eacute;"), QStringLiteral("&#128512;"),
                                                  QStringLiteral("1&#8419;"), QStringLiteral("&amp;")}));
    set("htmlEntities", "NO");
    EXPECT_EQ(runTool(chars).lines(), QStringList({QStringLiteral("&#233;"), QStringLiteral("&#128512;"),
                                                  QStringLiteral("1&#8419;"), QStringLiteral("&#38;")}));
    set("hexHtml", "YES");
    EXPECT_EQ(runTool(chars).lines(), QStringList({QStringLiteral("&#xe9;"), QStringLiteral("&#x1f600;"),
                                                  QStringLiteral("1&#x20e3;"), QStringLiteral("&#x26;")}));
    for (const char* key : {"htmlEntities", "hexHtml"})
        runTool({QStringLiteral("defaults"), QStringLiteral("delete"), domain, QLatin1String(key)});
}

TEST(NameTool, FontsListsFamiliesWithTheirMembers) {
    const ToolRun r = runTool({QStringLiteral("fonts")});
    ASSERT_EQ(r.code, 0);
    const QStringList lines = r.lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines.last().endsWith(QStringLiteral(" fonts")));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QStringList parts = lines.at(i).split(u'\t');
        ASSERT_EQ(parts.size(), 2) << lines.at(i).toStdString();
        EXPECT_EQ(parts.at(1).count(u'*'), 1) << lines.at(i).toStdString();  // one regular face
    }
}
