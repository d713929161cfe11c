#include "source/pipe_source.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kPull = 256 * 1024;

[[noreturn]] void Raise(const std::string& what, int err) { throw TFileError(what + ": " + std::strerror(err)); }

class TWindowCursor : public TByteStream {
public:
    TWindowCursor(std::shared_ptr<TStreamWindow> window, std::int64_t pos) : window_(std::move(window)), pos_(pos) {}
    std::size_t Read(char* buf, std::size_t n) override {
        window_->Need(pos_ + static_cast<std::int64_t>(n), pos_);
        const std::size_t got = window_->ReadAt(pos_, buf, n);
        pos_ += static_cast<std::int64_t>(got);
        return got;
    }
    std::int64_t InputDone() const override { return window_->InputDone(); }

private:
    std::shared_ptr<TStreamWindow> window_;
    std::int64_t pos_;
};

// A file no one else can see, gone when it is closed (or the process ends).
int PrivateFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string folder = dir && *dir ? dir : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // A file system without unnamed files: a name that lives a moment.
    std::string pattern = folder + "/quarzel-stdin-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) Raise("cannot make a private copy of standard input in " + folder, errno);
    ::unlink(name.data());
    return fd;
}

void WriteAll(int fd, const char* data, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t w = ::write(fd, data + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) Raise("cannot write the private copy of standard input", w < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(w);
    }
}

// Up to n bytes of fd, fewer only at its end.
std::size_t ReadSome(int fd, char* buf, std::size_t n, const std::string& name) {
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd, buf + done, n - done);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) Raise("cannot read " + name, errno);
        if (r == 0) break;
        done += static_cast<std::size_t>(r);
    }
    return done;
}

}  // namespace

TStreamWindow::TStreamWindow(std::shared_ptr<TByteSource> source, std::string name)
    : source_(std::move(source)), in_(source_->Stream(0)), name_(std::move(name)) {}

void TStreamWindow::Need(std::int64_t end, std::int64_t reader) {
    if (end_ >= end || ended_) return;
    if (reader >= 0 && BeforeReadingOn) {
        // Never past what the reader asking has read.
        const std::int64_t mark = std::min({BeforeReadingOn(), reader, end_});
        if (mark > base_) {
            base_ = mark;
            for (; !chunks_.empty() && first_ + static_cast<std::int64_t>(kChunk) <= base_; first_ += kChunk)
                chunks_.pop_front();
        }
        if (Stop) {
            ended_ = true;
            return;
        }
    }
    while (end_ < end && !ended_) {
        if (end_ - base_ >= kMaxKept)
            throw TFileError(name_ + ": a game of more than 1 GiB cannot be read from a pipe; save it to a file first");
        const std::size_t at = static_cast<std::size_t>(end_ - first_);
        if (at == chunks_.size() * kChunk) chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunk));
        char* room = chunks_.back().get() + at % kChunk;
        const std::size_t want =
            std::min(kChunk - at % kChunk, static_cast<std::size_t>(std::max<std::int64_t>(end - end_, kPull)));
        std::size_t got = 0;
        while (got < want) {
            const std::size_t r = in_->Read(room + got, want - got);
            if (r == 0) break;
            got += r;
        }
        end_ += static_cast<std::int64_t>(got);
        if (got < want) ended_ = true;
    }
}

std::size_t TStreamWindow::ReadAt(std::int64_t pos, char* buf, std::size_t n) {
    Need(pos + static_cast<std::int64_t>(n), std::int64_t{-1});
    if (pos < base_) throw TFileError(name_ + ": the text at byte " + std::to_string(pos) + " was read and dropped");
    if (pos >= end_) return 0;
    const std::size_t k = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(n), end_ - pos));
    for (std::size_t done = 0; done < k;) {
        const std::size_t off = static_cast<std::size_t>(pos - first_) + done;
        const std::size_t piece = std::min(k - done, kChunk - off % kChunk);
        std::memcpy(buf + done, chunks_[off / kChunk].get() + off % kChunk, piece);
        done += piece;
    }
    return k;
}

std::unique_ptr<TByteStream> TStreamWindow::Stream(std::int64_t pos) {
    return std::make_unique<TWindowCursor>(shared_from_this(), pos);
}

std::shared_ptr<TByteSource> OpenInputFd(int fd, TStdinUse use, const std::string& name) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) Raise("cannot read " + name, errno);
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) Raise("cannot read " + name, errno);
    if (S_ISREG(st.st_mode)) {
        // A redirected file: any offset can be read, nothing is copied.
        std::shared_ptr<TRawInput> input = RawInputFromFd(own, name);
        char head[8];
        const TCompression c = DetectCompression(std::string_view(head, input->ReadAt(0, head, sizeof head)));
        return MakeByteSource(std::move(input), c);
    }
    std::string head(8, '\0');
    try {
        head.resize(ReadSome(own, head.data(), head.size(), name));
    } catch (...) {
        ::close(own);
        throw;
    }
    const TCompression c = DetectCompression(head);
    if (use == TStdinUse::OnePass && c != TCompression::Zip) {
        auto window = std::make_shared<TStreamWindow>(MakeByteSource(PipeInput(own, name, std::move(head)), c), name);
        return window;
    }
    const int copy = PrivateFile();
    try {
        WriteAll(copy, head.data(), head.size());
        std::vector<char> buf(1 << 20);
        for (std::size_t got; (got = ReadSome(own, buf.data(), buf.size(), name)) > 0;) WriteAll(copy, buf.data(), got);
    } catch (...) {
        ::close(own);
        ::close(copy);
        throw;
    }
    ::close(own);
    return MakeByteSource(RawInputFromFd(copy, name), c);
}

std::shared_ptr<TByteSource> OpenStandardInput(TStdinUse use) { return OpenInputFd(STDIN_FILENO, use, "standard input"); }
