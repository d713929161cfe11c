#include "database/custom_database.h"

#include "database/db_file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace dbfile {

std::string ExtractFileExt(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < start) return {};
    return path.substr(dot);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
    std::string old = ExtractFileExt(path);
    return path.substr(0, path.size() - old.size()) + ext;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

}  // namespace dbfile

using dbfile::ChangeFileExt;
using dbfile::ExtractFileExt;
using dbfile::UpperAscii;

using namespace dbio;


TCustomDatabase::TCustomDatabase() = default;

TCustomDatabase::~TCustomDatabase() { Close(); }

std::string_view TCustomDatabase::ErrorText(int64_t code) {
    switch (code) {
        case errCreateIndex: return "Error while creating index file.";
        case errWriteProtection: return "Write protection could not be deleted.";
        case errGeneral: return "Error.";
        case errIndexRange: return "Index out of range.";
        case errRemove: return "Data could not be removed.";
        case errRead: return "Data could not be read.";
        case errReplace: return "Data could not be replaced.";
        case errCompress: return "File could not be compressed.";
        case errAdd: return "Data could not be added.";
        case errExtensions: return "Wrong file extensions.";
        default: return "";
    }
}

std::string TCustomDatabase::Encode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 16 + 1);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b == 255) {
            out.push_back('\xFF');
            out.push_back('\x05');
        } else if (b == 0) {
            out.push_back('\xFF');
            out.push_back('\x06');
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string TCustomDatabase::Decode(std::string_view bytes) {
    // Works through the input in chunks of 10,000 bytes; a chunk that would
    // end on a 255 takes one byte more so that no escape pair is split.
    constexpr size_t Chunk = 10000;
    std::string out;
    out.reserve(bytes.size());
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = std::min(bytes.size(), start + Chunk);
        if (static_cast<unsigned char>(bytes[end - 1]) == 255 && end < bytes.size()) ++end;
        for (size_t i = start; i < end; ++i) {
            auto b = static_cast<unsigned char>(bytes[i]);
            if (b == 255 && i + 1 < end) {
                auto next = static_cast<unsigned char>(bytes[i + 1]);
                if (next == 5) {
                    out.push_back('\xFF');
                    ++i;
                    continue;
                }
                if (next == 6) {
                    out.push_back('\0');
                    ++i;
                    continue;
                }
            }
            out.push_back(static_cast<char>(b));
        }
        start = end;
    }
    return out;
}

// ---------------------------------------------------------------- lock file

bool TCustomDatabase::AcquireLock() {
    struct stat st;
    if (ReadOnly && BesideOwnOpening) return true;
    if (ReadOnly) {
        // No lock file of ours; one another program holds keeps us out.
        FdCloser other(::open(LockName_.c_str(), O_RDONLY | O_CLOEXEC));
        return other.get() < 0 || ::flock(other.get(), LOCK_SH | LOCK_NB) == 0;
    }
    if (StatPath(LockName_, st) && IsReadOnlyMode(st.st_mode)) {
        ::chmod(LockName_.c_str(), st.st_mode | S_IWUSR);
        // A lock file that stays write-protected belongs to a read-only
        // database, which needs no lock.
        if (!StatPath(LockName_, st) || IsReadOnlyMode(st.st_mode)) return WasReadOnly_;
    }
    // Another process holding the lock file open is not enough to keep us out
    // here (deleting an open file succeeds on this platform), so the file is
    // locked with flock for as long as the database is open. An existing lock
    // file that nobody holds is left over from a crash and is taken over.
    for (int attempt = 0; attempt < 8; ++attempt) {
        int fd = ::open(LockName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            // A write-protected database, or any database in a folder we
            // cannot write to (a read-only medium, someone else's folder):
            // it can only be read here and needs no lock of ours, unless
            // another program holds the one that is there.
            if (WasReadOnly_) return true;
            if (!IsNotWritableError(errno)) return false;
            FdCloser other(::open(LockName_.c_str(), O_RDONLY | O_CLOEXEC));
            return other.get() < 0 || ::flock(other.get(), LOCK_SH | LOCK_NB) == 0;
        }
        FdCloser closer(fd);
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return false;
        // The holder may have removed the file between our open and our lock:
        // then we hold a lock on a file nobody else can see; start again.
        struct stat mine, named;
        if (::fstat(fd, &mine) != 0) return false;
        if (!StatPath(LockName_, named) || named.st_ino != mine.st_ino || named.st_dev != mine.st_dev)
            continue;
        if (::ftruncate(fd, 0) != 0) return false;
        const char mark = 'L';
        if (!WriteAll(fd, &mark, 1)) return false;
        LockFd_ = closer.release();
        return true;
    }
    return false;
}

void TCustomDatabase::ReleaseLock() {
    if (LockFd_ < 0) return;
    // Removed while still locked, so that nobody takes over a file that is
    // about to disappear.
    ::unlink(LockName_.c_str());
    ::flock(LockFd_, LOCK_UN);
    ::close(LockFd_);
    LockFd_ = -1;
}

// ---------------------------------------------------------------- open/close

void TCustomDatabase::Open(const std::string& path, const std::string& indexExt,
                           const std::array<int64_t, 4>& headerValues, const std::string& lockExt) {
    if (Busy_) return;
    HeaderValues_ = headerValues;
    std::string own = UpperAscii(ExtractFileExt(path));
    std::string idx = UpperAscii(indexExt);
    std::string lck = UpperAscii(lockExt);
    if (own == idx || own == lck || idx == lck) {
        LastError_ = errExtensions;
        return;
    }
    try {
        Close();
        LastError_ = errNone;
        LockExt_ = lockExt;
        FileName_ = path;
        IndexName_ = ChangeFileExt(path, indexExt);
        LockName_ = ChangeFileExt(path, lockExt);

        struct stat st;
        WasReadOnly_ = ReadOnly || (StatPath(FileName_, st) && IsReadOnlyMode(st.st_mode)) ||
                       (StatPath(IndexName_, st) && IsReadOnlyMode(st.st_mode));

        if (!AcquireLock()) {
            LastError_ = errGeneral;
            FileName_.clear();
            return;
        }

        // Missing files are created empty; write protection is left alone
        // (files are only opened for reading, and a protected index is
        // rebuilt privately, never replaced). A missing index in a folder we
        // cannot write to is kept privately as well.
        for (const std::string* name : {&IndexName_, &FileName_}) {
            if (!StatPath(*name, st)) {
                if (ReadOnly && name == &IndexName_) {
                    PrivateIndexFd_ = MakePrivateFile();
                    if (PrivateIndexFd_ >= 0) continue;
                }
                if (ReadOnly) throw std::runtime_error("no data file");
                int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
                if (fd < 0 && name == &IndexName_ && IsNotWritableError(errno)) {
                    PrivateIndexFd_ = MakePrivateFile();
                    if (PrivateIndexFd_ >= 0) continue;
                }
                if (fd < 0 && errno != EEXIST) throw std::runtime_error("create");
                if (fd >= 0) ::close(fd);
            }
        }

        DatabaseTag_ = ":" + FileName_;
        DataDate_ = IndexDate_ = -1;

        // Files that cannot be opened (a folder in place of the data file,
        // no permission to read) fail the open: a database that cannot be
        // read is not reported as open. The read error has been raised.
        Files files;
        if (!OpenFiles(files)) {
            LastError_ = errGeneral;
            ReleaseLock();
            FileName_.clear();
            return;
        }
        bool passed = CheckIndex(files);
        CloseFiles(files);
        if (!passed && !RebuildIndex()) {
            LastError_ = errCreateIndex;
            ReleaseLock();
            FileName_.clear();
            return;
        }
        DataDate_ = MTimeOfPath(FileName_);
        IndexDate_ = MTimeOfPath(IndexName_);
    } catch (...) {
        Busy_ = false;
        LastError_ = errGeneral;
        ReleaseLock();
        FileName_.clear();
    }
}

void TCustomDatabase::Close() {
    ReleaseLock();
    if (PrivateIndexFd_ >= 0) ::close(PrivateIndexFd_);
    PrivateIndexFd_ = -1;
    FileName_.clear();
}

bool TCustomDatabase::ValidateFiles() {
    struct stat data, index;
    return StatPath(FileName_, data) && S_ISREG(data.st_mode) &&
           (PrivateIndexFd_ >= 0 || (StatPath(IndexName_, index) && S_ISREG(index.st_mode)));
}

int TCustomDatabase::OpenIndexForReading() const {
    if (PrivateIndexFd_ >= 0) return ::fcntl(PrivateIndexFd_, F_DUPFD_CLOEXEC, 0);
    return ::open(IndexName_.c_str(), O_RDONLY | O_CLOEXEC);
}

bool TCustomDatabase::OpenFiles(Files& files) {
    if (Busy_ || FileName_.empty()) return false;
    if (!ValidateFiles()) {
        if (OnReadError) OnReadError();
        return false;
    }
    int64_t dataNow = MTimeOfPath(FileName_);
    int64_t indexNow = MTimeOfPath(IndexName_);
    if ((DataDate_ != -1 && DataDate_ != dataNow) || (IndexDate_ != -1 && IndexDate_ != indexNow))
        ++ChangeCount_;
    FdCloser data(::open(FileName_.c_str(), O_RDONLY | O_CLOEXEC));
    FdCloser index(OpenIndexForReading());
    struct stat ds, is;
    if (data.get() < 0 || index.get() < 0 || ::fstat(data.get(), &ds) != 0 ||
        ::fstat(index.get(), &is) != 0) {
        if (OnReadError) OnReadError();
        return false;
    }
    files.dataSize = ds.st_size;
    files.indexSize = is.st_size;
    files.dataWritable = !ReadOnly && !IsReadOnlyMode(ds.st_mode) && ::access(FileName_.c_str(), W_OK) == 0;
    files.data = data.release();
    files.index = index.release();
    return true;
}

void TCustomDatabase::CloseFiles(Files& files) {
    if (files.data >= 0) ::close(files.data);
    if (files.index >= 0) ::close(files.index);
    files.data = files.index = -1;
    DataDate_ = MTimeOfPath(FileName_);
    IndexDate_ = MTimeOfPath(IndexName_);
}

// ---------------------------------------------------------------- reading

int64_t TCustomDatabase::EntryCount() {
    if (FileName_.empty() || Busy_) return 0;
    FdCloser index(OpenIndexForReading());
    struct stat st;
    if (index.get() < 0 || ::fstat(index.get(), &st) != 0) return 0;
    int64_t n = st.st_size / 8 - IndexHeaderRecords;
    return n > 0 ? n : 0;
}

int64_t TCustomDatabase::LiveCount() {
    if (FileName_.empty() || Busy_) return 0;
    FdCloser index(OpenIndexForReading());
    int64_t live = 0;
    if (index.get() < 0 || !ReadInt64At(index.get(), 2, live) || live < 0) return 0;
    return live;
}

int TCustomDatabase::GetRecord(int64_t n, std::string& key, std::string& text, bool& deleted, bool raw,
                               bool skipDeleted) {
    text.clear();
    if (Busy_) return -1;
    Files f;
    if (!OpenFiles(f)) return -1;
    int result = -1;
    try {
        int64_t entries = f.indexSize / 8 - IndexHeaderRecords;
        int64_t entry = 0;
        if (n < 0 || n >= entries) {
            LastError_ = errIndexRange;
        } else if (!ReadInt64At(f.index, IndexHeaderRecords + n, entry)) {
            LastError_ = errRead;
        } else {
            int64_t pos = EntryPosition(entry);
            bool isDeleted = entry < 0;
            if (skipDeleted && isDeleted) {
                deleted = true;
                result = 1;
            } else if (pos < 0 || pos >= f.dataSize || !IsRecordStart(f.data, pos)) {
                LastError_ = errRead;
            } else {
                std::string bytes;
                size_t chunk = 4096;
                std::vector<char> buffer;
                int64_t at = pos;
                for (;;) {
                    size_t want = static_cast<size_t>(std::min<int64_t>(f.dataSize - at, chunk));
                    if (want == 0) break;  // the file ends: a record without its zero
                    buffer.resize(want);
                    if (!ReadAt(f.data, buffer.data(), want, at)) throw std::runtime_error("read");
                    const void* zero = std::memchr(buffer.data(), 0, want);
                    const size_t take =
                        zero ? static_cast<size_t>(static_cast<const char*>(zero) - buffer.data()) : want;
                    // The limit holds to the byte: a record is never read longer than it.
                    if (static_cast<int64_t>(bytes.size() + take) > MaxRecordBytes) throw std::runtime_error("too long");
                    bytes.append(buffer.data(), take);
                    if (zero) break;
                    at += static_cast<int64_t>(want);
                    chunk = std::min<size_t>(chunk * 2, 1 << 20);
                }
                text = raw ? std::move(bytes) : Decode(bytes);
                deleted = isDeleted;
                key = std::string(Identity()) + "#" + std::to_string(n) + DatabaseTag_;
                result = 0;
            }
        }
    } catch (...) {
        text.clear();
        LastError_ = errRead;
        result = -1;
    }
    CloseFiles(f);
    return result;
}
