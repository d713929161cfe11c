#include "source/zip_members.h"

#include <lzma.h>
#include <zstd.h>
#include <zstd_errors.h>

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr std::uint16_t kMethodLzma = 14;
constexpr std::uint16_t kMethodZstd = 93;
constexpr std::uint16_t kMethodXz = 95;
constexpr std::size_t kChunk = 1 << 16;
// As for .xz files: at most this much memory for a decoder's dictionary.
constexpr std::uint64_t kMemoryLimit = std::uint64_t{1} << 30;

// The stored bytes of a member, read in order.
class TStoredBytes {
public:
    explicit TStoredBytes(TRawInput& input) : input_(input), buffer_(kChunk) {}
    // The next bytes, from `from` on at the first call; false at the end of the member.
    bool Next(const std::uint8_t*& next, std::size_t& avail) {
        const std::size_t got = input_.ReadAt(pos_, reinterpret_cast<char*>(buffer_.data()), buffer_.size());
        pos_ += static_cast<std::int64_t>(got);
        next = buffer_.data();
        avail = got;
        return got > 0;
    }
    std::int64_t Pos() const { return pos_; }
    void Skip(std::int64_t n) { pos_ += n; }
    TRawInput& Input() { return input_; }

private:
    TRawInput& input_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t pos_ = 0;
};

// xz streams and raw LZMA data, through liblzma.
class TLzmaMember : public TZipMemberDecoder {
public:
    TLzmaMember(std::uint16_t method, TRawInput& input, std::int64_t text) : stored_(input), text_(text) {
        lzma_ret ret = LZMA_OK;
        if (method == kMethodXz) {
            ret = lzma_stream_decoder(&strm_, kMemoryLimit, LZMA_CONCATENATED);
        } else {
            // Zip's LZMA: version (2 bytes), size of the properties (2), the
            // properties, then raw LZMA1 data, maybe ended by a marker.
            std::uint8_t head[4];
            if (input.ReadAt(0, reinterpret_cast<char*>(head), 4) != 4) ThrowTruncated(input, TCompression::Zip, 0);
            const std::size_t propsSize = static_cast<std::size_t>(head[2] | head[3] << 8);
            if (propsSize != 5) ThrowDamaged(input, TCompression::Zip, 2, "its LZMA properties cannot be read");
            std::uint8_t props[5];
            if (input.ReadAt(4, reinterpret_cast<char*>(props), 5) != 5) ThrowTruncated(input, TCompression::Zip, 4);
            lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
            if (lzma_properties_decode(&filters[0], nullptr, props, 5) != LZMA_OK)
                ThrowDamaged(input, TCompression::Zip, 4, "its LZMA properties cannot be read");
            ret = lzma_raw_decoder(&strm_, filters);
            free(filters[0].options);
            stored_.Skip(9);
        }
        if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
        if (ret != LZMA_OK) ThrowDamaged(input, TCompression::Zip, 0);
    }
    ~TLzmaMember() override { lzma_end(&strm_); }

    std::size_t Read(char* buf, std::size_t n, bool& ended) override {
        ended = false;
        // Raw LZMA without an end marker stops at the size the entry tells.
        if (text_ >= 0) n = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), text_ - done_));
        strm_.next_out = reinterpret_cast<std::uint8_t*>(buf);
        strm_.avail_out = n;
        while (strm_.avail_out > 0) {
            if (strm_.avail_in == 0 && !ended_) ended_ = !stored_.Next(strm_.next_in, strm_.avail_in);
            const lzma_ret ret = lzma_code(&strm_, ended_ ? LZMA_FINISH : LZMA_RUN);
            if (ret == LZMA_STREAM_END) {
                ended = true;
                break;
            }
            if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
            if (ret == LZMA_BUF_ERROR) ThrowTruncated(stored_.Input(), TCompression::Zip, stored_.Pos());
            if (ret != LZMA_OK) ThrowDamaged(stored_.Input(), TCompression::Zip, stored_.Pos());
        }
        const std::size_t got = n - strm_.avail_out;
        done_ += static_cast<std::int64_t>(got);
        if (text_ >= 0 && done_ == text_) ended = true;
        return got;
    }

private:
    TStoredBytes stored_;
    lzma_stream strm_ = LZMA_STREAM_INIT;
    std::int64_t text_;
    std::int64_t done_ = 0;
    bool ended_ = false;  // the stored bytes are all read
};

// zstd frames, through libzstd.
class TZstdMember : public TZipMemberDecoder {
public:
    explicit TZstdMember(TRawInput& input) : stored_(input), dctx_(ZSTD_createDCtx()) {
        if (!dctx_) throw std::bad_alloc();
    }
    ~TZstdMember() override { ZSTD_freeDCtx(dctx_); }

    std::size_t Read(char* buf, std::size_t n, bool& ended) override {
        ended = false;
        ZSTD_outBuffer out{buf, n, 0};
        while (out.pos < out.size) {
            if (in_.pos == in_.size) {
                const std::uint8_t* next = nullptr;
                std::size_t avail = 0;
                if (!stored_.Next(next, avail)) {
                    if (!frameDone_) ThrowTruncated(stored_.Input(), TCompression::Zip, stored_.Pos());
                    ended = true;
                    break;
                }
                in_ = ZSTD_inBuffer{next, avail, 0};
            }
            const std::size_t ret = ZSTD_decompressStream(dctx_, &out, &in_);
            if (ZSTD_isError(ret)) {
                if (ZSTD_getErrorCode(ret) == ZSTD_error_memory_allocation) throw std::bad_alloc();
                ThrowDamaged(stored_.Input(), TCompression::Zip, stored_.Pos());
            }
            frameDone_ = ret == 0;
        }
        return out.pos;
    }

private:
    TStoredBytes stored_;
    ZSTD_DCtx* dctx_;
    ZSTD_inBuffer in_{nullptr, 0, 0};
    bool frameDone_ = true;
};

}  // namespace

bool DecodedHere(std::uint16_t method) {
    return method == kMethodLzma || method == kMethodXz || method == kMethodZstd;
}

std::unique_ptr<TZipMemberDecoder> NewZipMemberDecoder(std::uint16_t method, TRawInput& stored, std::int64_t text) {
    if (method == kMethodZstd) return std::make_unique<TZstdMember>(stored);
    return std::make_unique<TLzmaMember>(method, stored, method == kMethodLzma ? text : -1);
}
