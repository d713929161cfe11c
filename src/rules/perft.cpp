#include "rules/perft.h"

#include "rules/chess960.h"
#include "rules/legality.h"

namespace {

void DropRightsOfCorner(TMoveRecord& state, int square) {
    switch (square) {
        case 21: state.Castling &= ~CastleWQ; break;
        case 28: state.Castling &= ~CastleWK; break;
        case 91: state.Castling &= ~CastleBQ; break;
        case 98: state.Castling &= ~CastleBK; break;
        default: break;
    }
}

// Offers every (from, to) pair of the side to move that `legal` accepts to
// `play`, once per promotion piece for a pawn reaching the last rank (0 for
// every other move).
template <class Legal, class Play>
void ForEachLegalPair(const TBoard& board, TMoveRecord& probe, Legal legal, Play play) {
    const int side = probe.Side;
    for (int i = 0; i < 64; ++i) {
        const int from = Index64ToSquare(i);
        const int piece = board[from];
        if (piece == Empty || (piece > 0) != (side > 0)) continue;
        for (int j = 0; j < 64; ++j) {
            const int to = Index64ToSquare(j);
            probe.FromSq = static_cast<int8_t>(from);
            probe.ToSq = static_cast<int8_t>(to);
            if (!legal(probe)) continue;
            const bool promotes = (piece == Pawn && to >= 91) || (piece == -Pawn && to <= 28);
            if (!promotes) {
                play(probe, 0);
                continue;
            }
            for (int promo = Rook; promo <= Queen; ++promo) play(probe, promo);
        }
    }
}

}  // namespace

void PerftMakeMove(TBoard& board, TMoveRecord& state, int from, int to, int promotionKind) {
    const int side = state.Side == White ? White : Black;
    const int piece = board[from];
    const int kind = piece > 0 ? piece : -piece;
    const int ep = state.EpSquare;
    state.EpSquare = 0;

    board[to] = piece;
    board[from] = Empty;
    if (kind == Pawn) {
        if (ep != 0 && to == ep) board[to - 10 * side] = Empty;
        if (to - from == 20 * side) state.EpSquare = static_cast<int8_t>(from + 10 * side);
        const int lastRankStart = side == White ? 91 : 21;
        if (to >= lastRankStart && to <= lastRankStart + 7) board[to] = side * promotionKind;
    } else if (kind == King) {
        if (to - from == 2) {  // short: the rook jumps from h to f
            board[to - 1] = board[to + 1];
            board[to + 1] = Empty;
        } else if (from - to == 2) {  // long: from a to d
            board[to + 1] = board[to - 2];
            board[to - 2] = Empty;
        }
        state.Castling &= side == White ? ~(CastleWK | CastleWQ) : ~(CastleBK | CastleBQ);
    }
    DropRightsOfCorner(state, from);
    DropRightsOfCorner(state, to);
    state.Side = static_cast<int8_t>(-side);
}

uint64_t Perft(const TBoard& board, const TMoveRecord& state, int depth) {
    if (depth <= 0) return 1;
    const int side = state.Side == White ? White : Black;
    uint64_t total = 0;
    TMoveRecord probe = state;
    probe.Side = static_cast<int8_t>(side);
    ForEachLegalPair(
        board, probe, [&](const TMoveRecord& move) { return IsLegalMove(board, move); },
        [&](const TMoveRecord& move, int promotionKind) {
            if (depth == 1) {
                ++total;
                return;
            }
            TBoard next = board;
            TMoveRecord nextState = state;
            PerftMakeMove(next, nextState, move.FromSq, move.ToSq, promotionKind);
            total += Perft(next, nextState, depth - 1);
        });
    return total;
}

uint64_t Perft(const TBoard& board, const TMoveRecord& state, int depth, const TCastlingRooks& rooks) {
    if (!rooks.Active) return Perft(board, state, depth);
    if (depth <= 0) return 1;
    const int side = state.Side == White ? White : Black;
    uint64_t total = 0;
    TMoveRecord probe = state;
    probe.Side = static_cast<int8_t>(side);
    probe.EpVictim = probe.CastleKind = 0;
    auto play = [&](const TMoveRecord& move, int promotionKind) {
        if (depth == 1) {
            ++total;
            return;
        }
        TBoard next = board;
        TMoveRecord nextState = state;
        TMoveRecord judged = move;
        UpdateRookFileRights(board, judged, rooks);
        if (move.CastleKind) {
            PlayRookFileCastle(next, move);
            nextState.EpSquare = 0;
            nextState.Side = static_cast<int8_t>(-side);
        } else {
            PerftMakeMove(next, nextState, move.FromSq, move.ToSq, promotionKind);
        }
        nextState.Castling = judged.Castling;
        total += Perft(next, nextState, depth - 1, rooks);
    };
    ForEachLegalPair(
        board, probe, [&](const TMoveRecord& move) { return IsLegalRookFileMove(board, move, rooks); }, play);
    for (int kind = 1; kind <= 2; ++kind) {
        TMoveRecord castle = probe;
        if (MakeRookFileCastle(board, rooks, side, kind, castle) && IsLegalRookFileMove(board, castle, rooks)) play(castle, 0);
    }
    return total;
}
