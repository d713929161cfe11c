// What the movetext parser and the fast path of the position search share to
// read movetext the same way: character classes of move text, the squares of
// castling, where the moves begin, where a move word ends, and the one
// reading of a move word against the board.
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
void UpdateCastlingRights(const TBoard& board, TMoveRecord& state);

// The candidates of a piece kind (Queen ... King) of `side` that reach `target`.
bool RunFinder(int kind, const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list);

// Of the candidates of `side` that reach `to`, the one a move written with
// this file ("a".."h") and rank ("1".."8") names (0: not written): the only
// one standing on them, or of several standing there the only one that may
// legally go. 0 when none stands there or several may go (the move is
// ambiguous): the move is then refused. With several candidates `given`
// gets FileGiven and RankGiven for what was written. The board is left as
// it was.
int ChooseCandidate(TBoard& board, const TCandidateList& list, int to, int side, char file, char rank,
                    uint8_t& given);

// Is the move in `state` (Side = the mover, Castling = the rights of the
// position) one the rules allow for a `kind` piece in `board`, whose
// en-passant square is `epSquare`? The piece stands on FromSq, its way is
// free, its own king is not left in check, castling keeps its right and
// passes free and safe squares, an en-passant capture follows a double step,
// and a pawn promotes (to a queen, rook, bishop or knight) exactly when it
// reaches the last rank. The board is left as it was.
bool IsPlayable(TBoard& board, const TMoveRecord& state, int kind, int epSquare, const TCastlingRooks& rooks);

// A glyph written as text after a move ("+-", "+/=", "=", "\u221E", "\u00B1",
// "inf", "!?" apart from the move, ...) at t[i], standing on its own: its
// length, and its glyph number in `nag`; 0 when none starts there.
size_t GlyphTextAt(std::string_view t, size_t i, int& nag);
// Blanks between the words of movetext: space, tab, line and form feeds.
inline bool IsMoveTextBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Does the word at t[i] read as a move (a letter, "0-0", or the null move "--")?
inline bool StartsMoveWord(std::string_view t, size_t i) {
    return IsLetter(t[i]) || t.compare(i, 3, "0-0") == 0 || t.compare(i, 2, "--") == 0;
}

// Reads the move word at t[i] into `token`, leaving out "=", "+" and "#"
// (whose signs go to `signs` as CheckSign and MateSign). The word ends
// before a blank, "*", "(", ")", "{", "$", a glyph text or the end of the
// text. Returns where the reading goes on: the blank or "*" that ended the
// word, or the word's last character when a bracket, brace or glyph follows
// (so that the next step reads it).
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

// What reading a move word on a board gave.
enum class TMoveReading : uint8_t {
    Move,     // a move the rules allow, now in the state
    NoMove,   // no move, or one the rules do not allow: the reading stops there
    Unusual,  // (TMoveForms::PlainSan only) a form left to the full reading
};

// The forms ReadMove takes: all it knows, or only plain SAN against the
// standard castling rules ("e4", "exd5", "e8Q", "Nf3", "Nbd7", "R1e2",
// "Qh4xe1", "O-O", "0-0-0", assessment marks after them looked past): the
// quick reading of the position search, which answers Unusual for any
// other form (long, German or coordinate notation, a king moving from a
// written square, castling by rook file) instead of reading it.
enum class TMoveForms : uint8_t { All, PlainSan };

// Reads a move word (ReadMoveWord, ClassifyMoveWord: a move) against
// `board` for the side in state.Side, whose castling rights are in
// state.Castling and whose en-passant square is `epSquare`: FromSq, ToSq,
// Captured, EpSquare, EpVictim, CastleKind and Promotion are set, and
// FileGiven or RankGiven added to Flags when the written file or rank told
// the piece. A written file, rank or square must be the piece's own, and a
// move that leaves the piece open (two may go) is none. Plain SAN is read
// the same way in both modes. The token may be changed; the board is left
// as it was.
TMoveReading ReadMove(std::string& token, TBoard& board, TMoveRecord& state, const TCastlingRooks& rooks,
                      int epSquare, TMoveForms forms = TMoveForms::All);

}  // namespace san
