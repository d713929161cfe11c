#include "notation/san_resolve.h"

#include <cstdlib>

#include "collection/game_text.h"
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

// ---- reading movetext ------------------------------------------------------

namespace san {

size_t ReadMoveWord(std::string_view t, size_t i, std::string& token, uint8_t& signs) {
    token.clear();
    signs = 0;
    const size_t n = t.size();
    for (size_t j = i;; ++j) {
        const char ch = t[j];
        if (ch == '+') signs |= CheckSign;
        else if (ch == '#') signs |= MateSign;
        else if (ch != '=') token += ch;
        if (j + 1 >= n) return j + 1;
        const char next = t[j + 1];
        if (next == ' ' || next == '*') return j + 1;
        if (next == ')' || next == '(' || next == '{' || next == '$') return j;
    }
}

TWordKind ClassifyMoveWord(std::string& token) {
    size_t end = token.size();
    while (end > 0 && (token[end - 1] == '!' || token[end - 1] == '?')) --end;
    const std::string_view core(token.data(), end);
    if (core == "--" || core == "Z0") return TWordKind::Null;
    if (core == "e.p." || core == "ep") return TWordKind::EnPassantMark;
    if (core.size() > 4 && core.ends_with("e.p.")) token.erase(end - 4, 4);
    return TWordKind::Move;
}

size_t FindMovesStart(std::string_view t, std::string& intro) {
    const size_t n = t.size();
    std::string word;
    size_t i = 0;
    while (i < n) {
        const char c = t[i];
        if (c == '{') {
            const size_t close = t.find('}', i);
            intro.append(t.substr(i, close == std::string_view::npos ? close : close - i + 1));
            if (close == std::string_view::npos) return std::string_view::npos;
            i = close + 1;
        } else if (c == '(') {
            // A variation before the first move is an alternative to nothing.
            int open = 0;
            for (; i < n; ++i) {
                if (t[i] == '(') ++open;
                else if (t[i] == ')' && --open == 0) break;
                else if (t[i] == '{') {
                    const size_t close = t.find('}', i);
                    if (close == std::string_view::npos) return std::string_view::npos;
                    i = close;
                }
            }
            if (i >= n) return std::string_view::npos;
            ++i;
        } else if (c >= '0' && c <= '9' && t.compare(i, 3, "0-0") != 0) {
            size_t j = i;
            while (j < n && t[j] >= '0' && t[j] <= '9') ++j;
            if (j < n && t[j] == '.') return i;  // a move number
            i = j;
        } else if (StartsMoveWord(t, i)) {
            uint8_t signs = 0;
            const size_t next = ReadMoveWord(t, i, word, signs);
            size_t end = next;
            if (end < n && t[end] != ' ' && t[end] != '*') ++end;  // the word's last character
            if (IsMoveWord(t.substr(i, end - i))) return i;
            i = end;
        } else {
            ++i;
        }
    }
    return std::string_view::npos;
}

bool ResolveMove(std::string& token, TSchachbrett& board, TZug& state, const TCastlingRooks& rooks) {
    const int side = state.Side;
    if (token[0] == 'O' || token[0] == 'o' || token[0] == '0') {
        state.FromSq = static_cast<int8_t>(side == White ? e1 : e8);
        // Long castling has three O's ("O-O-O", "0-0-0", "OOO"); a mark
        // written after the move ("O-O!") does not make it long.
        int os = 0;
        for (char ch : token) os += (ch == 'O' || ch == 'o' || ch == '0');
        // By rook file: no king at home or no rook for the wing leaves
        // nothing to castle with.
        if (rooks.Active) return MakeRookFileCastle(board, rooks, side, os >= 3 ? 2 : 1, state);
        state.CastleKind = static_cast<int8_t>(os >= 3 ? 2 : 1);
        if (os >= 3) state.ToSq = static_cast<int8_t>(side == White ? c1 : c8);
        else state.ToSq = static_cast<int8_t>(side == White ? g1 : g8);
        return true;
    }
    RemoveLongNotationMarks(token);
    if (token.size() < 2) return false;
    int kind = token.size() == 2 ? Pawn : PieceKindOfLetter(token[0]);
    if (kind == NoPieceLetter) return false;
    // Promotion letter: the last letter, annotation marks written directly
    // after the move ("e8=Q!") looked past.
    size_t last = token.size();
    while (last > 1 && (token[last - 1] == '!' || token[last - 1] == '?')) --last;
    if (IsUpper(token[last - 1])) {
        const int promo = PieceKindOfLetter(token[last - 1]);
        if (promo == NoPieceLetter) return false;
        state.Promotion = static_cast<int8_t>(promo * side);
    }

    std::string squarePart;
    for (size_t p = IsUpper(token[0]) ? 1 : 0; p < token.size(); ++p) {
        const char ch = token[p];
        if (ch == 'x' || ch == ':') continue;
        squarePart += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
        if (ch >= '1' && ch <= '9') {
            const bool afterUpper = p > 0 && IsUpper(token[p - 1]);
            const bool beforeLower = p + 1 < token.size() && IsLower(token[p + 1]);
            if (!afterUpper && !beforeLower) break;
        }
    }
    const size_t len = squarePart.size();
    if (len < 2 || !IsFile(squarePart[len - 2]) || !IsRank(squarePart[len - 1])) return false;
    const int to = SquareOf(squarePart[len - 2], squarePart[len - 1]);
    state.ToSq = static_cast<int8_t>(to);
    state.Captured = static_cast<int8_t>(board[to]);

    // Long notation without a piece letter: the piece on the source square moves.
    if (kind == Pawn && len == 4 && IsFile(squarePart[0]) && IsRank(squarePart[1])) {
        const int on = board[SquareOf(squarePart[0], squarePart[1])];
        if (on != 0 && std::abs(on) != Pawn) kind = std::abs(on);
    }

    // A king that goes two squares from its own square ("e1g1", "Ke8c8")
    // castles.
    if (!rooks.Active && kind == King && len == 4 && IsFile(squarePart[0]) && IsRank(squarePart[1])) {
        const int from = SquareOf(squarePart[0], squarePart[1]);
        const int home = side == White ? e1 : e8;
        if (from == home && board[from] == King * side && (to == home + 2 || to == home - 2)) {
            state.FromSq = static_cast<int8_t>(from);
            state.ToSq = static_cast<int8_t>(to);
            state.CastleKind = static_cast<int8_t>(to == home + 2 ? 1 : 2);
            state.Captured = 0;
            return true;
        }
    }
    if (rooks.Active && kind == King && board[to] == Rook * side) {
        // "Kxh1" or "e1h1": the king takes its own rook, which can only
        // mean castling with that rook.
        const int king = FindKing(side == White, board);
        if (king < 0 || !MakeRookFileCastle(board, rooks, side, to > king ? 1 : 2, state)) return false;
        state.Flags &= static_cast<uint8_t>(~(FileGiven | RankGiven));
        return true;
    }
    if (kind == Pawn) {
        if (squarePart.size() == 4) {
            // "e5d6" is a capture; "e2e4" (same file) is a push.
            if (squarePart[0] == squarePart[2]) squarePart.erase(0, 2);
            else squarePart.erase(1, 1);
        }
        if (squarePart.size() == 3) {
            if (!IsFile(squarePart[0])) return false;
            const int rank = to / 10 - 2 - side;
            if (rank < 0 || rank > 7) return false;
            state.FromSq = static_cast<int8_t>(21 + (squarePart[0] - 'a') + 10 * rank);
            if (board[to] == 0) {
                state.EpVictim = static_cast<int8_t>(to - 10 * side);
                state.Captured = static_cast<int8_t>(-side);
            }
            return true;
        }
        const int behind = to - 10 * side;
        if (!IsRealSquare(behind)) return false;
        if (board[behind] != 0) {
            state.FromSq = static_cast<int8_t>(behind);
            return true;
        }
        const int two = to - 20 * side;
        if (!IsRealSquare(two)) return false;
        state.FromSq = static_cast<int8_t>(two);
        state.EpSquare = static_cast<int8_t>(behind);
        return true;
    }
    TCandidateList candidates;
    RunFinder(kind, board, to, side, TFinderMode::Find, &candidates);
    if (candidates.Count == 0) return false;
    if (candidates.Count == 1) {
        state.FromSq = static_cast<int8_t>(candidates.Squares[0]);
    } else if (len == 2) {
        state.FromSq = static_cast<int8_t>(UnpinnedCandidate(board, candidates, to, kind * side, side));
    } else if (len == 3) {
        const char d = squarePart[0];
        int chosen = 0;
        uint8_t flag = 0;
        for (int m = 0; m < candidates.Count; ++m) {
            const int sq = candidates.Squares[static_cast<size_t>(m)];
            if (IsRank(d) && sq / 10 - 2 == d - '1') {
                chosen = sq;
                flag = RankGiven;
            } else if (IsFile(d) && sq % 10 - 1 == d - 'a') {
                chosen = sq;
                flag = FileGiven;
            }
        }
        if (chosen) {
            state.FromSq = static_cast<int8_t>(chosen);
            state.Flags |= flag;
        } else {
            // The written file or rank fits no candidate: take the one the position allows.
            state.FromSq = static_cast<int8_t>(UnpinnedCandidate(board, candidates, to, kind * side, side));
        }
    } else {
        if (!IsFile(squarePart[0]) || !IsRank(squarePart[1])) return false;
        state.FromSq = static_cast<int8_t>(SquareOf(squarePart[0], squarePart[1]));
        state.Flags |= FileGiven | RankGiven;
    }
    return true;
}

}  // namespace san
