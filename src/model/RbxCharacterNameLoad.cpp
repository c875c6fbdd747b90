// The name list of the process: loading, flushing, the cache round trip and look-ups.

#include "model/RbxCharacterName.h"

#include "kxlib/core/Bundle.h"
#include "kxlib/core/Log.h"
#include "kxlib/core/Types.h"
#include "model/CharacterNameState.h"
#include "model/ModelSettings.h"
#include "model/NameSequences.h"

#include <QElapsedTimer>
#include <algorithm>

namespace rbx::names {

State& state() {
    static State s;
    return s;
}

} // namespace rbx::names

using rbx::names::state;

namespace {

QString msec(const QElapsedTimer& t) { return QString::number(double(t.nsecsElapsed()) / 1e6, 'f', 3); }

} // namespace

RbxCharacterName::SharedList RbxCharacterName::allNames() {
    if (!state().list) readCharacterNames();
    return state().list;
}

void RbxCharacterName::flushNames() { state().list.reset(); }

void RbxCharacterName::readCharacterNames() {
    rbx::names::State& s = state();
    const bool logTimes = rbx::names::logCharacterNameTimes();
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
    List names = readFromFile(kx::Bundle::pathForResource(QStringLiteral("UnicodeNames"), QStringLiteral("data")));
    readCustomNames(names);
    s.list = std::make_shared<const List>(std::move(names));
    if (logTimes) kx::log(QStringLiteral("reading character names: %1 msec").arg(msec(timer)));
    timer.restart();
    s.cacheWritten = saveCachedNames();
    s.cachedCount = s.list->size();
    if (logTimes)
        kx::log(QStringLiteral("writing character name cache (%1): %2 msec").arg(s.list->size()).arg(msec(timer)));
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
    if (rbx::names::isLigatureValue(c)) return QStringLiteral("");
    const std::optional<RbxCharacterName> n = rbxCharacterNameForCharacter(c);
    return n ? n->name_ : QStringLiteral("");
}

QString RbxCharacterName::fullNameOfCharacter(char32_t c) {
    const QString user = userDefinedNameOfCharacter(c);
    const QString name = nameOfCharacter(c);
    if (!user.isEmpty() && !name.isEmpty()) return QStringLiteral("%1; %2").arg(user, name);
    return user.isEmpty() ? name : user;
}

void RbxCharacterName::resetForTesting() { state() = rbx::names::State(); }
