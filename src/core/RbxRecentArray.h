#pragma once
// The recently used characters with their use stamps. One element is 8 bytes: the
// character (unsigned 32-bit) then the stamp (signed 32-bit, the use counter's value
// when the character was last used). In the byte block each field is big-endian.

#include "core/KXBlockArray.h"

class RbxRecentArray : public KXBlockArray {
public:
    struct Element {
        std::uint32_t character = 0;
        std::int32_t stamp = 0;
        bool operator==(const Element&) const = default;
    };
    static_assert(sizeof(Element) == 8);

    RbxRecentArray() : KXBlockArray(8, 0) {}
    explicit RbxRecentArray(qint64 capacity) : KXBlockArray(8, capacity) {}

    static RbxRecentArray array() { return RbxRecentArray(); }
    static RbxRecentArray arrayWithCapacity(qint64 capacity) { return RbxRecentArray(capacity); }
    // length / 8 records of the byte block.
    static RbxRecentArray arrayWithData(const QByteArray& data);

    // Element i; a zero element when out of range.
    Element elementAtIndex(qint64 i) const;
    bool setElement(const Element& e, qint64 i) { return KXBlockArray::setElement(&e, i); }
    bool addElement(const Element& e) { return KXBlockArray::addElement(&e); }
    bool insertElement(const Element& e, qint64 i) { return KXBlockArray::insertElement(&e, i); }
    using KXBlockArray::addElement;
    using KXBlockArray::insertElement;
    using KXBlockArray::setElement;

    // Removes the first element whose character is c (nothing when none is).
    void removeCharacter(std::uint32_t c);
    // The index of the first element whose character is c; -1 when none is.
    int indexOfCharacter(std::uint32_t c) const;

    // "%d/%d" of character and stamp.
    QString descriptionOfElement(const std::uint8_t* element) const override;
    void swapByteOrderOfElement(std::uint8_t* element) const override;
};
