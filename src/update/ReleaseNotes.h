#pragma once
// The release notes of the versions between the running one and the one offered, read
// as a chain of small files "<whatsnew address><key>.txt", newest first. A key is a
// version, optionally followed by "-" and a language code ("5.4-EN"). Line 1 of a file
// is the key of the next older file ("" ends the chain); every other non-empty line is
// one item. A file missing in the user's language is read in English instead (its bare
// version), with a note. The chain stops at a version not newer than the running one,
// at a key read before (a cycle) and after `maxFiles` files.

#include <QString>
#include <QStringList>

namespace update {

struct NotesPiece {
    enum Kind { LanguageNote, Heading, Items };
    Kind kind;
    QString text;   // the heading's key; the items, each "•\t<line>\n"
    bool first;     // of the first file
};

class NotesReceiver {
public:
    virtual ~NotesReceiver() = default;
    virtual void receive(const NotesPiece& piece) = 0;
};

inline constexpr int MaxNotesFiles = 50;

// Reads the chain on the calling thread; answers the number of files read.
int readReleaseNotes(const QString& key, const QString& whatsNewAddress, const QString& runningVersion,
                     NotesReceiver& receiver, int maxFiles = MaxNotesFiles);

} // namespace update
