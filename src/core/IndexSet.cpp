#include "core/IndexSet.h"

#include "core/Log.h"
#include "core/Types.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace kx {

namespace {

constexpr char kAlphabet[] = "@ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz!%&+-/<=>$";
static_assert(sizeof(kAlphabet) == 65);

constexpr std::size_t kMaxIndex = std::numeric_limits<std::int32_t>::max();
constexpr std::size_t kTop = std::numeric_limits<std::size_t>::max();

// 7-bit code -> 6-bit value; characters outside the alphabet read as 0.
constexpr std::array<std::uint8_t, 128> kValueOf = [] {
    std::array<std::uint8_t, 128> t{};
    for (std::uint8_t v = 0; v < 64; ++v) t[static_cast<std::uint8_t>(kAlphabet[v])] = v;
    return t;
}();

// Bits lo..hi (inclusive) of a group value.
unsigned bits(unsigned lo, unsigned hi) { return ((1u << (hi + 1)) - 1) & ~((1u << lo) - 1); }

// Feeds group values to the run-length writer.
class CompactWriter {
public:
    // n consecutive groups of value v.
    void groups(unsigned v, std::size_t n) {
        if (n == 0) return;
        if (v != previous_) {
            flushRun();
            out_ += QLatin1Char(kAlphabet[v]);
            previous_ = v;
            run_ = 0;
            --n;
        }
        // Equal groups: every eleven become one "9".
        run_ += n;
        out_ += QString(static_cast<qsizetype>(run_ / 11), u'9');
        run_ %= 11;
    }
    QString finish() {
        flushRun();
        return out_;
    }

private:
    void flushRun() {
        if (run_ == 1) out_ += QLatin1Char(kAlphabet[previous_]);
        else if (run_ >= 2) out_ += QLatin1Char(static_cast<char>('0' + (run_ - 2)));
        run_ = 0;
    }
    QString out_;
    unsigned previous_ = 0;  // as if an empty group stood before group 0
    std::size_t run_ = 0;
};

} // namespace

IndexSet::IndexSet(std::initializer_list<std::size_t> indexes) {
    for (std::size_t i : indexes) add(i);
}

IndexSet IndexSet::fromRange(std::size_t first, std::size_t length) {
    IndexSet s;
    s.addRange(first, length);
    return s;
}

std::size_t IndexSet::count() const {
    std::size_t n = 0;
    for (const Range& r : ranges_) n += r.last - r.first + 1;
    return n;
}

bool IndexSet::contains(std::size_t i) const {
    auto it = std::lower_bound(ranges_.begin(), ranges_.end(), i,
                               [](const Range& r, std::size_t x) { return r.last < x; });
    return it != ranges_.end() && it->first <= i;
}

std::size_t IndexSet::firstIndex() const { return ranges_.empty() ? NotFound : ranges_.front().first; }
std::size_t IndexSet::lastIndex() const { return ranges_.empty() ? NotFound : ranges_.back().last; }

void IndexSet::addRange(std::size_t first, std::size_t length) {
    if (length == 0) return;
    const std::size_t last = length - 1 > kTop - first ? kTop : first + (length - 1);
    // Fast path: appending in ascending order.
    if (ranges_.empty() || ranges_.back().last < first) {
        if (!ranges_.empty() && ranges_.back().last + 1 == first) ranges_.back().last = last;
        else ranges_.push_back({first, last});
        return;
    }
    // The first range that ends at or after first - 1 (touching ranges merge).
    auto lo = std::lower_bound(ranges_.begin(), ranges_.end(), first,
                               [](const Range& r, std::size_t x) { return r.last < x && r.last + 1 < x; });
    auto hi = lo;
    Range merged{first, last};
    while (hi != ranges_.end() && (hi->first <= last || (last != kTop && hi->first == last + 1))) {
        merged.first = std::min(merged.first, hi->first);
        merged.last = std::max(merged.last, hi->last);
        ++hi;
    }
    if (lo == hi) {
        ranges_.insert(lo, merged);
    } else {
        *lo = merged;
        ranges_.erase(lo + 1, hi);
    }
}

void IndexSet::remove(std::size_t i) {
    auto it = std::lower_bound(ranges_.begin(), ranges_.end(), i,
                               [](const Range& r, std::size_t x) { return r.last < x; });
    if (it == ranges_.end() || it->first > i) return;
    if (it->first == i && it->last == i) {
        ranges_.erase(it);
    } else if (it->first == i) {
        ++it->first;
    } else if (it->last == i) {
        --it->last;
    } else {
        const Range upper{i + 1, it->last};
        it->last = i - 1;
        ranges_.insert(it + 1, upper);
    }
}

QString IndexSet::compactStringRepresentation() const {
    if (!ranges_.empty() && ranges_.back().last > kMaxIndex) {
        kx::log(QStringLiteral("compact index-set text refused: index %1 is beyond %2")
                    .arg(static_cast<qulonglong>(ranges_.back().last))
                    .arg(static_cast<qulonglong>(kMaxIndex)));
        return QString();
    }
    CompactWriter w;
    std::size_t group = 0;  // the group being filled
    unsigned value = 0;
    for (const Range& r : ranges_) {
        const std::size_t ga = r.first / 6, gb = r.last / 6;
        if (ga > group) {
            w.groups(value, 1);
            w.groups(0, ga - group - 1);
            group = ga;
            value = 0;
        }
        const auto a = static_cast<unsigned>(r.first % 6), b = static_cast<unsigned>(r.last % 6);
        if (ga == gb) {
            value |= bits(a, b);
        } else {
            w.groups(value | bits(a, 5), 1);
            w.groups(63, gb - ga - 1);
            group = gb;
            value = bits(0, b);
        }
    }
    w.groups(value, 1);  // the last group (an empty set is one empty group)
    return w.finish();
}

IndexSet IndexSet::indexSetFromCompactStringRepresentation(const QString& text) {
    IndexSet s;
    std::size_t group = 0;
    unsigned previous = 0;
    auto addGroups = [&](unsigned v, std::size_t n) {
        if (v != 0) {
            const auto highestBit = static_cast<std::size_t>(31 - __builtin_clz(v));
            if (group > kMaxIndex / 6 || (group + n - 1) * 6 + highestBit > kMaxIndex) return false;
        }
        if (v == 63) {
            s.addRange(group * 6, n * 6);
        } else if (v != 0) {
            for (std::size_t k = 0; k < n; ++k)
                for (unsigned b = 0; b < 6; ++b)
                    if (v & (1u << b)) s.add((group + k) * 6 + b);
        }
        group += n;
        return true;
    };
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        bool ok;
        if (u >= u'0' && u <= u'9') {
            ok = addGroups(previous, static_cast<std::size_t>(u - u'0') + 2);
        } else {
            previous = u < 128 ? kValueOf[u] : 0;
            ok = addGroups(previous, 1);
        }
        if (!ok) {
            kx::log(QStringLiteral("compact index-set text refused: it reaches beyond index %1")
                        .arg(static_cast<qulonglong>(kMaxIndex)));
            return IndexSet();
        }
    }
    return s;
}

} // namespace kx
