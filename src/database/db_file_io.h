// File helpers shared by the database's open, check, rebuild and read code:
// positioned reads and writes that retry, little-endian index values, and a
// private scratch file for an index the user's own file cannot hold.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "database/custom_database.h"

namespace dbio {

constexpr mode_t WriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

// The read-only attribute of this platform: no write permission bit at all.
// (Permission checks are no guide: the superuser may write anything.)
inline bool IsReadOnlyMode(mode_t mode) { return (mode & WriteBits) == 0; }

inline bool StatPath(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

inline int64_t MTimeOf(const struct stat& st) {
    return static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

inline int64_t MTimeOfPath(const std::string& path) {
    struct stat st;
    return StatPath(path, st) ? MTimeOf(st) : -1;
}

// Reads exactly size bytes at offset; false on error or short read.
inline bool ReadAt(int fd, void* buffer, size_t size, int64_t offset) {
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

inline bool WriteAll(int fd, const void* buffer, size_t size) {
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

inline bool ReadInt64At(int fd, int64_t record, int64_t& value) {
    unsigned char bytes[8];
    if (record < 0 || record > INT64_MAX / 8) return false;
    if (!ReadAt(fd, bytes, 8, record * 8)) return false;
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | bytes[i];
    value = static_cast<int64_t>(v);
    return true;
}

inline void PutInt64(std::string& out, int64_t value) {
    auto v = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Start offset of an index entry; -1 for a value no entry can hold.
inline int64_t EntryPosition(int64_t entry) {
    if (entry == 0 || entry == INT64_MIN) return -1;
    return (entry > 0 ? entry : -entry) - 1;
}

// A position p is a record start when p is 0 or the byte before it is 0.
inline bool IsRecordStart(int dataFd, int64_t pos) {
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


// An error of creating or opening a file for writing that says the place is
// not ours to write (permissions, a read-only medium).
inline bool IsNotWritableError(int error) { return error == EACCES || error == EROFS || error == EPERM; }

// An unnamed scratch file (created in the temporary folder and unlinked at
// once), open for reading and writing; -1 when none can be made. It vanishes
// with its last descriptor, so nothing is left behind even after a crash.
inline int MakePrivateFile() {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = "/tmp";
    std::string name = (folder / "quarzel-index-XXXXXX").string();
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

}  // namespace dbio

struct TCustomDatabase::Files {
    int data = -1;
    int index = -1;
    int64_t dataSize = 0;
    int64_t indexSize = 0;
    // The data file may be written (its missing final zero appended). A
    // write-protected one never is: its last record simply ends at the end.
    bool dataWritable = false;
};
