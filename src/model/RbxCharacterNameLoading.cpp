// The loading of the name list on a worker thread: names, word index, cache and index
// file, mapped (see CharacterNameLoading.h).

#include "model/CharacterNameLoading.h"

#include "core/Log.h"
#include "core/MappedFile.h"
#include "model/RbxNameIndex.h"
#include "model/RbxNameIndexFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <malloc.h>
#include <thread>

namespace rbx::names {

namespace {

using Entry = RbxCharacterNameList::Entry;

QString msec(const QElapsedTimer& t) { return QString::number(double(t.nsecsElapsed()) / 1e6, 'f', 3); }

// The bytes of a cache file read into memory, and where its names lie in them.
struct CacheBytes {
    RbxCharacterNameList::Text units;
    RbxCharacterNameList::Entries entries;
};

// The list of the cache file, a view over its bytes read into memory (so that its
// entries are those of the file); nullptr when it cannot be read. `identity` receives
// the file's identity before it was read.
RbxCharacterName::SharedList readCache(const QString& path, kx::MappedFile::Identity* identity) {
    QFile file(path);
    if (!kx::MappedFile::identityOf(path, identity) || !file.open(QIODevice::ReadOnly)) return nullptr;
    const qint64 size = file.size();
    if (size <= 8 || size > qint64(RbxCharacterName::MaxExpandedSize) * 4) return std::make_shared<const RbxCharacterNameList>();
    auto bytes = std::make_shared<CacheBytes>();
    bytes->units.resize(static_cast<std::size_t>((size + 1) / 2));
    char* data = reinterpret_cast<char*>(bytes->units.data());
    if (file.read(data, size) != size) return nullptr;
    if (!RbxCharacterName::cacheEntries(data, static_cast<std::size_t>(size), &bytes->entries))
        return std::make_shared<const RbxCharacterNameList>(
            RbxCharacterName::namesFromCacheData(QByteArray::fromRawData(data, static_cast<qsizetype>(size))));
    RbxCharacterNameList::View view;
    view.entries = bytes->entries.data();
    view.count = bytes->entries.size();
    view.text = bytes->units.data();
    view.textUnits = bytes->units.size();
    view.keep = bytes;
    return std::make_shared<const RbxCharacterNameList>(RbxCharacterNameList::viewOf(std::move(view)));
}

// The index file for the list written beside the cache, then both mapped; nothing (and
// logged) when that failed. `entries` tell where the list's names lie in the cache; the
// cache must still be the file whose identity is `expected`, when given.
std::optional<RbxNameIndexFile::Mapped> writeAndMap(const QString& namesPath, std::span<const Entry> entries,
                                                    const RbxNameIndex& index, std::uint64_t process,
                                                    const kx::MappedFile::Identity* expected) {
    QString error;
    const std::shared_ptr<const kx::MappedFile> names = kx::MappedFile::open(namesPath, &error);
    if (!names) {
        kx::log(QStringLiteral("could not map the character name cache: %1").arg(error));
        return std::nullopt;
    }
    if ((expected && names->identity() != *expected) || RbxNameIndexFile::cacheCount(*names) != entries.size())
        return std::nullopt;  // replaced meanwhile (by another copy): the names stay in memory
    const QString indexPath = RbxNameIndexFile::pathBeside(namesPath);
    const RbxNameIndexFile::Owner owner{process, names->identity(), entries.size()};
    if (!RbxNameIndexFile::write(indexPath, owner, entries, index, &error)) {
        kx::log(QStringLiteral("could not write the character name index: %1").arg(error));
        return std::nullopt;
    }
    QString why;
    std::optional<RbxNameIndexFile::Mapped> mapped = RbxNameIndexFile::map(names, indexPath, process, entries.size(), &why);
    if (!mapped) kx::log(QStringLiteral("character name index refused after writing it (%1)").arg(why));
    return mapped;
}

} // namespace

void Load::run(const std::function<void(Stage)>& reached) {
    // What the names and the index took on the heap goes back to the system once the
    // files are mapped (unless the main thread holds them still; it gives them back when
    // it lets them go).
    if (work(reached)) malloc_trim(0);
    if (reached) reached(Stage::Done);
}

bool Load::work(const std::function<void(Stage)>& reached) {
    QElapsedTimer timer;
    timer.start();
    RbxCharacterName::SharedList list;
    std::optional<kx::CharSet> defined;
    bool cacheWritten = false;
    std::size_t cachedCount = 0;
    kx::MappedFile::Identity cacheIdentity;

    // 1. The names.
    if (plan_.fromCache) {
        list = readCache(plan_.namesPath, &cacheIdentity);
        const std::size_t read = list ? list->size() : 0;
        if (list && read == plan_.cachedCount) {
            cacheWritten = true;
            cachedCount = read;
            if (plan_.logTimes)
                kx::log(QStringLiteral("reading character name cache (%1): %2 msec").arg(read).arg(msec(timer)));
        } else {
            // The cache lost records since this process wrote it: build the list again.
            kx::log(QStringLiteral("character name cache damaged (%1 of %2 names), reading the names again")
                        .arg(read)
                        .arg(plan_.cachedCount));
            list.reset();
            timer.restart();
        }
    }
    if (!list) {
        RbxCharacterName::List names = RbxCharacterName::readFromFile(plan_.dataFile, plan_.unicodeFolder, &defined);
        if (!plan_.customNames.empty()) {
            for (std::size_t i = 0; i < plan_.customNames.size(); ++i) names.append(plan_.customNames.at(i));
            RbxCharacterName::mergeNames(names);
        }
        list = std::make_shared<const RbxCharacterNameList>(std::move(names));
        if (plan_.logTimes) kx::log(QStringLiteral("reading character names: %1 msec").arg(msec(timer)));
    }
    plan_.customNames = {};
    publish([&](Made& m) {
        m.stage = Stage::Names;
        m.list = list;
        m.defined = std::move(defined);
    });
    if (reached) reached(Stage::Names);

    // 2. The word index, while another thread writes the cache when it is to be written.
    RbxCharacterNameList::Entries written;
    std::thread writer;
    bool writing = !plan_.namesPath.isEmpty() && !cacheWritten;
    bool writeOk = false;
    QString writeTime;
    if (writing) {
        writer = std::thread([&] {
            QElapsedTimer t;
            t.start();
            writeOk = RbxCharacterName::writeCacheFile(*list, plan_.namesPath, &written);
            writeTime = msec(t);
        });
    }
    std::shared_ptr<const RbxNameIndex> index = std::make_shared<const RbxNameIndex>(*list);
    publish([&](Made& m) {
        m.stage = Stage::Index;
        m.index = index;
    });
    if (reached) reached(Stage::Index);

    // 3. The index file, and the list and index over the files.
    std::optional<RbxNameIndexFile::Mapped> mapped;
    if (!plan_.namesPath.isEmpty()) {
        std::span<const Entry> entries;
        const kx::MappedFile::Identity* expected = nullptr;
        if (writing) {
            writer.join();
            cacheWritten = writeOk;
            cachedCount = list->size();
            if (plan_.logTimes)
                kx::log(QStringLiteral("writing character name cache (%1): %2 msec").arg(cachedCount).arg(writeTime));
            if (cacheWritten) entries = written;
        } else if (list->isView()) {
            // The names were read from the cache: the view's entries are the file's.
            entries = list->entries();
            expected = &cacheIdentity;
        }
        if (cacheWritten && entries.size() == list->size() && !list->empty())
            mapped = writeAndMap(plan_.namesPath, entries, *index, plan_.process, expected);
    }
    publish([&](Made& m) {
        m.stage = Stage::Done;
        m.cacheWritten = cacheWritten;
        m.cachedCount = cachedCount;
        m.mapped = mapped.has_value();
        if (mapped) {
            m.list = mapped->list;
            m.index = mapped->index;
        }
    });
    return mapped.has_value();
}

void Load::publish(const std::function<void(Made&)>& change) {
    {
        std::lock_guard lock(mutex_);
        change(made_);
    }
    changed_.notify_all();
}

Load::Made Load::made() const {
    std::lock_guard lock(mutex_);
    return made_;
}

Load::Stage Load::stage() const {
    std::lock_guard lock(mutex_);
    return made_.stage;
}

Load::Made Load::waitFor(Stage stage) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return made_.stage >= stage; });
    return made_;
}

} // namespace rbx::names
