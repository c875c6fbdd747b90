#pragma once
// The URL command "pref": runebox://pref?KEY=VALUE&... sets settings; an empty value
// removes one; without parameters the answer is the text of all current values.
//
// Only the keys of the settings-key table are accepted, and each value is taken as the
// key's type: booleans from 1/0, yes/no, true/false; integers and numbers as decimal
// text (a number within the range the key can be used with); texts as they are. Settings that hold data, lists or dictionaries (favourites,
// recent characters, per-application records, layouts of fonts) can be neither set nor
// removed this way, nor can the folder the character names are read from
// ("unicodeFolder"), and a text holding a character the settings file cannot carry is
// refused. A refused parameter is logged and the whole link changes nothing; the
// command answers the refusal. Changes that are in effect but could not be
// saved yet are answered the same way, so that the caller hears of them.

#include "kxlib/SettingsKeys.h"

#include <QString>
#include <QUrl>
#include <QVariant>
#include <optional>

class KXDefaults;

namespace prefcommand {

// The value a parameter's text stands for, or nothing when it does not fit the key's
// type (an empty text is handled by the caller: it removes the setting).
using rbx::key::coerce;
// The key's row in the settings-key table.
using rbx::key::keyInfo;

// Whether a link may set (and so remove) a setting of this type.
bool isSettableType(rbx::key::Type type);
// Whether a link may set (and so remove) this setting.
bool linkMayChange(const rbx::key::KeyInfo& info);

// Applies the URL to the store; answers the result text (parameters: none), or the
// refusal of the parameters it could not apply or not save (KXURLHandler::refused).
QVariant preferencesViaURL(const QUrl& url, KXDefaults& defaults);

} // namespace prefcommand
