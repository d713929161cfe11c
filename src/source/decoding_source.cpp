#include "source/decoding_source.h"

#include <algorithm>
#include <cstring>

// ---- restart table -------------------------------------------------------------

TRestartTable::TRestartTable(std::int64_t minGap, std::size_t maxPoints) : minGap_(minGap), maxPoints_(maxPoints) {}

bool TRestartTable::Wants(std::int64_t out) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return points_.empty() || out >= points_.back().out + std::max<std::int64_t>(1, minGap_);
}

void TRestartTable::Add(TRestartPoint point) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!points_.empty() && point.out < points_.back().out + std::max<std::int64_t>(1, minGap_)) return;
    points_.push_back(std::move(point));
    if (maxPoints_ > 0 && points_.size() >= maxPoints_) {
        // Keep the first point and every second one after it.
        std::size_t kept = 1;
        for (std::size_t i = 2; i < points_.size(); i += 2) points_[kept++] = std::move(points_[i]);
        points_.resize(kept);
        minGap_ *= 2;
    }
}

TRestartPoint TRestartTable::At(std::int64_t pos) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (points_.empty()) return {};
    auto it = std::upper_bound(points_.begin(), points_.end(), pos,
                               [](std::int64_t p, const TRestartPoint& r) { return p < r.out; });
    return it == points_.begin() ? points_.front() : *(it - 1);
}

bool TRestartTable::After(std::int64_t pos, TRestartPoint& point) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = std::upper_bound(points_.begin(), points_.end(), pos,
                               [](std::int64_t p, const TRestartPoint& r) { return p < r.out; });
    if (it == points_.end()) return false;
    point = *it;
    return true;
}

std::size_t TRestartTable::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return points_.size();
}

// ---- read-ahead stream ---------------------------------------------------------

namespace {

constexpr std::size_t kPrefetchChunk = 1 << 20;
constexpr std::size_t kPrefetchDepth = 4;

// Fills buf from the decoder; fewer than n bytes only at the end of the text.
std::size_t Fill(TDecoder& decoder, char* buf, std::size_t n) {
    std::size_t done = 0;
    while (done < n) {
        const std::size_t got = decoder.Decode(buf + done, n - done);
        if (got == 0) break;
        done += got;
    }
    return done;
}

class TPrefetchStream : public TByteStream {
public:
    TPrefetchStream(std::unique_ptr<TDecoder> decoder, std::int64_t skipTo, std::shared_ptr<const void> owner)
        : owner_(std::move(owner)), decoder_(std::move(decoder)), skipTo_(skipTo), inDone_(decoder_->In()) {
        thread_ = std::thread([this] { Run(); });
    }
    ~TPrefetchStream() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    std::size_t Read(char* buf, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (used_ == current_.data.size()) {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return !queue_.empty() || finished_; });
                if (queue_.empty()) {
                    if (error_) std::rethrow_exception(error_);
                    break;
                }
                if (free_.size() < kPrefetchDepth) free_.push_back(std::move(current_.data));
                current_ = std::move(queue_.front());
                queue_.pop_front();
                used_ = 0;
                inDone_ = current_.inDone;
                lock.unlock();
                changed_.notify_all();
                continue;
            }
            const std::size_t k = std::min(n - done, current_.data.size() - used_);
            std::memcpy(buf + done, current_.data.data() + used_, k);
            used_ += k;
            done += k;
        }
        return done;
    }
    std::int64_t InputDone() const override { return inDone_; }

private:
    struct TChunk {
        std::string data;
        std::int64_t inDone = 0;
    };

    void Run() {
        try {
            for (;;) {
                TChunk chunk;
                {
                    // A buffer the reader is done with: no new pages to fault in.
                    std::lock_guard<std::mutex> lock(mutex_);
                    if (!free_.empty()) {
                        chunk.data = std::move(free_.back());
                        free_.pop_back();
                    }
                }
                chunk.data.resize(kPrefetchChunk);
                const std::int64_t start = decoder_->Out();
                std::size_t got = Fill(*decoder_, chunk.data.data(), chunk.data.size());
                chunk.data.resize(got);
                if (start < skipTo_) {
                    // Text before the stream's start point is decoded and dropped.
                    const std::size_t drop = static_cast<std::size_t>(std::min<std::int64_t>(skipTo_ - start, got));
                    chunk.data.erase(0, drop);
                }
                chunk.inDone = decoder_->In();
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [&] { return queue_.size() < kPrefetchDepth || stop_; });
                if (stop_) return;
                if (!chunk.data.empty()) queue_.push_back(std::move(chunk));
                if (got < kPrefetchChunk) break;
                lock.unlock();
                changed_.notify_all();
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            error_ = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        changed_.notify_all();
    }

    std::shared_ptr<const void> owner_;  // declared first: goes last
    std::unique_ptr<TDecoder> decoder_;
    std::int64_t skipTo_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<TChunk> queue_;
    std::vector<std::string> free_;  // buffers read through, for the next chunks
    bool stop_ = false;
    bool finished_ = false;
    std::exception_ptr error_;
    TChunk current_;
    std::size_t used_ = 0;
    std::int64_t inDone_ = 0;
};

}  // namespace

std::unique_ptr<TByteStream> PrefetchStream(std::unique_ptr<TDecoder> decoder, std::int64_t skipTo,
                                            std::shared_ptr<const void> owner) {
    return std::make_unique<TPrefetchStream>(std::move(decoder), skipTo, std::move(owner));
}

// ---- positioned reads ----------------------------------------------------------

namespace {
constexpr std::size_t kCursorChunk = 256 * 1024;
}

// A decoder with the last two chunks it decoded, so that a read a little
// behind it (a row's header, then its whole game) costs nothing.
struct TDecodingSource::TCursor {
    std::unique_ptr<TDecoder> decoder;
    std::string older, newer;
    std::int64_t olderStart = 0, newerStart = 0;
    bool atEnd = false;

    std::int64_t Begin() const { return older.empty() ? newerStart : olderStart; }
    std::int64_t Out() const { return decoder->Out(); }

    // Copies what the kept chunks hold from pos on; returns the bytes copied.
    std::size_t CopyOut(std::int64_t pos, char* buf, std::size_t n) const {
        std::size_t done = 0;
        for (const auto& [start, text] : {std::pair<std::int64_t, const std::string*>{olderStart, &older},
                                          std::pair<std::int64_t, const std::string*>{newerStart, &newer}}) {
            const std::int64_t at = pos + static_cast<std::int64_t>(done);
            if (at < start || at >= start + static_cast<std::int64_t>(text->size())) continue;
            const std::size_t offset = static_cast<std::size_t>(at - start);
            const std::size_t k = std::min(n - done, text->size() - offset);
            std::memcpy(buf + done, text->data() + offset, k);
            done += k;
        }
        return done;
    }

    // Decodes the next chunk; false at the end of the text.
    bool Next() {
        if (atEnd) return false;
        std::swap(older, newer);
        olderStart = newerStart;
        newerStart = decoder->Out();
        newer.resize(kCursorChunk);
        const std::size_t got = Fill(*decoder, newer.data(), newer.size());
        newer.resize(got);
        if (got < kCursorChunk) atEnd = true;
        return got > 0;
    }
};

TDecodingSource::TDecodingSource(std::shared_ptr<TRawInput> input, TCompression c, std::int64_t minGap,
                                 std::size_t maxPoints)
    : input_(std::move(input)), compression_(c), points_(minGap, maxPoints) {
    points_.Add(TRestartPoint{});
}

TDecodingSource::~TDecodingSource() = default;

std::size_t TDecodingSource::ReadAt(std::int64_t pos, char* buf, std::size_t n) {
    if (n == 0 || pos < 0) return 0;
    const TRestartPoint start = points_.At(pos);
    std::unique_ptr<TCursor> cursor;
    {
        std::lock_guard<std::mutex> lock(cursorMutex_);
        // The cursor that reaches pos soonest: one holding it, else the one
        // nearest before it, if no later than a fresh start at the point.
        std::int64_t bestScore = -1;
        std::size_t best = 0;
        for (std::size_t i = 0; i < cursors_.size(); ++i) {
            const TCursor& c = *cursors_[i];
            std::int64_t score = -1;
            if (c.Begin() <= pos && pos < c.Out()) score = INT64_MAX;
            else if (c.atEnd && pos >= c.Out()) return 0;
            else if (c.Out() <= pos && c.Out() >= start.out) score = c.Out();
            if (score > bestScore) {
                bestScore = score;
                best = i;
            }
        }
        if (bestScore >= 0) {
            cursor = std::move(cursors_[best]);
            cursors_.erase(cursors_.begin() + static_cast<std::ptrdiff_t>(best));
        }
    }
    if (!cursor) {
        cursor = std::make_unique<TCursor>();
        cursor->decoder = NewDecoder(start);
        cursor->olderStart = cursor->newerStart = cursor->decoder->Out();
    }
    std::size_t done = 0;
    while (done < n) {
        done += cursor->CopyOut(pos + static_cast<std::int64_t>(done), buf + done, n - done);
        if (done == n || !cursor->Next()) break;
    }
    std::lock_guard<std::mutex> lock(cursorMutex_);
    cursors_.push_back(std::move(cursor));
    if (cursors_.size() > kMaxCursors) cursors_.erase(cursors_.begin());
    return done;
}

namespace {

class TGlanceStream : public TByteStream {
public:
    TGlanceStream(std::unique_ptr<TDecoder> decoder, std::shared_ptr<const void> owner)
        : owner_(std::move(owner)), decoder_(std::move(decoder)) {}
    std::size_t Read(char* buf, std::size_t n) override { return Fill(*decoder_, buf, n); }
    std::int64_t InputDone() const override { return decoder_->In(); }

private:
    std::shared_ptr<const void> owner_;
    std::unique_ptr<TDecoder> decoder_;
};

}  // namespace

std::unique_ptr<TByteStream> TDecodingSource::Glance() {
    return std::make_unique<TGlanceStream>(NewDecoder(points_.At(0)), shared_from_this());
}

std::unique_ptr<TByteStream> TDecodingSource::Stream(std::int64_t pos) {
    return PrefetchStream(NewDecoder(points_.At(pos)), pos, shared_from_this());
}
