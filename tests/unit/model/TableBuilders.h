#pragma once
// Hand-made 'GSUB' and 'morx' tables for the reader and report tests.

#include "FontFixtures.h"

#include <array>
#include <vector>

namespace tables {

using fixtures::Bytes;

// A GSUB table with one lookup of the given type holding the given subtable bytes.
inline QByteArray gsubWith(unsigned type, const QByteArray& subtable) {
    Bytes b;
    b.u32(0x00010000).u16(10).u16(10).u16(12); // version, script list, feature list, lookup list
    b.u16(0);                                  // empty script and feature lists
    b.u16(1).u16(4);                           // one lookup, at 4 from the list
    b.u16(type).u16(0).u16(1).u16(8);          // type, flag, one subtable at 8
    b.raw(subtable);
    return b.data;
}

// A ligature substitution subtable: the first glyphs (coverage format 1) and, per first
// glyph, ligatures given as their component glyphs after the first.
inline QByteArray ligatureSubtable(const std::vector<unsigned>& firsts, const std::vector<std::vector<std::vector<unsigned>>>& sets,
                            unsigned coverageFormat = 1) {
    Bytes sets_;
    std::vector<unsigned> setOffsets;
    const unsigned head = 6 + 2 * unsigned(firsts.size());
    for (const auto& set : sets) {
        setOffsets.push_back(head + unsigned(sets_.size()));
        Bytes s;
        s.u16(unsigned(set.size()));
        unsigned at = 2 + 2 * unsigned(set.size());
        std::vector<unsigned> ligOffsets;
        Bytes ligs;
        for (const auto& comps : set) {
            ligOffsets.push_back(at + unsigned(ligs.size()));
            ligs.u16(900).u16(unsigned(comps.size()) + 1);
            for (unsigned c : comps) ligs.u16(c);
        }
        for (unsigned o : ligOffsets) s.u16(o);
        s.raw(ligs.data);
        sets_.raw(s.data);
    }
    Bytes b;
    const unsigned coverageAt = head + unsigned(sets_.size());
    b.u16(1).u16(coverageAt).u16(unsigned(firsts.size()));
    for (unsigned o : setOffsets) b.u16(o);
    b.raw(sets_.data);
    b.u16(coverageFormat).u16(unsigned(firsts.size()));
    for (unsigned g : firsts) b.u16(g);
    return b.data;
}

inline QByteArray lookupFormat6(const std::vector<std::pair<unsigned, unsigned>>& glyphClasses) {
    Bytes b;
    const unsigned n = unsigned(glyphClasses.size()) + 1;
    b.u16(6).u16(4).u16(n).u16(0).u16(0).u16(0);
    for (auto [glyph, cls] : glyphClasses) b.u16(glyph).u16(cls);
    b.u16(0xFFFF).u16(0);
    return b.data;
}

struct Machine {
    QByteArray classTable;
    unsigned nClasses = 6;
    std::vector<std::vector<unsigned>> states; // entry index per class
    std::vector<std::array<unsigned, 3>> entries; // new state, flags, action index
    int statePad = 0, entryPad = 0;
};

// The states of a machine that forms the two-letter ligatures first+second: class 4
// holds the first letters, class 5 the second ones.
inline Machine pairMachine(QByteArray classTable) {
    Machine m;
    m.classTable = std::move(classTable);
    m.states = {{0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 2}};
    m.entries = {{0, 0, 0}, {2, 0x8000, 0}, {0, 0xA000, 0}};
    return m;
}

inline QByteArray ligatureSubtable(const Machine& m) {
    Bytes body;
    const std::uint32_t classAt = 28;
    body.raw(m.classTable);
    while (body.size() % 2) body.u8(0);
    const std::uint32_t stateAt = 28 + std::uint32_t(body.size());
    for (const auto& row : m.states)
        for (unsigned e : row) body.u16(e);
    for (int i = 0; i < m.statePad; ++i) body.u8(0);
    const std::uint32_t entryAt = 28 + std::uint32_t(body.size());
    for (const auto& e : m.entries) body.u16(e[0]).u16(e[1]).u16(e[2]);
    for (int i = 0; i < m.entryPad; ++i) body.u8(0);
    const std::uint32_t actionAt = 28 + std::uint32_t(body.size());
    body.u32(0x80000000);
    const std::uint32_t componentAt = 28 + std::uint32_t(body.size());
    body.u16(0);
    const std::uint32_t ligatureAt = 28 + std::uint32_t(body.size());
    body.u16(0);
    Bytes sub;
    sub.u32(0).u32(2).u32(1); // length (below), coverage: ligature, sub-feature flags
    sub.u32(m.nClasses).u32(classAt).u32(stateAt).u32(entryAt).u32(actionAt).u32(componentAt).u32(ligatureAt);
    sub.raw(body.data);
    sub.put32(0, std::uint32_t(sub.size()));
    return sub.data;
}

inline QByteArray chain(const std::vector<QByteArray>& subtables) {
    Bytes c;
    c.u32(1).u32(0).u32(0).u32(std::uint32_t(subtables.size()));
    for (const auto& s : subtables) c.raw(s);
    c.put32(4, std::uint32_t(c.size()));
    return c.data;
}

inline QByteArray morx(const std::vector<QByteArray>& chains) {
    Bytes t;
    t.u16(2).u16(0).u32(std::uint32_t(chains.size()));
    for (const auto& c : chains) t.raw(c);
    return t.data;
}

} // namespace tables
