#include "notation/san_resolve.h"

#include <cstdlib>

#include "collection/game_text.h"
#include "rules/legality.h"

namespace san {

// Castling rights after the move in `state`, judged on the position before it.
void UpdateCastlingRights(const TBoard& board, TMoveRecord& state) {
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

bool RunFinder(int kind, const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    switch (kind) {
        case Queen: return FindQueenCandidates(board, target, side, mode, list);
        case Rook: return FindRookCandidates(board, target, side, mode, list);
        case Bishop: return FindBishopCandidates(board, target, side, mode, list);
        case Knight: return FindKnightCandidates(board, target, side, mode, list);
        case King: return FindKingCandidates(board, target, side, mode, list);
        default: return false;
    }
}

namespace {

inline bool IsMoveWordEnd(char c) {
    return c == '\0' || IsMoveTextBlank(c) || c == ')' || c == '(' || c == '{' || c == '$' || c == '*';
}

// Is `sq` attacked by a piece of side `by`? Plain loops without lists:
// this runs for every move read. The border cells stop every ray.
bool AttackedBy(const TBoard& b, int sq, int by) {
    if (b[sq - 9 * by] == Pawn * by || b[sq - 11 * by] == Pawn * by) return true;
    for (int d : KnightJumps)
        if (b[sq + d] == Knight * by) return true;
    for (int d : KingSteps)
        if (b[sq + d] == King * by) return true;
    for (int d : BishopDirs) {
        int s = sq + d;
        while (b[s] == Empty) s += d;
        if (b[s] == Bishop * by || b[s] == Queen * by) return true;
    }
    for (int d : RookDirs) {
        int s = sq + d;
        while (b[s] == Empty) s += d;
        if (b[s] == Rook * by || b[s] == Queen * by) return true;
    }
    return false;
}

// May a `kind` piece of `side` on `from` go to `to` by its own way of
// moving (castling apart), the squares between free and `to` not its own?
bool Reaches(const TBoard& b, int from, int to, int kind, int side, int epSquare) {
    const int target = b[to];
    if (target == OffBoard || (target != Empty && (target > 0) == (side > 0))) return false;
    auto steps = [&](const auto& offsets) {
        for (int d : offsets)
            if (from + d == to) return true;
        return false;
    };
    auto slides = [&](const auto& dirs) {
        for (int d : dirs) {
            int s = from + d;
            while (s != to && b[s] == Empty) s += d;
            if (s == to) return true;
        }
        return false;
    };
    switch (kind) {
        case Pawn: {
            const int ahead = from + 10 * side;
            if (to == ahead) return target == Empty;
            const bool home = side == White ? from > 28 && from < 41 : from > 78 && from < 91;
            if (to == ahead + 10 * side) return home && b[ahead] == Empty && target == Empty;
            if (to == ahead - 1 || to == ahead + 1) return target != Empty || (epSquare != 0 && to == epSquare);
            return false;
        }
        case Knight: return steps(KnightJumps);
        case King: return steps(KingSteps);
        case Bishop: return slides(BishopDirs);
        case Rook: return slides(RookDirs);
        case Queen: return slides(QueenDirs);
        default: return false;
    }
}

// Standard castling of `side`: the right, king and rook at home, the
// squares between them empty, and the king's start, path and destination
// not attacked.
bool MayCastle(const TBoard& b, int from, int to, int side, int castling, int castleKind) {
    const int home = side == White ? e1 : e8;
    const int enemy = -side;
    if (from != home || b[home] != King * side) return false;
    if (castleKind == 1) {
        const int right = side == White ? CastleWK : CastleBK;
        return (castling & right) && to == home + 2 && b[home + 3] == Rook * side && b[home + 1] == Empty &&
               b[home + 2] == Empty && !AttackedBy(b, home, enemy) && !AttackedBy(b, home + 1, enemy) &&
               !AttackedBy(b, home + 2, enemy);
    }
    const int right = side == White ? CastleWQ : CastleBQ;
    return (castling & right) && to == home - 2 && b[home - 4] == Rook * side && b[home - 1] == Empty &&
           b[home - 2] == Empty && b[home - 3] == Empty && !AttackedBy(b, home, enemy) &&
           !AttackedBy(b, home - 1, enemy) && !AttackedBy(b, home - 2, enemy);
}

// The rules of standard chess for one move, as IsLegalMove decides them,
// without its lists. The move is made on the board for the test and taken
// back.
bool StandardMoveIsLegal(TBoard& board, const TMoveRecord& move, int kind, int side, int epSquare) {
    const int from = move.FromSq, to = move.ToSq;
    if (move.CastleKind) return kind == King && MayCastle(board, from, to, side, move.Castling, move.CastleKind);
    if (!Reaches(board, from, to, kind, side, epSquare)) return false;
    int king = 0;
    if (kind == King) {
        king = to;
    } else {
        // From the side's own back rank, where its king mostly stands.
        for (int i = 0; i < 64 && !king; ++i) {
            const int sq = Index64ToSquare(side == White ? i : 63 - i);
            if (board[sq] == King * side) king = sq;
        }
        if (!king) return false;
    }
    const int victim = kind == Pawn && epSquare != 0 && to == epSquare ? to - 10 * side : 0;
    const int taken = board[to], passed = victim ? board[victim] : 0;
    board[to] = board[from];
    board[from] = Empty;
    if (victim) board[victim] = Empty;
    const bool safe = !AttackedBy(board, king, -side);
    board[from] = board[to];
    board[to] = taken;
    if (victim) board[victim] = passed;
    return safe;
}

}  // namespace

int ChooseCandidate(TBoard& board, const TCandidateList& list, int to, int side, char file, char rank,
                    uint8_t& given) {
    given = 0;
    int matching = 0, count = 0;
    for (int n = 0; n < list.Count; ++n) {
        const int sq = list.Squares[static_cast<size_t>(n)];
        if ((file && sq % 10 - 1 != file - 'a') || (rank && sq / 10 - 2 != rank - '1')) continue;
        matching = sq;
        ++count;
    }
    if (count == 0) return 0;
    if (list.Count > 1) given = static_cast<uint8_t>((file ? FileGiven : 0) | (rank ? RankGiven : 0));
    // One piece named: the rules decide on it later.
    if (count == 1) return matching;
    // Several: the one that may legally go, if only one may.
    int legal = 0;
    for (int n = 0; n < list.Count; ++n) {
        const int sq = list.Squares[static_cast<size_t>(n)];
        if ((file && sq % 10 - 1 != file - 'a') || (rank && sq / 10 - 2 != rank - '1')) continue;
        TMoveRecord probe;
        probe.FromSq = static_cast<int8_t>(sq);
        probe.ToSq = static_cast<int8_t>(to);
        const int kind = board[sq] * side;
        if (kind <= 0 || kind == Pawn || !StandardMoveIsLegal(board, probe, kind, side, 0)) continue;
        if (legal) return 0;  // ambiguous
        legal = sq;
    }
    return legal;
}

bool IsPlayable(TBoard& board, const TMoveRecord& state, int kind, int epSquare, const TCastlingRooks& rooks) {
    const int side = state.Side == White ? White : Black;
    const int from = state.FromSq, to = state.ToSq;
    if (!IsRealSquare(from) || !IsRealSquare(to) || board[from] != kind * side) return false;
    // A pawn promotes exactly when it reaches the last rank, and never to a
    // king or a pawn.
    const bool lastRank = side == White ? to >= a8 : to <= h1;
    if (kind == Pawn && lastRank) {
        const int promoted = state.Promotion * side;
        if (promoted != Queen && promoted != Rook && promoted != Bishop && promoted != Knight) return false;
    } else if (state.Promotion) {
        return false;
    }
    if (!IsRealSquare(epSquare)) epSquare = 0;
    // En passant takes the pawn that has just gone two squares past.
    if (kind == Pawn && state.EpVictim && (to != epSquare || board[state.EpVictim] != -Pawn * side)) return false;
    if (rooks.Active) {
        TMoveRecord probe = state;
        probe.Side = static_cast<int8_t>(side);
        probe.EpSquare = static_cast<int8_t>(epSquare);
        return IsLegalRookFileMove(board, probe, rooks);
    }
    // A king's two-square step is castling, and castling is the king's.
    const bool twoSquares = kind == King && (to - from == 2 || from - to == 2);
    if (twoSquares != (state.CastleKind != 0)) return false;
    return StandardMoveIsLegal(board, state, kind, side, epSquare);
}

size_t GlyphTextAt(std::string_view t, size_t i, int& nag) {
    // Longest forms first, so that "+/-" is not read as "+" and "/-".
    static constexpr struct {
        std::string_view text;
        int nag;
    } kGlyphs[] = {
        {"+/=", 14}, {"=/+", 15}, {"+/-", 16}, {"-/+", 17}, {"=/\u221E", 44}, {"+\u2212", 18}, {"\u2212+", 19},
        {"+=", 14},  {"=+", 15},  {"+-", 18},  {"-+", 19},  {"=\u221E", 44},  {"=", 10},       {"\u221E", 13},
        {"\u2A72", 14}, {"\u2A71", 15}, {"\u00B1", 16}, {"\u2213", 17}, {"\u25A1", 7}, {"\u2A00", 22},
        {"\u27F3", 32}, {"\u2191", 36}, {"\u2192", 40}, {"\u21C6", 132}, {"\u2295", 138}, {"\u2206", 140},
        {"\u2313", 142}, {"inf", 13},
        // Assessments written apart from their move.
        {"!!", 3}, {"??", 4}, {"!?", 5}, {"?!", 6}, {"!", 1}, {"?", 2},
    };
    const char c = t[i];
    if (c != '+' && c != '-' && c != '=' && c != '!' && c != '?' && c != 'i' && static_cast<unsigned char>(c) < 0x80)
        return 0;
    for (const auto& g : kGlyphs) {
        if (t.compare(i, g.text.size(), g.text) != 0) continue;
        // Only a glyph standing on its own ("e8=Q" holds no "=" glyph).
        const size_t end = i + g.text.size();
        if (end < t.size() && !IsMoveWordEnd(t[end])) continue;
        nag = g.nag;
        return g.text.size();
    }
    return 0;
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
        if (IsMoveTextBlank(next) || next == '*') return j + 1;
        int nag = 0;
        if (next == ')' || next == '(' || next == '{' || next == '$') return j;
        // A glyph written onto the move ("Nf3+-", "e4\u00B1"); assessment
        // marks ("e4!") stay in the word.
        const bool glyphByte = next == '+' || next == '-' || next == '=' || static_cast<unsigned char>(next) >= 0x80;
        if (glyphByte && GlyphTextAt(t, j + 1, nag)) return j;
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
            if (end < n && !IsMoveTextBlank(t[end]) && t[end] != '*') ++end;  // the word's last character
            if (IsMoveWord(t.substr(i, end - i))) return i;
            i = end;
        } else {
            ++i;
        }
    }
    return std::string_view::npos;
}

namespace {

// Plain SAN read without copies, as ResolveMoveForm reads these forms with
// the standard castling rules: Move when the form names a move (the rules
// not yet asked), NoMove when it can name none, Unusual, with nothing
// written, for any other form. `kind` gets the moving piece's kind. The
// board is left as it was.
TMoveReading ReadPlainSan(std::string_view token, TBoard& board, TMoveRecord& state, int& kind) {
    size_t len = token.size();
    while (len > 0 && (token[len - 1] == '!' || token[len - 1] == '?')) --len;
    const std::string_view core = token.substr(0, len);
    if (core.empty()) return TMoveReading::Unusual;
    const int side = state.Side;
    const char first = core[0];

    if (first == 'O' || first == '0') {
        const bool shortCastle = core == "O-O" || core == "0-0";
        if (!shortCastle && core != "O-O-O" && core != "0-0-0") return TMoveReading::Unusual;
        // The rules (IsPlayable) look at the king, the rook and the squares between.
        kind = King;
        state.FromSq = static_cast<int8_t>(side == White ? e1 : e8);
        state.CastleKind = static_cast<int8_t>(shortCastle ? 1 : 2);
        if (shortCastle) state.ToSq = static_cast<int8_t>(side == White ? g1 : g8);
        else state.ToSq = static_cast<int8_t>(side == White ? c1 : c8);
        return TMoveReading::Move;
    }

    if (IsFile(first)) {
        // Pawn: "e4", "exd5", either with a promotion letter.
        const size_t p = len > 1 && core[1] == 'x' ? 2 : 0;
        if (p + 2 > len || !IsFile(core[p]) || !IsRank(core[p + 1])) return TMoveReading::Unusual;
        int promotion = 0;
        if (p + 2 < len) {
            const char letter = core[p + 2];
            if (p + 3 != len || (letter != 'Q' && letter != 'R' && letter != 'B' && letter != 'N'))
                return TMoveReading::Unusual;
            promotion = PieceKindOfLetter(letter) * side;
        }
        kind = Pawn;
        const int to = SquareOf(core[p], core[p + 1]);
        state.ToSq = static_cast<int8_t>(to);
        state.Captured = static_cast<int8_t>(board[to]);
        state.Promotion = static_cast<int8_t>(promotion);
        if (p == 2) {
            const int rank = to / 10 - 2 - side;
            if (rank < 0 || rank > 7) return TMoveReading::NoMove;
            state.FromSq = static_cast<int8_t>(21 + (first - 'a') + 10 * rank);
            if (board[to] == 0) {
                state.EpVictim = static_cast<int8_t>(to - 10 * side);
                state.Captured = static_cast<int8_t>(-side);
            }
            return TMoveReading::Move;
        }
        const int behind = to - 10 * side;
        if (!IsRealSquare(behind)) return TMoveReading::NoMove;
        if (board[behind] != 0) {
            state.FromSq = static_cast<int8_t>(behind);
            return TMoveReading::Move;
        }
        const int two = to - 20 * side;
        if (!IsRealSquare(two)) return TMoveReading::NoMove;
        state.FromSq = static_cast<int8_t>(two);
        state.EpSquare = static_cast<int8_t>(behind);
        return TMoveReading::Move;
    }

    // Piece: letter, optional file and/or rank, optional "x", target square.
    if (first != 'K' && first != 'Q' && first != 'R' && first != 'B' && first != 'N') return TMoveReading::Unusual;
    if (len < 3 || !IsFile(core[len - 2]) || !IsRank(core[len - 1])) return TMoveReading::Unusual;
    std::string_view mid = core.substr(1, len - 3);
    if (!mid.empty() && mid.back() == 'x') mid.remove_suffix(1);
    char file = 0, rank = 0;
    if (mid.size() == 1) {
        if (IsFile(mid[0])) file = mid[0];
        else if (IsRank(mid[0])) rank = mid[0];
        else return TMoveReading::Unusual;
    } else if (mid.size() == 2) {
        // A king from a written square may be castling ("Ke1g1").
        if (first == 'K' || !IsFile(mid[0]) || !IsRank(mid[1])) return TMoveReading::Unusual;
        file = mid[0];
        rank = mid[1];
    } else if (!mid.empty()) {
        return TMoveReading::Unusual;
    }
    kind = PieceKindOfLetter(first);
    const int to = SquareOf(core[len - 2], core[len - 1]);
    state.ToSq = static_cast<int8_t>(to);
    state.Captured = static_cast<int8_t>(board[to]);
    TCandidateList candidates;
    RunFinder(kind, board, to, side, TFinderMode::Find, &candidates);
    uint8_t given = 0;
    const int from = ChooseCandidate(board, candidates, to, side, file, rank, given);
    if (!from) return TMoveReading::NoMove;
    state.FromSq = static_cast<int8_t>(from);
    state.Flags |= given;
    return TMoveReading::Move;
}

// The square written before the target in long or coordinate notation
// ("e2-e4", "e2e4", "Ra2xa3", "e7e8Q"), where the move must start; 0 when
// none is written.
int WrittenSource(std::string_view token) {
    const size_t p = IsUpper(token[0]) ? 1 : 0;
    if (token.size() < p + 4 || !IsFile(token[p]) || !IsRank(token[p + 1])) return 0;
    size_t q = p + 2;
    if (token[q] == '-' || token[q] == 'x' || token[q] == ':') ++q;
    if (q + 2 > token.size() || !IsFile(token[q]) || !IsRank(token[q + 1])) return 0;
    return SquareOf(token[p], token[p + 1]);
}

// A promotion letter written in lower case after the last rank, as engines
// write coordinates ("b7b8q", "exd1n"): the letter of the piece.
void RaisePromotionLetter(std::string& token) {
    size_t end = token.size();
    while (end > 0 && (token[end - 1] == '!' || token[end - 1] == '?')) --end;
    if (end < 3 || !IsFile(token[0])) return;
    const char letter = token[end - 1], rank = token[end - 2];
    if ((rank == '1' || rank == '8') && (letter == 'q' || letter == 'r' || letter == 'b' || letter == 'n'))
        token[end - 1] = static_cast<char>(letter - 'a' + 'A');
}

// ReadMove's reading of the other forms, without the test of the rules;
// `kind` gets the moving piece's kind.
bool ResolveMoveForm(std::string& token, TBoard& board, TMoveRecord& state, const TCastlingRooks& rooks, int& kind) {
    const int side = state.Side;
    kind = King;
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
    RaisePromotionLetter(token);
    const int source = WrittenSource(token);
    RemoveLongNotationMarks(token);
    if (token.size() < 2) return false;
    kind = token.size() == 2 ? Pawn : PieceKindOfLetter(token[0]);
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
            return !source || source == state.FromSq;
        }
        const int behind = to - 10 * side;
        if (!IsRealSquare(behind)) return false;
        if (board[behind] != 0) {
            state.FromSq = static_cast<int8_t>(behind);
            return !source || source == behind;
        }
        const int two = to - 20 * side;
        if (!IsRealSquare(two)) return false;
        state.FromSq = static_cast<int8_t>(two);
        state.EpSquare = static_cast<int8_t>(behind);
        return !source || source == two;
    }
    char file = 0, rank = 0;
    if (len == 3) {
        file = IsFile(squarePart[0]) ? squarePart[0] : 0;
        rank = IsRank(squarePart[0]) ? squarePart[0] : 0;
    } else if (len > 3) {
        if (!IsFile(squarePart[0]) || !IsRank(squarePart[1])) return false;
        file = squarePart[0];
        rank = squarePart[1];
    }
    TCandidateList candidates;
    RunFinder(kind, board, to, side, TFinderMode::Find, &candidates);
    uint8_t given = 0;
    const int from = ChooseCandidate(board, candidates, to, side, file, rank, given);
    if (!from) return false;
    state.FromSq = static_cast<int8_t>(from);
    state.Flags |= given;
    return true;
}

}  // namespace

TMoveReading ReadMove(std::string& token, TBoard& board, TMoveRecord& state, const TCastlingRooks& rooks,
                      int epSquare, TMoveForms forms) {
    state.EpSquare = 0;
    state.EpVictim = 0;
    state.CastleKind = 0;
    state.Promotion = 0;
    state.Captured = 0;
    int kind = King;
    // Castling by rook file follows rules plain SAN does not know.
    TMoveReading read = rooks.Active ? TMoveReading::Unusual : ReadPlainSan(token, board, state, kind);
    if (read == TMoveReading::Unusual) {
        if (forms == TMoveForms::PlainSan) return read;
        read = ResolveMoveForm(token, board, state, rooks, kind) ? TMoveReading::Move : TMoveReading::NoMove;
    }
    if (read == TMoveReading::Move && !IsPlayable(board, state, kind, epSquare, rooks)) read = TMoveReading::NoMove;
    return read;
}

}  // namespace san
