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
bool SlidingFinder(const TBoard& board, int target, int piece, const Dirs& dirs,
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
bool StepFinder(const TBoard& board, int target, int piece, const Steps& steps,
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

TCompactBoard Compact(const TBoard& board) {
    TCompactBoard c{};
    for (int i = 0; i < 64; ++i) c[static_cast<size_t>(i)] = static_cast<int8_t>(board[Index64ToSquare(i)]);
    return c;
}

void Expand(const TCompactBoard& c, TBoard& board) {
    board = EmptyBoard;
    for (int i = 0; i < 64; ++i) board[Index64ToSquare(i)] = c[static_cast<size_t>(i)];
}

struct TFrame {
    TCompactBoard board;
    TMoveRecord state;
    TVariationEntry* entry;
    TMoveNode* current;
    int8_t epBefore;  // en-passant square of the position in `board`
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
bool ApplyNag(TMoveRecord& move, std::string_view digits) {
    static constexpr std::string_view kPositionNags[] = {"8",  "11", "13", "14", "15",  "16",  "17",  "18", "19",
                                                         "22", "32", "36", "40", "44", "132", "138", "146"};
    if (digits == "1") move.MoveNag = 1;
    else if (digits == "3") move.MoveNag = 2;
    else if (digits == "2") move.MoveNag = 3;
    else if (digits == "4") move.MoveNag = 4;
    else if (digits == "5") move.MoveNag = 5;
    else if (digits == "6") move.MoveNag = 6;
    else if (digits == "140" || digits == "142") move.ExtraNag = static_cast<uint8_t>(digits == "140" ? 140 : 142);
    else if (digits == "998") move.Flags |= MarkBefore;
    else if (digits == "999") move.Flags |= MarkAfter;
    else {
        for (std::string_view p : kPositionNags)
            if (digits == p) {
                move.PositionNag = static_cast<uint8_t>(std::atoi(std::string(p).c_str()));
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

// Puts a glyph onto a move: into its record, or beside it when the record
// has no place for it.
void PutGlyph(TNotationCore& core, TMoveNode* move, std::string_view digits) {
    if (!move || ApplyNag(move->Move, digits)) return;
    const int other = OtherGlyphNumber(digits);
    if (other >= 0) core.AddOtherGlyph(move, other);
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

bool FindQueenCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Queen * Colour(side, mode), QueenDirs, mode, list);
}
bool FindRookCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Rook * Colour(side, mode), RookDirs, mode, list);
}
bool FindBishopCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return SlidingFinder(board, target, Bishop * Colour(side, mode), BishopDirs, mode, list);
}
bool FindKnightCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
    return StepFinder(board, target, Knight * Colour(side, mode), KnightJumps, mode, list);
}
bool FindKingCandidates(const TBoard& board, int target, int side, TFinderMode mode, TCandidateList* list) {
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
    // A start with two kings of one side (a FEN tag can say anything) is no
    // position: no move of it can be judged, so none is read.
    int whiteKings = 0, blackKings = 0;
    for (int i = 0; i < 64; ++i) {
        whiteKings += Board[Index64ToSquare(i)] == King;
        blackKings += Board[Index64ToSquare(i)] == -King;
    }
    if (whiteKings > 1 || blackKings > 1) return true;

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
    const size_t start = FindMovesStart(t, acc);
    if (start == std::string::npos) {
        if (!acc.empty()) Game.IntroComment = acc + " ";
        return finish();
    }
    if (acc.size() > 1) {
        if (acc[1] == ' ') acc.erase(1, 1);
        if (acc.size() >= 2 && acc[acc.size() - 2] == ' ') acc.erase(acc.size() - 2, 1);
    }
    if (!acc.empty()) Game.IntroComment = acc + " ";

    State = Game.StartState;
    TBoard savedBoard = Board;
    TMoveRecord savedState = State;
    // En-passant squares of the working position and of the one before the
    // last move: State.EpSquare is the record of the move being read.
    int8_t epNow = Game.StartState.EpSquare;
    int8_t epBeforeLast = epNow;
    std::string token;
    frames.reserve(10);

    long long i = static_cast<long long>(start) - 1;
    for (unsigned pass = 0;; ++pass) {
        ++i;
        char c = at(i);
        // A search that no longer wants this game stops it soon.
        if ((pass & 0xFFFF) == 0 && Cancel && Cancel->load(std::memory_order_relaxed)) {
            error = true;
            break;
        }

        // A glyph written as text ("+-", "=", "\u00B1"): its glyph, as "$n".
        if (int nag = 0; const size_t len = GlyphTextAt(t, static_cast<size_t>(i), nag)) {
            PutGlyph(*this, Current, std::to_string(nag));
            i += static_cast<long long>(len) - 1;
            if (i >= n - 1) break;
            continue;
        }

        // Comment. One that opens a variation, before its first move,
        // belongs to the variation.
        if (c == '{') {
            size_t close = t.find('}', static_cast<size_t>(i));
            if (close == std::string::npos) {
                error = true;
                break;
            }
            std::string comment = t.substr(static_cast<size_t>(i), close - static_cast<size_t>(i) + 1);
            if (comment.size() > 1 && comment[1] == ' ') comment.erase(1, 1);
            if (comment.size() >= 2 && comment[comment.size() - 2] == ' ') comment.erase(comment.size() - 2, 1);
            std::string* target = !frames.empty() && CurEntry && !CurEntry->FirstMove ? &CurEntry->Comment
                                  : Current                                         ? &Current->Comment
                                                                                    : nullptr;
            if (target) {
                if (!BlankOnly(*target)) *target += " | " + comment;
                else *target = std::move(comment);
            }
            i = static_cast<long long>(close);
            c = '}';
        }

        // Glyph: "$" and its digits vanish from the text; reading on from the
        // character that ends them is the same as closing up the text.
        if (c == '$') {
            long long j = i;
            std::string digits;
            while (j < n && !IsMoveTextBlank(t[static_cast<size_t>(j)]) && t[static_cast<size_t>(j)] != ')') {
                char d = t[static_cast<size_t>(j)];
                if (d >= '0' && d <= '9' && digits.size() < 8) digits += d;
                ++j;
            }
            PutGlyph(*this, Current, digits);
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
                frames.push_back(TFrame{Compact(savedBoard), savedState, CurEntry, Current, epBeforeLast});
                Board = savedBoard;
                State = savedState;
                epNow = epBeforeLast;
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
            epNow = epBeforeLast = f.epBefore;
            frames.pop_back();
            savedBoard = Board;
            savedState = State;
            // Back in a line that goes on from the last move: re-play it,
            // with what it did to the castling rights. But a variation that
            // has no move yet ("((...)") offers alternatives to that move, so
            // its position stays the one before it.
            if (!CurEntry || CurEntry->FirstMove) {
                if (IsNullMove(State)) {
                } else if (rooks.Active) {
                    UpdateRookFileRights(Board, State, rooks);
                } else {
                    UpdateCastlingRights(Board, State);
                }
                State.Side = static_cast<int8_t>(-State.Side);
                MakeMove();
                epNow = State.EpSquare;
            }
        }

        // A move, with or without a number before it.
        if (i < n && StartsMoveWord(t, static_cast<size_t>(i))) {
            uint8_t signs = 0;
            i = static_cast<long long>(ReadMoveWord(t, static_cast<size_t>(i), token, signs));
            const TWordKind kind = ClassifyMoveWord(token);
            if (kind != TWordKind::EnPassantMark) {
                State.EpSquare = 0;
                State.EpVictim = 0;
                State.CastleKind = 0;
                State.Promotion = 0;
                State.Captured = 0;
                State.Flags = signs;
                State.PositionNag = 0;
                State.ExtraNag = 0;
                // Assessment marks written directly after the move ("e4!",
                // "Nf3!?") are the common way of writing them; reading them
                // keeps them in the notation and in copied PGN instead of
                // silently dropping them. A "$" glyph after the move still
                // replaces them.
                State.MoveNag = SuffixMoveNag(token);
                if (kind == TWordKind::Null) {
                    // The side to move passes: nothing moves, no right changes.
                    State.FromSq = 0;
                    State.ToSq = 0;
                } else if (ReadMove(token, Board, State, rooks, epNow) != TMoveReading::Move) {
                    error = true;
                    break;
                }
                savedBoard = Board;
                savedState = State;
                if (kind == TWordKind::Null) {
                } else if (rooks.Active) {
                    UpdateRookFileRights(Board, State, rooks);
                } else {
                    UpdateCastlingRights(Board, State);
                }
                State.Side = static_cast<int8_t>(-State.Side);
                NewMoveNode(State);
                AppendMove();
                if (State.CastleKind || State.EpVictim || State.Promotion) RememberPositionBefore(LastNode, Board);
                MakeMove();
                epBeforeLast = epNow;
                epNow = State.EpSquare;
                noMoveYet = false;
            }
        }

        // End test: the result, or any "-" that is no move.
        if (i >= n - 1) break;
        c = at(i);
        if (c == '*' || (c == '-' && at(i + 1) != '-')) break;
    }
    return finish();
}
