#include "kxlib/AttributedString.h"

#include <QMimeData>
#include <gtest/gtest.h>
#include <memory>

using kx::AttributedString;
using kx::TextAttributes;
using kx::TextFont;

namespace {

TextAttributes withFont(bool bold = false, bool italic = false, const QString& family = QStringLiteral("Serif")) {
    TextAttributes a;
    a.font = TextFont{family, 12, bold, italic};
    return a;
}

TextAttributes colored(unsigned argb) {
    TextAttributes a = withFont();
    a.foreground = argb;
    return a;
}

AttributedString styled(const QString& s) { return AttributedString(s, withFont()); }

AttributedString markdown(const QString& s) { return styled(s).attributedStringWithMarkdown(); }

bool boldAt(const AttributedString& s, qsizetype i) { return s.attributesAt(i).font && s.attributesAt(i).font->bold; }
bool italicAt(const AttributedString& s, qsizetype i) { return s.attributesAt(i).font && s.attributesAt(i).font->italic; }

} // namespace

TEST(AttributedString, RunsFollowEditsAndReplacementsTakeTheFirstReplacedAttributes) {
    AttributedString s(QStringLiteral("red"), colored(0xFFFF0000));
    s.append(QStringLiteral("blue"), colored(0xFF0000FF));
    ASSERT_EQ(s.runs().size(), 2u);
    EXPECT_EQ(s.runs()[1].start, 3);
    EXPECT_EQ(s.runs()[1].length, 4);

    s.replaceCharacters(2, 3, QStringLiteral("XYZW"));  // "d" red and "bl" blue become red
    EXPECT_EQ(s.string(), QStringLiteral("reXYZWue"));
    EXPECT_EQ(s.attributesAt(5).foreground, 0xFFFF0000u);
    EXPECT_EQ(s.attributesAt(6).foreground, 0xFF0000FFu);
    // An insertion takes the attributes of the character before it.
    s.replaceCharacters(8, 0, QStringLiteral("!"));
    EXPECT_EQ(s.attributesAt(8).foreground, 0xFF0000FFu);
    // Ranges beyond the text are clipped, and an index past the end has no attributes.
    s.deleteCharacters(7, 100);
    EXPECT_EQ(s.string(), QStringLiteral("reXYZWu"));
    EXPECT_FALSE(s.attributesAt(99).font.has_value());
    s.setAttributes(colored(0xFF00FF00), -5, 2);
    EXPECT_EQ(s.attributesAt(0).foreground, 0xFF00FF00u);
    EXPECT_EQ(s.attributesAt(2).foreground, 0xFFFF0000u);
    EXPECT_EQ(s.substring(5, 10).string(), QStringLiteral("Wu"));
}

TEST(AttributedString, HtmlFragmentEscapesTextStylesRunsAndLinks) {
    AttributedString s(QStringLiteral("<a & 'b'>\n"), withFont(true, true, QStringLiteral("Dé'Ja\"Vu;<x>&")));
    TextAttributes link;
    link.link = QStringLiteral("https://example.org/a b?x=\"1\"");
    s.append(QStringLiteral("go"), link);
    TextAttributes plain;
    plain.background = 0x80FF8000;
    s.append(QStringLiteral("\"q\""), plain);
    EXPECT_EQ(s.htmlRepresentation(),
              QStringLiteral("<meta charset=\"utf-8\">"
                             "<span style=\"font-family: 'DéJaVux'; font-size: 12pt; font-weight: bold; font-style: italic\">"
                             "&lt;a &amp; &#39;b&#39;&gt;<br></span>"
                             "<a href=\"https://example.org/a%20b?x=%221%22\">go</a>"
                             "<span style=\"background-color: rgba(255, 128, 0, 0.502)\">&quot;q&quot;</span>"));

    std::unique_ptr<QMimeData> data(s.mimeData());
    EXPECT_EQ(data->text(), s.string());
    EXPECT_EQ(data->html(), s.htmlRepresentation());

    // An image travels as "picture.png" inside the fragment; the plain text leaves it out.
    AttributedString picture = AttributedString::withImage(QByteArray("\x89PNG", 4), 20, 12);
    picture.append(QStringLiteral("x"), {});
    EXPECT_EQ(picture.attributesAt(0).attachment->fileName, QStringLiteral("picture.png"));
    EXPECT_TRUE(picture.htmlRepresentation().contains(QStringLiteral("<img src=\"data:image/png;base64,iVBORw==\" width=\"20\" height=\"12\" alt=\"picture.png\">")));
    std::unique_ptr<QMimeData> pictureData(picture.mimeData());
    EXPECT_EQ(pictureData->text(), QStringLiteral("x"));
    EXPECT_TRUE(AttributedString::forDrawingWithImage("x", 1, 1).attributesAt(0).attachment->fileName.isEmpty());
}

TEST(AttributedString, CaseConversionKeepsEachRunsStyle) {
    AttributedString s(QStringLiteral("straße"), withFont(true));
    s.append(QStringLiteral(" tail"), withFont(false, true));
    const AttributedString up = s.uppercaseAttributedString();
    EXPECT_EQ(up.string(), QStringLiteral("STRASSE TAIL"));
    for (int i = 0; i < 7; ++i) EXPECT_TRUE(boldAt(up, i)) << i;
    for (int i = 7; i < 12; ++i) EXPECT_TRUE(italicAt(up, i) && !boldAt(up, i)) << i;
    EXPECT_EQ(up.lowercaseAttributedString().string(), QStringLiteral("strasse tail"));

    auto cap = [](const QString& t) { return styled(t).capitalizedAttributedString().string(); };
    EXPECT_EQ(cap(QStringLiteral("rock-solid o'clock")), QStringLiteral("Rock-Solid O'Clock"));
    EXPECT_EQ(cap(QStringLiteral("1st place")), QStringLiteral("1st Place"));
    EXPECT_EQ(cap(QStringLiteral("ÉTÉ")), QStringLiteral("Été"));
    EXPECT_EQ(cap(QStringLiteral("a\u3000b\u00A0c\u2028d")), QStringLiteral("A\u3000B\u00A0C\u2028D"));
    // A word beginning outside the Basic Multilingual Plane keeps that and its next letter.
    EXPECT_EQ(cap(QStringLiteral("\U0001D400ab cd")), QStringLiteral("\U0001D400ab Cd"));

    AttributedString range(QStringLiteral("abcdef"), withFont());
    range.setAttributes(withFont(true), 3, 3);
    range.convertRangeToUpperCase(1, 4);
    EXPECT_EQ(range.string(), QStringLiteral("aBCDEf"));
    EXPECT_TRUE(boldAt(range, 3) && !boldAt(range, 2) && boldAt(range, 5));
    AttributedString sharp(QStringLiteral("aßb"), withFont());
    sharp.convertRangeToUpperCase(0, 2);
    EXPECT_EQ(sharp.string(), QStringLiteral("ASSb"));
}

TEST(AttributedString, RepetitionAndReplacing) {
    EXPECT_TRUE(styled(QStringLiteral("ab")).repeated(0).isEmpty());
    EXPECT_TRUE(styled(QStringLiteral("ab")).repeated(-3).isEmpty());
    EXPECT_EQ(styled(QStringLiteral("ab")).repeated(5).string(), QStringLiteral("ababababab"));
    AttributedString one = styled(QStringLiteral("ab"));
    AttributedString copy = one.repeated(1);
    copy.append(QStringLiteral("c"), {});
    EXPECT_EQ(one.string(), QStringLiteral("ab"));  // a copy, not the receiver

    AttributedString s(QStringLiteral("aba"), withFont());
    s.setAttributes(withFont(true), 2, 1);
    EXPECT_EQ(s.replaceOccurrences(QStringLiteral("a"), QStringLiteral("aa")), 2);
    EXPECT_EQ(s.string(), QStringLiteral("aabaa"));
    EXPECT_TRUE(boldAt(s, 3) && boldAt(s, 4) && !boldAt(s, 0));
    AttributedString ci(QStringLiteral("Xx-x"), withFont());
    EXPECT_EQ(ci.replaceOccurrences(QStringLiteral("x"), QString(), kx::CaseInsensitiveSearch), 3);
    EXPECT_EQ(ci.string(), QStringLiteral("-"));
    EXPECT_EQ(ci.replaceOccurrences(QString(), QStringLiteral("y")), 0);

    // Traits reach only runs that have a font.
    AttributedString mixed(QStringLiteral("ab"), withFont());
    mixed.append(QStringLiteral("cd"), {});
    mixed.applyItalic(1, 100);
    EXPECT_TRUE(!italicAt(mixed, 0) && italicAt(mixed, 1));
    EXPECT_FALSE(mixed.attributesAt(2).font.has_value());
}

TEST(Markdown, AutomaticLinks) {
    const AttributedString mail = markdown(QStringLiteral("write <me@example.org> now"));
    EXPECT_EQ(mail.string(), QStringLiteral("write me@example.org now"));
    EXPECT_EQ(mail.attributesAt(6).link, QStringLiteral("mailto:me@example.org"));
    EXPECT_FALSE(mail.attributesAt(6).font.has_value());  // the link is its only attribute
    EXPECT_TRUE(mail.attributesAt(20).link.isEmpty());

    const AttributedString web = markdown(QStringLiteral("<https://a.example> and <http://b.example/x>"));
    EXPECT_EQ(web.string(), QStringLiteral("https://a.example and http://b.example/x"));
    EXPECT_EQ(web.attributesAt(0).link, QStringLiteral("https://a.example"));
    EXPECT_EQ(web.attributesAt(23).link, QStringLiteral("http://b.example/x"));

    EXPECT_EQ(markdown(QStringLiteral("<ab:cdef>")).string(), QStringLiteral("<ab:cdef>"));
    EXPECT_EQ(markdown(QStringLiteral("<a b@c.de>")).string(), QStringLiteral("<a b@c.de>"));
    EXPECT_EQ(markdown(QStringLiteral("<:ab.cd>")).string(), QStringLiteral("<:ab.cd>"));
}

TEST(Markdown, ReferenceDefinitionsAndBracketLinks) {
    AttributedString defs = styled(QStringLiteral("[Home]: http://h.example/ \"Home page\"\n"
                                                  "   [b]:\thttp://b.example ('t')\n"
                                                  "    [c]: http://c.example\n"
                                                  "[ab]:cd\n"
                                                  "[q]: http://q.example \"\n"
                                                  "[last]: http://l.example"));
    const QVariantMap table = defs.collectMarkdownUrlDefinitions();
    EXPECT_EQ(table.keys(), QStringList({QStringLiteral("b"), QStringLiteral("home"), QStringLiteral("q")}));
    const QVariantMap home = table.value(QStringLiteral("home")).toMap();
    EXPECT_EQ(home.value(QStringLiteral("key")), QStringLiteral("Home"));
    EXPECT_EQ(home.value(QStringLiteral("url")), QStringLiteral("http://h.example/"));
    EXPECT_EQ(home.value(QStringLiteral("title")), QStringLiteral("Home page"));
    EXPECT_EQ(table.value(QStringLiteral("b")).toMap().value(QStringLiteral("title")), QStringLiteral("'t'"));
    // A title of one quote stays as written.
    EXPECT_EQ(table.value(QStringLiteral("q")).toMap().value(QStringLiteral("title")), QStringLiteral("\""));
    EXPECT_EQ(defs.string(), QStringLiteral("    [c]: http://c.example\n[ab]:cd\n[last]: http://l.example"));
    // CR LF line ends leave the LF of a removed line behind.
    AttributedString crlf = styled(QStringLiteral("[x]: http://x.example\r\ntext"));
    EXPECT_EQ(crlf.collectMarkdownUrlDefinitions().size(), 1);
    EXPECT_EQ(crlf.string(), QStringLiteral("\ntext"));

    const AttributedString links = markdown(QStringLiteral("[Home][] [site](http://s.example) [Other][home] "
                                                          "[none][nolabel] \\[x](http://x.example) [bad](not a url)\n"
                                                          "[home]: http://h.example\n"));
    EXPECT_EQ(links.string(), QStringLiteral("Home site Other [none][nolabel] [x](http://x.example) [bad](not a url)\n"));
    EXPECT_EQ(links.attributesAt(0).link, QStringLiteral("http://h.example"));
    EXPECT_EQ(links.attributesAt(5).link, QStringLiteral("http://s.example"));
    EXPECT_EQ(links.attributesAt(10).link, QStringLiteral("http://h.example"));
    EXPECT_TRUE(links.attributesAt(4).link.isEmpty());
    EXPECT_TRUE(links.attributesAt(17).link.isEmpty());
}

TEST(Markdown, EmphasisAndEscapes) {
    const AttributedString s = markdown(QStringLiteral("**bold** and *it*"));
    EXPECT_EQ(s.string(), QStringLiteral("bold and it"));
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(boldAt(s, i) && !italicAt(s, i)) << i;
    EXPECT_FALSE(boldAt(s, 5));
    EXPECT_TRUE(italicAt(s, 9) && italicAt(s, 10) && !boldAt(s, 9));

    EXPECT_EQ(markdown(QStringLiteral("a * b")).string(), QStringLiteral("a * b"));
    const AttributedString escaped = markdown(QStringLiteral("\\*x*"));
    EXPECT_EQ(escaped.string(), QStringLiteral("*x*"));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(italicAt(escaped, i));

    // Overlapping bold and italic; underscores work alike; a mark of the other kind inside
    // an open one is passed over.
    const AttributedString both = markdown(QStringLiteral("__a _b__ c_ *d_e*"));
    EXPECT_EQ(both.string(), QStringLiteral("a b c d_e"));
    EXPECT_TRUE(boldAt(both, 0) && boldAt(both, 2) && !boldAt(both, 4));
    EXPECT_TRUE(italicAt(both, 2) && italicAt(both, 4) && !italicAt(both, 0));
    EXPECT_TRUE(italicAt(both, 6) && italicAt(both, 8));

    EXPECT_EQ(markdown(QStringLiteral("\\\\ \\# \\q \\_")).string(), QStringLiteral("\\ # \\q _"));
    EXPECT_EQ(markdown(QStringLiteral("****")).string(), QString());
    EXPECT_EQ(markdown(QString()).string(), QString());
}
