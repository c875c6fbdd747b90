#include "core/KXIntegerArray.h"

#include "core/Log.h"
#include "core/StringExtensions.h"

#include <QtEndian>
#include <algorithm>
#include <functional>
#include <limits>
#include <new>

namespace {

constexpr qint64 kMaxCount = std::numeric_limits<std::int32_t>::max();

qint64 roundUp16(qint64 n) { return (n + 15) & ~qint64{15}; }

bool isDigit(char16_t u) { return u >= u'0' && u <= u'9'; }

} // namespace

KXIntegerArray::KXIntegerArray(qint64 capacity) {
    if (capacity >= 1) needSpace(capacity);
}

bool KXIntegerArray::needSpace(qint64 n) {
    if (n > kMaxCount) {
        kx::log(QStringLiteral("KXIntegerArray: refused room for %1 values").arg(n));
        return false;
    }
    if (n <= capacity()) return true;
    try {
        // The vector's own growth is geometric underneath; its size is the 16-slot capacity.
        arr_.resize(static_cast<std::size_t>(std::min(roundUp16(n), kMaxCount)), 0);
    } catch (const std::bad_alloc&) {
        kx::log(QStringLiteral("KXIntegerArray: no memory for %1 values").arg(n));
        return false;
    }
    return true;
}

KXIntegerArray KXIntegerArray::arrayWithData(const QByteArray& data) {
    KXIntegerArray a;
    const qint64 n = data.size() / 4;
    if (n == 0 || !a.needSpace(n)) return a;
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    for (qint64 i = 0; i < n; ++i)
        a.arr_[static_cast<std::size_t>(i)] = qFromBigEndian<std::int32_t>(p + 4 * i);
    a.count_ = static_cast<int>(n);
    return a;
}

KXIntegerArray KXIntegerArray::arrayWithString(const QString& text) {
    KXIntegerArray a(10);
    bool minus = false;
    bool inNumber = false;
    std::uint32_t number = 0;  // wraps like the 32-bit value it ends up in
    auto finish = [&] {
        const auto v = static_cast<std::int32_t>(minus ? 0u - number : number);
        a.addInteger(v);
        minus = false;
        inNumber = false;
        number = 0;
    };
    for (QChar qc : text) {
        const char16_t u = qc.unicode();
        if (isDigit(u)) {
            number = number * 10u + static_cast<std::uint32_t>(u - u'0');
            inNumber = true;
        } else if (inNumber) {
            finish();
        } else {
            minus = (u == u'-');
        }
    }
    if (inNumber) finish();
    a.trim();
    return a;
}

KXIntegerArray KXIntegerArray::arrayWithUTF32Numbers(const QString& text) {
    KXIntegerArray a(text.size());
    for (kx::str::CodePointIterator it(text); it.hasNext();) {
        const char32_t c = it.next();
        // A high surrogate without its partner is dropped; the next unit is read normally.
        if (it.brokenHalf() && QChar::isHighSurrogate(c)) continue;
        a.addInteger(static_cast<std::int32_t>(c));
    }
    a.trim();
    return a;
}

std::uint32_t KXIntegerArray::hash() const {
    if (count_ == 0) return 0;
    const auto first = static_cast<std::uint32_t>(arr_[0]);
    const auto last = static_cast<std::uint32_t>(arr_[static_cast<std::size_t>(count_ - 1)]);
    return (last + (first << 5)) | static_cast<std::uint32_t>(count_);
}

bool KXIntegerArray::operator==(const KXIntegerArray& other) const {
    if (count_ != other.count_) return false;
    return std::equal(arr_.begin(), arr_.begin() + count_, other.arr_.begin());
}

bool KXIntegerArray::isEqualTo(const KXIntegerArray& other, std::size_t exceptIndex) const {
    if (count_ != other.count_) return false;
    for (int i = 0; i < count_; ++i) {
        if (static_cast<std::size_t>(i) == exceptIndex) continue;
        if (arr_[static_cast<std::size_t>(i)] != other.arr_[static_cast<std::size_t>(i)]) return false;
    }
    return true;
}

std::size_t KXIntegerArray::indexOfFirstDifferenceFrom(const KXIntegerArray& other) const {
    const int n = std::min(count_, other.count_);
    for (int i = 0; i < n; ++i)
        if (arr_[static_cast<std::size_t>(i)] != other.arr_[static_cast<std::size_t>(i)])
            return static_cast<std::size_t>(i);
    return kx::NotFound;
}

int KXIntegerArray::compare(const KXIntegerArray& other) const {
    const std::size_t d = indexOfFirstDifferenceFrom(other);
    if (d != kx::NotFound) return arr_[d] < other.arr_[d] ? -1 : 1;
    if (count_ == other.count_) return 0;
    return count_ < other.count_ ? -1 : 1;
}

std::int32_t KXIntegerArray::integerAtIndex(std::size_t i) const {
    return i < static_cast<std::size_t>(count_) ? arr_[i] : 0;
}

std::size_t KXIntegerArray::indexOfInteger(std::int32_t v) const {
    return indexOfInteger(v, 0, static_cast<std::size_t>(count_));
}

std::size_t KXIntegerArray::indexOfInteger(std::int32_t v, std::size_t location, std::size_t length) const {
    const auto n = static_cast<std::size_t>(count_);
    if (location >= n) return kx::NotFound;
    const std::size_t end = length > n - location ? n : location + length;
    for (std::size_t i = location; i < end; ++i)
        if (arr_[i] == v) return i;
    return kx::NotFound;
}

bool KXIntegerArray::setInteger(std::int32_t v, std::size_t i) {
    if (i >= static_cast<std::size_t>(kMaxCount)) {
        kx::log(QStringLiteral("KXIntegerArray: index %1 refused").arg(static_cast<qulonglong>(i)));
        return false;
    }
    const auto index = static_cast<qint64>(i);
    if (!needSpace(index + 1)) return false;
    arr_[i] = v;
    if (index >= count_) count_ = static_cast<int>(index + 1);
    return true;
}

bool KXIntegerArray::insertInteger(std::int32_t v, std::size_t i) {
    if (i >= static_cast<std::size_t>(count_)) return setInteger(v, i);
    if (!needSpace(qint64{count_} + 1)) return false;
    std::move_backward(arr_.begin() + static_cast<qsizetype>(i), arr_.begin() + count_,
                       arr_.begin() + count_ + 1);
    arr_[i] = v;
    ++count_;
    return true;
}

bool KXIntegerArray::addIntegerArray(const KXIntegerArray& other) {
    if (other.count_ == 0) return true;
    if (!needSpace(qint64{count_} + other.count_)) return false;
    std::copy(other.arr_.begin(), other.arr_.begin() + other.count_, arr_.begin() + count_);
    count_ += other.count_;
    return true;
}

void KXIntegerArray::removeIntegerAtIndex(std::size_t i) {
    if (i >= static_cast<std::size_t>(count_)) return;
    std::move(arr_.begin() + static_cast<qsizetype>(i) + 1, arr_.begin() + count_,
              arr_.begin() + static_cast<qsizetype>(i));
    --count_;
    arr_[static_cast<std::size_t>(count_)] = 0;
}

void KXIntegerArray::removeInteger(std::int32_t v) {
    auto end = std::remove(arr_.begin(), arr_.begin() + count_, v);
    const auto kept = static_cast<int>(end - arr_.begin());
    std::fill(end, arr_.begin() + count_, 0);
    count_ = kept;
}

bool KXIntegerArray::resize(qint64 n) {
    if (n < 0) n = 0;
    if (n > kMaxCount) {
        kx::log(QStringLiteral("KXIntegerArray: refused a count of %1").arg(n));
        return false;
    }
    if (n > capacity()) {
        if (!needSpace(n)) return false;
    } else if (n == 0) {
        std::vector<std::int32_t>().swap(arr_);
    } else if (n < capacity()) {
        arr_.resize(static_cast<std::size_t>(n));
        arr_.shrink_to_fit();
    }
    // Slots beyond a shrunken count go back to 0.
    if (n < count_) std::fill(arr_.begin() + n, arr_.end(), 0);
    count_ = static_cast<int>(n);
    return true;
}

void KXIntegerArray::trim() {
    int n = count_;
    while (n > 0 && arr_[static_cast<std::size_t>(n - 1)] == 0) --n;
    resize(n);
}

void KXIntegerArray::sortAscending() {
    if (count_ < 2) return;
    std::sort(arr_.begin(), arr_.begin() + count_);
}

void KXIntegerArray::sortDescending() {
    if (count_ < 2) return;
    std::sort(arr_.begin(), arr_.begin() + count_, std::greater<>());
}

kx::CharSet KXIntegerArray::characterSet() const {
    kx::CharSet s;
    forEach([&](std::int32_t v) {
        if (v >= 0 && v <= static_cast<std::int32_t>(kx::LastCodePoint)) s.addCharacter(static_cast<char32_t>(v));
    });
    return s;
}

QString KXIntegerArray::description() const {
    QString s = QStringLiteral("(");
    for (int i = 0; i < count_; ++i) {
        if (i) s += QStringLiteral(", ");
        s += QString::number(arr_[static_cast<std::size_t>(i)]);
    }
    s += u')';
    return s;
}

QString KXIntegerArray::tabDelimitedString() const {
    QString s;
    for (int i = 0; i < count_; ++i) {
        if (i) s += u'\t';
        s += QString::number(arr_[static_cast<std::size_t>(i)]);
    }
    return s;
}

QString KXIntegerArray::UTF32NumbersAsString() const {
    QString s;
    s.reserve(count_);
    forEach([&](std::int32_t v) {
        if (v < 0 || v > static_cast<std::int32_t>(kx::LastCodePoint)) {
            s += QChar(0xFFFD);
        } else if (v >= 0x10000) {
            s += QChar(QChar::highSurrogate(static_cast<char32_t>(v)));
            s += QChar(QChar::lowSurrogate(static_cast<char32_t>(v)));
        } else {
            s += QChar(static_cast<char16_t>(v));
        }
    });
    return s;
}

QByteArray KXIntegerArray::data() const {
    QByteArray out(qsizetype{count_} * 4, Qt::Uninitialized);
    auto* p = reinterpret_cast<uchar*>(out.data());
    for (int i = 0; i < count_; ++i) qToBigEndian(arr_[static_cast<std::size_t>(i)], p + 4 * i);
    return out;
}
