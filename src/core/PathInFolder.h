#pragma once
// Names that come from outside (a link, a setting, a file) and are turned into paths:
// each must stay inside the folder it belongs to. The one check for all of them.

#include <QString>

namespace kx {

struct PathInFolder {
    QString path;     // the joined path when the name is accepted
    QString refusal;  // why it is not ("" when it is)
    explicit operator bool() const { return refusal.isEmpty(); }
};

// `name` (a relative path, one or more components) inside `folder`. Refused: an empty
// name, a name with a control character, an absolute name, a ".." component, and a
// name that reaches outside the folder through a symbolic link on the way (whatever of
// the path exists already is followed).
PathInFolder pathInFolder(const QString& folder, const QString& name);

// The same for the name of one file made in the folder: also refused are a "/" in it,
// a name that begins with "." (hidden, or "." and ".." themselves) and one of more
// than `maxLength` characters.
PathInFolder fileInFolder(const QString& folder, const QString& name, int maxLength = 200);

} // namespace kx
