// A 64-bit key of a position as the opening tree and the opening names count
// it: the placement, the side to move, the castling rights and the
// en-passant square only when a pawn may legally take there. Move counters
// are left out, so that transpositions meet. Zobrist hashing with a fixed
// table: keys are the same in every run and may be stored.
#pragma once

#include <cstdint>

#include "rules/position.h"

// The key's part for one piece (-6..6 but 0) on a mailbox square.
uint64_t PieceSquareKey(int piece, int square);

// The key of the position on board with state's side, rights and en-passant
// square (taken by meaning, EffectiveEpSquare).
uint64_t PositionKey(const TBoard& board, const TMoveRecord& state);
