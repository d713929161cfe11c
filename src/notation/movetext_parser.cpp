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

namespace {

// "{ text }" -> "{text}": one blank inside each brace goes.
void TrimBlanksInsideBraces(std::string& comment) {
    if (comment.size() > 1 && comment[1] == ' ') comment.erase(1, 1);
    if (comment.size() >= 2 && comment[comment.size() - 2] == ' ') comment.erase(comment.size() - 2, 1);
}

// A start with two kings of one side (a FEN tag can say anything) is no
// position: no move of it can be judged.
bool TwoKingsOfASide(const TBoard& board) {
    int whiteKings = 0, blackKings = 0;
    for (int i = 0; i < 64; ++i) {
        whiteKings += board[Index64ToSquare(i)] == King;
        blackKings += board[Index64ToSquare(i)] == -King;
    }
    return whiteKings > 1 || blackKings > 1;
}

// The castling rooks of a shuffled start or of a Chess960 game from a later
// position, reported with OnFischerInfo.
void SetUpCastlingRooks(TNotationCore& core) {
    const TBoard& board = core.Board;
    TFischerInfo info = FischerInfoOf(board);
    TCastlingRooks& rooks = core.Game.CastlingRooks;
    if (info.IsShuffled) {
        // Nothing has moved yet: every right, each with its outermost rook,
        // unless the FEN named the rook by its file. A wing without a rook
        // has no right to castle.
        rooks = OutermostCastlingRooks(board, rooks);
        core.Game.StartState.Castling = CastleAll;
        for (int wing = 0; wing < 4; ++wing)
            if (!rooks.Rook[static_cast<size_t>(wing)])
                core.Game.StartState.Castling &= static_cast<int8_t>(~WingBit(wing));
    } else if (rooks.Active) {
        // A Chess960 game from a later position: the squares that matter.
        std::array<uint8_t*, 4> slots = {&info.WhiteRook1, &info.WhiteRook2, &info.BlackRook1, &info.BlackRook2};
        std::array<int8_t, 4> squares = {rooks.Rook[WingWQ], rooks.Rook[WingWK], rooks.Rook[WingBQ], rooks.Rook[WingBK]};
        for (size_t k = 0; k < 4; k += 2) {
            // Index64 order: the long wing's rook comes first; a missing one leaves its slot to the other.
            if (!squares[k]) std::swap(squares[k], squares[k + 1]);
        }
        for (size_t k = 0; k < 4; ++k) *slots[k] = static_cast<uint8_t>(squares[k]);
        const int wk = FindKing(true, board), bk = FindKing(false, board);
        info.IsShuffled = 1;
        info.WhiteKing = static_cast<uint8_t>(wk > 0 ? wk : 0);
        info.BlackKing = static_cast<uint8_t>(bk > 0 ? bk : 0);
    }
    if (core.OnFischerInfo) core.OnFischerInfo(core, info);
}

// Reads the movetext from its first move on into the tree of the core,
// whose Board holds the start position: moves, comments, glyphs and
// variations, up to the result, the end or an error.
class TMoveTextReader {
public:
    TMoveTextReader(TNotationCore& core, const TCastlingRooks& rooks)
        : core_(core), t_(core.MoveText), n_(static_cast<long long>(core.MoveText.size())), rooks_(rooks) {
        core_.State = core_.Game.StartState;
        savedBoard_ = core_.Board;
        savedState_ = core_.State;
        epNow_ = epBeforeLast_ = core_.Game.StartState.EpSquare;
        frames_.reserve(10);
    }
    // Reads from t[start]; true at an error (the moves before it stay).
    bool Read(size_t start);
    bool NoMoveYet = true;

private:
    char At(long long i) const { return i >= 0 && i < n_ ? t_[static_cast<size_t>(i)] : '\0'; }
    bool ReadComment(long long& i);
    void ReadGlyphNumber(long long& i);
    bool OpenVariation(long long& i, char& c);
    void PassOverGroup(long long& i, char& c) const;
    void CloseVariation();
    bool ReadMoveAt(long long& i);
    void UpdateRights(TBoard& board, TMoveRecord& state) const {
        if (rooks_.Active) UpdateRookFileRights(board, state, rooks_);
        else UpdateCastlingRights(board, state);
    }

    TNotationCore& core_;
    const std::string& t_;
    const long long n_;
    const TCastlingRooks& rooks_;
    std::vector<TFrame> frames_;
    // The position before the last move, and the record of that move.
    TBoard savedBoard_;
    TMoveRecord savedState_;
    // En-passant squares of the working position and of the one before the
    // last move: State.EpSquare is the record of the move being read.
    int8_t epNow_ = 0, epBeforeLast_ = 0;
    std::string token_;
};

bool TMoveTextReader::Read(size_t start) {
    long long i = static_cast<long long>(start) - 1;
    for (unsigned pass = 0;; ++pass) {
        ++i;
        char c = At(i);
        // A search that no longer wants this game stops it soon.
        if ((pass & 0xFFFF) == 0 && core_.Cancel && core_.Cancel->load(std::memory_order_relaxed)) return true;

        // A glyph written as text ("+-", "=", "\u00B1"): its glyph, as "$n".
        if (int nag = 0; const size_t len = GlyphTextAt(t_, static_cast<size_t>(i), nag)) {
            PutGlyph(core_, core_.Current, std::to_string(nag));
            i += static_cast<long long>(len) - 1;
            if (i >= n_ - 1) return false;
            continue;
        }
        if (c == '{') {
            if (!ReadComment(i)) return true;
            c = '}';
        }
        if (c == '$') {
            ReadGlyphNumber(i);
            c = At(i);
        }
        if (c == '(' && !OpenVariation(i, c)) return true;
        if (c == ')' && !frames_.empty()) CloseVariation();
        // A move, with or without a number before it.
        if (i < n_ && StartsMoveWord(t_, static_cast<size_t>(i)) && !ReadMoveAt(i)) return true;

        // End test: the result, or any "-" that is no move. Inside a
        // variation a result ends nothing: the reading goes on after it.
        if (i >= n_ - 1) return false;
        c = At(i);
        if (c == '*' || (c == '-' && At(i + 1) != '-')) {
            if (frames_.empty()) return false;
            for (char d = At(i + 1); d && !IsMoveTextBlank(d) && d != '(' && d != ')' && d != '{'; d = At(i + 1)) ++i;
        }
    }
}

// The comment at t[i] ("{"); i goes to its "}". One that opens a variation,
// before its first move, belongs to the variation. False when it is never
// closed.
bool TMoveTextReader::ReadComment(long long& i) {
    const size_t close = t_.find('}', static_cast<size_t>(i));
    if (close == std::string::npos) return false;
    std::string comment = t_.substr(static_cast<size_t>(i), close - static_cast<size_t>(i) + 1);
    TrimBlanksInsideBraces(comment);
    TVariationEntry* entry = core_.CurEntry;
    std::string* target = !frames_.empty() && entry && !entry->FirstMove ? &entry->Comment
                          : core_.Current                                 ? &core_.Current->Comment
                                                                          : nullptr;
    if (target) {
        if (!BlankOnly(*target)) *target += " | " + comment;
        else *target = std::move(comment);
    }
    i = static_cast<long long>(close);
    return true;
}

// The glyph at t[i] ("$"): it and its digits vanish from the text; i goes to
// the character that ends them, which is the same as closing up the text.
void TMoveTextReader::ReadGlyphNumber(long long& i) {
    long long j = i;
    std::string digits;
    while (j < n_ && !IsMoveTextBlank(t_[static_cast<size_t>(j)]) && t_[static_cast<size_t>(j)] != ')') {
        const char d = t_[static_cast<size_t>(j)];
        if (d >= '0' && d <= '9' && digits.size() < 8) digits += d;
        ++j;
    }
    PutGlyph(core_, core_.Current, digits);
    i = j;
}

// The "(" at t[i] opens a variation to the last move. False when too many
// are open.
bool TMoveTextReader::OpenVariation(long long& i, char& c) {
    if (!core_.Current) {
        PassOverGroup(i, c);
        return true;
    }
    if (frames_.size() >= kMaxNesting) return false;
    frames_.push_back(TFrame{Compact(savedBoard_), savedState_, core_.CurEntry, core_.Current, epBeforeLast_});
    core_.Board = savedBoard_;
    core_.State = savedState_;
    epNow_ = epBeforeLast_;
    core_.CurEntry = core_.Current->Variations;
    core_.AddVariationEntry();
    return true;
}

// A group with nothing to be an alternative to yet is passed over: i and c
// go to its ")", or past the end when it is never closed.
void TMoveTextReader::PassOverGroup(long long& i, char& c) const {
    int open = 1;
    long long j = i + 1;
    for (; j < n_ && open > 0; ++j) {
        const char d = t_[static_cast<size_t>(j)];
        if (d == '(') ++open;
        else if (d == ')') --open;
        else if (d == '{') {
            const size_t close = t_.find('}', static_cast<size_t>(j));
            if (close == std::string::npos) break;
            j = static_cast<long long>(close);
        }
    }
    if (open > 0) {
        i = n_;  // never closed: nothing more to read
        c = '\0';
    } else {
        i = j - 1;
        c = At(i);
    }
}

// A ")": back to the line the innermost variation left.
void TMoveTextReader::CloseVariation() {
    TFrame& f = frames_.back();
    Expand(f.board, core_.Board);
    core_.State = f.state;
    core_.CurEntry = f.entry;
    core_.Current = f.current;
    epNow_ = epBeforeLast_ = f.epBefore;
    frames_.pop_back();
    savedBoard_ = core_.Board;
    savedState_ = core_.State;
    // Back in a line that goes on from the last move: re-play it, with what
    // it did to the castling rights. But a variation that has no move yet
    // ("((...)") offers alternatives to that move, so its position stays the
    // one before it.
    if (!core_.CurEntry || core_.CurEntry->FirstMove) {
        if (!IsNullMove(core_.State)) UpdateRights(core_.Board, core_.State);
        core_.State.Side = static_cast<int8_t>(-core_.State.Side);
        core_.MakeMove();
        epNow_ = core_.State.EpSquare;
    }
}

// The move word at t[i]: read, appended to the line and played; i goes to
// where ReadMoveWord leaves it. False when it names no move.
bool TMoveTextReader::ReadMoveAt(long long& i) {
    uint8_t signs = 0;
    i = static_cast<long long>(ReadMoveWord(t_, static_cast<size_t>(i), token_, signs));
    const TWordKind kind = ClassifyMoveWord(token_);
    if (kind == TWordKind::EnPassantMark) return true;
    TMoveRecord& state = core_.State;
    state.EpSquare = 0;
    state.EpVictim = 0;
    state.CastleKind = 0;
    state.Promotion = 0;
    state.Captured = 0;
    state.Flags = signs;
    state.PositionNag = 0;
    state.ExtraNag = 0;
    // Assessment marks written directly after the move ("e4!", "Nf3!?") are
    // the common way of writing them; reading them keeps them in the
    // notation and in copied PGN instead of silently dropping them. A "$"
    // glyph after the move still replaces them.
    state.MoveNag = SuffixMoveNag(token_);
    if (kind == TWordKind::Null) {
        // The side to move passes: nothing moves, no right changes.
        state.FromSq = 0;
        state.ToSq = 0;
    } else if (ReadMove(token_, core_.Board, state, rooks_, epNow_) != TMoveReading::Move) {
        return false;
    }
    savedBoard_ = core_.Board;
    savedState_ = state;
    if (kind != TWordKind::Null) UpdateRights(core_.Board, state);
    state.Side = static_cast<int8_t>(-state.Side);
    core_.NewMoveNode(state);
    core_.AppendMove();
    if (state.CastleKind || state.EpVictim || state.Promotion) core_.RememberPositionBefore(core_.LastNode, core_.Board);
    core_.MakeMove();
    epBeforeLast_ = epNow_;
    epNow_ = state.EpSquare;
    NoMoveYet = false;
    return true;
}

}  // namespace

bool TNotationCore::ParseMoveText() {
    DeleteVariation(Root);
    Root = NewEntry();
    CurEntry = Root;
    Current = nullptr;
    LastNode = nullptr;
    Board = Game.StartPosition;
    // No move of a start with two kings of one side is read.
    if (TwoKingsOfASide(Board)) return true;
    SetUpCastlingRooks(*this);

    // Comments before the first move.
    std::string intro;
    const size_t start = FindMovesStart(MoveText, intro);
    if (start != std::string::npos) TrimBlanksInsideBraces(intro);
    if (!intro.empty()) Game.IntroComment = intro + " ";
    bool error = false, noMove = true;
    if (start != std::string::npos) {
        TMoveTextReader reader(*this, Game.CastlingRooks);
        error = reader.Read(start);
        noMove = reader.NoMoveYet;
    }
    if (noMove && !error) DeleteVariation(Root);
    return error;
}
