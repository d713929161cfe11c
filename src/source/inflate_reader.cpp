#include "source/inflate_reader.h"

#include <cstring>
#include <new>

namespace {

constexpr std::size_t kInputChunk = 256 * 1024;
constexpr unsigned kWindow = 32768;

std::string PackWindow(const unsigned char* window, unsigned length) {
    uLongf packed = compressBound(length);
    std::string out(4 + packed, '\0');
    std::memcpy(out.data(), &length, 4);
    if (compress2(reinterpret_cast<Bytef*>(out.data() + 4), &packed, window, length, 1) != Z_OK) throw std::bad_alloc();
    out.resize(4 + packed);
    return out;
}

std::vector<unsigned char> UnpackWindow(const std::string& state) {
    unsigned length = 0;
    if (state.size() < 4) return {};
    std::memcpy(&length, state.data(), 4);
    std::vector<unsigned char> window(length);
    uLongf got = length;
    if (uncompress(window.data(), &got, reinterpret_cast<const Bytef*>(state.data() + 4), state.size() - 4) != Z_OK ||
        got != length)
        throw std::bad_alloc();  // our own memory, not the file's: cannot happen short of running out
    return window;
}

}  // namespace

TInflateReader::TInflateReader(TRawInput& input, TCompression format)
    : input_(input), format_(format), buffer_(kInputChunk) {
    if (inflateInit2(&zs_, -15) != Z_OK) throw std::bad_alloc();
}

TInflateReader::~TInflateReader() { inflateEnd(&zs_); }

void TInflateReader::Begin(std::int64_t in, bool gzip) {
    if (inflateReset2(&zs_, gzip ? 31 : -15) != Z_OK) throw std::bad_alloc();
    if (in != In()) {
        inPos_ = in;
        zs_.avail_in = 0;
        eof_ = false;
    }
}

void TInflateReader::Resume(const TRestartPoint& point) {
    inPos_ = point.in;
    zs_.avail_in = 0;
    eof_ = false;
    if (inflateReset2(&zs_, -15) != Z_OK) throw std::bad_alloc();
    if (point.bits > 0) {
        char byte = 0;
        if (input_.ReadAt(point.in - 1, &byte, 1) != 1) ThrowTruncated(input_, format_, point.in);
        inflatePrime(&zs_, point.bits, static_cast<unsigned char>(byte) >> (8 - point.bits));
    }
    const std::vector<unsigned char> window = UnpackWindow(point.state);
    if (!window.empty()) inflateSetDictionary(&zs_, window.data(), static_cast<uInt>(window.size()));
}

bool TInflateReader::Refill() {
    if (zs_.avail_in > 0) return true;
    if (eof_) return false;
    const std::size_t got = input_.ReadAt(inPos_, reinterpret_cast<char*>(buffer_.data()), buffer_.size());
    inPos_ += static_cast<std::int64_t>(got);
    zs_.next_in = buffer_.data();
    zs_.avail_in = static_cast<uInt>(got);
    if (got < buffer_.size()) eof_ = true;
    return got > 0;
}

std::size_t TInflateReader::Inflate(char* buf, std::size_t n, bool& ended, TRestartTable* points, std::int64_t out,
                                    std::int32_t unit) {
    ended = false;
    zs_.next_out = reinterpret_cast<Bytef*>(buf);
    zs_.avail_out = static_cast<uInt>(std::min<std::size_t>(n, 1u << 30));
    const uInt want = zs_.avail_out;
    while (zs_.avail_out > 0) {
        // zlib may still hold output when the input is all read (a zip
        // member ends exactly where its deflate data ends): it is asked
        // first, and the data is cut short only when it can give nothing.
        const bool haveInput = Refill();
        const std::int64_t at = out + static_cast<std::int64_t>(want - zs_.avail_out);
        const bool due = points && points->Wants(at);
        const int ret = inflate(&zs_, due ? Z_BLOCK : Z_NO_FLUSH);
        if (ret == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (ret == Z_MEM_ERROR) throw std::bad_alloc();
        if (ret == Z_NEED_DICT || ret == Z_DATA_ERROR || ret == Z_STREAM_ERROR) ThrowDamaged(input_, format_, In());
        // Z_BUF_ERROR: no progress for want of input, which the loop reads.
        if (ret == Z_BUF_ERROR && !haveInput) ThrowTruncated(input_, format_, In());
        if (due && (zs_.data_type & 128) && !(zs_.data_type & 64)) {
            const std::int64_t here = out + static_cast<std::int64_t>(want - zs_.avail_out);
            if (points->Wants(here)) {
                unsigned char window[kWindow];
                uInt length = kWindow;
                if (inflateGetDictionary(&zs_, window, &length) != Z_OK) length = 0;
                TRestartPoint point;
                point.out = here;
                point.in = In();
                point.bits = zs_.data_type & 7;
                point.unit = unit;
                point.state = PackWindow(window, length);
                points->Add(std::move(point));
            }
        }
    }
    return want - zs_.avail_out;
}

std::size_t TInflateReader::Peek(unsigned char* buf, std::size_t n) {
    if (zs_.avail_in < n && !eof_) {
        // Move what is left to the front and read on behind it.
        std::memmove(buffer_.data(), zs_.next_in, zs_.avail_in);
        const std::size_t got = input_.ReadAt(inPos_, reinterpret_cast<char*>(buffer_.data()) + zs_.avail_in,
                                              buffer_.size() - zs_.avail_in);
        inPos_ += static_cast<std::int64_t>(got);
        zs_.next_in = buffer_.data();
        if (zs_.avail_in + got < buffer_.size()) eof_ = true;
        zs_.avail_in += static_cast<uInt>(got);
    }
    const std::size_t k = std::min<std::size_t>(n, zs_.avail_in);
    std::memcpy(buf, zs_.next_in, k);
    return k;
}

void TInflateReader::Skip(std::size_t n) {
    while (n > 0) {
        if (!Refill()) ThrowTruncated(input_, format_, In());
        const std::size_t k = std::min<std::size_t>(n, zs_.avail_in);
        zs_.next_in += k;
        zs_.avail_in -= static_cast<uInt>(k);
        n -= k;
    }
}
