#pragma once
// The pictures of colour bitmap glyphs (colour emoji) at the sizes the table draws them:
// each decoded from its PNG and scaled once, and kept within a bound of memory. The ones a
// drawing needs are decoded on worker threads, in the order the drawing asks for them,
// while the drawing goes on with the cells before them: the drawing waits only for a
// picture it reaches before a worker finished it, and decodes one no worker has begun
// itself. Qt would decode each emoji's PNG twice on its first drawing (once to measure
// it), one after the other. Main thread only; the decoding threads are the object's own.

#include "table/widgets/RbxQtFonts.h"

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QThreadPool>
#include <memory>
#include <optional>
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

    // Begins decoding the pictures of these glyphs (of fonts with colour bitmaps) that are
    // not kept yet, in this order, on the worker threads; a few are decoded at once here.
    void prepare(const std::vector<Request>& requests);
    // The picture of a glyph at the font's size: a prepared one once it is decoded, else
    // decoded now; null when the glyph has none (Qt draws it then).
    const Picture* picture(const rbx::qt::DrawingFont& font, quint32 glyph);
    // Waits for the prepared pictures not asked for yet and keeps them.
    void finishPrepared();
    // Prepared pictures not kept yet.
    int pendingCount() const { return int(pendingIndex_.size()); }

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
    // Pictures being decoded: shared with the worker threads, which take them in order; a
    // picture's state goes from queued to begun to done once.
    struct Pending;
    static Key keyOf(const rbx::qt::DrawingFont& font, quint32 glyph);
    static Picture decode(const rbx::qt::DrawingFont& font, quint32 glyph);
    // Kept as asked for by the drawing `showing` (by default the current one).
    void insert(const Key& key, const std::shared_ptr<const rbx::ColorBitmaps>& bitmaps, Picture picture,
                std::optional<quint64> showing = std::nullopt);
    // Drops the least recently used pictures until they take at most `limit` bytes.
    void shrinkTo(qsizetype limit);

    // Waits for (or decodes) the prepared picture `index` and keeps it.
    void keepPending(std::size_t index);

    QHash<Key, Entry> pictures_;
    std::shared_ptr<Pending> pending_;
    QHash<Key, std::size_t> pendingIndex_;
    qsizetype bytes_ = 0;
    quint64 showing_ = 1, clock_ = 0;
    QThreadPool pool_;
};
