#pragma once
// The pictures of colour bitmap glyphs (colour emoji) at the sizes the table draws them:
// each decoded from its PNG and scaled once, the ones a drawing needs decoded side by side
// on worker threads before it draws, and kept within a bound of memory. Qt would decode
// each emoji's PNG twice on its first drawing (once to measure it), one after the other.
// Main thread only; the decoding threads are the object's own.

#include "table/widgets/RbxQtFonts.h"

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QThreadPool>
#include <memory>
#include <vector>

class RbxColorGlyphPictures {
public:
    // What the kept pictures may take.
    static constexpr qsizetype MaxBytes = 6 * 1024 * 1024;

    struct Picture {
        QImage image;   // null for a glyph without a picture of its own
        QPointF offset; // from the glyph's pen position to the picture's top-left, y down
    };
    struct Request {
        std::shared_ptr<const rbx::qt::DrawingFont> font;
        quint32 glyph = 0;
    };

    RbxColorGlyphPictures();
    ~RbxColorGlyphPictures();
    RbxColorGlyphPictures(const RbxColorGlyphPictures&) = delete;
    RbxColorGlyphPictures& operator=(const RbxColorGlyphPictures&) = delete;

    // Decodes the pictures of these glyphs (of fonts with colour bitmaps) that are not
    // kept yet, several at a time.
    void prepare(const std::vector<Request>& requests);
    // The picture of a glyph at the font's size, decoded now when it was not prepared; null
    // when the glyph has none (Qt draws it then).
    const Picture* picture(const rbx::qt::DrawingFont& font, quint32 glyph);

    // As for the cell texts: a drawing of everything shown begins, and the pictures not
    // asked for since go.
    void beginShowing() { ++showing_; }
    void keepOnlyShown();
    void clear();
    int size() const { return int(pictures_.size()); }
    qsizetype bytes() const { return bytes_; }

private:
    struct Key {
        const rbx::ColorBitmaps* bitmaps = nullptr;
        double size = 0;
        quint32 glyph = 0;
        bool operator==(const Key& o) const { return bitmaps == o.bitmaps && size == o.size && glyph == o.glyph; }
    };
    friend size_t qHash(const Key& k, size_t seed) { return qHashMulti(seed, k.bitmaps, k.size, k.glyph); }
    struct Entry {
        std::shared_ptr<const rbx::ColorBitmaps> bitmaps; // keeps the key's bitmaps alive
        Picture picture;
        quint64 showing = 0;
        quint64 used = 0;
    };
    static Key keyOf(const rbx::qt::DrawingFont& font, quint32 glyph);
    static Picture decode(const rbx::qt::DrawingFont& font, quint32 glyph);
    void insert(const Key& key, const std::shared_ptr<const rbx::ColorBitmaps>& bitmaps, Picture picture);
    // Drops the least recently used pictures until they take at most `limit` bytes.
    void shrinkTo(qsizetype limit);

    QHash<Key, Entry> pictures_;
    qsizetype bytes_ = 0;
    quint64 showing_ = 1, clock_ = 0;
    QThreadPool pool_;
};
