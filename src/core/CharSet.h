#pragma once
// A set of Unicode code points (U+0000 to U+10FFFF), kept as one 8192-byte bitmap per
// plane that has members. Copies share their planes until one of them changes.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kx {

class CharSet {
public:
    static constexpr int Planes = 17;
    static constexpr int PlaneBytes = 8192;

    CharSet() = default;
    // Every code point of the text (surrogate pairs combined).
    static CharSet fromString(const QString& text);
    static CharSet fromRange(char32_t first, char32_t last);
    // The platform bitmap form: 8192 bytes for plane 0, then for every further plane with
    // members one byte holding the plane number and its 8192 bytes. Malformed input
    // yields what could be read up to the first damaged plane.
    static CharSet fromBitmapRepresentation(const QByteArray& bytes);
    QByteArray bitmapRepresentation() const;

    bool contains(char32_t c) const;
    bool isEmpty() const;
    bool operator==(const CharSet& other) const;

    void addCharacter(char32_t c);
    // a to b inclusive; nothing when b < a. Values beyond U+10FFFF are ignored.
    void addCharactersFrom(char32_t a, char32_t b);
    void removeCharacter(char32_t c);
    void removeCharactersFrom(char32_t a, char32_t b);
    void addCharactersInString(const QString& text);
    void formUnion(const CharSet& other);
    void formIntersection(const CharSet& other);
    void subtract(const CharSet& other);
    void invert();
    void clear();

    CharSet unionWith(const CharSet& other) const;
    CharSet intersectionWith(const CharSet& other) const;
    CharSet minus(const CharSet& other) const;

    // Number of members.
    std::size_t numberOfCharacters() const;
    // Members of one plane.
    std::size_t numberOfCharactersInPlane(int plane) const;
    // Smallest member; 0 when there is none.
    char32_t firstCharacter() const;
    // Largest member; 0 when there is none.
    char32_t lastCharacter() const;
    // Smallest member above c; 0 when there is none.
    char32_t nextCharacter(char32_t c) const;
    // All members ascending as text; a null string for an empty set.
    QString stringWithCharacters() const;
    // True when every UTF-16 unit of the text is a member (true for an empty text).
    bool containsAllCharactersInString(const QString& text) const;

    bool hasMemberInPlane(int plane) const;
    // The plane's 8192 bytes (bit c % 8 of byte c / 8), or nullptr when it has no members.
    const std::uint8_t* planeBitmap(int plane) const;

    // Calls fn(c) for every member in ascending order.
    template <typename Fn> void forEach(Fn&& fn) const {
        for (int p = 0; p < Planes; ++p) {
            const Plane* pl = planes_[p].get();
            if (!pl) continue;
            for (int w = 0; w < WordsPerPlane; ++w) {
                std::uint64_t bits = (*pl)[w];
                while (bits) {
                    const int b = __builtin_ctzll(bits);
                    bits &= bits - 1;
                    fn(static_cast<char32_t>((p << 16) | (w << 6) | b));
                }
            }
        }
    }

    // The fixed sets.
    static const CharSet& rightToLeftCharacterSet();
    static const CharSet& combiningCharacters();
    static const CharSet& privateUseCharacters();
    static const CharSet& cjkCharacters();

private:
    static constexpr int WordsPerPlane = PlaneBytes / 8;
    using Plane = std::array<std::uint64_t, WordsPerPlane>;
    Plane& writablePlane(int plane);
    void dropEmptyPlane(int plane);

    std::array<std::shared_ptr<Plane>, Planes> planes_{};
};

} // namespace kx
