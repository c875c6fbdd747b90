#include "model/FontReadingBudget.h"

#include "core/Log.h"

#include <algorithm>

namespace rbx::font {

std::size_t ReadingBudget::unitsForTables(std::size_t bytes) {
    // Well-formed tables need less than one unit per byte; four leave room for tables
    // whose class lookups give whole ranges of glyphs one class.
    return std::max<std::size_t>(std::size_t(1) << 20, 4 * bytes);
}

ReadingBudget::ReadingBudget(std::size_t units, QString fontName) : units_(units), fontName_(std::move(fontName)) {}

bool ReadingBudget::spend(std::size_t n) {
    if (spent_) {
        ++lateRequests_;
        return false;
    }
    if (n > units_ - reserved_ - used_) {
        spent_ = true;
        if (!logged_)
            kx::log(QStringLiteral("reading the layout tables of %1 stopped: they ask for more than %2 units of work; "
                                   "the ligatures found until then are kept")
                        .arg(fontName_)
                        .arg(units_));
        logged_ = true;
        return false;
    }
    used_ += n;
    return true;
}

void ReadingBudget::reserve(std::size_t n) { reserved_ = std::min(n, units_ - used_); }

void ReadingBudget::release() {
    reserved_ = 0;
    spent_ = false;
}

} // namespace rbx::font
