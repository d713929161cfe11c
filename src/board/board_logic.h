// The board's geometry and move bookkeeping, free of any drawing.
#pragma once

#include <array>
#include <functional>

#include "rules/position.h"

// A square's pixel rectangle. Right and Bottom are the left and top edges of
// the next square: neighbouring rectangles share their edges.
struct TSquareRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
};

using TSquareRects = std::array<TSquareRect, 64>;

// Rectangle q (index64) for squares of s pixels: a1 bottom-left, h8 top-right;
// flipped (seen from Black's side): h8 bottom-left, a1 top-right.
TSquareRects ComputeSquareRects(int s, bool flipped = false);

// The first square in index64 order whose rectangle contains (x, y) with all
// four edges inclusive, so a point on a shared edge belongs to the lower
// index; -1 when none does.
int SquareAt(const TSquareRects& rects, int x, int y);

// a1 is dark: (rank + file) even.
inline constexpr bool IsDarkSquare(int index64) { return ((index64 / 8) + (index64 % 8)) % 2 == 0; }

// Asked for the piece a pawn of `side` promotes to: a signed piece code
// (2..5 for White, -2..-5 for Black) or 0 when the player chose nothing.
using TAskPromotion = std::function<int(int side)>;

// Makes the move from -> to (mailbox squares) on the board's own position and
// move record: the record gets the move, the en-passant square after a double
// step, the captured piece (the taken pawn for en passant), the castling kind
// and lost castling rights, and the side flips; the position gets the piece
// moved, an en-passant victim removed, the castling rook moved and a promoted
// pawn replaced. A pawn reaching its last rank asks for its piece; when the
// answer is 0 nothing at all is changed and false is returned (the move is
// withdrawn rather than leaving a pawn on the last rank). True otherwise.
// The legality of the move is the caller's affair.
bool ApplyBoardMove(TBoard& board, TMoveRecord& move, int from, int to, const TAskPromotion& askPromotion);

// A piece of the side to move (`side` +1 or -1)?
inline constexpr bool IsOwnPiece(int piece, int side) {
    return piece != 0 && piece != OffBoard && piece * side > 0;
}
