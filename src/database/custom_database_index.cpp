// The index check at open and the rebuild of the index from the data file.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "database/custom_database.h"
#include "database/db_file_io.h"

using namespace dbio;

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

namespace {

// The one change ever made to a data file: its missing final zero. A user's
// write protection is never lifted for it.
void AppendFinalZero(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd >= 0) {
        const char zero = 0;
        WriteAll(fd, &zero, 1);
        ::close(fd);
    }
}

}  // namespace

void TCustomDatabase::WriteIndex(Files& f, int out, unsigned char& lastByte) {
    int64_t oldCount = f.indexSize / 8 - IndexHeaderRecords;
    if (oldCount <= 0) oldCount = 1;

    std::string pending;
    PutInt64(pending, IndexMagic);
    PutInt64(pending, 0);
    PutInt64(pending, 0);  // live count, written at the end
    PutInt64(pending, 0);
    for (int64_t v : HeaderValues_) PutInt64(pending, v);

    std::vector<unsigned char> buffer(1 << 20);
    int64_t live = 0;
    int64_t start = 0;       // start of the record being read
    bool onlySevens = true;  // so far
    bool cancelled = false;
    int64_t offset = 0;
    int lastPercent = -1;
    lastByte = 0;
    auto emit = [&](int64_t recordStart, bool deleted, int64_t walked) {
        PutInt64(pending, deleted ? -(recordStart + 1) : recordStart + 1);
        if (!deleted) ++live;
        if (pending.size() >= (1 << 19)) {
            if (!WriteAll(out, pending.data(), pending.size())) throw std::runtime_error("write");
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

    if (!pending.empty() && !WriteAll(out, pending.data(), pending.size())) throw std::runtime_error("write");
    std::string count;
    PutInt64(count, live);
    if (::pwrite(out, count.data(), 8, 16) != 8) throw std::runtime_error("write");
}

bool TCustomDatabase::RebuildIndex() {
    if (Busy_ || FileName_.empty()) return false;
    if (OnRebuildNotice) OnRebuildNotice();
    Files f;
    if (!OpenFiles(f)) return false;
    Busy_ = true;
    Cancel = false;

    // The new index is written beside the old one and renamed over it when
    // complete: a rebuild that is cancelled or killed leaves the old index,
    // which fails its check again at the next open. A write-protected index
    // (or one in a folder we cannot write to) is never replaced: the new
    // index lives in a private scratch file for as long as the database is
    // open, and the user's file stays exactly as it was.
    const std::string temp = IndexName_ + ".rebuild";
    struct stat oldIndex;
    mode_t mode = 0644;
    bool toPrivate = PrivateIndexFd_ >= 0 || ReadOnly;
    if (::fstat(f.index, &oldIndex) == 0) {
        mode = oldIndex.st_mode & 07777;
        if (IsReadOnlyMode(oldIndex.st_mode)) toPrivate = true;
    }

    bool ok = false;
    bool tempCreated = false;
    try {
        int outFd = toPrivate ? -1 : ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outFd >= 0) {
            tempCreated = true;
        } else if (toPrivate || IsNotWritableError(errno)) {
            toPrivate = true;
            outFd = MakePrivateFile();
        }
        if (outFd < 0) throw std::runtime_error("create index");
        FdCloser out(outFd);

        unsigned char lastByte = 0;
        WriteIndex(f, out.get(), lastByte);
        if (toPrivate) {
            if (PrivateIndexFd_ >= 0) ::close(PrivateIndexFd_);
            PrivateIndexFd_ = out.release();
        } else {
            if (::fchmod(out.get(), mode) != 0) { /* keep the default permissions */ }
            if (::close(out.release()) != 0) throw std::runtime_error("close");
            if (::rename(temp.c_str(), IndexName_.c_str()) != 0) throw std::runtime_error("rename");
            tempCreated = false;
        }
        IndexDate_ = MTimeOfPath(IndexName_);
        if (f.dataSize >= 2 && lastByte != 0 && f.dataWritable) AppendFinalZero(FileName_);
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
