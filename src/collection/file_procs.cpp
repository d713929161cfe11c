#include "collection/file_procs.h"

#include "collection/event_data.h"
#include "collection/game_text.h"

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

// Reads the first lines of a file the way LooksLikePGN decides.
class TPgnSniff {
public:
    // 1: a PGN file, -1: not one, 0: not decided yet.
    int Feed(const char* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const char c = p[i];
            if (c == '\n' && lastWasCr_) {
                lastWasCr_ = false;
                continue;  // the second half of CR LF
            }
            lastWasCr_ = c == '\r';
            if (c == '\n' || c == '\r') {
                if (EndLine()) return 1;
                if (lines_ >= 1000) return allEmpty_ ? 1 : -1;
                continue;
            }
            if (line_.size() < kLineBytes) line_ += c;
            lineHasChar_ = true;
        }
        return 0;
    }
    bool Finish() {
        if (lineHasChar_ && EndLine()) return true;
        return lines_ == 0 || allEmpty_;
    }

private:
    // The first bytes of a line that are looked at.
    static constexpr std::size_t kLineBytes = 4096;

    // Ends the current line; true when it holds a tag line or movetext.
    bool EndLine() {
        ++lines_;
        if (lineHasChar_) allEmpty_ = false;
        std::string_view line(line_);
        if (lines_ == 1 && line.starts_with("\xEF\xBB\xBF")) line.remove_prefix(3);
        const bool hit = Holds(line);
        line_.clear();
        lineHasChar_ = false;
        return hit;
    }

    // Movetext: a move number directly followed by a move ("1. e4",
    // "12...Nf6"), or three moves in a row, outside comments, on a line of
    // text (no control characters: a binary file has them everywhere).
    bool Holds(std::string_view line) {
        if (!inComment_ && IsTagLine(line)) return true;
        if (!line.empty() && line[0] == '%') return false;
        for (char c : line) {
            const unsigned char u = static_cast<unsigned char>(c);
            if ((u < ' ' && c != '\t' && c != '\f') || u == 0x7F) return false;
        }
        std::size_t start = std::string_view::npos;
        int moves = 0;
        bool afterNumber = false;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            const char c = i < line.size() ? line[i] : ' ';
            if (inComment_) {
                if (c == '}') inComment_ = false;
                continue;
            }
            const bool separator = IsBlankByte(c) || c == '(' || c == ')' || c == '{' || c == ';';
            if (!separator) {
                if (start == std::string_view::npos) start = i;
                continue;
            }
            if (start != std::string_view::npos) {
                const std::string_view word = line.substr(start, i - start);
                const std::size_t digits = word.find_first_not_of("0123456789");
                const bool number = digits > 0 && digits != std::string_view::npos &&
                                    word.find_first_not_of('.', digits) == std::string_view::npos;
                if (IsMoveWord(word)) {
                    const bool glued = digits > 0 && digits != std::string_view::npos && word[digits] == '.';
                    if (afterNumber || glued || ++moves == 3) return true;
                } else {
                    moves = 0;
                }
                afterNumber = number;
            }
            start = std::string_view::npos;
            if (c == '{') inComment_ = true;
            if (c == ';') break;
        }
        return false;
    }

    std::string line_;
    bool lineHasChar_ = false;
    bool lastWasCr_ = false;
    bool inComment_ = false;
    bool allEmpty_ = true;
    int lines_ = 0;
};

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
        TPgnSniff sniff;
        char buf[65536];
        for (;;) {
            const std::size_t n = file.Read(buf, sizeof buf);
            if (n == 0) break;
            if (const int verdict = sniff.Feed(buf, n); verdict != 0) return verdict > 0;
        }
        return sniff.Finish();
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
