// A game file opened for reading: read-only positioned access with 64-bit
// offsets over its text (plain or decompressed), and small file routines.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "source/byte_source.h"

// A game file opened for reading only: its text, decompressed on the fly
// when the file is compressed (byte_source.h). Reads never write, whatever
// the file's attributes; positioned reads do not move the sequential position.
class TBlockFile {
public:
    TBlockFile() = default;
    ~TBlockFile() { Close(); }
    TBlockFile(const TBlockFile&) = delete;
    TBlockFile& operator=(const TBlockFile&) = delete;

    bool IsOpen() const { return source_ != nullptr; }
    const std::string& Path() const { return path_; }
    // Closes the file, ignoring any error.
    void Close() noexcept;
    // Size of the file as stored (of a compressed file, not of its text); -1 for a pipe.
    std::int64_t Size() const;
    TCompression Compression() const;
    // Sequential read: fills buf up to n bytes; fewer only at the end of the text.
    std::size_t Read(char* buf, std::size_t n);
    // Stored bytes the sequential reads have consumed (the progress through a
    // compressed file); may be asked from another thread than the one reading.
    std::int64_t InputDone() const { return inputDone_.load(std::memory_order_relaxed); }
    // Positioned read of up to n bytes at pos; fewer only at the end of the text. Any thread.
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) const;
    // The text's source, for readers of their own (the search).
    const std::shared_ptr<TByteSource>& Source() const { return source_; }
    // Reads source under the name path.
    void Attach(std::shared_ptr<TByteSource> source, const std::string& path);
    // The sequential reads to come only look at the start of the text: no
    // decoding ahead of them (see TByteSource::Glance).
    void Glance() { glance_ = true; }

private:
    std::shared_ptr<TByteSource> source_;
    std::unique_ptr<TByteStream> stream_;
    std::string path_;
    bool glance_ = false;
    std::atomic<std::int64_t> inputDone_{0};
};

// Opens path for block reads (read-only: a game file is never written).
// Throws TFileError.
void OpenForBlocks(TBlockFile& file, const std::string& path);

// True when path names an existing regular file (directories, devices and
// pipes are not game files).
bool FileExists(const std::string& path);

// Creates path as an empty file, or truncates it. Throws TFileError.
void CreateEmptyFile(const std::string& path);

// The answer to a progress report: go on, or stop the work.
enum TCancelMode { cmNoCancel, cmCancel };

// done * 100 / total truncated toward zero; 0 when total is 0.
std::int32_t Percent(std::int64_t done, std::int64_t total);

// The extension of path upper-cased, with its dot (".PGN"); empty if none.
std::string UpperExtension(const std::string& path);
