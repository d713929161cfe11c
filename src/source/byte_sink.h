// Where the bytes of a written game file go: a new file, plain or compressed
// as its name says (".gz", ".bz2", ".xz", ".zst"), written under a temporary
// name in the target's folder and renamed to the target only when every byte
// is out. A failure, or a sink dropped before Commit, leaves no file behind:
// the target is either untouched or whole. "-" is standard output, plain.
// Memory: one megabyte of buffer plus the compressor's own state.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "source/byte_source.h"

// The compression a target's name asks for (None for any other name).
TCompression CompressionForName(std::string_view path);

// True when both paths name one existing file (the same device and inode,
// whatever links or other spellings lead there).
bool SameFile(const std::string& a, const std::string& b);

class TFileSink {
public:
    // Creates the temporary file beside path. Throws TFileError (the folder
    // is missing or cannot be written).
    explicit TFileSink(const std::string& path);
    ~TFileSink();  // removes the temporary file unless committed
    TFileSink(const TFileSink&) = delete;
    TFileSink& operator=(const TFileSink&) = delete;

    // Throws TFileError (the disk is full, the compressor failed).
    void Write(std::string_view bytes);
    // Appends n bytes of the regular file fd from pos on, copied by the
    // kernel without passing through memory here (copy_file_range). False,
    // with nothing written, when that cannot be done (compressed output,
    // another file system, standard output): the caller writes the bytes.
    // Throws TFileError when the copy failed part way or fd ended first.
    bool CopyFrom(int fd, int64_t pos, size_t n);
    // Ends the compressed stream, closes the file and gives it its name.
    // Throws TFileError; the temporary file is gone then.
    void Commit();
    // Bytes handed to Write so far (before compression).
    int64_t Written() const { return written_; }

    struct TEncoder;  // a compressor, in byte_sink.cpp

private:
    void Flush();
    void Emit(const char* data, size_t n);  // to the file
    void Discard();

    std::string path_, temp_;
    int fd_ = -1;
    bool toStdout_ = false;
    bool committed_ = false;
    bool noCopies_ = false;  // copy_file_range refused once: not tried again
    int64_t written_ = 0;
    std::string buffer_;
    std::unique_ptr<TEncoder> encoder_;
};
