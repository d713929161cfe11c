// `quarzel-cli COMMAND - ...`: the games come from standard input, typically
// the end of a pipe from a position-search tool. The commands read files by
// offset, so the input is first copied to a temporary .pgn file, which is
// removed again when the command ends (also on an error or a fatal signal).
#pragma once

#include <string>

class TStdinSpool {
public:
    TStdinSpool() = default;
    ~TStdinSpool();
    TStdinSpool(const TStdinSpool&) = delete;
    TStdinSpool& operator=(const TStdinSpool&) = delete;

    // Copies standard input into a new temporary file; false with error set
    // when it cannot be created or written.
    bool Spool(std::string& error);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
