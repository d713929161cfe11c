// The movetext parser: turns the text after the header into the game tree,
// resolving each move against the working position (no legality check).
#include "notation/movetext_parser.h"

#include <cstdlib>
#include <string_view>
#include <vector>

#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "notation/san_resolve.h"
#include "rules/chess960.h"
#include "rules/legality.h"

namespace {

using namespace san;

// Open parentheses at one time. Far beyond any real game, and it keeps the
// variation stack of a hostile text within some tens of megabytes.
constexpr size_t kMaxNesting = 250'000;


template <typename Dirs>
bool SlidingFinder(const TSchachbrett& board, int target, int piece, const Dirs& dirs,
                   TFinderMode mode, TCandidateList* list) {
    bool hit = false;
    for (int d : dirs) {
        int sq = target + d;
        while (board[sq] == 0) sq += d;
        if (board[sq] == piece) {
            hit = true;
            if (mode == TFinderMode::Find && list) list->Add(sq);
        }
    }
    return hit;
}

template <typename Steps>
bool StepFinder(const TSchachbrett& board, int target, int piece, const Steps& steps,
                TFinderMode mode, TCandidateList* list) {
    bool hit = false;
    for (int d : steps) {
        int sq = target + d;
        if (board[sq] == piece) {
            hit = true;
            if (mode == TFinderMode::Find && list) list->Add(sq);
        }
    }
    return hit;
}

inline int Colour(int side, TFinderMode mode) { return mode == TFinderMode::Find ? side : -side; }

// A board of the variation stack: the 64 real squares only (every value
// there is a piece code), an eighth of a full position.
using TCompactBoard = std::array<int8_t, 64>;

TCompactBoard Compact(const TSchachbrett& board) {
    TCompactBoard c{};
    for (int i = 0; i < 64; ++i) c[static_cast<size_t>(i)] = static_cast<int8_t>(board[Index64ToSquare(i)]);
    return c;
}

void Expand(const TCompactBoard& c, TSchachbrett& board) {
    board = EmptyBoard;
    for (int i = 0; i < 64; ++i) board[Index64ToSquare(i)] = c[static_cast<size_t>(i)];
}

struct TFrame {
    TCompactBoard board;
    TZug state;
    TVariationEntry* entry;
    TBaum* current;
};

// Assessment written as a suffix of a move token ("!", "!!", "?", "??",
// "!?", "?!"); 0 when the token ends otherwise.
int8_t SuffixMoveNag(const std::string& token) {
    size_t start = token.size();
    while (start > 0 && (token[start - 1] == '!' || token[start - 1] == '?')) --start;
    std::string_view mark = std::string_view(token).substr(start);
    if (mark == "!") return 1;
    if (mark == "!!") return 2;
    if (mark == "?") return 3;
    if (mark == "??") return 4;
    if (mark == "!?") return 5;
    if (mark == "?!") return 6;
    return 0;
}

// Glyph number -> effect on the move record. False for a number the record
// has no place for.
bool ApplyNag(TZug& zug, std::string_view digits) {
    static constexpr std::string_view kPositionNags[] = {"8",  "11", "13", "14", "15",  "16",  "17",  "18", "19",
                                                         "22", "32", "36", "40", "44", "132", "138", "146"};
    if (digits == "1") zug.MoveNag = 1;
    else if (digits == "3") zug.MoveNag = 2;
    else if (digits == "2") zug.MoveNag = 3;
    else if (digits == "4") zug.MoveNag = 4;
    else if (digits == "5") zug.MoveNag = 5;
    else if (digits == "6") zug.MoveNag = 6;
    else if (digits == "140" || digits == "142") zug.ExtraNag = static_cast<uint8_t>(digits == "140" ? 140 : 142);
    else if (digits == "998") zug.Flags |= MarkBefore;
    else if (digits == "999") zug.Flags |= MarkAfter;
    else {
        for (std::string_view p : kPositionNags)
            if (digits == p) {
                zug.PositionNag = static_cast<uint8_t>(std::atoi(std::string(p).c_str()));
                return true;
            }
        return false;
    }
    return true;
}

// The number of a glyph the record has no place for, kept beside the move so
// that it is shown and written back; -1 when the digits are no glyph number.
int OtherGlyphNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 3) return -1;
    int n = 0;
    for (char d : digits) n = n * 10 + (d - '0');
    return n <= 255 ? n : -1;
}

bool BlankOnly(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) > 32) return false;
    return true;
}

}  // namespace

int PieceKindOfLetter(char c) {
    switch (c) {
        case 'K': return King;
        case 'Q': case 'D': return Queen;
        case 'R': case 'T': return Rook;
        case 'B': case 'L': return Bishop;
        case 'N': case 'S': return Knight;
        case 'P': return Pawn;
        default: return IsFile(c) ? Pawn : NoPieceLetter;
    }
}

bool FindQueenCandidates(const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Queen * Colour(side, mode), QueenDirs, mode, list);
}
bool FindRookCandidates(const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Rook * Colour(side, mode), RookDirs, mode, list);
}
bool FindBishopCandidates(const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Bishop * Colour(side, mode), BishopDirs, mode, list);
}
bool FindKnightCandidates(const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return StepFinder(board, target, Knight * Colour(side, mode), KnightJumps, mode, list);
}
bool FindKingCandidates(const TSchachbrett& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return StepFinder(board, target, King * Colour(side, mode), KingSteps, mode, list);
}

void RemoveLongNotationMarks(std::string& token) {
    // One pass that copies into `out`: the text being cleaned is always out
    // followed by the rest of the token, so a token of a million marks costs
    // no more than one of ten.
    std::string out;
    out.reserve(token.size());
    for (char mark : token) {
        if (mark != 'x' && mark != '-') {
            out += mark;
            continue;
        }
        size_t i = out.size();  // where the mark stands now
        bool rankDeleted = false;
        if (i >= 2 && IsFile(out[i - 2]) && IsRank(out[i - 1]) && (i == 2 || !IsUpper(out[i - 3]))) {
            out.pop_back();  // a pawn's source rank
            --i;
            rankDeleted = true;
        }
        if (mark == '-' && i >= 1 && out[i - 1] != 'O' && out[i - 1] != 'o' && out[i - 1] != '0') {
            if (rankDeleted) out.pop_back();  // and its file: "e2-e4" -> "e4"
            continue;                         // the "-" goes
        }
        out += mark;
    }
    token.swap(out);
}

bool TNotationCore::ParseMoveText() {
    const std::string& t = MoveText;
    const long long n = static_cast<long long>(t.size());
    auto at = [&](long long i) -> char { return i >= 0 && i < n ? t[static_cast<size_t>(i)] : '\0'; };

    // Set-up.
    DeleteVariation(Root);
    Root = NewEntry();
    CurEntry = Root;
    Current = nullptr;
    LastNode = nullptr;
    Board = Game.StartPosition;

    TFischerInfo info = FischerInfoOf(Board);
    TCastlingRooks& rooks = Game.CastlingRooks;
    if (info.IsShuffled) {
        // Nothing has moved yet: every right, each with its outermost rook,
        // unless the FEN named the rook by its file. A wing without a rook
        // has no right to castle.
        rooks = OutermostCastlingRooks(Board, rooks);
        Game.StartState.Castling = CastleAll;
        for (int wing = 0; wing < 4; ++wing)
            if (!rooks.Rook[static_cast<size_t>(wing)]) Game.StartState.Castling &= static_cast<int8_t>(~WingBit(wing));
    } else if (rooks.Active) {
        // A Chess960 game from a later position: the squares that matter.
        std::array<uint8_t*, 4> slots = {&info.WhiteRook1, &info.WhiteRook2, &info.BlackRook1, &info.BlackRook2};
        std::array<int8_t, 4> squares = {rooks.Rook[WingWQ], rooks.Rook[WingWK], rooks.Rook[WingBQ], rooks.Rook[WingBK]};
        for (size_t k = 0; k < 4; k += 2) {
            // Index64 order: the long wing's rook comes first; a missing one leaves its slot to the other.
            if (!squares[k]) std::swap(squares[k], squares[k + 1]);
        }
        for (size_t k = 0; k < 4; ++k) *slots[k] = static_cast<uint8_t>(squares[k]);
        const int wk = FindKing(true, Board), bk = FindKing(false, Board);
        info.IsShuffled = 1;
        info.WhiteKing = static_cast<uint8_t>(wk > 0 ? wk : 0);
        info.BlackKing = static_cast<uint8_t>(bk > 0 ? bk : 0);
    }
    if (OnFischerInfo) OnFischerInfo(*this, info);

    std::vector<TFrame> frames;
    bool noMoveYet = true;
    bool error = false;
    auto finish = [&]() {
        frames.clear();
        if (noMoveYet && !error) DeleteVariation(Root);
        return error;
    };

    // Comments before the first move.
    std::string acc;
    long long dot = -1;
    {
        bool inside = false;
        // The whole text is scanned: a closing brace as the last character
        // still belongs to the comment.
        for (long long i = 0; i < n; ++i) {
            char c = t[static_cast<size_t>(i)];
            if (inside) {
                acc += c;
                if (c == '}') inside = false;
            } else if (c == '{') {
                inside = true;
                acc += c;
            } else if (c == '.') {
                dot = i;
                break;
            }
        }
    }
    if (dot < 0) {
        if (!acc.empty()) Game.IntroComment = acc + " ";
        return finish();
    }
    if (acc.size() > 1) {
        if (acc[1] == ' ') acc.erase(1, 1);
        if (acc.size() >= 2 && acc[acc.size() - 2] == ' ') acc.erase(acc.size() - 2, 1);
    }
    if (!acc.empty()) Game.IntroComment = acc + " ";

    State = Game.StartState;
    TSchachbrett savedBoard = Board;
    TZug savedState = State;
    std::string token;
    std::string squarePart;
    TCandidateList candidates;
    frames.reserve(10);

    long long i = dot - 1;
    for (;;) {
        ++i;
        char c = at(i);

        // Comment.
        if (c == '{') {
            size_t close = t.find('}', static_cast<size_t>(i));
            if (close == std::string::npos) {
                error = true;
                break;
            }
            std::string comment = t.substr(static_cast<size_t>(i), close - static_cast<size_t>(i) + 1);
            if (comment.size() > 1 && comment[1] == ' ') comment.erase(1, 1);
            if (comment.size() >= 2 && comment[comment.size() - 2] == ' ') comment.erase(comment.size() - 2, 1);
            if (Current) {
                if (!BlankOnly(Current->Comment)) Current->Comment += " | " + comment;
                else Current->Comment = std::move(comment);
            }
            i = static_cast<long long>(close);
            c = '}';
        }

        // Glyph: "$" and its digits vanish from the text; reading on from the
        // character that ends them is the same as closing up the text.
        if (c == '$') {
            long long j = i;
            std::string digits;
            while (j < n && t[static_cast<size_t>(j)] != ' ' && t[static_cast<size_t>(j)] != ')') {
                char d = t[static_cast<size_t>(j)];
                if (d >= '0' && d <= '9' && digits.size() < 8) digits += d;
                ++j;
            }
            if (Current && !ApplyNag(Current->Zug, digits)) {
                const int other = OtherGlyphNumber(digits);
                if (other >= 0) AddOtherGlyph(Current, other);
            }
            i = j;
            c = at(i);
        }

        // Open a variation.
        if (c == '(') {
            if (!Current) {
                // Nothing to be an alternative to yet: the group is passed over.
                int open = 1;
                long long j = i + 1;
                for (; j < n && open > 0; ++j) {
                    char d = t[static_cast<size_t>(j)];
                    if (d == '(') ++open;
                    else if (d == ')') --open;
                    else if (d == '{') {
                        size_t close = t.find('}', static_cast<size_t>(j));
                        if (close == std::string::npos) break;
                        j = static_cast<long long>(close);
                    }
                }
                if (open > 0) {
                    i = n;  // never closed: nothing more to read
                    c = '\0';
                } else {
                    i = j - 1;
                    c = at(i);
                }
            } else {
                if (frames.size() >= kMaxNesting) {
                    error = true;
                    break;
                }
                frames.push_back(TFrame{Compact(savedBoard), savedState, CurEntry, Current});
                Board = savedBoard;
                State = savedState;
                CurEntry = Current->Variations;
                AddVariationEntry();
            }
        }

        // Close a variation.
        if (c == ')' && !frames.empty()) {
            TFrame& f = frames.back();
            Expand(f.board, Board);
            State = f.state;
            CurEntry = f.entry;
            Current = f.current;
            frames.pop_back();
            savedBoard = Board;
            savedState = State;
            // Back in a line that goes on from the last move: re-play it. But
            // a variation that has no move yet ("((...)") offers alternatives
            // to that move, so its position stays the one before it.
            if (!CurEntry || CurEntry->FirstMove) {
                State.Side = static_cast<int8_t>(-State.Side);
                MakeMove();
            }
        }

        // A move.
        if (IsLetter(c) || (i + 2 < n && t.compare(static_cast<size_t>(i), 3, "0-0") == 0)) {
            State.EpSquare = 0;
            State.EpVictim = 0;
            State.CastleKind = 0;
            State.Promotion = 0;
            State.Captured = 0;
            State.Flags = 0;
            State.MoveNag = 0;
            State.PositionNag = 0;
            State.ExtraNag = 0;
            const int side = State.Side;

            token.clear();
            long long j = i;
            for (;;) {
                char ch = t[static_cast<size_t>(j)];
                if (ch == '+') State.Flags |= CheckSign;
                else if (ch == '#') State.Flags |= MateSign;
                else if (ch != '=') token += ch;
                if (j + 1 >= n) {
                    i = j + 1;
                    break;
                }
                char next = t[static_cast<size_t>(j + 1)];
                if (next == ' ' || next == '*') {
                    i = j + 1;
                    break;
                }
                if (next == ')') {
                    i = j;
                    break;
                }
                ++j;
            }

            // Assessment marks written directly after the move ("e4!", "Nf3!?")
            // are the common way of writing them; reading them keeps them in
            // the notation and in copied PGN instead of silently dropping them.
            // A "$" glyph after the move still replaces them.
            State.MoveNag = SuffixMoveNag(token);

            if (token[0] == 'O' || token[0] == 'o' || token[0] == '0') {
                State.FromSq = static_cast<int8_t>(side == White ? e1 : e8);
                // Long castling has three O's ("O-O-O", "0-0-0", "OOO"); a
                // mark written after the move ("O-O!") does not make it long.
                int os = 0;
                for (char ch : token) os += (ch == 'O' || ch == 'o' || ch == '0');
                if (rooks.Active) {
                    // By rook file: no king at home or no rook for the wing
                    // leaves nothing to castle with.
                    if (!MakeRookFileCastle(Board, rooks, side, os >= 3 ? 2 : 1, State)) {
                        error = true;
                        break;
                    }
                } else if (os >= 3) {
                    State.CastleKind = 2;
                    State.ToSq = static_cast<int8_t>(side == White ? c1 : c8);
                } else {
                    State.CastleKind = 1;
                    State.ToSq = static_cast<int8_t>(side == White ? g1 : g8);
                }
            } else {
                RemoveLongNotationMarks(token);
                if (token.size() < 2) {
                    error = true;
                    break;
                }
                int kind = token.size() == 2 ? Pawn : PieceKindOfLetter(token[0]);
                if (kind == NoPieceLetter) {
                    error = true;
                    break;
                }
                // Promotion letter: the last letter, annotation marks
                // written directly after the move ("e8=Q!") looked past.
                size_t last = token.size();
                while (last > 1 && (token[last - 1] == '!' || token[last - 1] == '?')) --last;
                if (IsUpper(token[last - 1])) {
                    int promo = PieceKindOfLetter(token[last - 1]);
                    if (promo == NoPieceLetter) {
                        error = true;
                        break;
                    }
                    State.Promotion = static_cast<int8_t>(promo * side);
                }

                squarePart.clear();
                for (size_t p = IsUpper(token[0]) ? 1 : 0; p < token.size(); ++p) {
                    char ch = token[p];
                    if (ch == 'x' || ch == ':') continue;
                    squarePart += (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch - 'A' + 'a') : ch;
                    if (ch >= '1' && ch <= '9') {
                        bool afterUpper = p > 0 && IsUpper(token[p - 1]);
                        bool beforeLower = p + 1 < token.size() && IsLower(token[p + 1]);
                        if (!afterUpper && !beforeLower) break;
                    }
                }
                size_t len = squarePart.size();
                if (len < 2 || !IsFile(squarePart[len - 2]) || !IsRank(squarePart[len - 1])) {
                    error = true;
                    break;
                }
                const int to = SquareOf(squarePart[len - 2], squarePart[len - 1]);
                State.ToSq = static_cast<int8_t>(to);
                State.Captured = static_cast<int8_t>(Board[to]);

                // Long notation without a piece letter: the piece on the source square moves.
                if (kind == Pawn && len == 4 && IsFile(squarePart[0]) && IsRank(squarePart[1])) {
                    int on = Board[SquareOf(squarePart[0], squarePart[1])];
                    if (on != 0 && std::abs(on) != Pawn) kind = std::abs(on);
                }

                if (rooks.Active && kind == King && Board[to] == Rook * side) {
                    // "Kxh1" or "e1h1": the king takes its own rook, which
                    // can only mean castling with that rook.
                    const int king = FindKing(side == White, Board);
                    if (king < 0 || !MakeRookFileCastle(Board, rooks, side, to > king ? 1 : 2, State)) {
                        error = true;
                        break;
                    }
                    State.Flags &= static_cast<uint8_t>(~(FileGiven | RankGiven));
                } else if (kind == Pawn) {
                    if (squarePart.size() == 4) {
                        // "e5d6" is a capture; "e2e4" (same file) is a push.
                        if (squarePart[0] == squarePart[2]) squarePart.erase(0, 2);
                        else squarePart.erase(1, 1);
                    }
                    if (squarePart.size() == 3) {
                        if (!IsFile(squarePart[0])) {
                            error = true;
                            break;
                        }
                        int rank = to / 10 - 2 - side;
                        if (rank < 0 || rank > 7) {
                            error = true;
                            break;
                        }
                        State.FromSq = static_cast<int8_t>(21 + (squarePart[0] - 'a') + 10 * rank);
                        if (Board[to] == 0) {
                            State.EpVictim = static_cast<int8_t>(to - 10 * side);
                            State.Captured = static_cast<int8_t>(-side);
                        }
                    } else {
                        int behind = to - 10 * side;
                        if (!IsRealSquare(behind)) {
                            error = true;
                            break;
                        }
                        if (Board[behind] != 0) {
                            State.FromSq = static_cast<int8_t>(behind);
                        } else {
                            int two = to - 20 * side;
                            if (!IsRealSquare(two)) {
                                error = true;
                                break;
                            }
                            State.FromSq = static_cast<int8_t>(two);
                            State.EpSquare = static_cast<int8_t>(behind);
                        }
                    }
                } else {
                    candidates.Clear();
                    RunFinder(kind, Board, to, side, TFinderMode::Find, &candidates);
                    if (candidates.Count == 0) {
                        error = true;
                        break;
                    }
                    if (candidates.Count == 1) {
                        State.FromSq = static_cast<int8_t>(candidates.Squares[0]);
                    } else if (len == 2) {
                        State.FromSq =
                            static_cast<int8_t>(UnpinnedCandidate(Board, candidates, to, kind * side, side));
                    } else if (len == 3) {
                        char d = squarePart[0];
                        int chosen = 0;
                        uint8_t flag = 0;
                        for (int m = 0; m < candidates.Count; ++m) {
                            int sq = candidates.Squares[static_cast<size_t>(m)];
                            if (IsRank(d) && sq / 10 - 2 == d - '1') {
                                chosen = sq;
                                flag = RankGiven;
                            } else if (IsFile(d) && sq % 10 - 1 == d - 'a') {
                                chosen = sq;
                                flag = FileGiven;
                            }
                        }
                        if (chosen) {
                            State.FromSq = static_cast<int8_t>(chosen);
                            State.Flags |= flag;
                        } else {
                            // The written file or rank fits no candidate: take
                            // the one the position allows.
                            State.FromSq =
                                static_cast<int8_t>(UnpinnedCandidate(Board, candidates, to, kind * side, side));
                        }
                    } else {
                        if (!IsFile(squarePart[0]) || !IsRank(squarePart[1])) {
                            error = true;
                            break;
                        }
                        State.FromSq = static_cast<int8_t>(SquareOf(squarePart[0], squarePart[1]));
                        State.Flags |= FileGiven | RankGiven;
                    }
                }
            }

            savedBoard = Board;
            savedState = State;
            if (rooks.Active) UpdateRookFileRights(Board, State, rooks);
            else UpdateCastlingRights(Board, State);
            State.Side = static_cast<int8_t>(-State.Side);
            NewMoveNode(State);
            AppendMove();
            if (State.CastleKind || State.EpVictim || State.Promotion) RememberPositionBefore(LastNode, Board);
            MakeMove();
            noMoveYet = false;
        }

        // End test.
        if (i >= n - 1) break;
        c = at(i);
        if (c == '*' || c == '-') break;
    }
    return finish();
}
