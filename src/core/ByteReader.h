#pragma once
// Bounds-checked big-endian reads of untrusted bytes (font tables, data files).
// A read past the end throws OutOfBounds; readers catch it, log it and give their
// failure answer.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace kx {

class OutOfBounds : public std::out_of_range {
public:
    OutOfBounds(std::size_t offset, std::size_t count, std::size_t size);
    std::size_t offset, count, size;
};

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(QByteArray data);
    // A window [offset, offset + length) of the data; throws when it does not fit.
    ByteReader(QByteArray data, std::size_t offset, std::size_t length);

    std::size_t size() const { return length_; }
    bool isEmpty() const { return length_ == 0; }
    // True when n bytes from offset lie inside (overflow-safe).
    bool has(std::size_t offset, std::size_t n) const {
        return offset <= length_ && n <= length_ - offset;
    }

    std::uint8_t u8(std::size_t offset) const;
    std::uint16_t u16(std::size_t offset) const;
    std::int16_t s16(std::size_t offset) const { return static_cast<std::int16_t>(u16(offset)); }
    std::uint32_t u24(std::size_t offset) const;
    std::uint32_t u32(std::size_t offset) const;
    std::int32_t s32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    std::uint32_t tag(std::size_t offset) const { return u32(offset); }

    // A sub-window; throws when it does not fit.
    ByteReader slice(std::size_t offset, std::size_t length) const;
    // From offset to the end; throws when offset is past the end.
    ByteReader sliceFrom(std::size_t offset) const;
    // A copy of the bytes of a window.
    QByteArray bytes(std::size_t offset, std::size_t length) const;
    QByteArray toByteArray() const { return bytes(0, length_); }
    const std::uint8_t* data() const {
        return reinterpret_cast<const std::uint8_t*>(data_.constData()) + offset_;
    }

    // Every byte as "%02X", a blank after every `group` bytes except at the end (no
    // blanks for 0).
    QString hexStringWithByteGroups(int group) const;

private:
    void check(std::size_t offset, std::size_t n) const {
        if (!has(offset, n)) throw OutOfBounds(offset, n, length_);
    }
    QByteArray data_;
    std::size_t offset_ = 0;
    std::size_t length_ = 0;
};

// Big-endian writers used by the byte-block forms of the stored lists.
void appendBig16(QByteArray& out, std::uint16_t v);
void appendBig32(QByteArray& out, std::uint32_t v);

// Four-character codes as 'abcd'.
constexpr std::uint32_t fourCC(const char (&s)[5]) {
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
           (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}
QString fourCCString(std::uint32_t code);

} // namespace kx
