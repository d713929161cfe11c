#include "rules/legality.h"

namespace {

// The border stops every ray on a well-formed board; the index test is a
// second guard so that a damaged board can never lead outside the array.
inline int At(const TBoard& board, int square) {
    return square >= 0 && square < 120 ? board[square] : OffBoard;
}

inline bool IsOwn(int v, int side) { return v != OffBoard && v != Empty && (v > 0) == (side > 0); }
inline bool IsEnemy(int v, int side) { return v != OffBoard && v != Empty && (v > 0) != (side > 0); }

template <size_t N>
int FindSliders(int square, int piece, const std::array<int, N>& dirs, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    for (int d : dirs) {
        int s = square;
        for (;;) {
            s += d;
            int v = At(board, s);
            if (v == piece) list->push_back(s);
            if (v != Empty) break;
        }
    }
    return 0;
}

template <size_t N>
int FindSteppers(int square, int piece, const std::array<int, N>& offsets, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    for (int d : offsets)
        if (At(board, square + d) == piece) list->push_back(square + d);
    return 0;
}

template <size_t N>
int SliderTargets(int square, int side, const std::array<int, N>& dirs, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    for (int d : dirs) {
        int s = square;
        for (;;) {
            s += d;
            int v = At(board, s);
            if (v == OffBoard || IsOwn(v, side)) break;
            list->push_back(s);
            if (v != Empty) break;
        }
    }
    return 0;
}

template <size_t N>
int StepperTargets(int square, int side, const std::array<int, N>& offsets, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    for (int d : offsets) {
        int v = At(board, square + d);
        if (v == Empty || IsEnemy(v, side)) list->push_back(square + d);
    }
    return 0;
}

bool EmptyAndSafe(int square, int side, const TBoard& board) {
    return At(board, square) == Empty && !IsSquareAttacked(square, side, board);
}

}  // namespace

int FindQueenAttackers(int square, int c, const TBoard& board, TargetList* list) {
    return FindSliders(square, c * Queen, QueenDirs, board, list);
}
int FindRookAttackers(int square, int c, const TBoard& board, TargetList* list) {
    return FindSliders(square, c * Rook, RookDirs, board, list);
}
int FindBishopAttackers(int square, int c, const TBoard& board, TargetList* list) {
    return FindSliders(square, c * Bishop, BishopDirs, board, list);
}
int FindKnightAttackers(int square, int c, const TBoard& board, TargetList* list) {
    return FindSteppers(square, c * Knight, KnightJumps, board, list);
}
int FindKingAttackers(int square, int c, const TBoard& board, TargetList* list) {
    return FindSteppers(square, c * King, KingSteps, board, list);
}
int FindPawnAttackers(int square, int c, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    // White pawns attack upwards, so a white attacker stands below the square.
    if (At(board, square - 9 * c) == c) list->push_back(square - 9 * c);
    if (At(board, square - 11 * c) == c) list->push_back(square - 11 * c);
    return 0;
}

int QueenTargets(int square, int side, const TBoard& board, TargetList* list) {
    return SliderTargets(square, side, QueenDirs, board, list);
}
int RookTargets(int square, int side, const TBoard& board, TargetList* list) {
    return SliderTargets(square, side, RookDirs, board, list);
}
int BishopTargets(int square, int side, const TBoard& board, TargetList* list) {
    return SliderTargets(square, side, BishopDirs, board, list);
}
int KnightTargets(int square, int side, const TBoard& board, TargetList* list) {
    return StepperTargets(square, side, KnightJumps, board, list);
}

int PawnTargets(int square, const TMoveRecord& state, const TBoard& board, TargetList* list) {
    if (!list) return -1;
    list->clear();
    const int s = state.Side == White ? White : Black;
    if (At(board, square + 10 * s) == Empty) {
        list->push_back(square + 10 * s);
        bool home = s == White ? (square > 28 && square < 41) : (square > 78 && square < 91);
        if (home && At(board, square + 20 * s) == Empty) list->push_back(square + 20 * s);
    }
    const int captures[2] = {square + 9 * s, square + 11 * s};
    for (int t : captures) {
        if (IsEnemy(At(board, t), s) || (state.EpSquare != 0 && t == state.EpSquare)) list->push_back(t);
    }
    return 0;
}

int KingTargets(int square, const TMoveRecord& state, const TBoard& board, TargetList* list) {
    const int side = state.Side == White ? White : Black;
    if (StepperTargets(square, side, KingSteps, board, list) != 0) return -1;
    if (side == White) {
        if ((state.Castling & CastleWK) && At(board, 25) == King && At(board, 28) == Rook &&
            EmptyAndSafe(26, side, board) && EmptyAndSafe(27, side, board) && !IsSquareAttacked(25, side, board))
            list->push_back(27);
        if ((state.Castling & CastleWQ) && At(board, 25) == King && At(board, 21) == Rook && At(board, 22) == Empty &&
            EmptyAndSafe(24, side, board) && EmptyAndSafe(23, side, board) && !IsSquareAttacked(25, side, board))
            list->push_back(23);
    } else {
        if ((state.Castling & CastleBK) && At(board, 95) == -King && At(board, 98) == -Rook &&
            EmptyAndSafe(96, side, board) && EmptyAndSafe(97, side, board) && !IsSquareAttacked(95, side, board))
            list->push_back(97);
        if ((state.Castling & CastleBQ) && At(board, 95) == -King && At(board, 91) == -Rook && At(board, 92) == Empty &&
            EmptyAndSafe(94, side, board) && EmptyAndSafe(93, side, board) && !IsSquareAttacked(95, side, board))
            list->push_back(93);
    }
    return 0;
}

bool IsSquareAttacked(int square, int side, const TBoard& board) {
    const int c = -side;
    // One scratch list per thread: the attack test is the hot path of every
    // legality check and should not allocate.
    thread_local TargetList found;
    using Finder = int (*)(int, int, const TBoard&, TargetList*);
    static constexpr Finder finders[] = {FindQueenAttackers, FindRookAttackers, FindBishopAttackers,
                                         FindKnightAttackers, FindPawnAttackers, FindKingAttackers};
    for (Finder find : finders) {
        if (find(square, c, board, &found) != 0) return false;
        if (!found.empty()) return true;
    }
    return false;
}

int FindKing(bool forWhite, const TBoard& board) {
    const int king = forWhite ? King : -King;
    for (int i = 0; i < 64; ++i)
        if (board[Index64ToSquare(i)] == king) return Index64ToSquare(i);
    return -1;
}

bool IsLegalMove(const TBoard& board, const TMoveRecord& move) {
    const int from = move.FromSq;
    const int to = move.ToSq;
    if (!IsRealSquare(from) || !IsRealSquare(to)) return false;
    const int p = board[from];
    if (p == Empty || p == OffBoard) return false;
    if (move.Side == White ? p < 0 : p > 0) return false;
    const int side = move.Side == White ? White : Black;

    thread_local TargetList targets;
    int rc = -1;
    switch (p > 0 ? p : -p) {
        case Pawn: rc = PawnTargets(from, move, board, &targets); break;
        case Rook: rc = RookTargets(from, side, board, &targets); break;
        case Bishop: rc = BishopTargets(from, side, board, &targets); break;
        case Knight: rc = KnightTargets(from, side, board, &targets); break;
        case Queen: rc = QueenTargets(from, side, board, &targets); break;
        case King: rc = KingTargets(from, move, board, &targets); break;
        default: return false;
    }
    if (rc != 0) return false;
    bool found = false;
    for (int t : targets) found = found || t == to;
    if (!found) return false;

    TBoard copy = board;
    copy[to] = p;
    copy[from] = Empty;
    if ((p == Pawn || p == -Pawn) && move.EpSquare != 0 && to == move.EpSquare) {
        int victim = to - 10 * side;
        if (IsRealSquare(victim)) copy[victim] = Empty;
    }
    const int k = FindKing(side == White, copy);
    return k != -1 && !IsSquareAttacked(k, side, copy);
}

int EffectiveEpSquare(const TBoard& board, const TMoveRecord& state) {
    const int ep = state.EpSquare;
    if (ep == 0 || !IsRealSquare(ep)) return 0;
    const int side = state.Side == White ? White : Black;
    TMoveRecord probe;
    probe.Castling = 0;
    probe.EpSquare = static_cast<int8_t>(ep);
    probe.Side = static_cast<int8_t>(side);
    probe.ToSq = static_cast<int8_t>(ep);
    // The pawns that could take on it stand beside the pawn that passed.
    for (int from : {ep - 10 * side - 1, ep - 10 * side + 1}) {
        if (!IsRealSquare(from) || board[from] != Pawn * side) continue;
        probe.FromSq = static_cast<int8_t>(from);
        if (IsLegalMove(board, probe)) return ep;
    }
    return 0;
}
