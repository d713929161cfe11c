// The position and move model every chess-aware part of the program shares.
//
// A position is a 10 x 12 mailbox of signed 32-bit values: a1 = 21, h8 = 98,
// the two outer rows and columns hold OffBoard so that sliding loops stop at
// the first non-empty cell without any bounds test.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

using TBoard = std::array<int32_t, 120>;

// Piece kinds; a piece of side s (+1 white, -1 black) is s * kind.
enum : int32_t {
    Empty = 0,
    Pawn = 1,
    Rook = 2,
    Bishop = 3,
    Knight = 4,
    Queen = 5,
    King = 6,
    OffBoard = 100,
};

constexpr int White = 1;
constexpr int Black = -1;

// Castling rights bits of TMoveRecord::Castling. Bit 1 means nothing and is ignored.
enum : int8_t {
    CastleWK = 2,
    CastleWQ = 4,
    CastleBK = 8,
    CastleBQ = 16,
    CastleAll = 30,
};

// TMoveRecord::Flags bits.
enum : uint8_t {
    MarkBefore = 0x01,  // NAG $998
    MarkAfter = 0x02,   // NAG $999
    FileGiven = 0x10,
    RankGiven = 0x20,
    CheckSign = 0x40,
    MateSign = 0x80,
};

// The 13-byte move-and-state record. Bytes 0..2 are the game state, the rest
// one move and its annotation. Copied whole, owns nothing.
struct TMoveRecord {
    int8_t Castling = CastleAll;
    int8_t EpSquare = 0;
    int8_t Side = White;
    int8_t FromSq = 0;
    int8_t ToSq = 0;
    int8_t EpVictim = 0;    // en passant: the taken pawn; castling by rook file: the rook (rules/chess960.h)
    int8_t CastleKind = 0;  // 0 none, 1 short, 2 long
    int8_t Promotion = 0;
    int8_t Captured = 0;
    uint8_t Flags = 0;
    int8_t MoveNag = 0;       // 1 "!", 2 "!!", 3 "?", 4 "??", 5 "!?", 6 "?!"
    uint8_t PositionNag = 0;  // PGN NAG number kept as is
    uint8_t ExtraNag = 0;     // PGN NAG 140 or 142

    bool operator==(const TMoveRecord&) const = default;
};
static_assert(sizeof(TMoveRecord) == 13, "TMoveRecord is a 13-byte record");

// A fresh game state: all four castling rights, no en-passant square, White to move.
constexpr TMoveRecord FreshState() { return TMoveRecord{}; }

inline constexpr int Index64ToSquare(int i) { return (i / 8) * 10 + (i % 8) + 21; }
inline constexpr int SquareToIndex64(int s) { return ((s / 10) - 2) * 8 + (s % 10) - 1; }
// True for the 64 real squares of the mailbox.
inline constexpr bool IsRealSquare(int s) {
    return s >= 21 && s <= 98 && s % 10 != 0 && s % 10 != 9;
}

extern const std::array<std::string_view, 64> SquareNames;
// "kqnbrp PRBNQK", indexed by piece code + 6.
extern const std::string_view PieceLetters;

extern const TBoard InitialPosition;
extern const TBoard EmptyBoard;

extern const std::array<int, 4> BishopDirs;
extern const std::array<int, 4> RookDirs;
extern const std::array<int, 8> KnightJumps;
extern const std::array<int, 8> QueenDirs;
extern const std::array<int, 8> KingSteps;

// Name of a real mailbox square ("e4"); "??" for anything else.
std::string_view SquareName(int square);
// Letter of a piece code (-6..6) as in PieceLetters; ' ' for anything else.
char PieceLetter(int piece);
