// What the movetext parser and the fast path of the position search share to
// read movetext the same way: character classes of move text, the squares of
// castling, where the moves begin, where a move word ends, and the
// resolution of a move against the board.
#pragma once

#include <string>
#include <string_view>

#include "notation/movetext_parser.h"
#include "rules/chess960.h"
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

// Does the word at t[i] read as a move (a letter, "0-0", or the null move "--")?
inline bool StartsMoveWord(std::string_view t, size_t i) {
    return IsLetter(t[i]) || t.compare(i, 3, "0-0") == 0 || t.compare(i, 2, "--") == 0;
}

// Reads the move word at t[i] into `token`, leaving out "=", "+" and "#"
// (whose signs go to `signs` as CheckSign and MateSign). The word ends
// before a blank, "*", "(", ")", "{", "$" or the end of the text. Returns
// where the reading goes on: the blank or "*" that ended the word, or the
// word's last character when a bracket, brace or glyph follows (so that
// the next step reads it).
size_t ReadMoveWord(std::string_view t, size_t i, std::string& token, uint8_t& signs);

// What a move word is besides a move.
enum class TWordKind { Move, Null, EnPassantMark };
// "--" and "Z0" are null moves; "e.p." after a move marks it en passant
// and is no move itself. An "e.p." written onto the move ("exd6e.p.") is
// taken off the token.
TWordKind ClassifyMoveWord(std::string& token);

// Where the moves of a movetext begin: at the first move number ("12.") or
// the first word shaped like a move (collection/game_text.h: IsMoveWord),
// whether or not a number precedes it. Comments, variations and other words
// before it are passed over; the comments are appended to `intro` as
// written. npos when the text holds no move.
size_t FindMovesStart(std::string_view t, std::string& intro);

// Resolves a move token (ReadMoveWord) against `board` for the side in
// state.Side: FromSq, ToSq, Captured, EpSquare, EpVictim, CastleKind,
// Promotion and the disambiguation flags. The token may be changed. False
// when it names no move the parser can make. The board is left as it was.
bool ResolveMove(std::string& token, TSchachbrett& board, TZug& state, const TCastlingRooks& rooks);

}  // namespace san
