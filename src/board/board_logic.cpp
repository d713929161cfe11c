#include "board/board_logic.h"

TSquareRects ComputeSquareRects(int s, bool flipped) {
    TSquareRects rects{};
    for (int i = 0; i < 64; ++i) {
        int row = i / 8, column = i % 8;
        if (flipped) row = 7 - row, column = 7 - column;
        TSquareRect& r = rects[static_cast<size_t>(i)];
        r.Left = column * s;
        r.Right = r.Left + s;
        r.Top = (7 - row) * s;
        r.Bottom = r.Top + s;
    }
    return rects;
}

int SquareAt(const TSquareRects& rects, int x, int y) {
    for (int i = 0; i < 64; ++i) {
        const TSquareRect& r = rects[static_cast<size_t>(i)];
        if (r.Left <= x && x <= r.Right && r.Top <= y && y <= r.Bottom) return i;
    }
    return -1;
}

bool ApplyBoardMove(TBoard& board, TMoveRecord& move, int from, int to, const TAskPromotion& askPromotion) {
    if (!IsRealSquare(from) || !IsRealSquare(to) || from == to) return false;
    const int piece = board[static_cast<size_t>(from)];
    if (piece == 0 || piece == OffBoard) return false;
    const int fromIndex = SquareToIndex64(from);
    const int toIndex = SquareToIndex64(to);
    const int difference = toIndex - fromIndex;
    const int target = board[static_cast<size_t>(to)];

    // Ask before anything changes, so that "no choice" withdraws the move.
    int promotion = 0;
    if ((piece == Pawn && toIndex / 8 == 7) || (piece == -Pawn && toIndex / 8 == 0)) {
        promotion = askPromotion ? askPromotion(piece > 0 ? White : Black) : 0;
        if (promotion * piece <= 0 || promotion == piece || promotion == 6 * piece || promotion < -Queen ||
            promotion > Queen)
            return false;
    }

    TMoveRecord z = move;
    z.FromSq = static_cast<int8_t>(from);
    z.ToSq = static_cast<int8_t>(to);
    z.Captured = static_cast<int8_t>(target);
    z.Flags = 0;
    z.MoveNag = 0;
    z.EpVictim = 0;
    z.EpSquare = 0;
    z.Promotion = static_cast<int8_t>(promotion);
    z.CastleKind = 0;

    auto clear = [&z](int bits) { z.Castling = static_cast<int8_t>(z.Castling & ~bits); };
    switch (piece) {
        case Pawn:
            if (difference == 16) z.EpSquare = static_cast<int8_t>(to - 10);
            if ((difference == 7 || difference == 9) && target == 0 && fromIndex / 8 == 4)
                z.EpVictim = static_cast<int8_t>(to - 10);
            break;
        case -Pawn:
            if (difference == -16) z.EpSquare = static_cast<int8_t>(to + 10);
            if ((difference == -7 || difference == -9) && target == 0 && fromIndex / 8 == 3)
                z.EpVictim = static_cast<int8_t>(to + 10);
            break;
        case Rook:
            if (from == 28) clear(CastleWK);
            if (from == 21) clear(CastleWQ);
            break;
        case -Rook:
            if (from == 98) clear(CastleBK);
            if (from == 91) clear(CastleBQ);
            break;
        case King:
            if (from == 25 && to == 27) z.CastleKind = 1;
            if (from == 25 && to == 23) z.CastleKind = 2;
            clear(CastleWK | CastleWQ);
            break;
        case -King:
            if (from == 95 && to == 97) z.CastleKind = 1;
            if (from == 95 && to == 93) z.CastleKind = 2;
            clear(CastleBK | CastleBQ);
            break;
        default:
            break;
    }
    // A rook taken in its corner takes its castling right with it.
    if (to == 21) clear(CastleWQ);
    if (to == 28) clear(CastleWK);
    if (to == 91) clear(CastleBQ);
    if (to == 98) clear(CastleBK);
    z.Side = static_cast<int8_t>(-z.Side);

    board[static_cast<size_t>(to)] = piece;
    board[static_cast<size_t>(from)] = 0;
    if (z.EpVictim != 0) {
        z.Captured = static_cast<int8_t>(board[static_cast<size_t>(z.EpVictim)]);
        board[static_cast<size_t>(z.EpVictim)] = 0;
    }
    if (z.CastleKind != 0) {
        const int base = piece > 0 ? 20 : 90;  // a-file square minus one
        const int rookFrom = z.CastleKind == 1 ? base + 8 : base + 1;
        const int rookTo = z.CastleKind == 1 ? base + 6 : base + 4;
        board[static_cast<size_t>(rookTo)] = board[static_cast<size_t>(rookFrom)];
        board[static_cast<size_t>(rookFrom)] = 0;
    }
    if (promotion != 0) board[static_cast<size_t>(to)] = promotion;
    move = z;
    return true;
}
