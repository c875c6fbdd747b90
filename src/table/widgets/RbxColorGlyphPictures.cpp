#include "table/widgets/RbxColorGlyphPictures.h"

#include <QBuffer>
#include <QImageReader>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

// Fewer pictures than this are decoded on the main thread alone.
constexpr std::size_t ShareAbove = 8;

// The decoding threads besides the main thread.
int decodingThreads() { return std::clamp(QThread::idealThreadCount() / 2 - 1, 1, 3); }

double scaleOf(const rbx::qt::DrawingFont& font) {
    const int ppem = font.colorBitmaps() ? font.colorBitmaps()->ppem() : 0;
    return ppem > 0 ? font.raw().pixelSize() / ppem : 0;
}

RbxColorGlyphPictures::Picture decodeBitmap(const rbx::ColorBitmaps& bitmaps, double scale, quint32 glyph) {
    RbxColorGlyphPictures::Picture p;
    const std::optional<rbx::ColorBitmaps::Bitmap> b = bitmaps.bitmap(glyph);
    if (!b || !(scale > 0)) return p;
    // Qt's own PNG reader: one left to guess the format would load every image plug-in.
    QBuffer png;
    png.setData(b->png);
    if (!png.open(QIODevice::ReadOnly)) return p;
    QImageReader reader(&png, "png");
    reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image)) return p;
    const QSize size(std::max(1, int(std::lround(b->width * scale))), std::max(1, int(std::lround(b->height * scale))));
    p.image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                  .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.offset = QPointF(b->bearingX * scale, -b->bearingY * scale);
    return p;
}

} // namespace

RbxColorGlyphPictures::RbxColorGlyphPictures() { pool_.setMaxThreadCount(decodingThreads()); }

RbxColorGlyphPictures::~RbxColorGlyphPictures() {
    finishPrepared();
    pool_.waitForDone();
}

RbxColorGlyphPictures::Key RbxColorGlyphPictures::keyOf(const rbx::qt::DrawingFont& font, quint32 glyph) {
    return Key{font.colorBitmaps().get(), font.raw().pixelSize(), glyph};
}

RbxColorGlyphPictures::Picture RbxColorGlyphPictures::decode(const rbx::qt::DrawingFont& font, quint32 glyph) {
    if (!font.colorBitmaps()) return {};
    return decodeBitmap(*font.colorBitmaps(), scaleOf(font), glyph);
}

struct RbxColorGlyphPictures::Pending {
    enum State : int { Queued, Begun, Done };
    struct Job {
        Key key;
        std::shared_ptr<const rbx::ColorBitmaps> bitmaps;
        double scale = 0;
        Picture picture;
        std::atomic<int> state{Queued};
    };
    explicit Pending(std::size_t count) : jobs(count) {}

    // Decodes job `i` unless another thread began it.
    void run(std::size_t i) {
        Job& j = jobs[i];
        int expected = Queued;
        if (!j.state.compare_exchange_strong(expected, Begun)) return;
        j.picture = decodeBitmap(*j.bitmaps, j.scale, j.key.glyph);
        j.state.store(Done);
        j.state.notify_all();
    }
    // What a worker thread does: the jobs one by one, from the first no thread took.
    void work() {
        for (std::size_t i; (i = next++) < jobs.size();) run(i);
    }
    // Job `i` decoded, here when no thread began it; while a worker decodes it, this thread
    // decodes the next ones no thread took.
    Job& finished(std::size_t i) {
        run(i);
        Job& j = jobs[i];
        for (std::size_t k; j.state.load() != Done && (k = next++) < jobs.size();) run(k);
        for (int s; (s = j.state.load()) != Done;) j.state.wait(s);
        return j;
    }

    std::vector<Job> jobs;
    std::atomic<std::size_t> next{0};
    quint64 showing = 0; // of the drawing that asked for them
};

void RbxColorGlyphPictures::prepare(const std::vector<Request>& requests) {
    finishPrepared();
    std::vector<std::pair<Key, const Request*>> todo;
    QSet<Key> queued;
    for (const Request& r : requests) {
        if (!r.font || !r.font->colorBitmaps()) continue;
        const Key key = keyOf(*r.font, r.glyph);
        if (pictures_.contains(key) || queued.contains(key)) continue;
        queued.insert(key);
        todo.emplace_back(key, &r);
    }
    if (todo.empty()) return;
    if (todo.size() < ShareAbove) {
        for (const auto& [key, r] : todo) insert(key, r->font->colorBitmaps(), decode(*r->font, r->glyph));
        return;
    }
    auto pending = std::make_shared<Pending>(todo.size());
    for (std::size_t i = 0; i < todo.size(); ++i) {
        Pending::Job& j = pending->jobs[i];
        j.key = todo[i].first;
        j.bitmaps = todo[i].second->font->colorBitmaps();
        j.scale = scaleOf(*todo[i].second->font);
        pendingIndex_.insert(j.key, i);
    }
    pending->showing = showing_;
    pending_ = pending;
    const int helpers = std::min(pool_.maxThreadCount(), int(todo.size() / (ShareAbove / 2)));
    for (int h = 0; h < helpers; ++h) pool_.start([pending] { pending->work(); });
}

void RbxColorGlyphPictures::keepPending(std::size_t index) {
    Pending::Job& j = pending_->finished(index);
    pendingIndex_.remove(j.key);
    insert(j.key, j.bitmaps, std::move(j.picture), pending_->showing);
    if (pendingIndex_.isEmpty()) pending_.reset();
}

void RbxColorGlyphPictures::finishPrepared() {
    const std::shared_ptr<Pending> pending = pending_;
    if (!pending) return;
    for (std::size_t i = 0; i < pending->jobs.size(); ++i)
        if (pendingIndex_.contains(pending->jobs[i].key)) keepPending(i);
}

const RbxColorGlyphPictures::Picture* RbxColorGlyphPictures::picture(const rbx::qt::DrawingFont& font, quint32 glyph) {
    if (!font.colorBitmaps()) return nullptr;
    const Key key = keyOf(font, glyph);
    if (const auto p = pendingIndex_.constFind(key); p != pendingIndex_.cend()) keepPending(*p);
    auto it = pictures_.find(key);
    if (it == pictures_.end()) {
        insert(key, font.colorBitmaps(), decode(font, glyph));
        it = pictures_.find(key);
        if (it == pictures_.end()) return nullptr;
    }
    it->showing = showing_;
    it->used = ++clock_;
    return it->picture.image.isNull() ? nullptr : &it->picture;
}

void RbxColorGlyphPictures::insert(const Key& key, const std::shared_ptr<const rbx::ColorBitmaps>& bitmaps,
                                   Picture picture, std::optional<quint64> showing) {
    const qsizetype cost = picture.image.sizeInBytes();
    if (bytes_ + cost > MaxBytes) shrinkTo(MaxBytes * 3 / 4 - cost);
    bytes_ += cost;
    pictures_.insert(key, Entry{bitmaps, std::move(picture), showing.value_or(showing_), ++clock_});
}

void RbxColorGlyphPictures::shrinkTo(qsizetype limit) {
    std::vector<std::pair<quint64, Key>> byUse;
    byUse.reserve(std::size_t(pictures_.size()));
    for (auto it = pictures_.cbegin(); it != pictures_.cend(); ++it) byUse.emplace_back(it->used, it.key());
    std::sort(byUse.begin(), byUse.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [used, key] : byUse) {
        if (bytes_ <= limit) break;
        auto it = pictures_.find(key);
        bytes_ -= it->picture.image.sizeInBytes();
        pictures_.erase(it);
    }
}

void RbxColorGlyphPictures::keepOnlyShown() {
    finishPrepared();
    for (auto it = pictures_.begin(); it != pictures_.end();) {
        if (it->showing == showing_) {
            ++it;
            continue;
        }
        bytes_ -= it->picture.image.sizeInBytes();
        it = pictures_.erase(it);
    }
}

void RbxColorGlyphPictures::clear() {
    finishPrepared();
    pictures_.clear();
    bytes_ = 0;
}
