// The name list of the process: loading (on a worker, see CharacterNameLoading.h),
// mapping the cache, flushing and look-ups.

#include "model/RbxCharacterName.h"

#include "core/Bundle.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "core/MappedFile.h"
#include "core/Types.h"
#include "model/CharacterNameLoading.h"
#include "model/CharacterNameState.h"
#include "model/RbxNameIndex.h"
#include "model/RbxNameIndexFile.h"
#include "kxlib/RbxDefaults.h"
#include "core/ProcessWide.h"
#include "model/RbxSelectedFont.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QRandomGenerator>
#include <QThreadPool>
#include <malloc.h>

using rbx::names::state;
using rbx::names::Load;
using Stage = rbx::names::Load::Stage;

namespace {

// The threads that load the names and give memory back; owned by the application
// object, whose end waits for what they do.
QThreadPool* backgroundPool() {
    static QPointer<QThreadPool> pool;
    if (!pool && QCoreApplication::instance()) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(2);
    }
    return pool;
}

QString msec(const QElapsedTimer& t) { return QString::number(double(t.nsecsElapsed()) / 1e6, 'f', 3); }

bool logTimes() { return RbxDefaults::userDefaults().boolForKey(rbx::key::charNames); }

void notifyIndexWaiters(rbx::names::State& s) {
    std::vector<std::function<void()>> waiters = std::move(s.indexWaiters);
    s.indexWaiters.clear();
    for (const std::function<void()>& fn : waiters) fn();
}

// Takes over what the loading has made: at its end everything (and the loading is
// over); before that, the names and the index made so far when they are `wanted` now or
// someone waits for the index.
void absorb(rbx::names::State& s, const std::shared_ptr<Load>& load, bool wanted) {
    if (!load || s.load != load) return;
    const Load::Made m = load->made();
    if (m.defined && !s.definedTaken) {
        s.definedTaken = true;
        rbx::names::definedCharactersFromUnicodeData(*m.defined);
    }
    if (m.stage == Stage::Done) {
        s.load.reset();
        s.cacheWritten = m.cacheWritten;
        s.cachedCount = m.cachedCount;
        RbxCharacterName::SharedList earlierList = std::move(s.list);
        std::shared_ptr<const RbxNameIndex> earlierIndex = std::move(s.index);
        if (!s.flushedDuringLoad || wanted) {
            s.list = m.list;
            s.index = m.index;
        }
        s.flushedDuringLoad = false;
        // The names and index taken before (on the heap) are let go, and their memory given
        // back, by another thread.
        if ((earlierList && earlierList != s.list) || (earlierIndex && earlierIndex != s.index)) {
            if (QThreadPool* pool = backgroundPool())
                pool->start([list = std::move(earlierList), index = std::move(earlierIndex)]() mutable {
                    list.reset();
                    index.reset();
                    malloc_trim(0);
                });
        }
        notifyIndexWaiters(s);
        return;
    }
    const bool indexWaited = m.index && !s.indexWaiters.empty();
    if (!wanted && !indexWaited) return;
    if (m.list) s.list = m.list;
    if (m.index) s.index = m.index;
    if (wanted) s.flushedDuringLoad = false;
    if (m.index) notifyIndexWaiters(s);
}

// Starts a loading on a worker: the names from the cache this process wrote (whose index
// file is unusable), or else from the data file and the custom names.
void startLoad(rbx::names::State& s, bool fromCache) {
    rbx::names::LoadPlan plan;
    plan.fromCache = fromCache;
    plan.logTimes = logTimes();
    plan.process = s.process;
    plan.cachedCount = s.cachedCount;
    const QString dataFile = kx::Bundle::mainBundle().pathForResource(QStringLiteral("UnicodeNames"), QStringLiteral("data"));
    plan.dataFile = dataFile.isEmpty() ? QStringLiteral("UnicodeNames.data") : dataFile;
    plan.unicodeFolder = RbxCharacterName::unicodeFolderPath();
    // The custom name files are small and may name emoji sequences (the emoji model
    // lives on this thread): read here; merged by the worker.
    RbxCharacterName::PuaLists pua;
    RbxCharacterName::readCustomNames(RbxCharacterName::customNameFolders(), plan.customNames, pua);
    for (auto it = pua.constBegin(); it != pua.constEnd(); ++it) s.puaLists.insert(it.key(), it.value());
    s.customNamesRead = true;
    if (KXUserFileAccess::mayChange()) plan.namesPath = RbxCharacterName::cachedNamesPath();

    const auto load = std::make_shared<Load>(std::move(plan));
    s.load = load;
    s.flushedDuringLoad = false;
    s.definedTaken = false;
    QThreadPool* pool = backgroundPool();
    if (!pool) {
        load->run({});
        absorb(s, load, true);
        return;
    }
    // The state that started the loading learns of its stages, if it is still there.
    const std::weak_ptr<rbx::names::State> owner = kx::ProcessWide<rbx::names::State>::shared();
    pool->start([load, owner] {
        load->run([&](Stage stage) {
            if (stage == Stage::Index || stage == Stage::Done)
                kx::runOnMain([load, owner] {
                    if (const std::shared_ptr<rbx::names::State> st = owner.lock()) absorb(*st, load, false);
                });
        });
    });
}

enum class Mapping { Mapped, IndexUnusable, CacheUnusable };

// The list and index over the cache this process wrote and its index file.
Mapping mapCache(rbx::names::State& s) {
    const std::shared_ptr<const kx::MappedFile> names = kx::MappedFile::open(RbxCharacterName::cachedNamesPath());
    const std::optional<std::uint64_t> count = names ? RbxNameIndexFile::cacheCount(*names) : std::nullopt;
    if (count != s.cachedCount) {
        // The cache lost records since this process wrote it: build the list again.
        kx::log(QStringLiteral("character name cache damaged (%1 of %2 names), reading the names again")
                    .arg(count.value_or(0))
                    .arg(s.cachedCount));
        s.cacheWritten = false;
        return Mapping::CacheUnusable;
    }
    QString why;
    const QString indexPath = RbxNameIndexFile::pathBeside(RbxCharacterName::cachedNamesPath());
    std::optional<RbxNameIndexFile::Mapped> mapped = RbxNameIndexFile::map(names, indexPath, s.process, *count, &why);
    if (!mapped) {
        kx::log(QStringLiteral("character name index not usable (%1), making it again").arg(why));
        return Mapping::IndexUnusable;
    }
    s.list = std::move(mapped->list);
    s.index = std::move(mapped->index);
    return Mapping::Mapped;
}

// Makes the list there (the cache mapped), or a loading under way.
void beginLoading(rbx::names::State& s) {
    if (s.list || s.load) return;
    if (s.cacheWritten) {
        QElapsedTimer timer;
        timer.start();
        const Mapping mapping = mapCache(s);
        if (mapping == Mapping::Mapped) {
            if (logTimes())
                kx::log(QStringLiteral("reading character name cache (%1): %2 msec").arg(s.list->size()).arg(msec(timer)));
            return;
        }
        startLoad(s, mapping == Mapping::IndexUnusable);
        return;
    }
    startLoad(s, false);
}

// When a mapped file was found cut short since the names were last asked for (another
// program rewrote it in place; its end reads as zeros now), the names are mapped again,
// and made again when their files are damaged, as at the start.
// Answers whether it dropped them.
bool mapAgainAfterDamage(rbx::names::State& s) {
    const std::uint64_t damaged = kx::MappedBytesGuard::damageCount();
    if (damaged == s.damagedMappings) return false;
    s.damagedMappings = damaged;
    if (!s.list && !s.index) return false;
    kx::log(QStringLiteral("a mapped file was cut short while in use; the character names are read again"));
    RbxCharacterName::flushNames();
    return true;
}

// Waits for the loading under way to reach the stage, and takes what it made.
void waitForLoading(rbx::names::State& s, Stage stage) {
    if (const std::shared_ptr<Load> load = s.load) {
        load->waitFor(stage);
        absorb(s, load, true);
    }
}

} // namespace

RbxCharacterNameState& RbxCharacterNameState::shared() { return kx::ProcessWide<RbxCharacterNameState>::get(); }

std::shared_ptr<RbxCharacterNameState> RbxCharacterNameState::makeDefault() {
    return std::make_shared<RbxCharacterNameState>(nullptr);
}

RbxCharacterNameState::RbxCharacterNameState(RbxSelectedFont* selectedFont)
    : process(QRandomGenerator::system()->generate64()), selectedFont_(selectedFont) {}

RbxCharacterNameState::~RbxCharacterNameState() {
    // A state replaced while the program runs lets its loading finish first, so that
    // it writes no files behind the next one's back. (At the program's end the
    // application object has waited for it already.)
    if (load) load->waitFor(Stage::Done);
}

RbxFontRepertoire* RbxCharacterNameState::selectedFontRepertoire() const {
    return selectedFont_ ? selectedFont_->selectedFontRepertoire() : nullptr;
}

RbxCharacterName::SharedList RbxCharacterName::allNames() {
    mapAgainAfterDamage(state());
    if (!state().list) readCharacterNames();
    return state().list;
}

RbxCharacterName::NamesAndIndex RbxCharacterName::allNamesWithIndex() {
    rbx::names::State& s = state();
    mapAgainAfterDamage(s);
    if (!s.list || !s.index) {
        beginLoading(s);
        waitForLoading(s, Stage::Index);
        // A list that came without one (never the case for a loading's).
        if (s.list && !s.index) s.index = std::make_shared<const RbxNameIndex>(*s.list);
    }
    return {s.list, s.index};
}

void RbxCharacterName::flushNames() {
    rbx::names::State& s = state();
    s.list.reset();
    s.index.reset();
    if (s.load) s.flushedDuringLoad = true;
}

void RbxCharacterName::letGoOfMappedPages() {
    if (const std::shared_ptr<const RbxNameIndex>& index = state().index) index->letGoOfPages();
}

void RbxCharacterName::readCharacterNames() {
    rbx::names::State& s = state();
    if (!s.load) {
        s.list.reset();
        s.index.reset();
    }
    beginLoading(s);
    waitForLoading(s, Stage::Names);
}

void RbxCharacterName::loadNamesInBackground() { beginLoading(state()); }

bool RbxCharacterName::readAgainIfDamaged() {
    if (!mapAgainAfterDamage(state())) return false;
    loadNamesInBackground();
    return true;
}

bool RbxCharacterName::isIndexUnderWay() {
    const rbx::names::State& s = state();
    return s.load && s.load->stage() < Stage::Index;
}

void RbxCharacterName::whenIndexReady(std::function<void()> fn) {
    if (isIndexUnderWay()) {
        state().indexWaiters.push_back(std::move(fn));
        return;
    }
    kx::runOnMain(std::move(fn));
}

std::optional<RbxCharacterName> RbxCharacterName::rbxCharacterNameForCharacter(char32_t c, const List& list) {
    return list.find(c);
}

std::optional<RbxCharacterName> RbxCharacterName::rbxCharacterNameForCharacter(char32_t c) {
    // Loading the list also reads the private-use names of the custom name files.
    const SharedList list = allNames();
    if (kx::isPrivateUse(c)) {
        if (const std::shared_ptr<const List> pua = puaNamesOfCurrentFont())
            if (std::optional<RbxCharacterName> n = rbxCharacterNameForCharacter(c, *pua)) return n;
    }
    return list ? rbxCharacterNameForCharacter(c, *list) : std::nullopt;
}

QString RbxCharacterName::nameOfCharacter(char32_t c) {
    if (isLigatureValue(c)) return QStringLiteral("");
    const std::optional<RbxCharacterName> n = rbxCharacterNameForCharacter(c);
    return n ? n->name_ : QStringLiteral("");
}

QString RbxCharacterName::fullNameOfCharacter(char32_t c) {
    const QString user = userDefinedNameOfCharacter(c);
    const QString name = nameOfCharacter(c);
    if (!user.isEmpty() && !name.isEmpty()) return QStringLiteral("%1; %2").arg(user, name);
    return user.isEmpty() ? name : user;
}
