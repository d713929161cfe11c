// Standard input as a game file. A redirected file is read like any file. A
// pipe is either read once, in order, keeping in memory only the text from
// a mark on (the command-line tool handles each game as soon as the scan
// has found its end), or copied whole into a private unnamed file that
// disappears with the process (what the viewer, which jumps around, and a
// zip archive, which is read from its end, need). A compressed pipe is
// recognised by its first bytes, as a file is.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "source/byte_source.h"

// The text of a stream read once, kept from a mark on. Positioned reads of
// text before the mark fail. One thread at a time.
class TStreamWindow : public TByteSource, public std::enable_shared_from_this<TStreamWindow> {
public:
    // Above this much kept text the pipe cannot be read in one pass.
    static constexpr std::int64_t kMaxKept = std::int64_t{1} << 30;

    TStreamWindow(std::shared_ptr<TByteSource> source, std::string name);

    // Asked before more of the stream is read: the offset before which no
    // text is needed any more (the reader handles what it can first).
    std::function<std::int64_t()> BeforeReadingOn;
    // Set (by BeforeReadingOn) when the reader needs nothing more: the
    // stream then ends there, without waiting for the writer's next bytes.
    bool Stop = false;

    TCompression Compression() const override { return source_->Compression(); }
    const std::string& Name() const override { return name_; }
    std::int64_t InputSize() const override { return -1; }
    std::size_t ReadAt(std::int64_t pos, char* buf, std::size_t n) override;
    std::unique_ptr<TByteStream> Stream(std::int64_t pos) override;
    bool PrefersStreams() const override { return false; }

    // Reads on until end is in the window or the stream ends. A reader at
    // offset reader (-1: none) first lets go of the text before the mark.
    void Need(std::int64_t end, std::int64_t reader);
    std::int64_t InputDone() const { return in_->InputDone(); }

private:
    std::shared_ptr<TByteSource> source_;  // keeps what in_ reads from
    std::unique_ptr<TByteStream> in_;
    std::string name_;
    // The kept text in chunks of kChunk bytes: it grows without a copy and
    // never holds much more than it keeps. Chunk i starts at first_ + i * kChunk.
    static constexpr std::size_t kChunk = std::size_t{1} << 20;
    std::deque<std::unique_ptr<char[]>> chunks_;
    std::int64_t first_ = 0;
    std::int64_t base_ = 0;  // the first byte kept (the mark)
    std::int64_t end_ = 0;   // bytes read from the stream
    bool ended_ = false;
};

enum class TStdinUse {
    OnePass,       // read a pipe once (a zip archive is copied all the same)
    RandomAccess,  // copy a pipe to a private unnamed file first
};

// Standard input under the name "standard input". Throws TFileError.
std::shared_ptr<TByteSource> OpenStandardInput(TStdinUse use);
// The same for any descriptor (the tests use a pipe of their own).
std::shared_ptr<TByteSource> OpenInputFd(int fd, TStdinUse use, const std::string& name);
