// The binary form of property lists ("bplist00"). Every offset, count and reference
// is checked before use; an object that refers back to itself is refused, and a list
// whose expanded size would explode through shared references is refused too.

#include "core/ByteReader.h"
#include "core/Plist.h"

#include <QDateTime>
#include <cstring>
#include <limits>
#include <vector>

namespace kx::plist {

namespace {

struct Refused {
    QString message;
};

// Values of the tree when every shared reference is expanded; beyond this the list is
// refused.
constexpr quint64 MaxExpandedObjects = quint64(1) << 24;

class BinaryReader {
public:
    explicit BinaryReader(const QByteArray& bytes) : r_(bytes) {}

    Result run() {
        try {
            readTrailer();
            return {parse(top_, 0), {}};
        } catch (const Refused& e) {
            return {{}, e.message};
        } catch (const OutOfBounds&) {
            return {{}, QStringLiteral("binary property list is truncated or damaged")};
        }
    }

private:
    [[noreturn]] static void refuse(const QString& message) { throw Refused{message}; }

    quint64 uintAt(std::size_t offset, int size) const {
        quint64 v = 0;
        for (int k = 0; k < size; ++k) v = (v << 8) | r_.u8(offset + std::size_t(k));
        return v;
    }

    void readTrailer() {
        const std::size_t size = r_.size();
        if (size < 8 + 32 || std::memcmp(r_.data(), "bplist0", 7) != 0)
            refuse(QStringLiteral("not a binary property list"));
        if (r_.u8(7) != '0') refuse(QStringLiteral("unsupported binary property list version"));
        const std::size_t t = size - 32;
        offsetSize_ = r_.u8(t + 6);
        refSize_ = r_.u8(t + 7);
        const quint64 count = uintAt(t + 8, 8);
        top_ = uintAt(t + 16, 8);
        const quint64 table = uintAt(t + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8)
            refuse(QStringLiteral("invalid sizes in the binary property list trailer"));
        if (count == 0 || top_ >= count) refuse(QStringLiteral("invalid object count in the trailer"));
        if (table < 8 || table > t) refuse(QStringLiteral("offset table outside the file"));
        if (count > (t - table) / offsetSize_) refuse(QStringLiteral("offset table outside the file"));
        if (refSize_ < 8 && count > (quint64(1) << (8 * refSize_)))
            refuse(QStringLiteral("more objects than references can name"));
        count_ = count;
        table_ = table;
        state_.assign(count, Unvisited);
        values_.resize(count);
        expanded_.assign(count, 0);
    }

    std::size_t objectOffset(quint64 index) const {
        const quint64 off = uintAt(table_ + index * offsetSize_, offsetSize_);
        if (off < 8 || off >= table_) refuse(QStringLiteral("object offset outside the object area"));
        return std::size_t(off);
    }

    // The count of a marker's low nibble, or of the integer that follows it; `pos`
    // moves past what was read.
    quint64 countAt(std::size_t& pos, int nibble) const {
        if (nibble != 0xF) return quint64(nibble);
        const int marker = r_.u8(pos);
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) refuse(QStringLiteral("invalid count"));
        const int size = 1 << (marker & 0x0F);
        const quint64 n = uintAt(pos + 1, size);
        pos += 1 + std::size_t(size);
        return n;
    }

    // Checks that n items of `itemSize` bytes from pos fit before the offset table.
    void checkFits(std::size_t pos, quint64 n, quint64 itemSize) const {
        if (pos > table_ || n > (table_ - pos) / itemSize)
            refuse(QStringLiteral("object larger than the file"));
    }

    QVariant parse(quint64 index, int depth) {
        if (index >= count_) refuse(QStringLiteral("reference to a missing object"));
        if (state_[index] == Done) {
            addExpanded(expanded_[index]);
            return values_[index];
        }
        if (state_[index] == InProgress) refuse(QStringLiteral("object refers to itself"));
        if (depth > MaxDepth) refuse(QStringLiteral("collections nested too deeply"));
        state_[index] = InProgress;
        const quint64 before = total_;
        QVariant v = parseAt(objectOffset(index), depth);
        state_[index] = Done;
        values_[index] = v;
        expanded_[index] = total_ - before + 1;
        addExpanded(1);
        return v;
    }

    void addExpanded(quint64 n) {
        total_ += n;
        if (total_ > MaxExpandedObjects) refuse(QStringLiteral("binary property list expands too far"));
    }

    QVariant parseAt(std::size_t pos, int depth) {
        const int marker = r_.u8(pos);
        const int high = marker >> 4, low = marker & 0x0F;
        ++pos;
        switch (high) {
        case 0x0:
            if (marker == 0x08) return false;
            if (marker == 0x09) return true;
            refuse(QStringLiteral("unsupported object type 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
        case 0x1: {
            if (low > 4) refuse(QStringLiteral("invalid integer size"));
            if (low == 4) {
                // 128-bit: only values that fit 64 bits are taken.
                const quint64 hi = uintAt(pos, 8), lo = uintAt(pos + 8, 8);
                if (hi == 0) {
                    if (lo > quint64(std::numeric_limits<qint64>::max())) return QVariant::fromValue(lo);
                    return QVariant::fromValue(qint64(lo));
                }
                if (hi == ~quint64(0) && (lo >> 63)) return QVariant::fromValue(qint64(lo));
                refuse(QStringLiteral("integer out of range"));
            }
            const int size = 1 << low;
            const quint64 u = uintAt(pos, size);
            // 8-byte integers are signed, smaller ones unsigned (and so fit).
            return QVariant::fromValue(qint64(u));
        }
        case 0x2: {
            if (low == 2) {
                const quint32 u = quint32(uintAt(pos, 4));
                float f;
                std::memcpy(&f, &u, 4);
                return double(f);
            }
            if (low == 3) {
                const quint64 u = uintAt(pos, 8);
                double d;
                std::memcpy(&d, &u, 8);
                return d;
            }
            refuse(QStringLiteral("invalid real size"));
        }
        case 0x3: {
            if (marker != 0x33) refuse(QStringLiteral("invalid date"));
            const quint64 u = uintAt(pos, 8);
            double seconds;
            std::memcpy(&seconds, &u, 8);
            // Seconds since 2001-01-01 00:00 UTC, limited to dates QDateTime can hold.
            if (!(seconds > -1e14 && seconds < 1e14)) refuse(QStringLiteral("date out of range"));
            const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
            return epoch.addMSecs(qint64(seconds * 1000.0));
        }
        case 0x4: {
            const quint64 n = countAt(pos, low);
            checkFits(pos, n, 1);
            return r_.bytes(pos, std::size_t(n));
        }
        case 0x5: {
            const quint64 n = countAt(pos, low);
            checkFits(pos, n, 1);
            const QByteArray ascii = r_.bytes(pos, std::size_t(n));
            return QString::fromLatin1(ascii);
        }
        case 0x6: {
            const quint64 n = countAt(pos, low);
            checkFits(pos, n, 2);
            QString s(qsizetype(n), Qt::Uninitialized);
            for (quint64 k = 0; k < n; ++k) s[qsizetype(k)] = QChar(char16_t(r_.u16(pos + 2 * k)));
            return s;
        }
        case 0x8: {
            // A keyed-archive reference, as {"CF$UID": n}.
            const quint64 n = uintAt(pos, low + 1);
            QVariantMap uid;
            uid.insert(QStringLiteral("CF$UID"), QVariant::fromValue(qint64(n)));
            return uid;
        }
        case 0xA:
        case 0xC: {
            const quint64 n = countAt(pos, low);
            checkFits(pos, n, refSize_);
            QVariantList list;
            list.reserve(qsizetype(n));
            for (quint64 k = 0; k < n; ++k)
                list << parse(uintAt(pos + k * refSize_, refSize_), depth + 1);
            return list;
        }
        case 0xD: {
            const quint64 n = countAt(pos, low);
            checkFits(pos, n, 2 * quint64(refSize_));
            QVariantMap map;
            for (quint64 k = 0; k < n; ++k) {
                const QVariant key = parse(uintAt(pos + k * refSize_, refSize_), depth + 1);
                if (key.typeId() != QMetaType::QString) refuse(QStringLiteral("dictionary key is not a string"));
                map.insert(key.toString(), parse(uintAt(pos + (n + k) * refSize_, refSize_), depth + 1));
            }
            return map;
        }
        default:
            refuse(QStringLiteral("unsupported object type 0x%1").arg(marker, 2, 16, QLatin1Char('0')));
        }
    }

    enum State : char { Unvisited, InProgress, Done };

    ByteReader r_;
    int offsetSize_ = 0, refSize_ = 0;
    quint64 count_ = 0, top_ = 0, table_ = 0;
    std::vector<char> state_;
    std::vector<QVariant> values_;
    std::vector<quint64> expanded_;
    quint64 total_ = 0;
};

} // namespace

Result readBinary(const QByteArray& bytes) { return BinaryReader(bytes).run(); }

} // namespace kx::plist
