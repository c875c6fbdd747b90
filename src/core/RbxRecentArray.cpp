#include "core/RbxRecentArray.h"

#include <QtEndian>
#include <cstring>

RbxRecentArray RbxRecentArray::arrayWithData(const QByteArray& data) {
    RbxRecentArray a;
    a.readData(data);
    return a;
}

RbxRecentArray::Element RbxRecentArray::elementAtIndex(qint64 i) const {
    Element e;
    getElementAtIndex(i, &e);
    return e;
}

int RbxRecentArray::indexOfCharacter(std::uint32_t c) const {
    for (int i = 0; i < count(); ++i) {
        std::uint32_t ch;
        std::memcpy(&ch, elementAt(i), sizeof ch);
        if (ch == c) return i;
    }
    return -1;
}

void RbxRecentArray::removeCharacter(std::uint32_t c) {
    const int i = indexOfCharacter(c);
    if (i >= 0) removeElementAtIndex(i);
}

QString RbxRecentArray::descriptionOfElement(const std::uint8_t* element) const {
    Element e;
    std::memcpy(&e, element, sizeof e);
    return QStringLiteral("%1/%2").arg(static_cast<qint32>(e.character)).arg(e.stamp);
}

void RbxRecentArray::swapByteOrderOfElement(std::uint8_t* element) const {
    // Host order <-> big-endian, each 32-bit field on its own (its own inverse).
    std::uint32_t fields[2];
    std::memcpy(fields, element, sizeof fields);
    fields[0] = qToBigEndian(fields[0]);
    fields[1] = qToBigEndian(fields[1]);
    std::memcpy(element, fields, sizeof fields);
}
