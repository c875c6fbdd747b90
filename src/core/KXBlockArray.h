#pragma once
// A growable array of fixed-size elements; a subclass chooses the element size and
// how one element is described and put into big-endian order for the byte block.
//
// The byte-block form (data / readData) is `count` elements, each in big-endian order,
// no header. Indexes and counts are limited to INT32_MAX: a request beyond that is
// refused with a log line and leaves the array unchanged.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

class KXBlockArray {
public:
    // Elements of 4 bytes.
    KXBlockArray() : KXBlockArray(4, 0) {}
    virtual ~KXBlockArray() = default;
    KXBlockArray(const KXBlockArray&) = default;
    KXBlockArray& operator=(const KXBlockArray&) = default;
    KXBlockArray(KXBlockArray&&) = default;
    KXBlockArray& operator=(KXBlockArray&&) = default;

    static KXBlockArray array() { return KXBlockArray(); }
    static KXBlockArray arrayWithCapacity(qint64 capacity) { return KXBlockArray(4, capacity); }
    static KXBlockArray arrayWithData(const QByteArray& data) {
        KXBlockArray a;
        a.readData(data);
        return a;
    }

    int elementSize() const { return elemsize_; }
    int count() const { return count_; }
    int capacity() const { return capacity_; }
    bool isEmpty() const { return count_ == 0; }

    // Sets count to n (negative counts as 0); see KXIntegerArray::resize.
    bool resize(qint64 n);
    // Drops trailing elements whose bytes are all zero, then fits the storage.
    void trim();

    // Copies element i into buffer (elementSize() bytes) and answers true; for i out of
    // range fills the buffer with zeros and answers false.
    bool getElementAtIndex(qint64 i, void* buffer) const;
    // Direct read access to element i; nullptr when out of range.
    const std::uint8_t* elementAt(qint64 i) const;
    // Ignored (false) for i < 0; else stores the element at i, raising count to i + 1.
    bool setElement(const void* element, qint64 i);
    bool replaceElementAtIndex(qint64 i, const void* element) { return setElement(element, i); }
    bool addElement(const void* element) { return setElement(element, count_); }
    // i >= count is setElement; a negative i inserts at 0; else later elements move up.
    bool insertElement(const void* element, qint64 i);
    // Ignored when out of range; the freed last element is zeroed.
    void removeElementAtIndex(qint64 i);
    void removeAllElements() { resize(0); }

    // "(" then each element's description joined by ", " then ")".
    QString description() const;
    // The byte block.
    QByteArray data() const;

    // Subclasses describe one element (default "*") and convert one element between
    // host and big-endian order (default: bytes kept as they are).
    virtual QString descriptionOfElement(const std::uint8_t* element) const;
    virtual void swapByteOrderOfElement(std::uint8_t* element) const;

protected:
    KXBlockArray(int elementSize, qint64 capacity);
    // Replaces the contents with length / elementSize() elements of the block. Call it
    // from a subclass's own constructor so that its swapByteOrderOfElement is used.
    void readData(const QByteArray& data);
    std::uint8_t* mutableElementAt(int i) { return storage_.data() + std::size_t(i) * std::size_t(elemsize_); }

private:
    bool needSpace(qint64 n);
    int elemsize_;
    int capacity_ = 0;
    int count_ = 0;
    std::vector<std::uint8_t> storage_;  // capacity_ * elemsize_ bytes
};
