// What the movetext parser and the fast path of the position search share to
// read a move the same way: character classes of move text, the squares of
// castling, and the resolution of a piece move against the board.
#pragma once

#include "notation/movetext_parser.h"
#include "rules/position.h"

namespace san {

constexpr int e1 = 25, e8 = 95, c1 = 23, c8 = 93, g1 = 27, g8 = 97;
constexpr int a1 = 21, h1 = 28, a8 = 91, h8 = 98;

inline bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
inline bool IsLetter(char c) { return IsUpper(c) || IsLower(c); }
inline bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
inline bool IsRank(char c) { return c >= '1' && c <= '8'; }
inline int SquareOf(char file, char rank) { return 21 + (file - 'a') + 10 * (rank - '1'); }

// Castling rights after the move in `state`, judged on the position before it.
void UpdateCastlingRights(const TSchachbrett& board, TZug& state);

// The candidates of a piece kind (Queen ... King) of `side` that reach `target`.
bool RunFinder(int kind, const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list);

// Of several candidates, the last one not pinned to its king; the first if
// every one is pinned. The board is left as it was.
int UnpinnedCandidate(TSchachbrett& board, const TCandidateList& list, int toSq, int piece, int side);

}  // namespace san
