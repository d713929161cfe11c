// The file sink and its four compressors.
#include "source/byte_sink.h"

#include <bzlib.h>
#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr size_t kBufferBytes = 1 << 20;

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string SystemError(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

TCompression CompressionForName(std::string_view path) {
    if (EndsWith(path, ".gz")) return TCompression::Gzip;
    if (EndsWith(path, ".bz2")) return TCompression::Bzip2;
    if (EndsWith(path, ".xz")) return TCompression::Xz;
    if (EndsWith(path, ".zst")) return TCompression::Zstd;
    return TCompression::None;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Turns input into compressed output, handed to `out` in pieces.
struct TFileSink::TEncoder {
    using TOut = std::function<void(const char*, size_t)>;
    virtual ~TEncoder() = default;
    // finish: the input is all there is; the stream is ended.
    virtual void Put(const char* data, size_t n, bool finish, const TOut& out) = 0;

protected:
    std::vector<char> chunk_ = std::vector<char>(kBufferBytes);
};

namespace {

[[noreturn]] void CompressorFailed(const char* name) {
    throw TFileError(std::string("the ") + name + " compressor failed");
}

struct TGzipEncoder final : TFileSink::TEncoder {
    z_stream z{};
    TGzipEncoder() {
        if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            CompressorFailed("gzip");
    }
    ~TGzipEncoder() override { deflateEnd(&z); }
    void Put(const char* data, size_t n, bool finish, const TOut& out) override {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        z.avail_in = static_cast<uInt>(n);
        int rc = Z_OK;
        do {
            z.next_out = reinterpret_cast<Bytef*>(chunk_.data());
            z.avail_out = static_cast<uInt>(chunk_.size());
            rc = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR) CompressorFailed("gzip");
            out(chunk_.data(), chunk_.size() - z.avail_out);
        } while (z.avail_out == 0 || (finish && rc != Z_STREAM_END));
    }
};

struct TBzip2Encoder final : TFileSink::TEncoder {
    bz_stream z{};
    TBzip2Encoder() {
        if (BZ2_bzCompressInit(&z, 9, 0, 0) != BZ_OK) CompressorFailed("bzip2");
    }
    ~TBzip2Encoder() override { BZ2_bzCompressEnd(&z); }
    void Put(const char* data, size_t n, bool finish, const TOut& out) override {
        z.next_in = const_cast<char*>(data);
        z.avail_in = static_cast<unsigned>(n);
        int rc = BZ_RUN_OK;
        do {
            z.next_out = chunk_.data();
            z.avail_out = static_cast<unsigned>(chunk_.size());
            rc = BZ2_bzCompress(&z, finish ? BZ_FINISH : BZ_RUN);
            if (rc < 0) CompressorFailed("bzip2");
            out(chunk_.data(), chunk_.size() - z.avail_out);
        } while (z.avail_in > 0 || (finish && rc != BZ_STREAM_END));
    }
};

struct TXzEncoder final : TFileSink::TEncoder {
    lzma_stream z = LZMA_STREAM_INIT;
    TXzEncoder() {
        if (lzma_easy_encoder(&z, 6, LZMA_CHECK_CRC64) != LZMA_OK) CompressorFailed("xz");
    }
    ~TXzEncoder() override { lzma_end(&z); }
    void Put(const char* data, size_t n, bool finish, const TOut& out) override {
        z.next_in = reinterpret_cast<const uint8_t*>(data);
        z.avail_in = n;
        lzma_ret rc = LZMA_OK;
        do {
            z.next_out = reinterpret_cast<uint8_t*>(chunk_.data());
            z.avail_out = chunk_.size();
            rc = lzma_code(&z, finish ? LZMA_FINISH : LZMA_RUN);
            if (rc != LZMA_OK && rc != LZMA_STREAM_END) CompressorFailed("xz");
            out(chunk_.data(), chunk_.size() - z.avail_out);
        } while (z.avail_in > 0 || z.avail_out == 0 || (finish && rc != LZMA_STREAM_END));
    }
};

struct TZstdEncoder final : TFileSink::TEncoder {
    ZSTD_CCtx* z = ZSTD_createCCtx();
    TZstdEncoder() {
        if (!z) CompressorFailed("zstd");
    }
    ~TZstdEncoder() override { ZSTD_freeCCtx(z); }
    void Put(const char* data, size_t n, bool finish, const TOut& out) override {
        ZSTD_inBuffer in{data, n, 0};
        size_t left = 0;
        do {
            ZSTD_outBuffer o{chunk_.data(), chunk_.size(), 0};
            left = ZSTD_compressStream2(z, &o, &in, finish ? ZSTD_e_end : ZSTD_e_continue);
            if (ZSTD_isError(left)) CompressorFailed("zstd");
            out(chunk_.data(), o.pos);
        } while (in.pos < in.size || (finish && left != 0));
    }
};

std::unique_ptr<TFileSink::TEncoder> EncoderFor(TCompression c) {
    switch (c) {
    case TCompression::Gzip: return std::make_unique<TGzipEncoder>();
    case TCompression::Bzip2: return std::make_unique<TBzip2Encoder>();
    case TCompression::Xz: return std::make_unique<TXzEncoder>();
    case TCompression::Zstd: return std::make_unique<TZstdEncoder>();
    default: return nullptr;
    }
}

}  // namespace

TFileSink::TFileSink(const std::string& path) : path_(path) {
    buffer_.reserve(kBufferBytes);
    if (path == "-") {
        toStdout_ = true;
        fd_ = STDOUT_FILENO;
        return;
    }
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    temp_ = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "." + name + ".XXXXXX";
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) throw TFileError(SystemError("write in the folder", FolderOf(path)));
    // An ordinary new file's permissions, not mkstemp's private ones.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    try {
        encoder_ = EncoderFor(CompressionForName(path));
    } catch (...) {
        Discard();
        throw;
    }
}

TFileSink::~TFileSink() {
    if (!committed_) Discard();
}

void TFileSink::Discard() {
    if (toStdout_ || fd_ < 0) return;
    ::close(fd_);
    ::unlink(temp_.c_str());
    fd_ = -1;
}

void TFileSink::Emit(const char* data, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd_, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) throw TFileError(SystemError("write", toStdout_ ? std::string("the output") : path_));
        data += w;
        n -= static_cast<size_t>(w);
    }
}

void TFileSink::Flush() {
    if (buffer_.empty()) return;
    if (encoder_)
        encoder_->Put(buffer_.data(), buffer_.size(), false, [this](const char* d, size_t n) { Emit(d, n); });
    else
        Emit(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void TFileSink::Write(std::string_view bytes) {
    written_ += static_cast<int64_t>(bytes.size());
    if (buffer_.size() + bytes.size() <= kBufferBytes) {
        buffer_.append(bytes);
        return;
    }
    Flush();
    if (bytes.size() < kBufferBytes) {
        buffer_.append(bytes);
    } else if (encoder_) {
        encoder_->Put(bytes.data(), bytes.size(), false, [this](const char* d, size_t n) { Emit(d, n); });
    } else {
        Emit(bytes.data(), bytes.size());
    }
}

bool TFileSink::CopyFrom(int fd, int64_t pos, size_t n) {
    if (encoder_ || toStdout_ || noCopies_ || fd < 0) return false;
    Flush();
    loff_t in = static_cast<loff_t>(pos);
    size_t done = 0;
    while (done < n) {
        const ssize_t c = ::copy_file_range(fd, &in, fd_, nullptr, n - done, 0);
        if (c < 0 && errno == EINTR) continue;
        if (c < 0 && done == 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                                   errno == EBADF || errno == EPERM)) {
            noCopies_ = true;
            return false;
        }
        if (c < 0) throw TFileError(SystemError("write", path_));
        if (c == 0) throw TFileError("the games' file ended before the copy");
        done += static_cast<size_t>(c);
    }
    written_ += static_cast<int64_t>(n);
    return true;
}

void TFileSink::Commit() {
    try {
        Flush();
        if (encoder_) encoder_->Put(nullptr, 0, true, [this](const char* d, size_t n) { Emit(d, n); });
    } catch (...) {
        Discard();
        throw;
    }
    committed_ = true;
    if (toStdout_) return;
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0 || ::rename(temp_.c_str(), path_.c_str()) != 0) {
        const std::string error = SystemError("write", path_);
        ::unlink(temp_.c_str());
        throw TFileError(error);
    }
}
