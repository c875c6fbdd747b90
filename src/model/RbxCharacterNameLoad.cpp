// The name list of the process: loading, flushing, the cache round trip and look-ups.

#include "model/RbxCharacterName.h"

#include "core/Bundle.h"
#include "core/KXUserFileAccess.h"
#include "core/Log.h"
#include "core/MainThread.h"
#include "core/Types.h"
#include "model/CharacterNameState.h"
#include "kxlib/RbxDefaults.h"
#include "core/ProcessWide.h"
#include "model/RbxSelectedFont.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QThreadPool>
#include <algorithm>

using rbx::names::state;

namespace {

// The thread that writes the cache; owned by the application object, whose end waits
// for a write under way.
QThreadPool* cacheWriter() {
    static QPointer<QThreadPool> pool;
    if (!pool && QCoreApplication::instance()) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
    }
    return pool;
}

QString msec(const QElapsedTimer& t) { return QString::number(double(t.nsecsElapsed()) / 1e6, 'f', 3); }

} // namespace

RbxCharacterNameState& RbxCharacterNameState::shared() { return kx::ProcessWide<RbxCharacterNameState>::get(); }

std::shared_ptr<RbxCharacterNameState> RbxCharacterNameState::makeDefault() {
    return std::make_shared<RbxCharacterNameState>(nullptr);
}

RbxCharacterNameState::RbxCharacterNameState(RbxSelectedFont* selectedFont) : selectedFont_(selectedFont) {}

RbxCharacterNameState::~RbxCharacterNameState() {
    // A state replaced while the program runs lets its cache write finish first; at the
    // program's end the application object has waited for it already.
    if (cacheWriting && QCoreApplication::instance())
        if (QThreadPool* pool = cacheWriter()) pool->waitForDone();
}

RbxFontRepertoire* RbxCharacterNameState::selectedFontRepertoire() const {
    return selectedFont_ ? selectedFont_->selectedFontRepertoire() : nullptr;
}

RbxCharacterName::SharedList RbxCharacterName::allNames() {
    if (!state().list) readCharacterNames();
    return state().list;
}

void RbxCharacterName::flushNames() { state().list.reset(); }

void RbxCharacterName::readCharacterNames() {
    rbx::names::State& s = state();
    const bool logTimes = RbxDefaults::userDefaults().boolForKey(rbx::key::charNames);
    QElapsedTimer timer;
    timer.start();
    if (s.cacheWritten) {
        List names = readCachedNames();
        if (names.size() == s.cachedCount) {
            s.list = std::make_shared<const List>(std::move(names));
            if (logTimes)
                kx::log(QStringLiteral("reading character name cache (%1): %2 msec").arg(s.list->size()).arg(msec(timer)));
            return;
        }
        // The cache lost records since this process wrote it: build the list again.
        kx::log(QStringLiteral("character name cache damaged (%1 of %2 names), reading the names again")
                    .arg(names.size())
                    .arg(s.cachedCount));
        s.cacheWritten = false;
        timer.restart();
    }
    const QString dataFile = kx::Bundle::mainBundle().pathForResource(QStringLiteral("UnicodeNames"), QStringLiteral("data"));
    List names = readFromFile(dataFile.isEmpty() ? QStringLiteral("UnicodeNames.data") : dataFile);
    readCustomNames(names);
    s.list = std::make_shared<const List>(std::move(names));
    if (logTimes) kx::log(QStringLiteral("reading character names: %1 msec").arg(msec(timer)));
    startCacheWrite(logTimes);
}

void RbxCharacterName::startCacheWrite(bool logTimes) {
    rbx::names::State& s = state();
    if (s.cacheWriting || !KXUserFileAccess::mayChange()) return;
    const QString path = cachedNamesPath();
    if (path.isEmpty()) return;
    // The list is never changed once made, so another thread may write it while the
    // palette goes on; the flag is set on the main thread when the file is complete.
    const SharedList list = s.list;
    // The state that started the write learns of its end, if it is still there.
    const std::weak_ptr<rbx::names::State> writer = kx::ProcessWide<rbx::names::State>::shared();
    auto finish = [list, writer, logTimes](bool ok, const QString& time) {
        const std::shared_ptr<rbx::names::State> st = writer.lock();
        if (!st) return;
        st->cacheWriting = false;
        st->cacheWritten = ok;
        st->cachedCount = list->size();
        if (logTimes) kx::log(QStringLiteral("writing character name cache (%1): %2 msec").arg(list->size()).arg(time));
    };
    QThreadPool* pool = cacheWriter();
    if (!pool) {
        QElapsedTimer timer;
        timer.start();
        const bool ok = writeCacheFile(*list, path);
        finish(ok, msec(timer));
        return;
    }
    s.cacheWriting = true;
    pool->start([list, path, finish] {
        QElapsedTimer timer;
        timer.start();
        const bool ok = writeCacheFile(*list, path);
        const QString time = msec(timer);
        kx::runOnMain([finish, ok, time] { finish(ok, time); });
    });
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
    return rbxCharacterNameForCharacter(c, *list);
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
