// bzip2 files, one stream or many (pbzip2, lbzip2). A bzip2 block starts at
// any bit, after a 48-bit mark; libbz2 decodes one block alone when it is
// handed as a stream of its own: "BZh" and the level, the block's bits, the
// end mark and the block's checksum (as bzip2recover does). So every block
// is a restart point, and blocks are decoded on every core. The mark can
// also occur inside a block's data by chance; a block that does not decode
// is taken together with what follows up to the next mark.
#include "source/decoding_source.h"
#include "source/unit_pipeline.h"

#include <bzlib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint64_t kBlockMark = 0x314159265359ull;
constexpr std::uint64_t kEndMark = 0x177245385090ull;
constexpr std::uint64_t kMask48 = (std::uint64_t{1} << 48) - 1;
// A block holds at most 900,000 bytes before compression; stored, a little
// more in the worst case. A block "longer" than this is damage.
constexpr std::int64_t kMaxBlockBits = std::int64_t{1200000} * 8;
constexpr std::size_t kMaxBlockText = 64 << 20;
constexpr std::size_t kScanChunk = 1 << 20;

// Bits [from, from + count) of the file (count <= 57), read with ReadAt.
bool ReadBits(TRawInput& input, std::int64_t from, int count, std::uint64_t& value) {
    unsigned char b[9] = {};
    const std::size_t need = static_cast<std::size_t>((from % 8 + count + 7) / 8);
    if (input.ReadAt(from / 8, reinterpret_cast<char*>(b), need) != need) return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i) v = v << 8 | b[i];
    v = (v << (from % 8)) | (b[8] >> (8 - from % 8) & ((1u << (from % 8)) - 1));
    value = v >> (64 - count);
    return true;
}

// The first block or end mark starting at a bit in [from, limit); -1 when
// there is none before limit or the end of the file.
std::int64_t FindMark(TRawInput& input, std::int64_t from, std::int64_t limit) {
    std::vector<unsigned char> chunk(kScanChunk + 8);
    for (std::int64_t byte = from / 8; byte * 8 < limit;) {
        const std::size_t got = input.ReadAt(byte, reinterpret_cast<char*>(chunk.data()), chunk.size());
        if (got < 6) return -1;
        const std::size_t last = got - 6;  // the last byte a mark can start in
        std::uint64_t w = 0;
        for (std::size_t i = 0; i < std::min<std::size_t>(8, got); ++i) w |= std::uint64_t{chunk[i]} << (56 - 8 * i);
        for (std::size_t i = 0; i <= last && i < kScanChunk; ++i) {
            // w holds bytes i .. i + 7 (zeros past the end of what was read).
            for (int s = 0; s < 8; ++s) {
                const std::uint64_t v = (w >> (16 - s)) & kMask48;
                if (v == kBlockMark || v == kEndMark) {
                    const std::int64_t bit = (byte + static_cast<std::int64_t>(i)) * 8 + s;
                    if (bit >= limit) return -1;
                    // Bits past the end of the file do not make a mark.
                    if (bit >= from && static_cast<std::size_t>(bit / 8 - byte) * 8 + static_cast<std::size_t>(s) + 48 <= got * 8)
                        return bit;
                }
            }
            w <<= 8;
            if (i + 8 < got) w |= chunk[i + 8];
        }
        if (got < chunk.size()) return -1;
        byte += static_cast<std::int64_t>(kScanChunk);
    }
    return -1;
}

// Appends bits to a byte string.
class TBitWriter {
public:
    explicit TBitWriter(std::string& out) : out_(out) {}
    void Put(std::uint64_t value, int count) {  // count <= 32
        acc_ = acc_ << count | (value & ((std::uint64_t{1} << count) - 1));
        n_ += count;
        while (n_ >= 8) {
            out_.push_back(static_cast<char>(acc_ >> (n_ - 8)));
            n_ -= 8;
        }
    }
    void Flush() {
        if (n_ > 0) Put(0, 8 - n_);
    }

private:
    std::string& out_;
    std::uint64_t acc_ = 0;
    int n_ = 0;
};

// The block at bits [from, to) of the file as a bzip2 stream of its own.
std::string BlockStream(TRawInput& input, std::int64_t from, std::int64_t to, char level) {
    const std::int64_t first = from / 8;
    std::string bytes(static_cast<std::size_t>((to + 7) / 8 - first), '\0');
    if (input.ReadAt(first, bytes.data(), bytes.size()) != bytes.size()) return {};
    std::string out = std::string("BZh") + level;
    out.reserve(bytes.size() + 16);
    TBitWriter w(out);
    std::int64_t bit = from - first * 8;
    const std::int64_t end = to - first * 8;
    auto bitAt = [&](std::int64_t i) { return (static_cast<unsigned char>(bytes[static_cast<std::size_t>(i / 8)]) >> (7 - i % 8)) & 1u; };
    std::uint32_t crc = 0;
    for (int i = 0; i < 32; ++i) crc = crc << 1 | bitAt(bit + 48 + i);
    for (; bit % 8 != 0 && bit < end; ++bit) w.Put(bitAt(bit), 1);
    for (; bit + 8 <= end; bit += 8) w.Put(static_cast<unsigned char>(bytes[static_cast<std::size_t>(bit / 8)]), 8);
    for (; bit < end; ++bit) w.Put(bitAt(bit), 1);
    w.Put(kEndMark >> 16, 32);
    w.Put(kEndMark & 0xFFFF, 16);
    w.Put(crc, 32);
    w.Flush();
    return out;
}

// Decodes a one-block stream; false if it does not decode whole.
bool DecodeBlock(const std::string& stream, std::string& text) {
    bz_stream bz{};
    if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) throw std::bad_alloc();
    text.resize(1 << 20);
    bz.next_in = const_cast<char*>(stream.data());
    bz.avail_in = static_cast<unsigned>(stream.size());
    std::size_t done = 0;
    int ret = BZ_OK;
    while (ret == BZ_OK) {
        if (done == text.size()) {
            if (text.size() >= kMaxBlockText) break;
            text.resize(text.size() * 2);
        }
        bz.next_out = text.data() + done;
        bz.avail_out = static_cast<unsigned>(text.size() - done);
        ret = BZ2_bzDecompress(&bz);
        done = text.size() - bz.avail_out;
        if (ret == BZ_OK && bz.avail_in == 0 && bz.avail_out > 0) break;  // the stream ends early
    }
    BZ2_bzDecompressEnd(&bz);
    if (ret == BZ_MEM_ERROR) throw std::bad_alloc();
    text.resize(done);
    return ret == BZ_STREAM_END && bz.avail_in == 0;
}

std::uint32_t BlockCrc(TRawInput& input, std::int64_t block) {
    std::uint64_t v = 0;
    return ReadBits(input, block + 48, 32, v) ? static_cast<std::uint32_t>(v) : 0;
}

// Where the reading of a file stands between blocks.
struct TBzip2Walk {
    std::int64_t bit = 0;
    bool atStreamStart = true;  // a "BZh" header comes next
    char level = '9';
    std::uint32_t combined = 0;
    bool combinedKnown = true;  // every block of this stream so far was seen

    // Steps over stream headers and ends up to the next block mark. False at
    // the end of the file. Throws for anything that is not bzip2.
    bool ToBlock(TRawInput& input) {
        for (;;) {
            if (atStreamStart) {
                char head[4];
                const std::size_t got = input.ReadAt(bit / 8, head, 4);
                if (got == 0) return false;
                if (got == 4 && std::memcmp(head, "BZh", 3) == 0 && head[3] >= '1' && head[3] <= '9') {
                    level = head[3];
                    bit += 32;
                    atStreamStart = false;
                    combined = 0;
                    combinedKnown = true;
                    continue;
                }
                SkipZeros(input, got);
                return false;
            }
            std::uint64_t mark = 0;
            if (!ReadBits(input, bit, 48, mark)) ThrowTruncated(input, TCompression::Bzip2, bit / 8);
            if (mark == kBlockMark) return true;
            if (mark != kEndMark) ThrowDamaged(input, TCompression::Bzip2, bit / 8);
            std::uint64_t crc = 0;
            if (!ReadBits(input, bit + 48, 32, crc)) ThrowTruncated(input, TCompression::Bzip2, bit / 8);
            if (combinedKnown && crc != combined)
                ThrowDamaged(input, TCompression::Bzip2, bit / 8, "a block is missing");
            bit = (bit + 80 + 7) / 8 * 8;
            atStreamStart = true;
        }
    }

    void Passed(std::uint32_t blockCrc, std::int64_t next) {
        combined = ((combined << 1) | (combined >> 31)) ^ blockCrc;
        bit = next;
    }

    // Zeros padding the file end it; anything else is not bzip2.
    void SkipZeros(TRawInput& input, std::size_t got) {
        char buf[4096];
        for (std::int64_t at = bit / 8; (got = input.ReadAt(at, buf, sizeof buf)) > 0; at += static_cast<std::int64_t>(got))
            for (std::size_t i = 0; i < got; ++i)
                if (buf[i] != 0)
                    ThrowDamaged(input, TCompression::Bzip2, at + static_cast<std::int64_t>(i),
                                 "unexpected bytes after the compressed data");
    }
};

class TBzip2Decoder : public TDecoder {
public:
    TBzip2Decoder(TDecodingSource& source, const TRestartPoint& point) : source_(source) {
        out_ = point.out;
        walk_.bit = point.in * 8 + point.bits;
        walk_.atStreamStart = point.in == 0 && point.bits == 0;
        walk_.combinedKnown = walk_.atStreamStart;
        walk_.level = point.unit > 0 ? static_cast<char>(point.unit) : '9';
    }

    std::size_t Decode(char* buf, std::size_t n) override {
        std::size_t done = 0;
        while (done < n) {
            if (used_ == text_.size()) {
                if (end_ || !NextBlock()) break;
                continue;
            }
            const std::size_t k = std::min(n - done, text_.size() - used_);
            std::memcpy(buf + done, text_.data() + used_, k);
            used_ += k;
            done += k;
            out_ += static_cast<std::int64_t>(k);
        }
        return done;
    }
    std::int64_t In() const override { return walk_.bit / 8; }

private:
    bool NextBlock() {
        TRawInput& input = source_.Input();
        if (!walk_.ToBlock(input)) {
            end_ = true;
            return false;
        }
        const std::int64_t start = walk_.bit;
        const std::int64_t here = out_;
        std::int64_t end = start + 48;
        for (;;) {
            end = FindMark(input, end + 1, start + kMaxBlockBits);
            if (end < 0) {
                std::uint64_t probe = 0;
                if (!ReadBits(input, start + kMaxBlockBits - 48, 48, probe)) ThrowTruncated(input, TCompression::Bzip2, start / 8);
                ThrowDamaged(input, TCompression::Bzip2, start / 8);
            }
            if (DecodeBlock(BlockStream(input, start, end, walk_.level), text_)) break;
        }
        used_ = 0;
        if (source_.Points().Wants(here))
            source_.Points().Add(TRestartPoint{here, start / 8, static_cast<std::int32_t>(start % 8), walk_.level, {}});
        walk_.Passed(BlockCrc(input, start), end);
        return true;
    }

    TDecodingSource& source_;
    TBzip2Walk walk_;
    std::string text_;
    std::size_t used_ = 0;
    bool end_ = false;
};

// A pipe, read once: libbz2 on the whole of it, stream after stream.
class TBzip2PipeDecoder : public TDecoder {
public:
    explicit TBzip2PipeDecoder(TRawInput& input) : input_(input), buffer_(1 << 16) { Init(); }
    ~TBzip2PipeDecoder() override { BZ2_bzDecompressEnd(&bz_); }

    std::size_t Decode(char* buf, std::size_t n) override {
        bz_.next_out = buf;
        bz_.avail_out = static_cast<unsigned>(std::min<std::size_t>(n, 1u << 30));
        const unsigned want = bz_.avail_out;
        while (bz_.avail_out > 0 && !end_) {
            if (bz_.avail_in == 0 && !Refill()) ThrowTruncated(input_, TCompression::Bzip2, In());
            const int ret = BZ2_bzDecompress(&bz_);
            if (ret == BZ_MEM_ERROR) throw std::bad_alloc();
            if (ret != BZ_OK && ret != BZ_STREAM_END) ThrowDamaged(input_, TCompression::Bzip2, In());
            if (ret == BZ_STREAM_END) {
                // Another stream, zeros padding the file, or its end.
                if (bz_.avail_in == 0 && !Refill()) {
                    end_ = true;
                    break;
                }
                if (bz_.next_in[0] == 0) {
                    do {
                        for (unsigned i = 0; i < bz_.avail_in; ++i)
                            if (bz_.next_in[i] != 0)
                                ThrowDamaged(input_, TCompression::Bzip2, In() + i, "unexpected bytes after the compressed data");
                    } while (Refill());
                    end_ = true;
                    break;
                }
                BZ2_bzDecompressEnd(&bz_);
                Init();
            }
        }
        const std::size_t got = want - bz_.avail_out;
        out_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t In() const override { return pos_ - bz_.avail_in; }

private:
    // A fresh stream state that goes on where the last one stopped: the
    // input not yet read and the room left in the caller's buffer.
    void Init() {
        char* nextIn = bz_.next_in;
        const unsigned availIn = bz_.avail_in;
        char* nextOut = bz_.next_out;
        const unsigned availOut = bz_.avail_out;
        bz_ = bz_stream{};
        if (BZ2_bzDecompressInit(&bz_, 0, 0) != BZ_OK) throw std::bad_alloc();
        bz_.next_in = nextIn;
        bz_.avail_in = availIn;
        bz_.next_out = nextOut;
        bz_.avail_out = availOut;
    }
    bool Refill() {
        const std::size_t got = input_.ReadAt(pos_, buffer_.data(), buffer_.size());
        pos_ += static_cast<std::int64_t>(got);
        bz_.next_in = buffer_.data();
        bz_.avail_in = static_cast<unsigned>(got);
        return got > 0;
    }

    TRawInput& input_;
    std::vector<char> buffer_;
    bz_stream bz_{};
    std::int64_t pos_ = 0;
    bool end_ = false;
};

// Cuts a file into blocks for the pipeline.
class TBzip2Units : public TUnitFormat {
public:
    TBzip2Units(TRawInput& input, const TRestartPoint& from) : input_(input) {
        walk_.bit = from.in * 8 + from.bits;
        walk_.atStreamStart = from.in == 0 && from.bits == 0;
        walk_.combinedKnown = walk_.atStreamStart;
        if (from.unit > 0) walk_.level = static_cast<char>(from.unit);
    }

    void Split(TUnit& unit) override {
        if (!walk_.ToBlock(input_)) {
            unit.last = true;
            return;
        }
        const std::int64_t start = walk_.bit;
        unit.start.in = start / 8;
        unit.start.bits = static_cast<std::int32_t>(start % 8);
        unit.start.unit = walk_.level;
        const std::int64_t end = FindMark(input_, start + 49, start + kMaxBlockBits);
        if (end < 0) {
            unit.handOver = true;
            return;
        }
        unit.input = BlockStream(input_, start, end, walk_.level);
        walk_.Passed(BlockCrc(input_, start), end);
    }

    void Decode(TUnit& unit) override { unit.decoded = DecodeBlock(unit.input, unit.text); }

private:
    TRawInput& input_;
    TBzip2Walk walk_;
};

class TBzip2Source : public TDecodingSource {
public:
    explicit TBzip2Source(std::shared_ptr<TRawInput> input) : TDecodingSource(std::move(input), TCompression::Bzip2) {}

    std::unique_ptr<TDecoder> NewDecoder(const TRestartPoint& point) override {
        if (input_->Size() < 0) return std::make_unique<TBzip2PipeDecoder>(*input_);
        return std::make_unique<TBzip2Decoder>(*this, point);
    }

    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override {
        if (input_->Size() < 0) return TDecodingSource::Stream(pos);
        const TRestartPoint from = points_.At(pos);
        return UnitStream(*this, std::make_unique<TBzip2Units>(*input_, from), from, pos);
    }
};

}  // namespace

std::shared_ptr<TByteSource> MakeBzip2Source(std::shared_ptr<TRawInput> input) {
    return std::make_shared<TBzip2Source>(std::move(input));
}
