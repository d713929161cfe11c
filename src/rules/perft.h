// Move-path enumeration ("perft") over the legality test: the count of leaf
// positions at a depth, compared with published counts, checks IsLegalMove.
#pragma once

#include <cstdint>

#include "rules/position.h"

struct TCastlingRooks;

// Plays FromSq -> ToSq of `move` on board and updates the game state in
// `state` (side to move, castling rights, en-passant square). Castling moves
// the rook, en passant removes the pawn, Promotion (a kind 2..5) is used for
// a pawn reaching the last rank.
void PerftMakeMove(TBoard& board, TMoveRecord& state, int from, int to, int promotionKind);

// Leaf positions at `depth` plies from board/state (state.Side to move).
// Every (from, to) pair accepted by IsLegalMove counts, a pawn move to the
// last rank as four promotions.
uint64_t Perft(const TBoard& board, const TMoveRecord& state, int depth);

// The same for a game played by rook file (Chess960): castling is counted
// once per wing whose move IsLegalRookFileMove accepts.
uint64_t Perft(const TBoard& board, const TMoveRecord& state, int depth, const TCastlingRooks& rooks);
