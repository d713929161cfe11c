#include "collection/custom_database.h"

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

namespace {

constexpr mode_t WriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The read-only attribute of this platform: no write permission bit at all.
// (Permission checks are no guide: the superuser may write anything.)
bool IsReadOnlyMode(mode_t mode) { return (mode & WriteBits) == 0; }

bool StatPath(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

int64_t MTimeOf(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

int64_t MTimeOfPath(const std::string& path) {
    struct stat st;
    return StatPath(path, st) ? MTimeOf(st) : -1;
}

// Reads exactly size bytes at offset; false on error or short read.
bool ReadAt(int fd, void* buffer, size_t size, int64_t offset) {
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = ::pread(fd, out, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        out += got;
        size -= static_cast<size_t>(got);
        offset += got;
    }
    return true;
}

bool WriteAll(int fd, const void* buffer, size_t size) {
    const auto* in = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t put = ::write(fd, in, size);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        in += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

bool ReadInt64At(int fd, int64_t record, int64_t& value) {
    unsigned char bytes[8];
    if (record < 0 || record > INT64_MAX / 8) return false;
    if (!ReadAt(fd, bytes, 8, record * 8)) return false;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | bytes[i];
    value = static_cast<int64_t>(v);
    return true;
}

void PutInt64(std::string& out, int64_t value) {
    auto v = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Start offset of an index entry; -1 for a value no entry can hold.
int64_t EntryPosition(int64_t entry) {
    if (entry == 0 || entry == INT64_MIN) return -1;
    return (entry > 0 ? entry : -entry) - 1;
}

// A position p is a record start when p is 0 or the byte before it is 0.
bool IsRecordStart(int dataFd, int64_t pos) {
    if (pos == 0) return true;
    unsigned char before = 1;
    return ReadAt(dataFd, &before, 1, pos - 1) && before == 0;
}

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0) ::close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

}  // namespace

struct TCustomDatabase::Files {
    int data = -1;
    int index = -1;
    int64_t dataSize = 0;
    int64_t indexSize = 0;
    // The data file may be written (its missing final zero appended). A
    // write-protected one never is: its last record simply ends at the end.
    bool dataWritable = false;
};

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
            // A write-protected database in a folder we cannot write to: it
            // can only be read, and needs no lock.
            return WasReadOnly_;
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
        WasReadOnly_ = (StatPath(FileName_, st) && IsReadOnlyMode(st.st_mode)) ||
                       (StatPath(IndexName_, st) && IsReadOnlyMode(st.st_mode));

        if (!AcquireLock()) {
            LastError_ = errGeneral;
            FileName_.clear();
            return;
        }

        // Missing files are created empty; write protection is left alone
        // (files are only opened for reading, and a rebuild restores the
        // index file's permissions).
        for (const std::string* name : {&IndexName_, &FileName_}) {
            if (!StatPath(*name, st)) {
                int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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
    FileName_.clear();
}

bool TCustomDatabase::ValidateFiles() {
    struct stat data, index;
    return StatPath(FileName_, data) && StatPath(IndexName_, index) && S_ISREG(data.st_mode) &&
           S_ISREG(index.st_mode);
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
    FdCloser index(::open(IndexName_.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat ds, is;
    if (data.get() < 0 || index.get() < 0 || ::fstat(data.get(), &ds) != 0 ||
        ::fstat(index.get(), &is) != 0) {
        if (OnReadError) OnReadError();
        return false;
    }
    files.dataSize = ds.st_size;
    files.indexSize = is.st_size;
    files.dataWritable = !IsReadOnlyMode(ds.st_mode) && ::access(FileName_.c_str(), W_OK) == 0;
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

// ---------------------------------------------------------------- check

bool TCustomDatabase::CheckIndex(Files& f) {
    struct BusyGuard {
        bool& busy;
        explicit BusyGuard(bool& b) : busy(b) { busy = true; }
        ~BusyGuard() { busy = false; }
    } guard(Busy_);

    const int64_t records = f.indexSize / 8;
    if (records <= 7) return false;
    // Anything that is not a whole number of entries, or lacks our mark, is
    // not an index we wrote.
    if (f.indexSize % 8 != 0 || records < IndexHeaderRecords) return false;
    int64_t magic = 0, liveInHeader = 0;
    if (!ReadInt64At(f.index, 0, magic) || magic != IndexMagic) return false;
    if (!ReadInt64At(f.index, 2, liveInHeader)) return false;
    const int64_t entries = records - IndexHeaderRecords;
    // Every record takes at least its terminating byte.
    if (liveInHeader < 0 || liveInHeader > entries || entries > std::max<int64_t>(f.dataSize, 0))
        return false;
    if (entries == 0 && f.dataSize > 0) return false;

    const auto started = std::chrono::steady_clock::now();
    int64_t stride = 0;
    bool compareLive = true;
    int64_t live = 0;
    int64_t previous = -1;
    int64_t lastPos = -1;
    int64_t i = 0;
    while (i < entries) {
        int64_t entry = 0;
        if (!ReadInt64At(f.index, IndexHeaderRecords + i, entry)) return false;
        if (entry > 0) ++live;
        int64_t pos = EntryPosition(entry);
        if (pos < 0 || pos >= f.dataSize) return false;
        if (!IsRecordStart(f.data, pos)) return false;
        // Records are indexed in file order, the first at offset 0.
        if (pos <= previous || (i == 0 && pos != 0)) return false;
        previous = pos;
        lastPos = pos;

        Cancel = false;
        if (OnCheckStride) OnCheckStride(stride, Cancel);
        // Sampling cannot count live entries; a stride of 1 still walks them all.
        if (stride > 1) compareLive = false;
        if (Cancel) return true;
        if (CheckTimeLimit > 0 &&
            std::chrono::steady_clock::now() - started > std::chrono::seconds(CheckTimeLimit))
            return false;

        int64_t next = i + (stride > 1 ? stride : 1);
        // A sampling walk always ends on the last entry.
        if (next >= entries && i < entries - 1) next = entries - 1;
        i = next;
    }

    // A missing final zero is mended by the rebuild in a writable file; a
    // write-protected file keeps it missing, and its index stays good.
    unsigned char last = 0;
    if (f.dataSize > 1 && (!ReadAt(f.data, &last, 1, f.dataSize - 1) || (last != 0 && f.dataWritable)))
        return false;

    // The last entry must name the last record: an index that stops short
    // (or data appended behind its back) is caught here even when sampling.
    if (lastPos >= 0) {
        std::vector<char> buffer(1 << 16);
        int64_t pos = lastPos;
        while (pos < f.dataSize) {
            size_t want = static_cast<size_t>(std::min<int64_t>(f.dataSize - pos, buffer.size()));
            if (!ReadAt(f.data, buffer.data(), want, pos)) return false;
            const void* zero = std::memchr(buffer.data(), 0, want);
            if (zero) {
                int64_t at = pos + (static_cast<const char*>(zero) - buffer.data());
                if (at != f.dataSize - 1) return false;
                break;
            }
            pos += static_cast<int64_t>(want);
        }
    }

    if (!compareLive) return true;
    if (liveInHeader == live) return true;
    if (OnBeep) OnBeep();
    return false;
}

// ---------------------------------------------------------------- rebuild

bool TCustomDatabase::RebuildIndex() {
    if (Busy_ || FileName_.empty()) return false;
    if (OnRebuildNotice) OnRebuildNotice();
    Files f;
    if (!OpenFiles(f)) return false;
    Busy_ = true;
    Cancel = false;

    int64_t oldCount = f.indexSize / 8 - IndexHeaderRecords;
    if (oldCount <= 0) oldCount = 1;

    // The new index is written beside the old one and renamed over it when
    // complete: a rebuild that is cancelled or killed leaves the old index,
    // which fails its check again at the next open.
    const std::string temp = IndexName_ + ".rebuild";
    struct stat oldIndex;
    mode_t mode = 0644;
    if (::fstat(f.index, &oldIndex) == 0) mode = oldIndex.st_mode & 07777;

    bool ok = false;
    bool tempCreated = false;
    int lastPercent = -1;
    try {
        FdCloser out(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (out.get() < 0) throw std::runtime_error("create index");
        tempCreated = true;

        std::string pending;
        PutInt64(pending, IndexMagic);
        PutInt64(pending, 0);
        PutInt64(pending, 0);  // live count, written at the end
        PutInt64(pending, 0);
        for (int64_t v : HeaderValues_) PutInt64(pending, v);

        std::vector<unsigned char> buffer(1 << 20);
        int64_t live = 0;
        int64_t start = 0;      // start of the record being read
        bool onlySevens = true;  // so far
        bool cancelled = false;
        int64_t offset = 0;
        unsigned char lastByte = 0;
        auto emit = [&](int64_t recordStart, bool deleted, int64_t walked) {
            PutInt64(pending, deleted ? -(recordStart + 1) : recordStart + 1);
            if (!deleted) ++live;
            if (pending.size() >= (1 << 19)) {
                if (!WriteAll(out.get(), pending.data(), pending.size())) throw std::runtime_error("write");
                pending.clear();
            }
            // Progress in live records against the old entry count; without a
            // usable old index, in bytes of the data file walked.
            int percent = oldCount > 1 ? static_cast<int>(std::min<int64_t>(100, live * 100 / oldCount))
                                       : static_cast<int>(f.dataSize > 0 ? walked * 100 / f.dataSize : 0);
            if (percent != lastPercent) {
                lastPercent = percent;
                bool cancel = false;
                if (OnProgress) OnProgress(cancel, percent);
                if (cancel || Cancel) cancelled = true;
            }
        };
        while (offset < f.dataSize && !cancelled) {
            size_t want = static_cast<size_t>(std::min<int64_t>(f.dataSize - offset, buffer.size()));
            if (!ReadAt(f.data, buffer.data(), want, offset)) throw std::runtime_error("read");
            for (size_t k = 0; k < want && !cancelled; ++k) {
                unsigned char b = buffer[k];
                if (b != 0) {
                    if (b != 7) onlySevens = false;
                    continue;
                }
                int64_t end = offset + static_cast<int64_t>(k);
                emit(start, onlySevens, end + 1);  // an empty record counts as all sevens
                start = end + 1;
                onlySevens = true;
            }
            lastByte = buffer[want - 1];
            offset += static_cast<int64_t>(want);
        }
        if (cancelled) throw std::runtime_error("cancelled");
        // A last record without its terminating zero is still a record.
        if (start < f.dataSize) emit(start, onlySevens, f.dataSize);
        if (cancelled) throw std::runtime_error("cancelled");

        if (!pending.empty() && !WriteAll(out.get(), pending.data(), pending.size()))
            throw std::runtime_error("write");
        std::string count;
        PutInt64(count, live);
        if (::pwrite(out.get(), count.data(), 8, 16) != 8) throw std::runtime_error("write");
        if (::fchmod(out.get(), mode) != 0) { /* keep the default permissions */ }
        if (::close(out.release()) != 0) throw std::runtime_error("close");
        if (::rename(temp.c_str(), IndexName_.c_str()) != 0) throw std::runtime_error("rename");
        tempCreated = false;
        IndexDate_ = MTimeOfPath(IndexName_);

        if (f.dataSize >= 2 && lastByte != 0 && f.dataWritable) {
            // The one change ever made to the data file: its missing final
            // zero. A user's write protection is never lifted for it.
            int fd = ::open(FileName_.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
            if (fd >= 0) {
                const char zero = 0;
                WriteAll(fd, &zero, 1);
                ::close(fd);
            }
        }
        ok = true;
    } catch (...) {
        ok = false;
    }
    if (tempCreated) ::unlink(temp.c_str());
    if (!ok && OnReadError) OnReadError();
    Busy_ = false;
    bool ignored = false;
    if (OnProgress) OnProgress(ignored, 0);
    CloseFiles(f);
    return ok;
}

// ---------------------------------------------------------------- reading

int64_t TCustomDatabase::EntryCount() {
    if (FileName_.empty() || Busy_) return 0;
    struct stat st;
    if (!StatPath(IndexName_, st)) return 0;
    int64_t n = st.st_size / 8 - IndexHeaderRecords;
    return n > 0 ? n : 0;
}

int64_t TCustomDatabase::LiveCount() {
    if (FileName_.empty() || Busy_) return 0;
    FdCloser index(::open(IndexName_.c_str(), O_RDONLY | O_CLOEXEC));
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
