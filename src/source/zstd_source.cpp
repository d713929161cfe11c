// zstd files, decoded by libzstd. Every frame is a restart point; a file of
// many frames (pzstd, and the big monthly dumps, put a skippable frame
// holding the next frame's size in front of each) is decoded on every core.
// A file of one frame has no restart point inside it: libzstd cannot resume
// in the middle of a frame, so a read there decodes from the frame's start.
#include "source/decoding_source.h"
#include "source/unit_pipeline.h"

#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A frame is decoded in parallel when its stored size is found within this
// much and its text (when the frame tells) is no larger than kMaxUnitText.
constexpr std::size_t kMaxUnitInput = 16 << 20;
constexpr std::size_t kMaxUnitText = 64 << 20;
constexpr std::uint32_t kSkippableMask = 0xFFFFFFF0u;
constexpr std::uint32_t kSkippableMagic = 0x184D2A50u;

std::uint32_t Le32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;  // zstd is little-endian, as is every machine we build for
}

struct TDCtxFree {
    void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};
using TDCtx = std::unique_ptr<ZSTD_DCtx, TDCtxFree>;

TDCtx NewDCtx() {
    TDCtx d(ZSTD_createDCtx());
    if (!d) throw std::bad_alloc();
    return d;
}

[[noreturn]] void ThrowZstd(const TRawInput& input, std::size_t code, std::int64_t at) {
    switch (ZSTD_getErrorCode(code)) {
        case ZSTD_error_memory_allocation: throw std::bad_alloc();
        case ZSTD_error_frameParameter_windowTooLarge:
            ThrowDamaged(input, TCompression::Zstd, at, "it was written for more than 128 MB of memory to decode");
        default: ThrowDamaged(input, TCompression::Zstd, at);
    }
}

class TZstdDecoder : public TDecoder {
public:
    TZstdDecoder(TDecodingSource& source, const TRestartPoint& point)
        : source_(source), dctx_(NewDCtx()), buffer_(ZSTD_DStreamInSize()), inPos_(point.in) {
        out_ = point.out;
    }

    std::size_t Decode(char* buf, std::size_t n) override {
        ZSTD_outBuffer out{buf, n, 0};
        while (out.pos < out.size && !end_) {
            if (in_.pos == in_.size) {
                const std::size_t got = source_.Input().ReadAt(inPos_, buffer_.data(), buffer_.size());
                if (got == 0) {
                    if (!frameDone_) ThrowTruncated(source_.Input(), TCompression::Zstd, In());
                    end_ = true;
                    break;
                }
                inPos_ += static_cast<std::int64_t>(got);
                in_ = ZSTD_inBuffer{buffer_.data(), got, 0};
            }
            if (frameDone_ && static_cast<const char*>(in_.src)[in_.pos] == 0) {
                SkipZeros();  // no frame starts with a zero byte
                break;
            }
            if (frameDone_) {
                const std::int64_t here = out_ + static_cast<std::int64_t>(out.pos);
                if (source_.Points().Wants(here)) source_.Points().Add(TRestartPoint{here, In(), 0, 0, {}});
            }
            const std::size_t ret = ZSTD_decompressStream(dctx_.get(), &out, &in_);
            if (ZSTD_isError(ret)) ThrowZstd(source_.Input(), ret, In());
            frameDone_ = ret == 0;
        }
        out_ += static_cast<std::int64_t>(out.pos);
        return out.pos;
    }

    std::int64_t In() const override { return inPos_ - static_cast<std::int64_t>(in_.size - in_.pos); }

private:
    // Zeros padding the file end it; anything else after them is damage.
    void SkipZeros() {
        for (;;) {
            for (; in_.pos < in_.size; ++in_.pos)
                if (static_cast<const char*>(in_.src)[in_.pos] != 0)
                    ThrowDamaged(source_.Input(), TCompression::Zstd, In(), "unexpected bytes after the compressed data");
            const std::size_t got = source_.Input().ReadAt(inPos_, buffer_.data(), buffer_.size());
            if (got == 0) break;
            inPos_ += static_cast<std::int64_t>(got);
            in_ = ZSTD_inBuffer{buffer_.data(), got, 0};
        }
        end_ = true;
    }

    TDecodingSource& source_;
    TDCtx dctx_;
    std::vector<char> buffer_;
    ZSTD_inBuffer in_{nullptr, 0, 0};
    std::int64_t inPos_;
    bool frameDone_ = true;  // between frames
    bool end_ = false;
};

// Cuts a file into frames (with the skippable frames before each) for the
// pipeline.
class TZstdUnits : public TUnitFormat {
public:
    TZstdUnits(TRawInput& input, std::int64_t from) : input_(input), pos_(from) {}

    void Split(TUnit& unit) override {
        unit.start.in = pos_;
        std::int64_t at = pos_;
        std::uint32_t hint = 0;  // the frame's stored size, from a skippable frame in front
        char head[12];
        for (;;) {
            const std::size_t got = input_.ReadAt(at, head, sizeof head);
            if (got == 0 && at == pos_) {
                unit.last = true;
                return;
            }
            if (got < 8) return HandOver(unit);
            const std::uint32_t magic = Le32(head);
            if ((magic & kSkippableMask) == kSkippableMagic) {
                const std::uint32_t size = Le32(head + 4);
                hint = size == 4 && got == 12 ? Le32(head + 8) : 0;
                at += 8 + static_cast<std::int64_t>(size);
                continue;
            }
            if (magic != ZSTD_MAGICNUMBER) return HandOver(unit);
            break;
        }
        // The frame's stored size: told in front, or found by walking its blocks.
        std::size_t size = hint;
        std::size_t have = std::min<std::size_t>(hint ? hint : 1 << 20, kMaxUnitInput);
        std::string& frame = unit.input;
        for (;;) {
            frame.resize(have);
            frame.resize(input_.ReadAt(at, frame.data(), have));
            const unsigned long long text = ZSTD_getFrameContentSize(frame.data(), frame.size());
            if (text != ZSTD_CONTENTSIZE_UNKNOWN && text != ZSTD_CONTENTSIZE_ERROR && text > kMaxUnitText)
                return HandOver(unit);
            if (hint) break;
            const std::size_t found = ZSTD_findFrameCompressedSize(frame.data(), frame.size());
            if (!ZSTD_isError(found)) {
                size = found;
                break;
            }
            if (frame.size() < have || have >= kMaxUnitInput) return HandOver(unit);
            have = std::min(have * 4, kMaxUnitInput);
        }
        if (frame.size() < size) return HandOver(unit);  // the file ends inside the frame
        frame.resize(size);
        pos_ = at + static_cast<std::int64_t>(size);
    }

    void Decode(TUnit& unit) override {
        thread_local TDCtx dctx = NewDCtx();
        ZSTD_DCtx_reset(dctx.get(), ZSTD_reset_session_only);
        ZSTD_inBuffer in{unit.input.data(), unit.input.size(), 0};
        const unsigned long long told = ZSTD_getFrameContentSize(unit.input.data(), unit.input.size());
        std::size_t capacity = told <= kMaxUnitText ? static_cast<std::size_t>(told) + 1 : unit.input.size() * 4 + 4096;
        unit.text.resize(std::max(capacity, unit.text.capacity()));
        ZSTD_outBuffer out{unit.text.data(), unit.text.size(), 0};
        for (;;) {
            const std::size_t ret = ZSTD_decompressStream(dctx.get(), &out, &in);
            if (ZSTD_isError(ret)) return;  // the decoder, on from here, names the fault
            if (ret == 0 && in.pos == in.size) break;
            if (out.pos == out.size) {
                if (out.size >= kMaxUnitText) return;
                unit.text.resize(std::min(out.size * 2, kMaxUnitText));
                out.dst = unit.text.data();
                out.size = unit.text.size();
            } else if (in.pos == in.size) {
                return;  // the frame ends early
            }
        }
        unit.text.resize(out.pos);
        unit.decoded = true;
    }

private:
    void HandOver(TUnit& unit) { unit.handOver = true; }

    TRawInput& input_;
    std::int64_t pos_;
};

class TZstdSource : public TDecodingSource {
public:
    explicit TZstdSource(std::shared_ptr<TRawInput> input) : TDecodingSource(std::move(input), TCompression::Zstd) {}

    std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) override {
        return std::make_unique<TZstdDecoder>(*this, point);
    }

    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override {
        // A pipe is read once, in order: one decoder.
        if (input_->Size() < 0) return TDecodingSource::Stream(pos);
        const TRestartPoint from = points_.At(pos);
        return UnitStream(*this, std::make_unique<TZstdUnits>(*input_, from.in), from, pos);
    }
};

}  // namespace

std::shared_ptr<TByteSource> MakeZstdSource(std::shared_ptr<TRawInput> input) {
    return std::make_shared<TZstdSource>(std::move(input));
}
