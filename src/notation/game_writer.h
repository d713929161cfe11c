// Saving listed games of an open file to a new file. A PGN file's games go
// out exactly as the file holds them (tags, comments, line ends, encoding),
// only the blank lines around each game cut to one blank line between two
// games (in the line end of the game before). A game database's games go
// out as the viewer copies a game as PGN. The file is written through a
// TFileSink: compressed by its name, and whole or not at all.
// Games are added in list order; runs of neighbouring games of a PGN file
// are read in blocks of a few megabytes (through one stream from a
// compressed file), so a large selection copies at about disk speed.
// Memory: one block of text, whatever the games.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TFileSink;
class TGameListCore;
class TByteSource;
class TByteStream;

// Why games of `input` may not be written to `output`, or empty when they
// may: the output is the input file (under any name or link), or it exists
// and overwriting was not allowed. "-" (standard output) is always allowed.
std::string SaveTargetRefusal(const std::string& input, const std::string& output, bool overwrite);

class TGameWriter {
public:
    // Starts the new file (TFileSink); throws TFileError.
    TGameWriter(TGameListCore& list, const std::string& path);
    ~TGameWriter();  // without Finish nothing is left behind
    TGameWriter(const TGameWriter&) = delete;
    TGameWriter& operator=(const TGameWriter&) = delete;

    // Appends game `index` of the list's file. Throws TFileError.
    void Add(int32_t index);
    // Writes what waits and gives the file its name. Throws TFileError.
    void Finish();
    int32_t GamesWritten() const { return games_; }
    int64_t BytesWritten() const;

    // One game's text as it goes out: from the line its first byte stands on
    // to the line end after its last (blank lines around it cut off). eol is
    // the game's first line end ("\n" when it has none); missingEol: the
    // text ends without one.
    struct TSpan {
        size_t begin = 0, end = 0;
        std::string_view eol = "\n";
        bool missingEol = false;
    };
    static TSpan Trimmed(std::string_view game);

private:
    void FlushRun();
    void WriteSpan(std::string_view game);
    // Bytes [from, to) of block_, which holds the file from blockAt on.
    void WritePiece(int64_t blockAt, size_t from, size_t to);
    void WriteLargeGame(int64_t from, int64_t to);
    void WriteDatabaseGame(int32_t index);
    size_t Read(int64_t pos, char* to, size_t n);

    TGameListCore& list_;
    std::unique_ptr<TFileSink> sink_;
    std::shared_ptr<TByteSource> source_;
    std::unique_ptr<TByteStream> stream_;  // a compressed file, read in order
    int64_t streamPos_ = 0;
    int32_t runFirst_ = 0, runEnd_ = 0;  // games [runFirst_, runEnd_) wait to be read
    std::string block_;
    std::string eol_;  // the line end of the last game written
    int32_t games_ = 0;
};
