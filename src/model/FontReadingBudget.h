#pragma once
// The work that reading one font's layout tables may take.
//
// Offsets let a damaged or hostile table send its reader over the same data again and
// again: ligature sets whose ligatures share one huge ligature, subtables that all read
// one shared class lookup. A well-formed table is read in work proportional to its size,
// so one budget, sized by the tables, serves every reader of the font together (GSUB,
// morx and the one-glyph test of the candidates): no table, subtable or offset starts
// it afresh. Its unit is one piece of real work: a ligature or component visited, a
// glyph of a class lookup read, a cell of a state array packed, a step of the class
// sequence search, a character laid out in the one-glyph test.
//
// When it is spent the readers stop and keep what they found until then; the first
// reader that finds it spent logs one line. A part of it can be set aside while the
// tables are read, so that the candidates found are still tested when the tables ask
// for more than the whole.

#include <QString>
#include <cstddef>

namespace rbx::font {

class ReadingBudget {
public:
    // The budget for tables of `bytes` bytes together.
    static std::size_t unitsForTables(std::size_t bytes);

    ReadingBudget(std::size_t units, QString fontName);

    // Takes `n` units; false (and nothing taken) when fewer are left, and from then on
    // until a reserve is released.
    bool spend(std::size_t n = 1);
    // Sets `n` units aside: spend() does not reach them until release().
    void reserve(std::size_t n);
    // Makes the units set aside available again.
    void release();
    bool isSpent() const { return spent_; }
    std::size_t units() const { return units_; }
    std::size_t used() const { return used_; }
    // How often a reader asked for more after the budget was spent: readers that stop
    // at once keep this at a handful.
    std::size_t requestsAfterSpent() const { return lateRequests_; }

private:
    const std::size_t units_;
    const QString fontName_;
    std::size_t used_ = 0;
    std::size_t reserved_ = 0;
    std::size_t lateRequests_ = 0;
    bool spent_ = false;
    bool logged_ = false;
};

} // namespace rbx::font
