#pragma once
// fontconfig's FcFontMatch and FcFontList for the whole process, with shortcuts for the two
// questions Qt's font database asks of every face, which fontconfig answers by going
// through all installed faces (with 2,000 faces most of the work to the palette's first
// paint):
// - the rendering settings of a face Qt loads (hinting, anti-aliasing, sub-pixel order),
//   asked as a match of a pattern that names the face's file and index: fontconfig scores
//   every face against it, although the file decides. It is answered from that face's own
//   entry, run through the same rules as fontconfig's answer.
// - the list of every face with the objects Qt reads: fontconfig matches each entry against
//   the empty pattern, copies and hashes it to leave out duplicates, of which there are none
//   when the file and index are listed. It is every face's entry as fontconfig holds it.
// Any other match or list is fontconfig's own.

namespace rbx {

// Looks up fontconfig's own functions, which the other questions are handed to; answers
// whether they were found. Called by the font backend, so that every program with fonts
// holds the shortcuts.
bool prepareFontconfigShortcuts();

} // namespace rbx
