// One game as the opening tree keeps it: a fixed summary (result, Elo, year
// and the counts its main line ends with, which rule most games out of a
// position without replaying them) and its main line as 16-bit words, two
// bytes a move.
//
// A word is kind << 12 | from << 6 | to (squares 0..63, a1 = 0). Kinds:
// plain, en passant, short and long castling, the four promotions, castling
// by rook file (followed by a word holding the rook's square), a null move.
// A word of kind kRights sets the castling rights that the next move leaves
// (they change a few times a game at most). A game from a set-up position
// begins with its start: the 64 squares' pieces, the castling rights, the
// en-passant square and the side to move, a byte each (kStartBytes).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rules/position.h"
#include "search/reach_counts.h"

enum : uint8_t {
    kResultOther = 0,
    kResultWhite = 1,
    kResultDraw = 2,
    kResultBlack = 3,
};

enum : uint8_t {
    kGameFromFen = 0x01,   // the moves start with the start position (kStartBytes)
    kGameUnread = 0x02,    // the game could not be read (too large, no memory): no moves
    kGameUnbounded = 0x04,  // a line whose counts rise somewhere (the loader's leniency): no early rejection
};

struct TTreeGameInfo {
    uint32_t MovesAt = 0;  // offset of the game's bytes in its chunk
    uint16_t Words = 0;    // 16-bit words after the FEN
    uint8_t Result = kResultOther;
    uint8_t Flags = 0;
    uint16_t WhiteElo = 0, BlackElo = 0;  // 0: unknown
    uint16_t Year = 0;                    // 0: unknown
    // The counts the main line ends with (search/reach_counts.h).
    uint8_t WhiteMen = 0, BlackMen = 0, Pawns = 0;  // Pawns: white << 4 | black
    uint8_t WhiteHome = 0, BlackHome = 0;
    uint8_t Spare = 0;
    // From the standard start: the order in which the pawns left their start
    // squares, a nibble each (0..7 White's a..h, 8..15 Black's), first in the
    // low nibble; the pawns gone by any position of the game are a prefix of
    // it. From a FEN: the start's counts (men, pawns, homes of each side).
    uint8_t Order[8] = {};
};
static_assert(sizeof(TTreeGameInfo) == 28, "a game's summary is 28 bytes");

// Can a game with this summary reach the target at all? (False rules it out.)
bool MayReach(const TTreeGameInfo& info, const TSearchTarget& target);

// The result kind of a Result tag's value.
uint8_t ResultKind(std::string_view value);

// Words of a game kept in its chunk's head block (the rest, and a game
// from a FEN, in the tail block): most positions a person looks at lie in
// the first moves, and the heads of a chunk unpack fast. In the tail a
// plain move (or an en-passant capture) is one byte: its destination and
// which of the mover's men that may go there it is (the first three, in
// CandidateIndex's order); any other word is kTailEscape and the word.
constexpr int kHeadWords = 16;
constexpr uint8_t kTailEscape = 0xC0;
constexpr size_t kStartBytes = 67;

// Builds one game's bytes: the start, then each move of the main line.
class TTreeGameWriter {
public:
    // Starts a game at the standard start (start null), or from that board
    // and state's rights, en-passant square and side, kept as they are.
    void Start(std::string& out, const TBoard* start, const TMoveRecord& state);
    // A move as the game tree keeps it (Side = the side to move after it).
    void Move(const TMoveRecord& move);
    // The start position (before the first Move).
    void StartBoard(const TBoard& board);
    // The words written and the counts of the final position, into info.
    void Finish(TTreeGameInfo& info, const TBoard& finalBoard) const;

private:
    void Word(uint16_t w);
    void Left(int square);
    std::string* out_ = nullptr;
    int8_t rights_ = CastleAll;
    uint32_t words_ = 0;
    uint32_t headLimit_ = kHeadWords;  // words kept whole; the rest tail-coded
    TBoard board_ = InitialPosition;   // the position before the next move
    int ep_ = 0;                       // its en-passant square, as the cursor sets it
    bool fromFen_ = false;
    uint16_t home_ = 0;  // pawns on their start squares, bit = nibble id
    int left_ = 0;
    uint8_t order_[8] = {};
    reach::TCounts start_;
};

// Plays a game's words from its start: one position after the other. The
// words come from the head block and, past them, from the tail block,
// which the caller hands in when asked (NeedTail).
class TTreeGameCursor {
public:
    enum TStep { Moved, End, NeedTail, Bad };
    // head: the game's kHeadWords slot in the head block (may be null for a
    // game from a FEN, which lies whole in the tail).
    void Start(const TTreeGameInfo& info, const uint8_t* head);
    // The tail block from the game's MovesAt on; false when it does not hold
    // the game (a FEN that does not read, too few bytes).
    bool SetTail(const uint8_t* tail, size_t size);
    bool HasStart() const { return started_; }
    // The next move's word (0 at the end); NeedTail when it lies in the tail.
    TStep NextWord(uint16_t& word) const;
    // Plays the next move.
    TStep Next();

    TBoard Board = InitialPosition;
    TMoveRecord State = FreshState();
    reach::TCounts Counts;
    // The placement's key (PlacementKey), kept up move by move: positions
    // are compared by it before the boards are.
    uint64_t Placement = 0;
    int Ply = 0;

private:
    // Word i of the game (i at most three past the next move's first):
    // Moved, NeedTail when it lies in a tail not handed in, Bad when the
    // bytes make no sense.
    TStep WordAt(uint32_t i, uint16_t& w) const;
    const TTreeGameInfo* info_ = nullptr;
    const uint8_t* head_ = nullptr;
    const uint8_t* tail_ = nullptr;  // after the start
    const uint8_t* tailEnd_ = nullptr;
    uint32_t headWords_ = 0, at_ = 0;
    bool started_ = false;
    // Tail words read ahead of the moves played (a move's rights, its word,
    // its rook): words [aheadFrom_, aheadFrom_ + ahead_) are in ahead_[].
    mutable const uint8_t* tailAt_ = nullptr;
    mutable uint32_t aheadFrom_ = 0, aheadCount_ = 0;
    mutable uint16_t ahead_[4] = {};
};

// The men of `side` that may go to `to` by their own way of moving (a pawn's
// step, double step or capture, en passant on `ep`; castling apart; whatever
// their king then stands in) are counted in a fixed order: pawns, knights,
// along the diagonals, along the lines, the king. CandidateIndex: the place
// of the man on `from` among the first three, else -1. CandidateAt: the
// square of the man at that place, 0 when there is none.
int CandidateIndex(const TBoard& board, int side, int to, int ep, int from);
int CandidateAt(const TBoard& board, int side, int to, int ep, int index);

// The part of PositionKey (rules/position_key.h) that the pieces make.
uint64_t PlacementKey(const TBoard& board);

// A move word's move in the position before it (Side = the mover):
// FromSq, ToSq, Promotion, CastleKind, EpVictim filled in.
TMoveRecord MoveOfWord(uint16_t word, uint16_t rookWord, const TBoard& board, int mover);
// The move word of a move as the game tree keeps it (without its rook word).
uint16_t WordOfMove(const TMoveRecord& move);
