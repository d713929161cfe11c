// xz files, decoded by liblzma. The index at the end of the file lists every
// block with its offsets, so every block is a restart point from the start,
// and liblzma's threaded decoder decodes the blocks on every core. A file
// of one block (what `xz` writes for a file smaller than its block size,
// 24 MiB at the default level) restarts at its beginning only: liblzma
// cannot resume inside a block.
#include "source/decoding_source.h"

#include <lzma.h>

#include <algorithm>
#include <new>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t kInputChunk = 1 << 16;
// The most memory a file may ask for (xz -9 takes 65 MB, the largest
// dictionary 1.5 GB); more is refused as a damaged file rather than tried.
constexpr std::uint64_t kMemoryLimit = std::uint64_t{1} << 30;

[[noreturn]] void ThrowLzma(const TRawInput& input, lzma_ret ret, std::int64_t at) {
    if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
    if (ret == LZMA_BUF_ERROR) ThrowTruncated(input, TCompression::Xz, at);
    if (ret == LZMA_MEMLIMIT_ERROR) ThrowDamaged(input, TCompression::Xz, at, "it needs too much memory to decode");
    ThrowDamaged(input, TCompression::Xz, at);
}

// The whole file from its start: every stream, any padding between them.
class TXzStreamDecoder : public TDecoder {
public:
    TXzStreamDecoder(TRawInput& input, unsigned threads) : input_(input), buffer_(kInputChunk), threads_(threads) {
        Init();
    }
    ~TXzStreamDecoder() override { lzma_end(&strm_); }

    std::size_t Decode(char* buf, std::size_t n) override {
        strm_.next_out = reinterpret_cast<std::uint8_t*>(buf);
        strm_.avail_out = n;
        while (strm_.avail_out > 0 && !end_) {
            Refill();
            const lzma_ret ret = lzma_code(&strm_, eof_ ? LZMA_FINISH : LZMA_RUN);
            if (ret == LZMA_STREAM_END) NextStream();
            else if (ret != LZMA_OK) ThrowLzma(input_, ret, In());
        }
        const std::size_t got = n - strm_.avail_out;
        out_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t In() const override { return pos_ - static_cast<std::int64_t>(strm_.avail_in); }

private:
    void Init() {
        lzma_ret ret;
        if (threads_ > 1) {
            lzma_mt mt{};
            mt.threads = threads_;
            mt.memlimit_threading = kMemoryLimit;
            mt.memlimit_stop = kMemoryLimit;
            ret = lzma_stream_decoder_mt(&strm_, &mt);
        } else {
            ret = lzma_stream_decoder(&strm_, kMemoryLimit, 0);
        }
        if (ret != LZMA_OK) throw std::bad_alloc();
    }
    void Refill() {
        if (strm_.avail_in > 0 || eof_) return;
        const std::size_t got = input_.ReadAt(pos_, reinterpret_cast<char*>(buffer_.data()), buffer_.size());
        pos_ += static_cast<std::int64_t>(got);
        strm_.next_in = buffer_.data();
        strm_.avail_in = got;
        eof_ = got == 0;
    }
    // After a stream: zeros padding the file (any number of them), then
    // another stream or the end; anything else is damage.
    void NextStream() {
        for (;;) {
            Refill();
            while (strm_.avail_in > 0 && *strm_.next_in == 0) {
                ++strm_.next_in;
                --strm_.avail_in;
            }
            if (strm_.avail_in > 0) break;
            if (eof_) {
                end_ = true;
                return;
            }
        }
        if (strm_.next_in[0] != 0xFD)
            ThrowDamaged(input_, TCompression::Xz, In(), "unexpected bytes after the compressed data");
        // Another stream: a fresh decoder over the input left.
        const std::uint8_t* next = strm_.next_in;
        const std::size_t avail = strm_.avail_in;
        std::uint8_t* out = strm_.next_out;
        const std::size_t room = strm_.avail_out;
        lzma_end(&strm_);
        strm_ = LZMA_STREAM_INIT;
        Init();
        strm_.next_in = next;
        strm_.avail_in = avail;
        strm_.next_out = out;
        strm_.avail_out = room;
    }

    TRawInput& input_;
    std::vector<std::uint8_t> buffer_;
    unsigned threads_;
    lzma_stream strm_ = LZMA_STREAM_INIT;
    std::int64_t pos_ = 0;
    bool eof_ = false;
    bool end_ = false;
};

// Block after block from any block, as the index lists them.
class TXzBlockDecoder : public TDecoder {
public:
    TXzBlockDecoder(TRawInput& input, const lzma_index* index, const TRestartPoint& point)
        : input_(input), buffer_(kInputChunk) {
        lzma_index_iter_init(&iter_, index);
        more_ = !lzma_index_iter_locate(&iter_, static_cast<lzma_vli>(point.out));
        out_ = more_ ? static_cast<std::int64_t>(iter_.block.uncompressed_file_offset) : point.out;
        if (more_) StartBlock();
    }
    ~TXzBlockDecoder() override { lzma_end(&strm_); }

    std::size_t Decode(char* buf, std::size_t n) override {
        strm_.next_out = reinterpret_cast<std::uint8_t*>(buf);
        strm_.avail_out = n;
        while (strm_.avail_out > 0 && more_) {
            if (strm_.avail_in == 0) {
                const std::size_t got = input_.ReadAt(pos_, reinterpret_cast<char*>(buffer_.data()), buffer_.size());
                if (got == 0) ThrowTruncated(input_, TCompression::Xz, In());
                pos_ += static_cast<std::int64_t>(got);
                strm_.next_in = buffer_.data();
                strm_.avail_in = got;
            }
            const lzma_ret ret = lzma_code(&strm_, LZMA_RUN);
            if (ret == LZMA_STREAM_END) {
                more_ = !lzma_index_iter_next(&iter_, LZMA_INDEX_ITER_NONEMPTY_BLOCK);
                if (more_) StartBlock();
            } else if (ret != LZMA_OK) {
                ThrowLzma(input_, ret, In());
            }
        }
        const std::size_t got = n - strm_.avail_out;
        out_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t In() const override { return pos_ - static_cast<std::int64_t>(strm_.avail_in); }

private:
    void StartBlock() {
        const std::int64_t at = static_cast<std::int64_t>(iter_.block.compressed_file_offset);
        std::uint8_t header[LZMA_BLOCK_HEADER_SIZE_MAX];
        if (input_.ReadAt(at, reinterpret_cast<char*>(header), 1) != 1) ThrowTruncated(input_, TCompression::Xz, at);
        // liblzma keeps the block record until the block ends: a member.
        lzma_filter* filters = filters_;
        for (lzma_filter& f : filters_) f = lzma_filter{LZMA_VLI_UNKNOWN, nullptr};
        block_ = lzma_block{};
        lzma_block& block = block_;
        block.version = 1;
        block.check = iter_.stream.flags->check;
        block.filters = filters;
        block.header_size = lzma_block_header_size_decode(header[0]);
        if (input_.ReadAt(at, reinterpret_cast<char*>(header), block.header_size) != block.header_size)
            ThrowTruncated(input_, TCompression::Xz, at);
        lzma_ret ret = lzma_block_header_decode(&block, nullptr, header);
        if (ret == LZMA_OK) ret = lzma_block_compressed_size(&block, iter_.block.unpadded_size);
        if (ret == LZMA_OK && lzma_raw_decoder_memusage(filters) > kMemoryLimit) ret = LZMA_MEMLIMIT_ERROR;
        if (ret == LZMA_OK) ret = lzma_block_decoder(&strm_, &block);
        lzma_filters_free(filters, nullptr);
        if (ret != LZMA_OK) ThrowLzma(input_, ret == LZMA_PROG_ERROR ? LZMA_DATA_ERROR : ret, at);
        pos_ = at + block.header_size;
        strm_.avail_in = 0;
    }

    TRawInput& input_;
    std::vector<std::uint8_t> buffer_;
    lzma_stream strm_ = LZMA_STREAM_INIT;
    lzma_index_iter iter_{};
    lzma_block block_{};
    lzma_filter filters_[LZMA_FILTERS_MAX + 1]{};
    std::int64_t pos_ = 0;
    bool more_ = false;
};

class TXzSource : public TDecodingSource {
public:
    explicit TXzSource(std::shared_ptr<TRawInput> input) : TDecodingSource(std::move(input), TCompression::Xz) {
        if (input_->Size() < 0) return;  // a pipe has no index to read ahead
        index_ = ReadIndex();
        if (!index_) return;
        lzma_index_iter iter;
        lzma_index_iter_init(&iter, index_);
        std::int32_t block = 0;
        while (!lzma_index_iter_next(&iter, LZMA_INDEX_ITER_NONEMPTY_BLOCK)) {
            TRestartPoint point;
            point.out = static_cast<std::int64_t>(iter.block.uncompressed_file_offset);
            point.in = static_cast<std::int64_t>(iter.block.compressed_file_offset);
            point.unit = ++block;
            points_.Add(point);
        }
    }
    ~TXzSource() override {
        if (index_) lzma_index_end(index_, nullptr);
    }

    std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) override {
        if (index_) return std::make_unique<TXzBlockDecoder>(*input_, index_, point);
        return std::make_unique<TXzStreamDecoder>(*input_, 1);
    }

    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override {
        const TRestartPoint from = points_.At(pos);
        if (from.out != 0) return TDecodingSource::Stream(pos);
        // From the start: liblzma decodes the blocks on every core.
        const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
        return PrefetchStream(std::make_unique<TXzStreamDecoder>(*input_, threads), pos, shared_from_this());
    }

private:
    // The end of the file less the zeros padding it (a stream ends in "YZ").
    std::int64_t DataEnd() {
        std::int64_t end = input_->Size();
        char buf[4096];
        while (end > 0) {
            const std::int64_t from = std::max<std::int64_t>(0, end - static_cast<std::int64_t>(sizeof buf));
            const std::size_t got = input_->ReadAt(from, buf, static_cast<std::size_t>(end - from));
            if (got != static_cast<std::size_t>(end - from)) return input_->Size();
            std::size_t k = got;
            while (k > 0 && buf[k - 1] == 0) --k;
            if (k > 0) return from + static_cast<std::int64_t>(k);
            end = from;
        }
        return end;
    }

    // Every stream's index, read from the end of the file; null when the
    // file is damaged there (its decoding then says where).
    lzma_index* ReadIndex() {
        lzma_stream strm = LZMA_STREAM_INIT;
        lzma_index* index = nullptr;
        const std::int64_t size = DataEnd();
        if (lzma_file_info_decoder(&strm, &index, UINT64_MAX, static_cast<std::uint64_t>(size)) != LZMA_OK)
            return nullptr;
        std::vector<std::uint8_t> buffer(kInputChunk);
        std::int64_t pos = 0;
        lzma_ret ret = LZMA_OK;
        try {
            for (;;) {
                if (strm.avail_in == 0) {
                    const std::size_t want =
                        static_cast<std::size_t>(std::clamp<std::int64_t>(size - pos, 0, static_cast<std::int64_t>(buffer.size())));
                    const std::size_t got = input_->ReadAt(pos, reinterpret_cast<char*>(buffer.data()), want);
                    pos += static_cast<std::int64_t>(got);
                    strm.next_in = buffer.data();
                    strm.avail_in = got;
                    if (got == 0) break;
                }
                ret = lzma_code(&strm, LZMA_RUN);
                if (ret == LZMA_SEEK_NEEDED) {
                    pos = static_cast<std::int64_t>(strm.seek_pos);
                    strm.avail_in = 0;
                } else if (ret != LZMA_OK) {
                    break;
                }
            }
        } catch (const TFileError&) {
            ret = LZMA_DATA_ERROR;
        }
        lzma_end(&strm);
        if (ret == LZMA_STREAM_END) return index;
        if (index) lzma_index_end(index, nullptr);
        return nullptr;
    }

    lzma_index* index_ = nullptr;
};

}  // namespace

std::shared_ptr<TByteSource> MakeXzSource(std::shared_ptr<TRawInput> input) {
    return std::make_shared<TXzSource>(std::move(input));
}
