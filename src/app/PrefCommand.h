#pragma once
// The URL command "pref": runebox://pref?KEY=VALUE&... sets settings; an empty value
// removes one; without parameters the answer is the text of all current values.
//
// Only the keys of the settings-key table are accepted, and each value is taken as the
// key's type: booleans from 1/0, yes/no, true/false; integers and numbers as decimal
// text (a number within the range the key can be used with); texts as they are. Settings that hold data, lists or dictionaries cannot be set
// this way. A refused parameter is logged and changes nothing; the others are applied,
// and the command answers the refusal.

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

// Applies the URL to the store; answers the result text (parameters: none), or the
// refusal of the parameters it could not apply (KXURLHandler::refused).
QVariant preferencesViaURL(const QUrl& url, KXDefaults& defaults);

} // namespace prefcommand
