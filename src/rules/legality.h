// Legality test for one move, built from per-piece target generators and
// attacker finders on the mailbox (the border value stops every ray).
#pragma once

#include <vector>

#include "rules/position.h"

using TargetList = std::vector<int>;

// Attacker finders: squares holding a piece of that kind and colour c that
// attacks `square`. Each empties the list first; 0 on success, -1 on a fault.
int FindQueenAttackers(int square, int c, const TBoard& board, TargetList* list);
int FindRookAttackers(int square, int c, const TBoard& board, TargetList* list);
int FindBishopAttackers(int square, int c, const TBoard& board, TargetList* list);
int FindKnightAttackers(int square, int c, const TBoard& board, TargetList* list);
int FindPawnAttackers(int square, int c, const TBoard& board, TargetList* list);
int FindKingAttackers(int square, int c, const TBoard& board, TargetList* list);

// Target generators: squares the piece on `square` may move to, ignoring
// whether its own king is then attacked. 0 on success, -1 on a fault.
int QueenTargets(int square, int side, const TBoard& board, TargetList* list);
int RookTargets(int square, int side, const TBoard& board, TargetList* list);
int BishopTargets(int square, int side, const TBoard& board, TargetList* list);
int KnightTargets(int square, int side, const TBoard& board, TargetList* list);
int PawnTargets(int square, const TMoveRecord& state, const TBoard& board, TargetList* list);
int KingTargets(int square, const TMoveRecord& state, const TBoard& board, TargetList* list);

// Is `square` attacked by a piece of the opponent of `side`?
bool IsSquareAttacked(int square, int side, const TBoard& board);
// Mailbox square of that side's king (first in index64 order), or -1.
int FindKing(bool forWhite, const TBoard& board);
// Is the move FromSq -> ToSq legal for move.Side, with move's castling rights
// and en-passant square? Changes neither argument; false on any bad input.
bool IsLegalMove(const TBoard& board, const TMoveRecord& move);
// The en-passant square of the position as it counts: state.EpSquare when a
// pawn of the side to move may take there, else 0.
int EffectiveEpSquare(const TBoard& board, const TMoveRecord& state);
