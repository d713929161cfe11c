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
