// Where the text of a game file comes from. A game file is stored plain or
// compressed (gzip, bzip2, xz, zstd, or a zip archive of PGN files), told
// apart by its first bytes; everything above this seam sees the same bytes
// either way: the text of the games, addressed by 64-bit offsets.
//
// Two kinds of reading: a stream (in order, the fastest way through, used
// by the scan and the search) and positioned reads (a game's text, a row's
// header). A compressed source answers a positioned read by decoding from
// the nearest restart point recorded while it was first read through
// (decoding_source.h); nothing is ever written, and memory stays bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

// An I/O failure while opening, sizing or reading a file; the text names the
// file and the cause and is meant for a message box.
class TFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TCompression { None, Gzip, Bzip2, Xz, Zstd, Zip };

// What the first bytes of a file say it is (six bytes or more for a sure answer).
TCompression DetectCompression(std::string_view head);
// "gzip", "bzip2", "xz", "zstd", "zip"; "plain" for None.
const char* CompressionName(TCompression c);

// The bytes of a file as stored: a regular file read at any offset from any
// thread, or a pipe read once, in order.
class TRawInput {
public:
    explicit TRawInput(std::string name) : name_(std::move(name)) {}
    virtual ~TRawInput() = default;
    TRawInput(const TRawInput&) = delete;
    TRawInput& operator=(const TRawInput&) = delete;

    // Up to n bytes at pos; fewer only at the end. A pipe reads only forward.
    // Throws TFileError.
    virtual std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) = 0;
    // Size in bytes; -1 for a pipe.
    virtual std::int64_t Size() const = 0;
    // The name shown in messages (the path, or "standard input").
    const std::string& Name() const { return name_; }
    // The descriptor of a regular file read as it is stored; -1 otherwise.
    virtual int Descriptor() const { return -1; }

private:
    std::string name_;
};

// A reader of the text in order.
class TByteStream {
public:
    virtual ~TByteStream() = default;
    // Fills buf with up to n bytes; fewer only at the end. Throws TFileError.
    virtual std::size_t Read(char* buf, std::size_t n) = 0;
    // Stored bytes consumed so far: the progress through a compressed file.
    virtual std::int64_t InputDone() const = 0;
};

class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual TCompression Compression() const = 0;
    virtual const std::string& Name() const = 0;
    // Size of the stored file, what progress is measured against; -1 for a pipe.
    virtual std::int64_t InputSize() const = 0;
    // Up to n bytes of text at pos; fewer only at the end of the text. Safe
    // from any thread. Throws TFileError.
    virtual std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) = 0;
    // A reader of the text from pos on.
    virtual std::unique_ptr<TByteStream> Stream(std::int64_t pos) = 0;
    // A reader for a look at the start of the text: decoded on the caller's
    // thread as it reads, nothing decoded ahead.
    virtual std::unique_ptr<TByteStream> Glance() { return Stream(0); }
    // True when a positioned read costs a decoding: whoever reads much should
    // read in order through a stream.
    virtual bool PrefersStreams() const { return Compression() != TCompression::None; }
    // The descriptor of the plain regular file the text is, for copying its
    // bytes file to file without reading them (TFileSink::CopyFrom); -1 otherwise.
    virtual int PlainDescriptor() const { return -1; }
};

// A regular file opened read-only. Throws TFileError.
std::shared_ptr<TRawInput> OpenRawFile(const std::string& path);
// Takes fd (a regular file, or a pipe read forward only); name is for messages.
std::shared_ptr<TRawInput> RawInputFromFd(int fd, const std::string& name);
// The first bytes of a pipe, then the rest of it: what a pipe is once its
// head has been read to tell its compression.
std::shared_ptr<TRawInput> PipeInput(int fd, const std::string& name, std::string head);

// The text of input, decoded as its compression says. Throws TFileError.
std::shared_ptr<TByteSource> MakeByteSource(std::shared_ptr<TRawInput> input, TCompression compression);
// Opens path and tells its compression by content. Throws TFileError.
std::shared_ptr<TByteSource> OpenByteSource(const std::string& path);
// The compression of the file at path by its first bytes; None when it
// cannot be read.
TCompression FileCompression(const std::string& path);

// Compressed-source factories (one file each).
std::shared_ptr<TByteSource> MakeGzipSource(std::shared_ptr<TRawInput> input);
std::shared_ptr<TByteSource> MakeBzip2Source(std::shared_ptr<TRawInput> input);
std::shared_ptr<TByteSource> MakeXzSource(std::shared_ptr<TRawInput> input);
std::shared_ptr<TByteSource> MakeZstdSource(std::shared_ptr<TRawInput> input);
std::shared_ptr<TByteSource> MakeZipSource(std::shared_ptr<TRawInput> input);

// The message of a compressed file that cannot be read on: names the file,
// the format and the stored byte where it went wrong.
[[noreturn]] void ThrowDamaged(const TRawInput& input, TCompression c, std::int64_t at, const std::string& what = {});
[[noreturn]] void ThrowTruncated(const TRawInput& input, TCompression c, std::int64_t at);
