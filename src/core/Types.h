#pragma once
// Small shared vocabulary.

#include <cstddef>
#include <cstdint>
#include <limits>

namespace kx {

// "No index" / "not found" for positions and indexes.
inline constexpr std::size_t NotFound = std::numeric_limits<std::size_t>::max();

// A Unicode code point; 0 means none.
using Char = char32_t;

inline constexpr char32_t LastCodePoint = 0x10FFFF;

inline constexpr bool isPrivateUse(char32_t c) {
    return (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xF0000 && c <= 0xFFFFD) ||
           (c >= 0x100000 && c <= 0x10FFFD);
}

} // namespace kx
