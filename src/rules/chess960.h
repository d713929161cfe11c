// Castling by rook file, for games from a shuffled start (Chess960, also
// called Fischer random). A standard game never takes these paths: its
// castling keeps the fixed e/a/h squares of position.h.
//
// The rights stay in TMoveRecord::Castling (one bit per side and wing). Which rook a
// right belongs to is fixed for the whole game, because the right is gone as
// soon as that rook or its king moves: the game keeps it in TCastlingRooks.
// A castling move records the king's start in FromSq, its destination (g or
// c file) in ToSq, the kind in CastleKind and the castling rook's start square
// in EpVictim, which no castling move needs otherwise. That keeps the move
// record at 13 bytes and lets make/unmake work from the record alone.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "rules/position.h"

// How a FEN names the castling rights.
enum class TCastlingNotation : uint8_t {
    XFen,      // "KQkq" for the outermost rooks, file letters for inner ones
    Shredder,  // file letters only: "HAha"
};

// Wing index of the rook table: white short, white long, black short, black long.
enum : int { WingWK = 0, WingWQ = 1, WingBK = 2, WingBQ = 3 };

struct TCastlingRooks {
    bool Active = false;  // castling is read and played by rook file
    TCastlingNotation Notation = TCastlingNotation::XFen;
    std::array<int8_t, 4> Rook{};  // start square of the castling rook per wing; 0 none
    bool operator==(const TCastlingRooks&) const = default;
};

// Wing index of a castling kind (1 short, 2 long) for the side (+1/-1).
inline constexpr int WingOf(int side, int castleKind) { return (side == White ? 0 : 2) + (castleKind == 2 ? 1 : 0); }
// Castling-rights bit of a wing index.
inline constexpr int8_t WingBit(int wing) {
    constexpr int8_t bits[4] = {CastleWK, CastleWQ, CastleBK, CastleBQ};
    return wing >= 0 && wing < 4 ? bits[wing] : 0;
}
// A castling move of a game played by rook file (see the top of this file).
inline constexpr bool IsRookFileCastle(const TMoveRecord& move) { return move.CastleKind != 0 && move.EpVictim != 0; }

// Does a Variant tag value name Chess960 ("Chess960", "fischerandom", "960", ...)?
bool IsChess960Variant(std::string_view value);

// Reads the castling field of `fen` (already read into board and state by
// FENToPosition) by rook file when it uses file letters, when "KQkq" cannot
// mean the e/a/h squares, or when `chess960` says so. Rights that name no
// rook of that side on its back rank, on that wing of the only king there,
// are dropped. Returns an inactive set-up (state untouched) for a standard FEN.
TCastlingRooks ReadCastlingRooks(std::string_view fen, const TBoard& board, TMoveRecord& state, bool chess960);

// The outermost rooks of each side's back rank, on either side of its king,
// for a shuffled start that holds all rights. Wings without such a rook keep
// what `given` had.
TCastlingRooks OutermostCastlingRooks(const TBoard& board, TCastlingRooks given);

// The castling field ("HAha", "KQkq", "Bh", "-") for the rights in `state`.
std::string CastlingField(const TBoard& board, const TMoveRecord& state, const TCastlingRooks& rooks);

// PositionToFEN with the castling field by rook file when the game is played so.
std::string PositionToFEN(const TBoard& board, const TMoveRecord& state, int moveNo, const TCastlingRooks& rooks);

// Fills move (Side = the mover) as the castling of that kind; false when the
// side has no king on its back rank or no castling rook for that wing.
bool MakeRookFileCastle(const TBoard& board, const TCastlingRooks& rooks, int side, int castleKind, TMoveRecord& move);

// Plays the castling move made by MakeRookFileCastle on the board: king to
// ToSq, rook beside it on the inner side; and takes it back exactly. Both
// work whatever squares king and rook start on, also when one of them stays
// put or they pass each other.
void PlayRookFileCastle(TBoard& board, const TMoveRecord& move);
void TakeBackRookFileCastle(TBoard& board, const TMoveRecord& move);

// Legality by rook file: castling (move.CastleKind set) needs the right, king
// and rook at home, every square between king and destination and between
// rook and destination empty but for the two of them, and the king's start,
// path and destination not attacked; every other move is tested by
// IsLegalMove without the standard castling.
bool IsLegalRookFileMove(const TBoard& board, const TMoveRecord& move, const TCastlingRooks& rooks);

// Castling rights after the move in `move` (FromSq, ToSq, Side = the mover),
// judged on the position before it: gone when the king moves, when the
// castling rook moves or is taken, and when either is no longer at home.
void UpdateRookFileRights(const TBoard& board, TMoveRecord& move, const TCastlingRooks& rooks);
