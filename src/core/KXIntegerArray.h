#pragma once
// A growable list of 32-bit signed integers, nearly always character code points
// (favourites, layout contents, search results). Slots between count and capacity
// hold 0; storage grows in steps of 16 slots.
//
// The byte-block form (data / fromData) is what the settings keep: the values as
// 4-byte big-endian integers, no header.
//
// Indexes and counts are limited to INT32_MAX: a request beyond that is refused with a
// log line and leaves the list unchanged.

#include "core/CharSet.h"
#include "core/Types.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

class KXIntegerArray {
public:
    // Empty, no storage.
    KXIntegerArray() = default;
    // Empty with capacity n rounded up to a multiple of 16 (n < 1: no storage).
    explicit KXIntegerArray(qint64 capacity);

    static KXIntegerArray array() { return KXIntegerArray(); }
    static KXIntegerArray arrayWithCapacity(qint64 capacity) { return KXIntegerArray(capacity); }
    // length / 4 big-endian integers; a trailing partial integer is ignored.
    static KXIntegerArray arrayWithData(const QByteArray& data);
    // The decimal numbers in the text, in order; a minus sign directly before a number
    // (not directly after another) negates it; trailing zeros are dropped.
    static KXIntegerArray arrayWithString(const QString& text);
    // The code points of the text (surrogate pairs combined, a high surrogate without its
    // low one dropped, a lone low surrogate kept); trailing zeros are dropped.
    static KXIntegerArray arrayWithUTF32Numbers(const QString& text);

    int count() const { return count_; }
    int capacity() const { return static_cast<int>(arr_.size()); }
    bool isEmpty() const { return count_ == 0; }
    // The storage for reading (count values); nullptr while there is no storage.
    const std::int32_t* intArray() const { return arr_.empty() ? nullptr : arr_.data(); }

    // 0 when empty, else (last + (first << 5)) | count, in unsigned 32-bit arithmetic.
    std::uint32_t hash() const;
    bool operator==(const KXIntegerArray& other) const;
    bool operator!=(const KXIntegerArray& other) const { return !(*this == other); }
    // Same count and equal values at every position but index.
    bool isEqualTo(const KXIntegerArray& other, std::size_t exceptIndex) const;
    // The first position below the smaller count where the values differ; NotFound when
    // there is none (lists that differ only in length give NotFound).
    std::size_t indexOfFirstDifferenceFrom(const KXIntegerArray& other) const;
    // -1, 0, 1: the first differing value decides (signed); a prefix is smaller.
    int compare(const KXIntegerArray& other) const;

    // The value at i, 0 when i >= count (the list does not grow).
    std::int32_t integerAtIndex(std::size_t i) const;
    std::int32_t operator[](std::size_t i) const { return integerAtIndex(i); }
    std::size_t indexOfInteger(std::int32_t v) const;
    // Within [location, location + length) clipped to count.
    std::size_t indexOfInteger(std::int32_t v, std::size_t location, std::size_t length) const;
    bool containsInteger(std::int32_t v) const { return indexOfInteger(v) != kx::NotFound; }

    // Stores v at i, raising count to i + 1 when i >= count (skipped slots hold 0).
    // Answers false (and logs) when i is beyond INT32_MAX - 1 or the room cannot be had.
    bool setInteger(std::int32_t v, std::size_t i);
    bool replaceIntegerAtIndex(std::size_t i, std::int32_t v) { return setInteger(v, i); }
    bool addInteger(std::int32_t v) { return setInteger(v, static_cast<std::size_t>(count_)); }
    // i >= count is setInteger; else later values move up.
    bool insertInteger(std::int32_t v, std::size_t i);
    bool addIntegerArray(const KXIntegerArray& other);
    // Ignored when i >= count; the freed last slot is set to 0.
    void removeIntegerAtIndex(std::size_t i);
    // Removes every occurrence of v.
    void removeInteger(std::int32_t v);
    void removeAllIntegers() { resize(0); }
    // Sets count to n (negative counts as 0). Growing keeps the 16-slot steps; 0 frees
    // the storage; shrinking below the capacity cuts the storage to exactly n slots.
    bool resize(qint64 n);
    // Drops trailing zeros and fits the storage to the rest.
    void trim();
    void sortAscending();
    void sortDescending();

    // Every value as a character (values outside U+0000..U+10FFFF are left out).
    kx::CharSet characterSet() const;
    // "(1, 2, 3)"
    QString description() const;
    // "1\t2\t3"
    QString tabDelimitedString() const;
    // The values as characters (0x10000 and above as surrogate pairs); values outside
    // U+0000..U+10FFFF become U+FFFD.
    QString UTF32NumbersAsString() const;
    // The byte block: count values, 4 bytes big-endian each.
    QByteArray data() const;

    template <typename Fn> void forEach(Fn&& fn) const {
        for (int i = 0; i < count_; ++i) fn(arr_[static_cast<std::size_t>(i)]);
    }

private:
    bool needSpace(qint64 n);
    std::vector<std::int32_t> arr_;  // size() is the capacity
    int count_ = 0;
};
