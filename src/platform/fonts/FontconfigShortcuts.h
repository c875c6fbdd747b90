#pragma once
// fontconfig's FcFontMatch for the whole process, with a shortcut for the question Qt's font
// database asks of every face it loads, which fontconfig answers by going through all
// installed faces (with 2,000 faces a tenth of the work to the palette's first paint, and
// again at each face the palette shows): the rendering settings of the face (hinting,
// anti-aliasing, sub-pixel order), asked as a match of a pattern that names the face's file
// and index. fontconfig scores every face against it, although the file decides; it is
// answered from that face's own entry, run through the same rules as fontconfig's answer.
// Any other match is fontconfig's own.

namespace rbx {

// Looks up fontconfig's own function, which the other questions are handed to; answers
// whether it was found. Called by the font backend, so that every program with fonts holds
// the shortcut.
bool prepareFontconfigShortcuts();

} // namespace rbx
