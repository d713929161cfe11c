// The machinery every compressed source shares: restart points recorded
// while the text is first decoded, decoders that start at any of them, and
// positioned reads served from the nearest point, with a few decoders kept
// where the last reads left them (the next row or game usually follows).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "source/byte_source.h"

// A place from which decoding can start without what came before it.
struct TRestartPoint {
    std::int64_t out = 0;    // offset in the text
    std::int64_t in = 0;     // offset in the stored bytes (of the member, in a zip)
    std::int32_t bits = 0;   // deflate: bits of the byte before `in` still to read; bzip2: bit in the byte
    std::int32_t unit = 0;   // zip: the member; xz: the block
    std::string state;       // deflate: the window before the point, itself deflated
};

// Restart points in text order. Safe from any thread.
class TRestartTable {
public:
    // minGap: points closer than this to the last one are not kept; with
    // maxPoints > 0 every other point goes when there are that many, and
    // the gap doubles, so that memory stays bounded on any size of file.
    explicit TRestartTable(std::int64_t minGap = 0, std::size_t maxPoints = 0);
    // True when a point at out would be kept.
    bool Wants(std::int64_t out) const;
    void Add(TRestartPoint point);
    // The last point at or before pos (the first point if none is).
    TRestartPoint At(std::int64_t pos) const;
    // The first point after pos; false if none is known yet.
    bool After(std::int64_t pos, TRestartPoint& point) const;
    std::size_t Count() const;

private:
    mutable std::mutex mutex_;
    std::vector<TRestartPoint> points_;
    std::int64_t minGap_;
    std::size_t maxPoints_;
};

// Decodes the text on from one restart point, recording the points it passes
// beyond what the table knows.
class TDecoder {
public:
    virtual ~TDecoder() = default;
    // The next bytes of text, up to n; 0 only at the end. Throws TFileError
    // naming the file and the stored byte where the data went wrong.
    virtual std::size_t Decode(char* buf, std::size_t n) = 0;
    // Stored bytes consumed so far (for progress).
    virtual std::int64_t In() const = 0;
    std::int64_t Out() const { return out_; }

protected:
    std::int64_t out_ = 0;
};

// A decoder run on a helper thread a few buffers ahead of its reader, so
// that decoding and whatever the reader does with the text overlap. The
// text before skipTo is dropped; owner is kept alive as long as the stream.
std::unique_ptr<TByteStream> PrefetchStream(std::unique_ptr<TDecoder> decoder, std::int64_t skipTo,
                                            std::shared_ptr<const void> owner);

class TDecodingSource : public TByteSource, public std::enable_shared_from_this<TDecodingSource> {
public:
    TDecodingSource(std::shared_ptr<TRawInput> input, TCompression c, std::int64_t minGap = 0,
                    std::size_t maxPoints = 0);
    ~TDecodingSource() override;

    TCompression Compression() const override { return compression_; }
    const std::string& Name() const override { return input_->Name(); }
    std::int64_t InputSize() const override { return input_->Size(); }
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) override;
    // By default a decoder from the nearest point, read ahead on a helper thread.
    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override;
    std::unique_ptr<TByteStream> Glance() override;

    // A decoder starting at point (which comes from this source's table).
    virtual std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) = 0;

    TRawInput& Input() { return *input_; }
    const std::shared_ptr<TRawInput>& InputPtr() const { return input_; }
    TRestartTable& Points() { return points_; }

protected:
    std::shared_ptr<TRawInput> input_;
    TCompression compression_;
    TRestartTable points_;

private:
    struct TCursor;
    static constexpr std::size_t kMaxCursors = 8;
    std::mutex cursorMutex_;
    std::vector<std::unique_ptr<TCursor>> cursors_;  // idle ones, the most recent last
};
