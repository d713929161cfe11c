// The header record of one game: its tag pairs decoded into typed fields,
// the tag lines nobody decodes, the movetext and a deletion mark.
#pragma once

#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A list of text lines. A sorted list keeps its lines in text order (compared
// without regard to ASCII case) and ignores a line it already holds.
class TStringList {
public:
    bool Sorted = false;

    void Add(const std::string& line);
    void Clear() {
        lines_.clear();
        sortedCount_ = 0;
    }
    std::size_t Count() const { return Normalized().size(); }
    const std::string& operator[](std::size_t i) const { return Normalized()[i]; }
    const std::vector<std::string>& Lines() const { return Normalized(); }

private:
    // A sorted list takes new lines unsorted and puts them in order when it
    // is next read: a header of many thousands of tags costs n log n, not n^2.
    const std::vector<std::string>& Normalized() const;

    mutable std::vector<std::string> lines_;
    mutable std::size_t sortedCount_ = 0;  // lines_[0, sortedCount_) are in order, without duplicates
};

// A number tag that is missing or holds no number (0 is a number).
inline constexpr std::int32_t kNoNumber = INT32_MIN;

// Texts are the bytes of the file, not re-encoded.
struct TGameHeader {
    std::string White = "N.N.";
    std::string Black = "N.N.";
    std::string Event;
    std::string Annotator;
    std::string Site;
    std::string Result = "*";
    std::string ECO;
    std::string WhiteDifferenceToGMT;
    std::string BlackDifferenceToGMT;
    std::string DateTimeFormat;
    std::string GameId;
    std::uint16_t Year = 0;
    std::uint16_t Month = 0;
    std::uint16_t Day = 0;
    std::string Round;  // as written ("3", "1.10", "?")
    std::int32_t WhiteElo = kNoNumber;
    std::int32_t BlackElo = kNoNumber;
    std::int32_t PlyCount = kNoNumber;
    std::uint16_t EventYear = 0;
    std::uint16_t EventMonth = 0;
    std::uint16_t EventDay = 0;
    std::string FEN;  // empty for the standard start
    std::uint16_t TimeControlBase = 0;
    std::uint16_t TimeControlIncrement = 0;
    std::string MetaDescription;
    std::string MetaKeywords;
    std::string WhiteClubID;
    std::string BlackClubID;
    // Unrecognised tag lines, whole. Owned by whoever set it; copies of the
    // record share it.
    TStringList* OtherTags = nullptr;
    std::string Movetext;  // lines after the header, each ended by CR LF
    bool Deleted = false;  // marked deleted in its database
};

// Back to the defaults; Deleted keeps its value, OtherTags is emptied.
void ClearEventData(TGameHeader& header);

// The value after the first double quote up to the quote that ends it
// (collection/game_text.h: TagValueEnd; or the end of the line), its
// escapes \" and \\ read; empty without a double quote.
std::string TagValue(std::string_view line);

// Decodes one tag-pair line (already trimmed) into header.
void ParseTagLine(TGameHeader& header, std::string_view line);

// A whole number as the tag decoding reads it: leading blanks and a sign
// allowed, 0 for anything else, kept modulo 65536 (dates, time controls).
std::uint16_t TagNumber(std::string_view text);
// The same reading kept signed: kNoNumber for anything but a 32-bit number.
std::int32_t TagInteger(std::string_view text);
// Full moves of a ply count: 104 plies are 52 moves, 105 are 53.
inline std::int32_t FullMoves(std::int32_t plies) { return plies == kNoNumber || plies < 0 ? plies : plies / 2 + plies % 2; }

// Fills header from a game's text: reset, the tags of its tag section
// (collection/game_text.h), the line after the section skipped, the rest
// into Movetext (CR LF after each line). An empty text gives the header
// "Error" - "...".
// With fillMovetext false the movetext is not collected (row drawing).
void HeaderFromText(TGameHeader& header, std::string_view text, bool fillMovetext = true);

// True when the start of a game's text, as far as it was read, holds its
// first tag line and the line that ends its tag section (a line that is not
// blank, no escape line and does not begin with "["): reading more would
// change nothing HeaderFromText takes from the tags.
bool HeaderEndsWithin(std::string_view start);

// True for the bytes the loaders trim (code 32 and below).
inline bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 32; }
std::string_view TrimBlanks(std::string_view s);
