#include "source/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Raise(const std::string& what, const std::string& name, int err) {
    throw TFileError(what + " " + name + ": " + std::strerror(err));
}

// A regular file (any offset, any thread) or a pipe (forward only).
class TFdInput : public TRawInput {
public:
    TFdInput(int fd, std::string name, bool seekable) : TRawInput(std::move(name)), fd_(fd), seekable_(seekable) {}
    ~TFdInput() override { ::close(fd_); }
    int Descriptor() const override { return seekable_ ? fd_ : -1; }

    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) override {
        if (!seekable_) return ReadForward(pos, buf, n);
        std::size_t done = 0;
        while (done < n) {
            const ssize_t r = ::pread(fd_, buf + done, n - done, static_cast<off_t>(pos + static_cast<std::int64_t>(done)));
            if (r < 0) {
                if (errno == EINTR) continue;
                Raise("Cannot read", Name(), errno);
            }
            if (r == 0) break;
            done += static_cast<std::size_t>(r);
        }
        return done;
    }

    std::int64_t Size() const override {
        if (!seekable_) return -1;
        struct stat st {};
        if (::fstat(fd_, &st) != 0) Raise("Cannot get the size of", Name(), errno);
        return static_cast<std::int64_t>(st.st_size);
    }

    // The bytes already taken from a pipe to tell its compression.
    std::string head_;

private:
    std::size_t ReadForward(std::int64_t pos, char* buf, std::size_t n) {
        if (pos < pos_) throw TFileError("Cannot read " + Name() + " backwards");
        char skip[65536];
        while (pos_ < pos) {
            const std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(pos - pos_, sizeof skip));
            const std::size_t got = Pull(skip, want);
            if (got == 0) return 0;
        }
        std::size_t done = 0;
        while (done < n) {
            const std::size_t got = Pull(buf + done, n - done);
            if (got == 0) break;
            done += got;
        }
        return done;
    }

    // One read of the pipe (the head first); 0 at its end.
    std::size_t Pull(char* buf, std::size_t n) {
        if (headUsed_ < head_.size()) {
            const std::size_t k = std::min(n, head_.size() - headUsed_);
            std::memcpy(buf, head_.data() + headUsed_, k);
            headUsed_ += k;
            pos_ += static_cast<std::int64_t>(k);
            return k;
        }
        for (;;) {
            const ssize_t r = ::read(fd_, buf, n);
            if (r < 0) {
                if (errno == EINTR) continue;
                Raise("Cannot read", Name(), errno);
            }
            pos_ += r;
            return static_cast<std::size_t>(r);
        }
    }

    int fd_;
    bool seekable_;
    std::int64_t pos_ = 0;
    std::size_t headUsed_ = 0;
};

class TPlainStream : public TByteStream {
public:
    TPlainStream(std::shared_ptr<TRawInput> input, std::int64_t pos) : input_(std::move(input)), pos_(pos) {}
    std::size_t Read(char* buf, std::size_t n) override {
        const std::size_t got = input_->ReadAt(pos_, buf, n);
        pos_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t InputDone() const override { return pos_; }

private:
    std::shared_ptr<TRawInput> input_;
    std::int64_t pos_;
};

class TPlainSource : public TByteSource {
public:
    explicit TPlainSource(std::shared_ptr<TRawInput> input) : input_(std::move(input)) {}
    TCompression Compression() const override { return TCompression::None; }
    const std::string& Name() const override { return input_->Name(); }
    std::int64_t InputSize() const override { return input_->Size(); }
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) override { return input_->ReadAt(pos, buf, n); }
    int PlainDescriptor() const override { return input_->Descriptor(); }
    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override { return std::make_unique<TPlainStream>(input_, pos); }

private:
    std::shared_ptr<TRawInput> input_;
};

std::string Position(std::int64_t at) { return "at byte " + std::to_string(at); }

}  // namespace

TCompression DetectCompression(std::string_view h) {
    auto at = [&](std::size_t i) { return i < h.size() ? static_cast<unsigned char>(h[i]) : 0x100u; };
    if (at(0) == 0x1f && at(1) == 0x8b) return TCompression::Gzip;
    if (h.starts_with("BZh") && at(3) >= '1' && at(3) <= '9') return TCompression::Bzip2;
    if (h.starts_with(std::string_view("\xFD" "7zXZ\0", 6))) return TCompression::Xz;
    // A zstd frame, or a skippable frame in front of one (as pzstd writes).
    if (at(0) == 0x28 && at(1) == 0xb5 && at(2) == 0x2f && at(3) == 0xfd) return TCompression::Zstd;
    if ((at(0) & 0xf0) == 0x50 && at(1) == 0x2a && at(2) == 0x4d && at(3) == 0x18) return TCompression::Zstd;
    // A local file header, or the end record of an empty archive.
    if (h.starts_with("PK\x03\x04") || h.starts_with("PK\x05\x06")) return TCompression::Zip;
    return TCompression::None;
}

const char* CompressionName(TCompression c) {
    switch (c) {
        case TCompression::Gzip: return "gzip";
        case TCompression::Bzip2: return "bzip2";
        case TCompression::Xz: return "xz";
        case TCompression::Zstd: return "zstd";
        case TCompression::Zip: return "zip";
        case TCompression::None: break;
    }
    return "plain";
}

std::shared_ptr<TRawInput> RawInputFromFd(int fd, const std::string& name) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        Raise("Cannot open", name, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        Raise("Cannot open", name, EISDIR);
    }
    const bool seekable = S_ISREG(st.st_mode) || S_ISBLK(st.st_mode);
    // Regular files ignore O_NONBLOCK; it only kept a pipe from blocking the open.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (seekable) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_shared<TFdInput>(fd, name, seekable);
}

std::shared_ptr<TRawInput> OpenRawFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) Raise("Cannot open", path, errno);
    return RawInputFromFd(fd, path);
}

std::shared_ptr<TRawInput> PipeInput(int fd, const std::string& name, std::string head) {
    auto input = std::make_shared<TFdInput>(fd, name, false);
    input->head_ = std::move(head);
    return input;
}

std::shared_ptr<TByteSource> MakeByteSource(std::shared_ptr<TRawInput> input, TCompression compression) {
    switch (compression) {
        case TCompression::Gzip: return MakeGzipSource(std::move(input));
        case TCompression::Bzip2: return MakeBzip2Source(std::move(input));
        case TCompression::Xz: return MakeXzSource(std::move(input));
        case TCompression::Zstd: return MakeZstdSource(std::move(input));
        case TCompression::Zip: return MakeZipSource(std::move(input));
        case TCompression::None: break;
    }
    return std::make_shared<TPlainSource>(std::move(input));
}

std::shared_ptr<TByteSource> OpenByteSource(const std::string& path) {
    std::shared_ptr<TRawInput> input = OpenRawFile(path);
    // A named pipe is read as it comes, as text.
    if (input->Size() < 0) return MakeByteSource(std::move(input), TCompression::None);
    char head[8];
    const std::size_t n = input->ReadAt(0, head, sizeof head);
    return MakeByteSource(std::move(input), DetectCompression(std::string_view(head, n)));
}

TCompression FileCompression(const std::string& path) {
    try {
        std::shared_ptr<TRawInput> input = OpenRawFile(path);
        if (input->Size() < 0) return TCompression::None;  // never wait on a pipe named as a file
        char head[8];
        return DetectCompression(std::string_view(head, input->ReadAt(0, head, sizeof head)));
    } catch (const std::exception&) {
        return TCompression::None;
    }
}

void ThrowDamaged(const TRawInput& input, TCompression c, std::int64_t at, const std::string& what) {
    throw TFileError(input.Name() + " is damaged: its " + CompressionName(c) + " data cannot be read" +
                     (at >= 0 ? " " + Position(at) : "") + (what.empty() ? "" : " (" + what + ")"));
}

void ThrowTruncated(const TRawInput& input, TCompression c, std::int64_t at) {
    throw TFileError(input.Name() + " is truncated: its " + CompressionName(c) + " data ends early, " + Position(at));
}
