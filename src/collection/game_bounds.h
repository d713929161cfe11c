// Where the games of a PGN byte stream begin, found without parsing them and
// fed block by block, so that any source of bytes (a file read in blocks, a
// text in memory, a decompressor) can drive it.
//
// A game starts at the first tag line of a tag section: a line whose first
// character after the indent starts a tag (collection/game_text.h). A tag
// line starts a new game when the current game already has movetext or
// already has a tag of the same name (header-only games follow each other
// that way); otherwise it belongs to the section, also after blank lines.
// Movetext is any line that is neither blank, nor a tag or other "[" line,
// nor an escape line ("%" in the first column); brace comments and ";"
// comments count as movetext, and a tag line inside a brace comment starts
// nothing. Text after the tags of a tag line is not looked at. Text before
// the first game is no part of any game. Line ends: CR LF, LF or CR; a
// UTF-8 byte order mark at the start of the stream or of a line (files
// joined end to end) is passed over.
//
// Cost: a first pass classifies the bytes 64 at a time with vector compares
// (AVX-512 or AVX2 when the processor has them) into masks; the walk then
// jumps from one stop of the masks to the next, so plain movetext costs
// nothing but the first pass; per tag line a 16-byte compare with the names
// of the tag sections before. The first pass can run ahead of the walk on
// another thread (ClassifyBytes). Memory: the names of two tag sections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The tag names of one section, as 64-bit keys in a small open hash table
// whose entries are stamped with the section they belong to (starting a
// new section is one increment, whatever the table holds).
class TTagNameSet {
public:
    TTagNameSet();
    void Clear();
    // False when the key was there already.
    bool Insert(std::uint64_t key);

    static constexpr std::size_t kMaxNames = std::size_t{1} << 16;

private:
    void Grow();
    struct TSlot {
        std::uint64_t key = 0;
        std::uint32_t stamp = 0;
    };
    std::vector<TSlot> slots_;
    std::uint32_t stamp_ = 1;
    std::size_t count_ = 0;
};

// A tag name as the scanner keeps it: the bytes after "[" up to and with
// the opening quote (name, blank, quote; zero after them), when they fit in
// 16 bytes, with the mask of those bytes; a longer name by a 64-bit key.
struct TTagName {
    std::uint64_t Text[2] = {0, 0};
    std::uint64_t Mask[2] = {0, 0};
    std::uint64_t Key = 0;    // of a long name
    std::uint8_t Length = 0;  // of the name; kLongName for a long one
    static constexpr std::uint8_t kLongName = 255;
};

// The scanner's state between two blocks.
struct TBoundsState {
    enum TMode : std::uint8_t {
        LineStart,  // at the start of a line (after its indent when column0 is false)
        Body,       // a movetext line, outside comments
        Comment,    // inside a brace comment
        SkipLine,   // the rest of a tag line, a ";" comment, an escape line
        TagCheck,   // a "[" at a line start, undecided at the end of a block
    };
    TMode Mode = LineStart;
    bool Column0 = true;      // no indent seen on this line yet
    std::uint8_t Bom = 0;     // bytes of a byte order mark seen at this line's start
    bool InGame = false;      // a game has started
    bool GameHasBody = false; // the current game has movetext
    bool Content = false;     // movetext seen anywhere
    std::int64_t Offset = 0;  // stream offset of the next byte
    std::int64_t CandidateAt = -1;  // offset of the "[" being decided
    std::string Candidate;          // its bytes so far
    // Tag names a section is compared with: a list without repeats (the
    // last section that went its own way). Sections of a file mostly name
    // their tags in the same order, some left out: while the current one
    // finds each name further on in the list (SameAsList), no name can be a
    // repeat, and MatchedAt holds where. A section that goes its own way
    // keeps its names in Section and their keys in Names, and becomes the
    // list when it is finished.
    std::vector<TTagName> List, Section;
    std::vector<std::uint16_t> MatchedAt;
    bool SameAsList = false;
    TTagNameSet Names;
    std::vector<std::int64_t> Starts;  // game starts found and not yet taken
};

// The masks of a stretch of bytes, one entry per 64-byte window.
struct TWindowArrays {
    std::uint64_t* Ends;    // line ends
    std::uint64_t* Events;  // stops in movetext
    std::uint64_t* Closes;  // "}"
    std::uint64_t* Opens;   // "{"
};
class TBlockMasks {
public:
    // Room for the masks of n bytes.
    void Reserve(std::size_t n);
    TWindowArrays Arrays() { return {ends_.data(), events_.data(), closes_.data(), opens_.data()}; }

private:
    std::vector<std::uint64_t> ends_, events_, closes_, opens_;
};

// The first pass over data[0, n) into masks (Reserve(n) first). It keeps no
// state: any thread may run it, ahead of the walk.
void ClassifyBytes(const char* data, std::size_t n, TWindowArrays masks);
// Every first pass this processor can run, the plain one first (for tests:
// they must agree).
using TClassifyFn = void (*)(const char* data, std::size_t n, TWindowArrays masks);
std::vector<TClassifyFn> ClassifyVariants();

class TGameBounds {
public:
    TGameBounds() = default;
    // The next n bytes of the stream. Game starts found are appended to
    // Starts() (stream offsets of their "["), in order.
    void Feed(const char* data, std::size_t n);
    // The same for bytes the first pass has classified already: data[0, n)
    // begins `window` windows (64 bytes each) into the stretch of `masks`,
    // and that stretch was fed from its start.
    void Feed(const char* data, std::size_t n, const TWindowArrays& masks, std::size_t window);
    // The end of the stream. Afterwards, if no game was found but movetext
    // was, the stream is one game without tags: its start 0 is in Starts().
    void Finish();
    // Game starts found and not yet taken (the caller empties it).
    std::vector<std::int64_t>& Starts() { return state_.Starts; }
    std::int64_t Offset() const { return state_.Offset; }

private:
    TBoundsState state_;
};

// Byte ranges [start, end) of the games in bytes, as the scanner finds them.
std::vector<std::pair<std::size_t, std::size_t>> SplitGameBytes(const char* bytes, std::size_t size);
