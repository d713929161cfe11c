// A 64-bit key of a position as the opening tree and the opening names count
// it: the placement, the side to move, the castling rights and the
// en-passant square only when a pawn may legally take there. Move counters
// are left out, so that transpositions meet. Zobrist hashing with a fixed
// table: keys are the same in every run and may be stored.
#pragma once

#include <array>
#include <cstdint>

#include "rules/position.h"

// The keys of each piece (code + 6) on each square (a1 = 0); row 6 (no
// piece) is all zero.
extern const std::array<std::array<uint64_t, 64>, 13> kPieceSquareKeys;

// The key's part for one piece (-6..6; 0, nothing) on a mailbox square.
inline uint64_t PieceSquareKey(int piece, int square) {
    if (piece < -6 || piece > 6 || !IsRealSquare(square)) return 0;
    return kPieceSquareKeys[piece + 6][SquareToIndex64(square)];
}

// The key of the position on board with state's side, rights and en-passant
// square (taken by meaning, EffectiveEpSquare).
uint64_t PositionKey(const TBoard& board, const TMoveRecord& state);

// What a move does to the pieces' part of the key: the squares it changes
// (from, to and a pawn taken en passant, or the mover's back rank for a
// castling, by rook file too) seen before and after it is played, so that
// a replay keeps the key up without looking at all 64 squares.
class TPlacementChange {
public:
    // move as the game tree keeps it (Side: the side to move after it).
    void Before(const TBoard& board, const TMoveRecord& move);
    // The key's change once the move stands on board.
    uint64_t After(const TBoard& board) const;

private:
    int squares_[8] = {}, before_[8] = {}, count_ = 0;
};
