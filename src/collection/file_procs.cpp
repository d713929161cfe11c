#include "collection/file_procs.h"

#include <cerrno>
#include <cstring>
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
}

std::int64_t TBlockFile::Size() const {
    if (!source_) throw TFileError("File not open");
    return source_->InputSize();
}

TCompression TBlockFile::Compression() const { return source_ ? source_->Compression() : TCompression::None; }

std::size_t TBlockFile::Read(char* buf, std::size_t n) {
    if (!source_) throw TFileError("File not open");
    if (!stream_) stream_ = glance_ ? source_->Glance() : source_->Stream(0);
    return stream_->Read(buf, n);
}

std::int64_t TBlockFile::InputDone() const { return stream_ ? stream_->InputDone() : 0; }

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

bool LooksLikePGN(const std::string& path) {
    if (!FileExists(path)) return false;
    TBlockFile file;
    file.Glance();
    try {
        OpenForBlocks(file, path);
    } catch (const std::exception&) {
        return false;
    }
    return LooksLikePGN(file);
}

bool LooksLikePGN(TBlockFile& file, std::string* error) {
    try {
        static constexpr char kTag[] = "[Event ";
        static constexpr std::size_t kTagLen = 7;
        char buf[65536];
        int lines = 0;
        bool allEmpty = true;
        bool inLine = false;      // a line has been started and not yet ended
        bool lineHasChar = false;
        std::size_t matched = 0;  // bytes of kTag matched at the end of the current line so far
        bool lineHasTag = false;
        for (;;) {
            const std::size_t n = file.Read(buf, sizeof buf);
            if (n == 0) break;
            for (std::size_t i = 0; i < n; ++i) {
                const char c = buf[i];
                if (!inLine) {
                    inLine = true;
                    lineHasChar = false;
                    lineHasTag = false;
                    matched = 0;
                    ++lines;
                }
                if (c == '\n') {
                    if (lineHasChar) allEmpty = false;
                    if (lineHasTag) return true;
                    inLine = false;
                    if (lines >= 1000) return allEmpty;
                    continue;
                }
                if (c == '\r' && i + 1 < n && buf[i + 1] == '\n') continue;
                if (c != '\r') lineHasChar = true;
                if (!lineHasTag) {
                    if (c == kTag[matched]) {
                        if (++matched == kTagLen) lineHasTag = true;
                    } else {
                        matched = (c == kTag[0]) ? 1 : 0;
                    }
                }
            }
        }
        if (inLine) {
            if (lineHasTag) return true;
            if (lineHasChar) allEmpty = false;
        }
        return lines == 0 || allEmpty;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return false;
    }
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
