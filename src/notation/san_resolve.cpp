#include "notation/san_resolve.h"

#include "rules/legality.h"

namespace san {

// Castling rights after the move in `state`, judged on the position before it.
void UpdateCastlingRights(const TSchachbrett& board, TZug& state) {
    int c = state.Castling;
    if (board[e1] == 0) c &= ~(CastleWK | CastleWQ);
    if (board[e8] == 0) c &= ~(CastleBK | CastleBQ);
    if (board[h1] <= 0) c &= ~CastleWK;
    if (board[a1] <= 0) c &= ~CastleWQ;
    if (board[h8] >= 0) c &= ~CastleBK;
    if (board[a8] >= 0) c &= ~CastleBQ;
    int piece = board[state.FromSq];
    if (piece == King) c &= ~(CastleWK | CastleWQ);
    if (piece == -King) c &= ~(CastleBK | CastleBQ);
    if (piece == Rook && state.FromSq == h1) c &= ~CastleWK;
    if (piece == Rook && state.FromSq == a1) c &= ~CastleWQ;
    if (piece == -Rook && state.FromSq == h8) c &= ~CastleBK;
    if (piece == -Rook && state.FromSq == a8) c &= ~CastleBQ;
    if (state.ToSq == a1) c &= ~CastleWQ;
    if (state.ToSq == h1) c &= ~CastleWK;
    if (state.ToSq == a8) c &= ~CastleBQ;
    if (state.ToSq == h8) c &= ~CastleBK;
    state.Castling = static_cast<int8_t>(c);
}

bool RunFinder(int kind, const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    switch (kind) {
        case Queen: return FindQueenCandidates(board, target, side, mode, list);
        case Rook: return FindRookCandidates(board, target, side, mode, list);
        case Bishop: return FindBishopCandidates(board, target, side, mode, list);
        case Knight: return FindKnightCandidates(board, target, side, mode, list);
        case King: return FindKingCandidates(board, target, side, mode, list);
        default: return false;
    }
}

// Of several candidates, the last one not pinned to its king; the first if
// every one is pinned. The board is left as it was.
int UnpinnedCandidate(TSchachbrett& board, const TCandidateList& list, int toSq, int piece, int side) {
    int king = e1;
    for (int i = 0; i < 64; ++i)
        if (board[Index64ToSquare(i)] == King * side) king = Index64ToSquare(i);
    int chosen = 0;
    int saved = board[toSq];
    board[toSq] = piece;
    for (int n = 0; n < list.Count; ++n) {
        int sq = list.Squares[static_cast<size_t>(n)];
        int was = board[sq];
        board[sq] = 0;
        if (!FindQueenCandidates(board, king, side, TFinderMode::Test, nullptr) &&
            !FindRookCandidates(board, king, side, TFinderMode::Test, nullptr) &&
            !FindBishopCandidates(board, king, side, TFinderMode::Test, nullptr))
            chosen = sq;
        board[sq] = was;
    }
    board[toSq] = saved;
    return chosen ? chosen : list.Squares[0];
}

}  // namespace san
