// The name list and its word index as views over the mapped cache and its index file:
// they answer as the list and index in memory do, files that are damaged, cut short or
// not this process's own are refused (and made again), and a flush maps the files again.

#include "NameFixtures.h"

#include "core/AtomicFile.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/MappedFile.h"
#include "model/RbxNameFilter.h"
#include "model/RbxNameIndex.h"
#include "model/RbxNameIndexFile.h"
#include "model/RbxTextMatching.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namefix::record;

namespace {

// Names with what is easy to get wrong: surrogate pairs, keywords, accents, an empty
// name, letters and groups of every kind.
RbxCharacterName::List trickyNames() {
    RbxCharacterName::List names{
        RbxCharacterName(0x20, 0, 150, QStringLiteral("SPACE")),
        RbxCharacterName(0x41, 'A', 150, QStringLiteral("LATIN CAPITAL LETTER A")),
        RbxCharacterName(0x61, 'A', 150, QStringLiteral("LATIN SMALL LETTER A")),
        RbxCharacterName(0xE9, 'E', 150, QString::fromUtf8("LATIN SMALL LETTER E WITH ACUTE; é café")),
        RbxCharacterName(0x2190, 0, 150, QStringLiteral("LEFTWARDS ARROW")),
        RbxCharacterName(0x21D0, 0, 150, QStringLiteral("LEFTWARDS DOUBLE ARROW; left-arrow")),
        RbxCharacterName(0x1D400, 'A', 150, QString::fromUtf8("MATHEMATICAL BOLD CAPITAL A; 𝐀 bold")),
        RbxCharacterName(0x1F600, 0, 250, QString::fromUtf8("GRINNING FACE; 😀 face grin smile")),
        RbxCharacterName(0xA0017, 0, 0, QString::fromUtf8("FLAG: ÅLAND ISLANDS")),
        RbxCharacterName(0xA1003, 0, 100, QString()),
        RbxCharacterName(0x10FFFD, 'Z', 7, QStringLiteral("PLANE 16 PRIVATE USE-10FFFD ZZ")),
    };
    // Enough records for the index's tables to span pages.
    for (char32_t c = 0x4E00; c < 0x4E00 + 3000; ++c)
        names.append(RbxCharacterName(c, 0, 150, QStringLiteral("CJK UNIFIED IDEOGRAPH-%1").arg(uint(c), 4, 16).toUpper()));
    names.sort();
    return names;
}

// A cache and its index file written for a list, as a loading writes them.
struct Files {
    explicit Files(const RbxCharacterName::List& list, std::uint64_t owner = 42) : process(owner) {
        names = dir.filePath(QStringLiteral("names"));
        index = RbxNameIndexFile::pathBeside(names);
        RbxCharacterNameList::Entries entries;
        EXPECT_TRUE(RbxCharacterName::writeCacheFile(list, names, &entries));
        const auto mapped = kx::MappedFile::open(names);
        QString error;
        EXPECT_TRUE(RbxNameIndexFile::write(index, {owner, mapped->identity(), list.size()}, entries, RbxNameIndex(list), &error))
            << error.toStdString();
    }
    std::optional<RbxNameIndexFile::Mapped> map(std::uint64_t owner, std::uint64_t count, QString* why = nullptr) const {
        return RbxNameIndexFile::map(kx::MappedFile::open(names), index, owner, count, why);
    }
    QByteArray indexBytes() const {
        QFile f(index);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    QString names, index;
    std::uint64_t process;
};

void expectSameRecords(const RbxCharacterName::List& a, const RbxCharacterName::List& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a.character(i), b.character(i)) << i;
        EXPECT_EQ(a.letter(i), b.letter(i)) << i;
        EXPECT_EQ(a.group(i), b.group(i)) << i;
        EXPECT_EQ(a.nameView(i), b.nameView(i)) << i;
    }
}

struct Query {
    QStringList words;
    std::uint32_t letters;
};

const std::vector<Query>& queries() {
    static const std::vector<Query> q = {
        {{QStringLiteral("latin")}, 0},
        {{QStringLiteral("letter"), QStringLiteral("small")}, 0},
        {{}, 1u << 0},
        {{QStringLiteral("latin")}, 1u << 0},
        {{}, 1u << 25},
        {{QStringLiteral("arrow")}, 0},
        {{QStringLiteral("left-arrow")}, 0},
        {{QStringLiteral("-")}, 0},
        {{QStringLiteral("ideograph-4e1")}, 0},
        {{QStringLiteral("4e0")}, 0},
        {{QStringLiteral("cafe")}, 0},
        {{QString::fromUtf8("ÅLAND")}, 0},
        {{QString::fromUtf8("😀")}, 0},
        {{QString::fromUtf8("𝐀")}, 0},
        {{QStringLiteral("grin"), QStringLiteral("face")}, 0},
        {{QStringLiteral("zzz")}, 0},
        {{QStringLiteral("; ")}, 0},
    };
    return q;
}

std::vector<std::uint32_t> matching(const RbxNameIndex& index, const Query& q) {
    std::vector<rbx::FoldedWord> words;
    for (const QString& w : q.words) words.emplace_back(w);
    return index.matching(words, q.letters);
}

// Everything a look-up or a search reads, on a list and index that may be damaged.
void useEverything(const RbxNameIndexFile::Mapped& m) {
    const RbxCharacterName::List& list = *m.list;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const RbxCharacterName rec = list.at(i);
        (void)rec.keywords();
    }
    for (char32_t c : {U'A', U'\u2190', U'\U0001F600', U'\u4E10', U'\U0010FFFD', U'B'}) (void)list.find(c);
    for (const Query& q : queries())
        for (std::uint32_t r : matching(*m.index, q)) EXPECT_LT(r, list.size());
    (void)m.index->namedCharacters();
}

} // namespace

TEST(MappedNames, AnswerExactlyAsTheListInMemory) {
    const RbxCharacterName::List list = trickyNames();
    const Files files(list);
    const auto mapped = files.map(files.process, list.size());
    ASSERT_TRUE(mapped);
    const RbxCharacterName::List& view = *mapped->list;
    EXPECT_TRUE(view.isView());
    EXPECT_FALSE(list.isView());
    expectSameRecords(view, list);
    EXPECT_TRUE(view.isSorted());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::optional<RbxCharacterName> found = view.find(list.character(i));
        ASSERT_TRUE(found);
        EXPECT_EQ(found->name(), list.at(i).name());
        EXPECT_EQ(found->letter(), list.letter(i));
        EXPECT_EQ(view.indexOfCharacter(list.character(i)), i);
    }
    for (char32_t absent : {U'\0', U'B', U'\u4DFF', U'\U0010FFFF'}) EXPECT_FALSE(view.find(absent)) << uint(absent);
    // Names with surrogate pairs and keywords come back whole.
    EXPECT_EQ(view.find(0x1D400)->keywords(), QString::fromUtf8("𝐀 bold"));
    EXPECT_EQ(view.find(0x1F600)->plainName(), QStringLiteral("GRINNING FACE"));
    EXPECT_EQ(view.find(0xA1003)->name(), QString());
    // A copy that is changed becomes a list of its own; the view stays as it was.
    RbxCharacterName::List changed = view;
    changed.append(RbxCharacterName(0x10FFFF, QStringLiteral("LAST")));
    EXPECT_FALSE(changed.isView());
    EXPECT_EQ(changed.size(), list.size() + 1);
    EXPECT_EQ(changed.at(changed.size() - 1).name(), QStringLiteral("LAST"));
    EXPECT_EQ(changed.find(0x1F600)->name(), list.find(0x1F600)->name());
    EXPECT_EQ(view.size(), list.size());
}

TEST(MappedNames, TheIndexOverTheFileFindsWhatTheIndexInMemoryFinds) {
    const RbxCharacterName::List list = trickyNames();
    const Files files(list);
    const auto mapped = files.map(files.process, list.size());
    ASSERT_TRUE(mapped);
    const RbxNameIndex inMemory(list);
    for (const Query& q : queries()) {
        const std::vector<std::uint32_t> expected = matching(inMemory, q);
        EXPECT_EQ(matching(*mapped->index, q), expected) << q.words.join(u' ').toStdString();
    }
    EXPECT_FALSE(matching(inMemory, queries()[0]).empty());
    EXPECT_EQ(matching(inMemory, {{QString::fromUtf8("😀")}, 0}), std::vector<std::uint32_t>{std::uint32_t(list.indexOfCharacter(0x1F600))});
    EXPECT_EQ(mapped->index->namedCharacters(), inMemory.namedCharacters());
    EXPECT_TRUE(mapped->index->namedCharacters().contains(0x4E00 + 2999));
    EXPECT_FALSE(mapped->index->namedCharacters().contains(0x4E00 + 3000));
}

TEST(MappedNames, FilesOfAnotherProcessOrCacheAreRefused) {
    const RbxCharacterName::List list = trickyNames();
    const Files files(list, 42);
    QString why;
    EXPECT_FALSE(files.map(43, list.size(), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(files.map(42, list.size() - 1, &why));
    EXPECT_TRUE(files.map(42, list.size()));
    // The cache replaced by the same bytes is another file: the index is not for it.
    QFile cache(files.names);
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    ASSERT_TRUE(kx::writeFileAtomically(files.names, cache.readAll()));
    why.clear();
    EXPECT_FALSE(files.map(42, list.size(), &why));
    EXPECT_FALSE(why.isEmpty());
    // No index file, an empty one, or one of another kind.
    QFile::remove(files.index);
    EXPECT_FALSE(files.map(42, list.size()));
    namefix::writeFile(files.index, QByteArray());
    EXPECT_FALSE(files.map(42, list.size()));
    namefix::writeFile(files.index, QByteArray(4096, 'x'));
    EXPECT_FALSE(files.map(42, list.size()));
}

TEST(MappedNames, IndexFilesCutShortOrDamagedAreRefusedOrReadSafely) {
    RbxCharacterName::List list{RbxCharacterName(0x41, 'A', 150, QStringLiteral("LATIN CAPITAL LETTER A")),
                                RbxCharacterName(0x2190, 0, 150, QStringLiteral("LEFTWARDS ARROW")),
                                RbxCharacterName(0x1F600, 0, 250, QString::fromUtf8("GRINNING FACE; 😀 face-grin")),
                                RbxCharacterName(0x10FFFD, 'Z', 7, QString::fromUtf8("ÅLAND ZZ"))};
    const Files files(list);
    const QByteArray good = files.indexBytes();
    ASSERT_GT(good.size(), 0);
    // Cut anywhere: refused.
    for (qsizetype cut = 0; cut < good.size(); ++cut) {
        namefix::writeFile(files.index, good.left(cut));
        EXPECT_FALSE(files.map(files.process, list.size())) << cut;
    }
    // One byte changed anywhere, or everything from some byte on overwritten: refused,
    // or mapped and every look-up and search answers without reading past the files.
    int refused = 0, mapped = 0;
    for (qsizetype at = 0; at < good.size(); ++at) {
        for (const bool toTheEnd : {false, true}) {
            QByteArray damaged = good;
            if (toTheEnd)
                std::fill(damaged.begin() + at, damaged.end(), char(0xFF));
            else
                damaged[at] = char(damaged[at] ^ 0x5A);
            namefix::writeFile(files.index, damaged);
            if (const auto m = files.map(files.process, list.size())) {
                ++mapped;
                useEverything(*m);
            } else {
                ++refused;
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(mapped, 0);
    namefix::writeFile(files.index, good);
    EXPECT_TRUE(files.map(files.process, list.size()));
}

TEST(MappedNames, AListViewChecksItsEntriesAgainstTheText) {
    // Entries that point past the text (a damaged table) give empty names.
    const std::vector<RbxCharacterNameList::Entry> entries = {{0x41, 'A', 150, 0, 3}, {0x42, 0, 0, 2, 5}, {0x43, 0, 0, 0xFFFFFFFF, 2}};
    const char16_t text[] = u"ABCD";
    RbxCharacterNameList::View view;
    view.entries = entries.data();
    view.count = entries.size();
    view.text = text;
    view.textUnits = 4;
    const RbxCharacterName::List list = RbxCharacterNameList::viewOf(view);
    EXPECT_EQ(list.nameView(0), QStringLiteral("ABC"));
    EXPECT_TRUE(list.nameView(1).isEmpty());
    EXPECT_TRUE(list.nameView(2).isEmpty());
    EXPECT_EQ(list.find(0x43)->name(), QString());
}

namespace {

// The name files of a scratch bundle with a few names, custom names among them.
struct LoadedBundle : namefix::ScratchBundle {
    LoadedBundle() {
        writeNames(record(65, 'A', "LATIN CAPITAL LETTER A") + record(97, 'A', "LATIN SMALL LETTER A") +
                   record(0x2190, ' ', "LEFTWARDS ARROW") + record(0x1F600, ' ', "GRINNING FACE"));
        write(QStringLiteral("Character Names/Keywords.txt"), "160 [GROUP]\nU+1F600 smile \xF0\x9F\x98\x80\nU+1D400 BOLD A\n");
    }
};

// Whether the loading is over and the list is a view over the mapped cache.
bool mappedNow() {
    const RbxCharacterName::SharedList list = RbxCharacterName::allNames();
    return list && list->isView() && !rbx::names::state().load;
}

QString indexPath() { return RbxNameIndexFile::pathBeside(RbxCharacterName::cachedNamesPath()); }

std::uint64_t process() { return rbx::names::state().process; }

} // namespace

TEST(MappedNames, TheFirstLoadingLeavesTheNamesInMappedFiles) {
    LoadedBundle bundle;
    const RbxCharacterName::SharedList first = RbxCharacterName::allNames();
    ASSERT_EQ(first->size(), 5u);
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QString::fromUtf8("GRINNING FACE; smile 😀"));
    ASSERT_TRUE(rbxtest::waitFor(RbxCharacterName::isCacheWritten));
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    EXPECT_TRUE(QFileInfo::exists(RbxCharacterName::cachedNamesPath()));
    EXPECT_TRUE(QFileInfo::exists(indexPath()));
    const RbxCharacterName::SharedList mapped = RbxCharacterName::allNames();
    expectSameRecords(*mapped, *first);
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1D400), QStringLiteral("BOLD A"));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x42), QString());
    // The cache keeps its own layout: the list read from it as ever is the same.
    QFile cache(RbxCharacterName::cachedNamesPath());
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    expectSameRecords(RbxCharacterName::namesFromCacheData(cache.readAll()), *mapped);
    // The search goes through the mapped index.
    EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("smile"))),
              kx::CharSet::fromString(QString::fromUtf8("😀")));
    EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("a"))),
              kx::CharSet::fromString(QStringLiteral("Aa")));
}

TEST(MappedNames, AFlushMapsTheFilesAgainWithoutWritingThem) {
    LoadedBundle bundle;
    namefix::FreshDefaults defaults;
    defaults->setBool(true, QStringLiteral("charNames"));
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    kx::MappedFile::Identity namesBefore, indexBefore;
    ASSERT_TRUE(kx::MappedFile::identityOf(RbxCharacterName::cachedNamesPath(), &namesBefore));
    ASSERT_TRUE(kx::MappedFile::identityOf(indexPath(), &indexBefore));
    const RbxCharacterName::SharedList before = RbxCharacterName::allNames();

    kx::LogCapture log;
    RbxCharacterName::flushNames();
    EXPECT_TRUE(RbxCharacterName::allNames()->isView());  // at once, no loading
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x2190), QStringLiteral("LEFTWARDS ARROW"));
    EXPECT_TRUE(RbxCharacterName::allNamesWithIndex().index);
    EXPECT_TRUE(log.contains(QStringLiteral("reading character name cache (5)")));
    EXPECT_FALSE(log.contains(QStringLiteral("writing")));
    EXPECT_FALSE(log.contains(QStringLiteral("not usable")));
    kx::MappedFile::Identity namesAfter, indexAfter;
    ASSERT_TRUE(kx::MappedFile::identityOf(RbxCharacterName::cachedNamesPath(), &namesAfter));
    ASSERT_TRUE(kx::MappedFile::identityOf(indexPath(), &indexAfter));
    EXPECT_EQ(namesAfter, namesBefore);
    EXPECT_EQ(indexAfter, indexBefore);
    // A list handed out before the flush stays usable.
    EXPECT_EQ(before->find(0x41)->name(), QStringLiteral("LATIN CAPITAL LETTER A"));
}

TEST(MappedNames, AnUnusableIndexFileIsMadeAgain) {
    LoadedBundle bundle;
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    QFile file(indexPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();

    // The index file of another process, written for the same cache.
    QByteArray foreign;
    {
        const auto names = kx::MappedFile::open(RbxCharacterName::cachedNamesPath());
        RbxCharacterNameList::Entries entries;
        RbxCharacterName::cacheEntries(names->data(), names->size(), &entries);
        const RbxCharacterName::List list = RbxCharacterName::readCachedNames(RbxCharacterName::cachedNamesPath());
        ASSERT_TRUE(RbxNameIndexFile::write(indexPath(), {process() + 1, names->identity(), list.size()}, entries,
                                            RbxNameIndex(list), nullptr));
        QFile f(indexPath());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        foreign = f.readAll();
    }
    QByteArray flipped = good;
    flipped[20] = char(flipped[20] ^ 1);
    const struct {
        const char* what;
        std::optional<QByteArray> bytes;  // nothing: no file
    } cases[] = {{"missing", std::nullopt},          {"empty", QByteArray()},
                 {"cut short", good.left(good.size() / 2)}, {"header damaged", flipped},
                 {"another process's", foreign},     {"garbage", QByteArray(good.size(), '\x7F')}};
    for (const auto& c : cases) {
        QFile::remove(indexPath());
        if (c.bytes) {
            ASSERT_TRUE(kx::writeFileAtomically(indexPath(), *c.bytes));
        }
        RbxCharacterName::flushNames();
        kx::LogCapture log;
        EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QString::fromUtf8("GRINNING FACE; smile 😀")) << c.what;
        EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("arrow"))),
                  kx::CharSet::fromString(QStringLiteral("\u2190")))
            << c.what;
        EXPECT_TRUE(log.contains(QStringLiteral("character name index not usable"))) << c.what;
        // Made again, for this process and the cache as it is.
        ASSERT_TRUE(rbxtest::waitFor(mappedNow)) << c.what;
        EXPECT_TRUE(RbxNameIndexFile::map(kx::MappedFile::open(RbxCharacterName::cachedNamesPath()), indexPath(), process(), 5, nullptr))
            << c.what;
        RbxCharacterName::flushNames();
        log.clear();
        EXPECT_TRUE(RbxCharacterName::allNames()->isView()) << c.what;
        EXPECT_FALSE(log.contains(QStringLiteral("not usable"))) << c.what;
    }
}

TEST(MappedNames, ACacheCutShortDamagedOrReplacedIsReadAgain) {
    LoadedBundle bundle;
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    const QString path = RbxCharacterName::cachedNamesPath();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray good = file.readAll();
    file.close();
    ASSERT_GT(good.size(), 16);
    QByteArray countChanged = good;
    countChanged[0] = char(countChanged[0] + 1);

    // Each as another program would leave the file: replaced whole, or (`inPlace`) cut
    // where it lies while this process holds no list over it.
    const struct {
        const char* what;
        std::optional<QByteArray> bytes;  // nothing: no file
        bool inPlace;
    } cases[] = {{"missing", std::nullopt, false},
                 {"empty", QByteArray(), false},
                 {"cut short", good.left(good.size() / 2), false},
                 {"cut short where it lies", good.left(good.size() - 6), true},
                 {"a wrong record count", countChanged, false},
                 {"garbage of the same size", QByteArray(good.size(), '\x7F'), false},
                 {"the same names written by another copy", good, false}};
    for (const auto& c : cases) {
        RbxCharacterName::flushNames();
        if (!c.bytes) {
            QFile::remove(path);
        } else if (c.inPlace) {
            ASSERT_TRUE(QFile::resize(path, c.bytes->size())) << c.what;
        } else {
            ASSERT_TRUE(kx::writeFileAtomically(path, *c.bytes)) << c.what;
        }
        kx::LogCapture log;
        EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QString::fromUtf8("GRINNING FACE; smile 😀")) << c.what;
        EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x2190), QStringLiteral("LEFTWARDS ARROW")) << c.what;
        EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("arrow"))),
                  kx::CharSet::fromString(QStringLiteral("\u2190")))
            << c.what;
        EXPECT_TRUE(log.contains(QStringLiteral("character name cache damaged")) ||
                    log.contains(QStringLiteral("character name index not usable")))
            << c.what;
        // Written again, and from then on the names are views over the files once more.
        ASSERT_TRUE(rbxtest::waitFor(mappedNow)) << c.what;
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), good) << c.what;
        file.close();
        RbxCharacterName::flushNames();
        EXPECT_TRUE(RbxCharacterName::allNames()->isView()) << c.what;
        EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x41), QStringLiteral("LATIN CAPITAL LETTER A")) << c.what;
    }
}

namespace {

// The resident kilobytes of this process's mappings of a file (/proc/self/smaps).
qint64 residentKiBOfFile(const QString& path) {
    const QByteArray wanted = QFile::encodeName(QFileInfo(path).canonicalFilePath());
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly)) return -1;
    qint64 kib = 0;
    bool inFile = false;
    for (const QByteArray& line : smaps.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 5 && fields[0].contains('-') && !fields[0].endsWith(':'))
            inFile = fields.size() >= 6 && fields[5] == wanted;
        else if (inFile && fields.size() >= 2 && fields[0] == "Rss:")
            kib += fields[1].toLongLong();
    }
    return kib;
}

} // namespace

TEST(MappedNames, PagesASearchReadAreHandedBackOnceSearchingPauses) {
    LoadedBundle bundle;
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    RbxCharacterName::flushNames();
    RbxCharacterName::allNames();
    const QString names = RbxCharacterName::cachedNamesPath();

    RbxNameFilter::setFilter(QStringLiteral("arrow"));
    EXPECT_EQ(RbxNameFilter::filteredCharacters(), kx::CharSet::fromString(QStringLiteral("\u2190")));
    EXPECT_GT(residentKiBOfFile(indexPath()), 0);
    // Searches typed one after another keep what they read.
    RbxNameFilter::setFilter(QStringLiteral("smile"));
    EXPECT_EQ(RbxNameFilter::filteredCharacters(), kx::CharSet::fromString(QString::fromUtf8("😀")));
    rbxtest::spinEventLoop(RbxNameFilterState::LetGoDelayMs / 5);
    EXPECT_GT(residentKiBOfFile(indexPath()), 0);
    // Once they pause, none of the files' pages stays.
    EXPECT_TRUE(rbxtest::waitFor([&] { return residentKiBOfFile(indexPath()) == 0 && residentKiBOfFile(names) == 0; },
                                 RbxNameFilterState::LetGoDelayMs * 4));
    // The next search and look-up read them again.
    RbxNameFilter::setFilter(QStringLiteral("latin"));
    EXPECT_EQ(RbxNameFilter::filteredCharacters(), kx::CharSet::fromString(QStringLiteral("Aa")));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x1F600), QString::fromUtf8("GRINNING FACE; smile 😀"));
    EXPECT_GT(residentKiBOfFile(indexPath()), 0);
    RbxNameFilter::setFilter(QString());
}

TEST(MappedNames, ACacheInTheOtherByteOrderIsReadIntoMemory) {
    namefix::ScratchBundle bundle;
    bundle.writeNames(record(65, 'A', "AB"));
    RbxCharacterName::allNames();
    ASSERT_TRUE(rbxtest::waitFor(mappedNow));
    // One record: count, text length 6, code point, letter, group, then "AB" with its mark
    // in the other byte order, padded to 4 bytes.
    QByteArray swapped;
    auto put = [&](auto v) { swapped.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(std::uint64_t(1));
    put(std::uint64_t(6));
    put(std::uint32_t(65));
    put(std::uint16_t('A'));
    put(std::uint16_t(150));
    for (char16_t u : {char16_t(0xFEFF), char16_t(u'A'), char16_t(u'B')}) put(char16_t((u << 8) | (u >> 8)));
    put(std::uint16_t(0));
    RbxCharacterNameList::Entries entries;
    EXPECT_FALSE(RbxCharacterName::cacheEntries(swapped.constData(), std::size_t(swapped.size()), &entries));
    ASSERT_TRUE(kx::writeFileAtomically(RbxCharacterName::cachedNamesPath(), swapped));
    RbxCharacterName::flushNames();
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(65), QStringLiteral("AB"));
    EXPECT_FALSE(RbxCharacterName::allNames()->isView());
    EXPECT_TRUE(RbxCharacterName::isCacheWritten());
}

TEST(MappedNames, WithoutLeaveToWriteTheNamesStayInMemory) {
    LoadedBundle bundle;
    rbxtest::ScopedInstance<KXUserFileAccess> reading(std::make_shared<KXUserFileAccess>(KXUserFileAccess::Mode::ReadOnly));
    EXPECT_EQ(RbxCharacterName::nameOfCharacter(0x2190), QStringLiteral("LEFTWARDS ARROW"));
    EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("smile"))),
              kx::CharSet::fromString(QString::fromUtf8("😀")));
    EXPECT_TRUE(rbxtest::waitFor([] { return !rbx::names::state().load; }));
    EXPECT_FALSE(RbxCharacterName::allNames()->isView());
    EXPECT_FALSE(RbxCharacterName::isCacheWritten());
    EXPECT_FALSE(QFileInfo::exists(namefix::cacheFile(QStringLiteral("names"))));
    EXPECT_FALSE(QFileInfo::exists(namefix::cacheFile(QStringLiteral("names.index"))));
}

TEST(MappedNames, ASearchWaitsForTheIndexUnderWayAndIsToldOnce) {
    LoadedBundle bundle;
    RbxNameFilter::prepareIndex();
    int told = 0;
    QObject context;
    RbxNameFilter::whenIndexReady(&context, [&] { ++told; });
    {
        QObject gone;
        RbxNameFilter::whenIndexReady(&gone, [&] { told += 100; });
    }
    // A search made now waits for the index (whether or not it is made yet).
    EXPECT_EQ(RbxNameFilter::characterSetForCharacters(RbxNameFilter::namesMatchingSearchString(QStringLiteral("leftwards"))),
              kx::CharSet::fromString(QStringLiteral("\u2190")));
    EXPECT_TRUE(rbxtest::waitFor([&] { return told > 0; }));
    rbxtest::spinEventLoop(100);
    EXPECT_EQ(told, 1);
    EXPECT_FALSE(RbxCharacterName::isIndexUnderWay());
}
