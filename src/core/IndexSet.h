#pragma once
// A small ordered set of non-negative integers, kept as sorted, disjoint, non-touching
// ranges, with a compact printable text form.
//
// Compact text: each character stands for six consecutive indexes (group k holds
// 6k..6k+5, bit b of the character's 6-bit value for index 6k+b), from the alphabet
// "@A-Z_a-z!%&+-/<=>$" (values 0..63); a digit d repeats the previous group's value
// d + 2 more times. Indexes are limited to 0..2^31-1.
//
// Reading: a 7-bit character that is neither a digit nor in the alphabet, and any
// character above the 7-bit range, reads as an empty group (value 0). A text that
// would reach beyond index 2^31-1 is refused: an empty set and a log line.
// Writing: a set holding an index of 2^31 or more is refused: an empty string and a
// log line.

#include "core/Types.h"

#include <QString>
#include <cstddef>
#include <vector>

namespace kx {

class IndexSet {
public:
    struct Range {
        std::size_t first;
        std::size_t last;  // inclusive
        bool operator==(const Range&) const = default;
    };

    IndexSet() = default;
    IndexSet(std::initializer_list<std::size_t> indexes);
    static IndexSet fromRange(std::size_t first, std::size_t length);

    bool isEmpty() const { return ranges_.empty(); }
    std::size_t count() const;
    bool contains(std::size_t i) const;
    // NotFound when empty.
    std::size_t firstIndex() const;
    std::size_t lastIndex() const;
    const std::vector<Range>& ranges() const { return ranges_; }
    bool operator==(const IndexSet&) const = default;

    void add(std::size_t i) { addRange(i, 1); }
    // first .. first + length - 1 (clipped at the top of the index range).
    void addRange(std::size_t first, std::size_t length);
    void remove(std::size_t i);
    void clear() { ranges_.clear(); }

    // Calls fn(index) for every member in ascending order.
    template <typename Fn> void forEach(Fn&& fn) const {
        for (const Range& r : ranges_)
            for (std::size_t i = r.first;; ++i) {
                fn(i);
                if (i == r.last) break;
            }
    }

    QString compactStringRepresentation() const;
    static IndexSet indexSetFromCompactStringRepresentation(const QString& text);

private:
    std::vector<Range> ranges_;
};

} // namespace kx
