// Deflate data (a gzip member, a zip member) inflated with zlib, with restart
// points the way zlib's zran example makes them: at a deflate block boundary
// the bit position and the last 32 KiB of text are enough to start again.
// The window is kept deflated (a few KB instead of 32).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "source/decoding_source.h"

class TInflateReader {
public:
    // input holds the compressed bytes; messages name it with format.
    TInflateReader(TRawInput& input, TCompression format);
    ~TInflateReader();
    TInflateReader(const TInflateReader&) = delete;
    TInflateReader& operator=(const TInflateReader&) = delete;

    // A fresh stream at stored offset in: gzip (header and trailer checked) or raw deflate.
    void Begin(std::int64_t in, bool gzip);
    // Raw deflate from a point recorded by Inflate.
    void Resume(const TRestartPoint& point);

    // Inflates up to n bytes into buf; ended is set when the deflate stream
    // ends (for gzip after its trailer was checked). With points given, a
    // point is recorded at the first block boundary at least the table's gap
    // past the last one: out is the text offset of buf[0], unit goes into
    // the point. Throws TFileError for damaged or truncated data.
    std::size_t Inflate(char* buf, std::size_t n, bool& ended, TRestartTable* points, std::int64_t out,
                        std::int32_t unit);

    // Stored offset of the next byte not yet inflated.
    std::int64_t In() const { return inPos_ - static_cast<std::int64_t>(zs_.avail_in); }
    // Up to n stored bytes from In() on, without consuming them.
    std::size_t Peek(unsigned char* buf, std::size_t n);
    void Skip(std::size_t n);

private:
    bool Refill();

    TRawInput& input_;
    TCompression format_;
    z_stream zs_{};
    std::vector<unsigned char> buffer_;
    std::int64_t inPos_ = 0;  // stored offset just after the buffered bytes
    bool eof_ = false;
};
