#pragma once
// Conversion between Mac OS Roman codes and Unicode without asking the platform (the
// version of the mapping with the euro sign at 0xDB and U+F8FF, a private-use
// character, at 0xF0).

#include <cstdint>

class RbxMacRoman {
public:
    // Codes below 128 unchanged, 128..255 through the table, anything else 0.
    static char32_t unicodeForMacRoman(int code);
    // Characters below 128 unchanged; others by the reverse table; 0 when not in it.
    static int macRomanForUnicode(char32_t character);
};
