#include "core/FoundationValues.h"
#include "core/Plist.h"

#include "common/BinaryPlist.h"
#include "common/TestEnvironment.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace plist = kx::plist;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

QVariantMap sampleValue() {
    QVariantMap nested;
    nested.insert(QStringLiteral("nested key"), QStringLiteral("value"));
    nested.insert(QStringLiteral("empty"), QVariantList());
    QVariantMap m;
    m.insert(QStringLiteral("string"), QString::fromUtf8("Grüße ✓ 😀"));
    m.insert(QStringLiteral("ascii"), QStringLiteral("plain"));
    m.insert(QStringLiteral("int"), qint64(42));
    m.insert(QStringLiteral("negative"), qint64(-7));
    m.insert(QStringLiteral("big"), qint64(1) << 40);
    m.insert(QStringLiteral("real"), 1.5);
    m.insert(QStringLiteral("true"), true);
    m.insert(QStringLiteral("false"), false);
    QByteArray data;
    for (int i = 0; i < 20; ++i) data += char(i);
    m.insert(QStringLiteral("data"), data);
    m.insert(QStringLiteral("date"), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC));
    m.insert(QStringLiteral("array"),
             QVariantList{qint64(1), QStringLiteral("two"), QVariantList{3.25}, QVariantMap()});
    m.insert(QStringLiteral("dict"), nested);
    return m;
}

using rbxtest::binaryPlist;
using rbxtest::bytes;

} // namespace

TEST(Plist, XmlWriterMatchesAppleLayoutAndReadsBack) {
    const QVariantMap value = sampleValue();
    const QByteArray xml = plist::writeXml(value);
    // Python's plistlib writes the same layout as Apple's writer.
    EXPECT_EQ(xml, fileBytes(rbxtest::testData(QStringLiteral("plist/sample.xml.plist"))));
    EXPECT_EQ(plist::writeXml(value), xml);  // deterministic

    const plist::Result r = plist::readXml(xml);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(kx::ns::isEqual(r.value, value));
    EXPECT_EQ(r.value.toMap().value(QStringLiteral("int")).typeId(), QMetaType::LongLong);
    EXPECT_EQ(r.value.toMap().value(QStringLiteral("true")).typeId(), QMetaType::Bool);
    EXPECT_EQ(r.value.toMap().value(QStringLiteral("real")).typeId(), QMetaType::Double);
}

TEST(Plist, XmlKeepsAwkwardTextAndNumbers) {
    QVariantMap m;
    m.insert(QStringLiteral("a<b>&c"), QStringLiteral("line\nbreak\r\tand \x01 control & <tags>"));
    m.insert(QString(), QString());
    m.insert(QStringLiteral("huge"), QVariant::fromValue(quint64(18446744073709551615ULL)));
    m.insert(QStringLiteral("min"), QVariant::fromValue(std::numeric_limits<qint64>::min()));
    m.insert(QStringLiteral("third"), 1.0 / 3.0);
    m.insert(QStringLiteral("inf"), std::numeric_limits<double>::infinity());
    const plist::Result r = plist::readXml(plist::writeXml(m));
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_TRUE(kx::ns::isEqual(r.value, m)) << kx::ns::description(r.value).toStdString();
    EXPECT_EQ(r.value.toMap().value(QStringLiteral("third")).toDouble(), 1.0 / 3.0);
}

TEST(Plist, XmlReaderAcceptsWhatOtherWritersProduce) {
    const QByteArray text =
        "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- comment -->\n"
        "<!DOCTYPE plist [ <!ENTITY x \"y\"> ]>\n"
        "<plist version=\"1.0\"><dict>\n"
        "  <key>s</key><string>&lt;&#65;&#x1F600;&amp;<![CDATA[<raw>]]></string>\n"
        "  <key/><string/>\n"
        "  <key>i</key><integer> 0x10 </integer>\n"
        "  <key>t</key><true></true>\n"
        "  <key>d</key><data>AA EC\n Aw==</data>\n"
        "  <key>r</key><real>-infinity</real>\n"
        "</dict></plist>\n";
    const plist::Result r = plist::read(text);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantMap m = r.value.toMap();
    EXPECT_EQ(m.value(QStringLiteral("s")).toString(), QString::fromUtf8("<A😀&<raw>"));
    EXPECT_EQ(m.value(QString()).toString(), QString());
    EXPECT_EQ(m.value(QStringLiteral("i")).toLongLong(), 16);
    EXPECT_TRUE(m.value(QStringLiteral("t")).toBool());
    EXPECT_EQ(m.value(QStringLiteral("d")).toByteArray(), bytes({0, 1, 2, 3}));
    EXPECT_LT(m.value(QStringLiteral("r")).toDouble(), -1e308);
    // A bare value without <plist> is read too.
    EXPECT_EQ(plist::readXml("<string>x</string>").value.toString(), QStringLiteral("x"));
}

TEST(Plist, XmlReaderRefusesMalformedInput) {
    const char* bad[] = {
        "",
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><dict><string>a</string><string>b</string></dict></plist>",
        "<plist><array><string>a</array></plist>",
        "<plist><integer>12x</integer></plist>",
        "<plist><integer>-9223372036854775809</integer></plist>",
        "<plist><data>!!!</data></plist>",
        "<plist><date>yesterday</date></plist>",
        "<plist><thing/></plist>",
        "<plist><string>&bogus;</string></plist>",
        "<plist><string>&#0;</string></plist>",
        "<plist><string>open",
        "<plist><array><true/></array></plist> trailing",
        "<plist></plist>",
    };
    for (const char* text : bad) {
        const plist::Result r = plist::readXml(QByteArray(text));
        EXPECT_FALSE(r.ok()) << text;
        EXPECT_FALSE(r.error.isEmpty()) << text;
    }
    // Deep nesting is refused instead of overflowing the stack.
    const QByteArray deep = "<plist>" + QByteArray("<array>").repeated(100000) + "</plist>";
    EXPECT_FALSE(plist::readXml(deep).ok());
}

TEST(Plist, XmlTextIsDecodedAsTheWholeFileWouldBe) {
    // Text split by entities, CDATA and comments, multi-byte characters next to markup,
    // and invalid UTF-8 (a lone continuation byte, a sequence cut short by markup, an
    // overlong form) decode to what decoding the whole file at once gives.
    const QByteArray raw[] = {
        "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x98\x80",
        "\xE2\x9C",
        "a\x80z",
        "\xC0\xAF!",
        "\xF0\x9F\x98",
        "\xFF\xFE",
    };
    for (const QByteArray& text : raw) {
        const QString decoded = QString::fromUtf8(text);
        const QByteArray xml = "<plist><dict><key>" + text + "</key><array><string>" + text + "</string>"
                               "<string>" + text + "&amp;" + text + "<![CDATA[" + text + "]]>" + text +
                               "<!-- " + text + " -->" + text + "</string></array></dict></plist>";
        const plist::Result r = plist::readXml(xml);
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        const QVariantMap m = r.value.toMap();
        ASSERT_EQ(m.keys(), QStringList{decoded});
        const QVariantList list = m.value(decoded).toList();
        ASSERT_EQ(list.size(), 2);
        EXPECT_EQ(list[0].toString(), decoded);
        EXPECT_EQ(list[1].toString(), decoded + u'&' + decoded + decoded + decoded + decoded);
    }
}

TEST(Plist, TheBundledLayoutsReadAndDamagedCopiesFailWithTheirLine) {
    const QString path = QStringLiteral(RUNEBOX_SOURCE_RESOURCES "/Layouts.plist");
    const QByteArray whole = fileBytes(path);
    const plist::Result r = plist::readFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantList layouts = r.value.toList();
    ASSERT_FALSE(layouts.isEmpty());
    EXPECT_EQ(layouts.first().toList().value(0).toString(), QStringLiteral("Unicode Blocks"));
    qsizetype strings = 0;
    for (const QVariant& l : layouts) strings += l.toList().size();
    EXPECT_EQ(strings, whole.count("<string>"));
    // What is written again reads back the same.
    const plist::Result again = plist::readXml(plist::writeXml(r.value));
    ASSERT_TRUE(again.ok()) << again.error.toStdString();
    EXPECT_TRUE(kx::ns::isEqual(again.value, r.value));

    // Cut short anywhere, or with a tag broken, the file is refused with the line it failed at.
    for (qsizetype cut = 0; cut < whole.size(); cut += whole.size() / 97 + 1) {
        const plist::Result shorter = plist::readXml(whole.left(cut));
        EXPECT_FALSE(shorter.ok()) << cut;
        EXPECT_TRUE(shorter.error.contains(QStringLiteral(" at line "))) << shorter.error.toStdString();
    }
    QByteArray broken = whole;
    const qsizetype at = broken.indexOf("<string>", broken.size() / 2);
    broken.replace(at, 8, "<strin\xC3\xA9>");
    const int line = int(broken.left(at).count('\n')) + 1;
    const plist::Result damaged = plist::readXml(broken);
    EXPECT_FALSE(damaged.ok());
    EXPECT_TRUE(damaged.error.contains(QStringLiteral(" at line %1").arg(line))) << damaged.error.toStdString();
    EXPECT_TRUE(damaged.error.contains(QString::fromUtf8("strin\xC3\xA9"))) << damaged.error.toStdString();
}

TEST(Plist, OpenStepReadsCommentsQuotingAndEscapes) {
    const QString text = QString::fromUtf8(
        "// leading comment\n"
        "{\n"
        "  plain = value-1.2/x:y_$;\n"
        "  \"quoted key\" = \"tab\\there \\\"q\\\" \\U00e9\\101 back\\\\slash\";\n"
        "  single = 'say \"hi\"';\n"
        "  /* block\n comment */ data = <0001 fF>;\n"
        "  list = (a, \"b c\", (), {},);\n"
        "  nested = { inner = (1, 2); };\n"
        "  last = end\n"
        "}\n");
    const plist::Result r = plist::readOpenStep(text);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantMap m = r.value.toMap();
    EXPECT_EQ(m.value(QStringLiteral("plain")).toString(), QStringLiteral("value-1.2/x:y_$"));
    EXPECT_EQ(m.value(QStringLiteral("quoted key")).toString(),
              QString::fromUtf8("tab\there \"q\" éA back\\slash"));
    EXPECT_EQ(m.value(QStringLiteral("data")).toByteArray(), bytes({0x00, 0x01, 0xFF}));
    const QVariantList list = m.value(QStringLiteral("list")).toList();
    ASSERT_EQ(list.size(), 4);
    EXPECT_EQ(list[1].toString(), QStringLiteral("b c"));
    EXPECT_TRUE(kx::ns::isArray(list[2]));
    EXPECT_TRUE(kx::ns::isDictionary(list[3]));
    EXPECT_EQ(m.value(QStringLiteral("nested")).toMap().value(QStringLiteral("inner")).toList().value(1).toString(),
              QStringLiteral("2"));
    EXPECT_EQ(m.value(QStringLiteral("last")).toString(), QStringLiteral("end"));
    EXPECT_EQ(m.value(QStringLiteral("single")).toString(), QStringLiteral("say \"hi\""));
}

TEST(Plist, OpenStepReadsCarriageReturnFilesAndStringsFiles) {
    const QString settings = QStringLiteral(
        "{\r\tpluginVersion = 3;\r\torg.example.app = { // Example App\r"
        "\t\t\tdirectInsertion = 1;\r\t\t\tpasteDelay = \"0.5\";\r\t\t};\r}\r");
    const plist::Result r = plist::readOpenStep(settings);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    const QVariantMap app = r.value.toMap().value(QStringLiteral("org.example.app")).toMap();
    EXPECT_EQ(app.value(QStringLiteral("directInsertion")).toString(), QStringLiteral("1"));
    EXPECT_EQ(app.value(QStringLiteral("pasteDelay")).toString(), QStringLiteral("0.5"));

    const plist::Result strings = plist::readOpenStep(QStringLiteral("\"a\" = \"b\";\nc = d; /* x */"));
    ASSERT_TRUE(strings.ok()) << strings.error.toStdString();
    EXPECT_EQ(strings.value.toMap().value(QStringLiteral("c")).toString(), QStringLiteral("d"));
    EXPECT_EQ(strings.value.toMap().size(), 2);

    for (const char* bad : {"{ a = b }x", "{ a = \"open; }", "( a b )", "{ a b; }", "/* open", "<0g>",
                            "<012>", "{ (a) = b; }", "{ a = b", "@"}) {
        EXPECT_FALSE(plist::readOpenStep(QString::fromLatin1(bad)).ok()) << bad;
    }
}

TEST(Plist, OpenStepRoundTripsStringsDataAndCollections) {
    QVariantMap m;
    m.insert(QStringLiteral("plain"), QStringLiteral("abc"));
    m.insert(QStringLiteral("needs quotes"), QString::fromUtf8("x = \"y\";\n\\ é 😀 \x01"));
    m.insert(QStringLiteral("empty"), QString());
    m.insert(QStringLiteral("data"), bytes({1, 2, 3, 4, 5}));
    m.insert(QStringLiteral("list"), QVariantList{QStringLiteral("a"), QVariantList(), QVariantMap()});
    const QString text = plist::writeOpenStep(m);
    const plist::Result r = plist::readOpenStep(text);
    ASSERT_TRUE(r.ok()) << r.error.toStdString() << "\n" << text.toStdString();
    EXPECT_TRUE(kx::ns::isEqual(r.value, m)) << text.toStdString();
    // The file form keeps non-ASCII text as it is.
    EXPECT_TRUE(text.contains(QString::fromUtf8("é 😀")));
    // A string on its own is quoted in a file.
    EXPECT_EQ(plist::writeOpenStep(QStringLiteral("a b")), QStringLiteral("\"a b\"\n"));
    EXPECT_EQ(plist::read(plist::writeOpenStep(QString()).toUtf8()).value.toString(), QString());
}

TEST(Plist, BinaryReadsWhatOtherWritersProduce) {
    plist::Format format = plist::Format::Xml;
    const plist::Result r =
        plist::readFile(rbxtest::testData(QStringLiteral("plist/sample.bplist")), &format);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(format, plist::Format::Binary);
    EXPECT_TRUE(kx::ns::isEqual(r.value, sampleValue())) << kx::ns::description(r.value).toStdString();
    EXPECT_EQ(plist::writeXml(r.value), fileBytes(rbxtest::testData(QStringLiteral("plist/sample.xml.plist"))));
}

TEST(Plist, BinaryRefusesDamagedFilesCleanly) {
    const QByteArray good = fileBytes(rbxtest::testData(QStringLiteral("plist/sample.bplist")));
    ASSERT_TRUE(plist::readBinary(good).ok());
    // Every truncation fails.
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_FALSE(plist::readBinary(good.left(n)).ok()) << n;
    // Every single damaged byte either reads or fails; none may crash or hang.
    int failures = 0;
    for (qsizetype i = 8; i < good.size(); ++i) {
        for (int v : {0x00, 0xFF, 0x7F, 0x0F, 0xAF, 0xDF, 0x5F}) {
            QByteArray bad = good;
            bad[i] = char(v);
            if (!plist::readBinary(bad).ok()) ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(Plist, BinaryRefusesHostileStructures) {
    // A valid little list first, to show the builder is right.
    {
        const plist::Result r = plist::readBinary(
            binaryPlist({bytes({0xA2, 1, 2}), bytes({0x10, 5}), bytes({0x51, 'x'})}));
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        EXPECT_EQ(r.value.toList(), (QVariantList{qint64(5), QStringLiteral("x")}));
    }
    struct Case { const char* what; QByteArray file; };
    std::vector<Case> cases = {
        {"array containing itself", binaryPlist({bytes({0xA1, 0})})},
        {"cycle through a dictionary",
         binaryPlist({bytes({0xD1, 1, 2}), bytes({0x51, 'k'}), bytes({0xA1, 0})})},
        {"huge array count", binaryPlist({bytes({0xAF, 0x12, 0x7F, 0xFF, 0xFF, 0xFF, 1})})},
        {"huge string count", binaryPlist({bytes({0x6F, 0x13, 0, 0, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF})})},
        {"reference past the objects", binaryPlist({bytes({0xA1, 9})})},
        {"top object past the count", binaryPlist({bytes({0x09})}, 5)},
        {"object count beyond the table", binaryPlist({bytes({0x09})}, 0, 1000000)},
        {"offset table outside the file", binaryPlist({bytes({0x09})}, 0, 0, 0xFFFFFFFFFFFFull)},
        {"non-string key", binaryPlist({bytes({0xD1, 1, 1}), bytes({0x10, 1})})},
        {"unknown marker", binaryPlist({bytes({0x70})})},
        {"bad integer size", binaryPlist({bytes({0x17, 1})})},
        {"bad count marker", binaryPlist({bytes({0x5F, 0x50})})},
    };
    // Shared references that would expand to 2^40 values.
    {
        std::vector<QByteArray> objects;
        objects.push_back(bytes({0x10, 1}));
        for (int level = 1; level <= 40; ++level) objects.push_back(bytes({0xA2, level - 1, level - 1}));
        cases.push_back({"exponential sharing", binaryPlist(objects, 40)});
    }
    for (const Case& c : cases) {
        const plist::Result r = plist::readBinary(c.file);
        EXPECT_FALSE(r.ok()) << c.what;
        EXPECT_FALSE(r.error.isEmpty()) << c.what;
    }
    // Shared references that stay small are fine.
    std::vector<QByteArray> objects;
    objects.push_back(bytes({0x10, 1}));
    for (int level = 1; level <= 10; ++level) objects.push_back(bytes({0xA2, level - 1, level - 1}));
    EXPECT_TRUE(plist::readBinary(binaryPlist(objects, 10)).ok());
}

TEST(Plist, FilesAreWrittenAtomicallyAndFormatsAreDetected) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/sub/folder/test.plist");
    QString error;
    ASSERT_TRUE(plist::writeXmlFile(path, sampleValue(), &error)) << error.toStdString();
    plist::Format format = plist::Format::Binary;
    const plist::Result r = plist::readFile(path, &format);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(format, plist::Format::Xml);
    EXPECT_TRUE(kx::ns::isEqual(r.value, sampleValue()));

    plist::read("(a, b)", &format);
    EXPECT_EQ(format, plist::Format::OpenStep);
    EXPECT_EQ(plist::read("<6869>").value.toByteArray(), QByteArray("hi"));
    EXPECT_FALSE(plist::readFile(dir.path() + QStringLiteral("/missing.plist")).ok());
    EXPECT_FALSE(plist::readFile(dir.path()).ok());
    // A folder where the file should go cannot be written over.
    EXPECT_FALSE(plist::writeXmlFile(dir.path() + QStringLiteral("/sub"), QVariantMap(), &error));
    EXPECT_FALSE(error.isEmpty());
}
