#include "source/block_file.h"


#include <cerrno>
#include <cstring>
#include <string_view>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Raise(const std::string& what, const std::string& path, int err) {
    throw TFileError(what + " " + path + ": " + std::strerror(err));
}

}  // namespace

void TBlockFile::Close() noexcept {
    stream_.reset();
    source_.reset();
    inputDone_ = 0;
}

std::int64_t TBlockFile::Size() const {
    if (!source_) throw TFileError("File not open");
    return source_->InputSize();
}

TCompression TBlockFile::Compression() const { return source_ ? source_->Compression() : TCompression::None; }

std::size_t TBlockFile::Read(char* buf, std::size_t n) {
    if (!source_) throw TFileError("File not open");
    if (!stream_) stream_ = glance_ ? source_->Glance() : source_->Stream(0);
    const std::size_t got = stream_->Read(buf, n);
    inputDone_.store(stream_->InputDone(), std::memory_order_relaxed);
    return got;
}

std::size_t TBlockFile::ReadAt(std::int64_t pos, char* buf, std::size_t n) const {
    if (!source_) throw TFileError("File not open");
    return source_->ReadAt(pos, buf, n);
}

void TBlockFile::Attach(std::shared_ptr<TByteSource> source, const std::string& path) {
    Close();
    source_ = std::move(source);
    path_ = path;
}

void OpenForBlocks(TBlockFile& file, const std::string& path) {
    file.Close();
    file.Attach(OpenByteSource(path), path);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void CreateEmptyFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) Raise("Cannot create", path, errno);
    if (::close(fd) != 0) Raise("Cannot create", path, errno);
}

std::int32_t Percent(std::int64_t done, std::int64_t total) {
    if (total <= 0) return 0;
    return static_cast<std::int32_t>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
}

std::string UpperExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext;
}
