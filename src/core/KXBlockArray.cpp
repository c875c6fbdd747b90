#include "core/KXBlockArray.h"

#include "core/Log.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {
constexpr qint64 kMaxCount = std::numeric_limits<std::int32_t>::max();
qint64 roundUp16(qint64 n) { return (n + 15) & ~qint64{15}; }
} // namespace

KXBlockArray::KXBlockArray(int elementSize, qint64 capacity) : elemsize_(std::max(1, elementSize)) {
    if (capacity >= 1) needSpace(capacity);
}

bool KXBlockArray::needSpace(qint64 n) {
    if (n > kMaxCount) {
        kx::log(QStringLiteral("KXBlockArray: refused room for %1 elements").arg(n));
        return false;
    }
    if (n <= capacity_) return true;
    const qint64 cap = std::min(roundUp16(n), kMaxCount);
    try {
        storage_.resize(static_cast<std::size_t>(cap) * static_cast<std::size_t>(elemsize_), 0);
    } catch (const std::bad_alloc&) {
        kx::log(QStringLiteral("KXBlockArray: no memory for %1 elements").arg(n));
        return false;
    }
    capacity_ = static_cast<int>(cap);
    return true;
}

void KXBlockArray::readData(const QByteArray& data) {
    resize(0);
    const qint64 n = data.size() / elemsize_;
    if (n == 0 || !needSpace(n)) return;
    std::memcpy(storage_.data(), data.constData(), static_cast<std::size_t>(n) * std::size_t(elemsize_));
    count_ = static_cast<int>(n);
    for (int i = 0; i < count_; ++i) swapByteOrderOfElement(mutableElementAt(i));
}

bool KXBlockArray::resize(qint64 n) {
    if (n < 0) n = 0;
    if (n > kMaxCount) {
        kx::log(QStringLiteral("KXBlockArray: refused a count of %1").arg(n));
        return false;
    }
    const auto es = static_cast<std::size_t>(elemsize_);
    if (n > capacity_) {
        if (!needSpace(n)) return false;
    } else if (n == 0) {
        std::vector<std::uint8_t>().swap(storage_);
        capacity_ = 0;
    } else if (n < capacity_) {
        storage_.resize(static_cast<std::size_t>(n) * es);
        storage_.shrink_to_fit();
        capacity_ = static_cast<int>(n);
    }
    if (n < count_) std::fill(storage_.begin() + static_cast<qsizetype>(std::size_t(n) * es), storage_.end(), 0);
    count_ = static_cast<int>(n);
    return true;
}

void KXBlockArray::trim() {
    const auto es = static_cast<std::size_t>(elemsize_);
    int n = count_;
    while (n > 0) {
        const std::uint8_t* e = storage_.data() + std::size_t(n - 1) * es;
        if (std::any_of(e, e + es, [](std::uint8_t b) { return b != 0; })) break;
        --n;
    }
    resize(n);
}

const std::uint8_t* KXBlockArray::elementAt(qint64 i) const {
    if (i < 0 || i >= count_) return nullptr;
    return storage_.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(elemsize_);
}

bool KXBlockArray::getElementAtIndex(qint64 i, void* buffer) const {
    const std::uint8_t* e = elementAt(i);
    if (!e) {
        std::memset(buffer, 0, static_cast<std::size_t>(elemsize_));
        return false;
    }
    std::memcpy(buffer, e, static_cast<std::size_t>(elemsize_));
    return true;
}

bool KXBlockArray::setElement(const void* element, qint64 i) {
    if (i < 0) return false;
    if (i >= kMaxCount) {
        kx::log(QStringLiteral("KXBlockArray: index %1 refused").arg(i));
        return false;
    }
    if (!needSpace(i + 1)) return false;
    std::memcpy(mutableElementAt(static_cast<int>(i)), element, static_cast<std::size_t>(elemsize_));
    if (i >= count_) count_ = static_cast<int>(i + 1);
    return true;
}

bool KXBlockArray::insertElement(const void* element, qint64 i) {
    if (i >= count_) return setElement(element, i);
    if (i < 0) i = 0;
    if (!needSpace(qint64{count_} + 1)) return false;
    const auto es = static_cast<std::size_t>(elemsize_);
    std::uint8_t* at = mutableElementAt(static_cast<int>(i));
    std::memmove(at + es, at, std::size_t(count_ - i) * es);
    std::memcpy(at, element, es);
    ++count_;
    return true;
}

void KXBlockArray::removeElementAtIndex(qint64 i) {
    if (i < 0 || i >= count_) return;
    const auto es = static_cast<std::size_t>(elemsize_);
    std::uint8_t* at = mutableElementAt(static_cast<int>(i));
    std::memmove(at, at + es, std::size_t(count_ - i - 1) * es);
    --count_;
    std::memset(mutableElementAt(count_), 0, es);
}

QString KXBlockArray::description() const {
    QString s = QStringLiteral("(");
    for (int i = 0; i < count_; ++i) {
        if (i) s += QStringLiteral(", ");
        s += descriptionOfElement(elementAt(i));
    }
    s += u')';
    return s;
}

QByteArray KXBlockArray::data() const {
    const auto es = static_cast<std::size_t>(elemsize_);
    QByteArray out(static_cast<qsizetype>(std::size_t(count_) * es), Qt::Uninitialized);
    if (count_ == 0) return out;
    std::memcpy(out.data(), storage_.data(), std::size_t(count_) * es);
    auto* p = reinterpret_cast<std::uint8_t*>(out.data());
    for (int i = 0; i < count_; ++i) swapByteOrderOfElement(p + std::size_t(i) * es);
    return out;
}

QString KXBlockArray::descriptionOfElement(const std::uint8_t*) const { return QStringLiteral("*"); }

void KXBlockArray::swapByteOrderOfElement(std::uint8_t*) const {}
