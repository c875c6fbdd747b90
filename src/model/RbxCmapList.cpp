#include "model/RbxCmapList.h"

#include "core/ByteReader.h"
#include "core/Log.h"

std::unique_ptr<RbxCmapList> RbxCmapList::listForFont(const rbx::Font& font) {
    return std::make_unique<RbxCmapList>(font);
}

RbxCmapList::RbxCmapList(const rbx::Font& font) : font_(font), source_(RbxCmapSource::forFont(font)) {}

RbxCmapList::RbxCmapList(RbxCmapSource source) : source_(std::move(source)) {}

int RbxCmapList::nTables() {
    if (countRead_) return nTables_;
    countRead_ = true;
    int error = 0;
    const std::optional<QByteArray> head = source_.read ? source_.read(0, 4, &error) : std::nullopt;
    if (!head) {
        kx::log(QStringLiteral("Cannot get cmap table for font %1: err=%2").arg(source_.fontName).arg(error));
        nTables_ = -1;
        return nTables_;
    }
    nTables_ = kx::ByteReader(*head).u16(2);
    return nTables_;
}

bool RbxCmapList::readRecords() {
    if (recordsRead_) return nTables_ >= 0;
    recordsRead_ = true;
    const int n = nTables();
    if (n < 0) return false;
    const std::optional<QByteArray> bytes = source_.read(4, std::size_t(n) * 8, nullptr);
    if (!bytes) {
        kx::log(QStringLiteral("Cannot read the %1 cmap subtable records of font %2").arg(n).arg(source_.fontName));
        subtables_.clear();
        nTables_ = -1;
        return false;
    }
    const kx::ByteReader r(*bytes);
    subtables_.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const std::size_t at = std::size_t(i) * 8;
        subtables_[std::size_t(i)] = EncodingRecord{r.u16(at), r.u16(at + 2), r.u32(at + 4)};
    }
    return true;
}

bool RbxCmapList::getSubtableAtIndex(int index, EncodingRecord* record) {
    if (!readRecords()) return false;
    if (index < 0 || index >= int(subtables_.size())) return false;
    if (record) *record = subtables_[std::size_t(index)];
    return true;
}

bool RbxCmapList::getCmapHeaderAtIndex(int index, Header* header) {
    EncodingRecord rec;
    if (!getSubtableAtIndex(index, &rec)) return false;
    // A short subtable at the end of the table may hold only the 6-byte header.
    std::optional<QByteArray> bytes = source_.read(rec.offset, 12, nullptr);
    if (!bytes) bytes = source_.read(rec.offset, 6, nullptr);
    if (!bytes) return false;
    const kx::ByteReader r(*bytes);
    Header h;
    h.format = r.u16(0);
    if (h.format >= 8) {
        if (r.size() < 12) return false;
        h.length = r.u32(4);
        h.language = r.u32(8);
    } else {
        h.length = r.u16(2);
        h.language = r.u16(4);
    }
    if (header) *header = h;
    return true;
}

int RbxCmapList::platformIDAtIndex(int index) {
    EncodingRecord r;
    return getSubtableAtIndex(index, &r) ? r.platformID : -1;
}

int RbxCmapList::platformSpecificIDAtIndex(int index) {
    EncodingRecord r;
    return getSubtableAtIndex(index, &r) ? r.platformSpecificID : -1;
}

int RbxCmapList::cmapFormatAtIndex(int index) {
    Header h;
    return getCmapHeaderAtIndex(index, &h) ? h.format : -1;
}

long long RbxCmapList::cmapLanguageAtIndex(int index) {
    Header h;
    return getCmapHeaderAtIndex(index, &h) ? (long long)h.language : -1;
}

std::unique_ptr<RbxCmap> RbxCmapList::cmapAtIndex(int index) {
    EncodingRecord r;
    if (!getSubtableAtIndex(index, &r)) return nullptr;
    auto c = RbxCmap::cmapWithSource(source_, r.offset);
    if (c) c->setFont(font_);
    return c;
}

std::unique_ptr<RbxCmap> RbxCmapList::anyCmapAtIndex(int index) {
    EncodingRecord r;
    if (!getSubtableAtIndex(index, &r)) return nullptr;
    auto c = RbxCmap::anyCmapWithSource(source_, r.offset);
    if (c) c->setFont(font_);
    return c;
}

int RbxCmapList::indexOfBestRomanCmap() {
    const int n = nTables();
    for (int i = 0; i < n; ++i) {
        if (platformIDAtIndex(i) != 1 || platformSpecificIDAtIndex(i) != 0) continue;
        Header h;
        if (!getCmapHeaderAtIndex(i, &h)) continue;
        if (h.language == 0 && (h.format == 0 || h.format == 6)) return i;
    }
    return -1;
}

int RbxCmapList::indexOfBestUnicodeCmap() {
    const int n = nTables();
    for (int i = 0; i < n; ++i)
        if (platformIDAtIndex(i) == 3 && platformSpecificIDAtIndex(i) == 1 && cmapFormatAtIndex(i) == 4) return i;
    for (int i = 0; i < n; ++i)
        if (platformIDAtIndex(i) == 0 && cmapFormatAtIndex(i) == 4) return i;
    return -1;
}

int RbxCmapList::indexOfFullUnicodeCmap() {
    const int n = nTables();
    for (int i = 0; i < n; ++i) {
        const int p = platformIDAtIndex(i), e = platformSpecificIDAtIndex(i);
        if (((p == 3 && e == 10) || (p == 0 && (e == 4 || e == 6))) && cmapFormatAtIndex(i) == 12) return i;
    }
    return -1;
}
