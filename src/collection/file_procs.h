// File routines of the game collection: read-only positioned access with
// 64-bit offsets, the quick PGN sniff and the progress percentage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// An I/O failure while opening, sizing or reading a file; the text names the
// file and the cause and is meant for a message box.
class TFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file opened for reading only. Reads never write, whatever the file's
// attributes; positioned reads do not move the sequential position.
class TBlockFile {
public:
    TBlockFile() = default;
    ~TBlockFile() { Close(); }
    TBlockFile(const TBlockFile&) = delete;
    TBlockFile& operator=(const TBlockFile&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Closes the file, ignoring any error.
    void Close() noexcept;
    std::int64_t Size() const;
    // Sequential read: fills buf up to n bytes; fewer only at the end of the file.
    std::size_t Read(char* buf, std::size_t n);
    // Positioned read of up to n bytes at pos; fewer only at the end of the file.
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) const;

    friend void OpenForBlocks(TBlockFile& file, const std::string& path);

private:
    int fd_ = -1;
    std::string path_;
};

// Opens path for block reads (read-only: a game file is never written).
// Throws TFileError.
void OpenForBlocks(TBlockFile& file, const std::string& path);

// True when path names an existing regular file (directories, devices and
// pipes are not game files).
bool FileExists(const std::string& path);

// Creates path as an empty file, or truncates it. Throws TFileError.
void CreateEmptyFile(const std::string& path);

// True when one of the first 1000 lines is a tag line or holds movetext (a
// move number followed by a move, or three moves in a row, outside comments,
// on a line without control characters), or when the file holds nothing but
// empty lines; false for other files (HTML, binary) and on any I/O error. Of
// a long line the first 4 KB are looked at.
bool LooksLikePGN(const std::string& path);

// done * 100 / total truncated toward zero; 0 when total is 0.
std::int32_t Percent(std::int64_t done, std::int64_t total);

// The extension of path upper-cased, with its dot (".PGN"); empty if none.
std::string UpperExtension(const std::string& path);
