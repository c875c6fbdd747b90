#pragma once
// The subtables of a font's 'cmap' table: their encoding records and headers, a reader
// for each, and the choice of the best Mac OS Roman and the best Unicode subtable.

#include "model/RbxCmap.h"

#include <memory>
#include <vector>

class RbxCmapList {
public:
    struct EncodingRecord {
        std::uint16_t platformID = 0;
        std::uint16_t platformSpecificID = 0;
        std::uint32_t offset = 0;
    };
    struct Header {
        int format = 0;
        std::uint32_t length = 0;
        std::uint32_t language = 0;
    };

    static std::unique_ptr<RbxCmapList> listForFont(const rbx::Font& font);
    explicit RbxCmapList(const rbx::Font& font);
    // A list over a table held in memory (tests, tools).
    explicit RbxCmapList(RbxCmapSource source);

    const rbx::Font& font() const { return font_; }

    // Number of subtables, read on the first call; -1 when the table is unreadable.
    int nTables();
    bool getSubtableAtIndex(int index, EncodingRecord* record);
    bool getCmapHeaderAtIndex(int index, Header* header);
    // The field of a subtable; -1 when it cannot be read.
    int platformIDAtIndex(int index);
    int platformSpecificIDAtIndex(int index);
    int cmapFormatAtIndex(int index);
    long long cmapLanguageAtIndex(int index);
    // The reader of a subtable (formats 0, 4, 6), or nullptr.
    std::unique_ptr<RbxCmap> cmapAtIndex(int index);
    // The reader of a subtable of any known format, holders included, or nullptr.
    std::unique_ptr<RbxCmap> anyCmapAtIndex(int index);

    // The first subtable with platform 1, encoding 0, language 0 and format 0 or 6; -1.
    int indexOfBestRomanCmap();
    // The first (3,1) subtable of format 4, else the first (0,x) one of format 4; -1.
    int indexOfBestUnicodeCmap();
    // The first (3,10), (0,4) or (0,6) subtable of format 12; -1.
    int indexOfFullUnicodeCmap();

private:
    bool readRecords();

    rbx::Font font_;
    RbxCmapSource source_;
    int nTables_ = 0;
    bool countRead_ = false;
    bool recordsRead_ = false;
    std::vector<EncodingRecord> subtables_;
};
