#include "search/tree_record.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "notation/game_tree.h"
#include "rules/chess960.h"
#include "rules/position_key.h"

using namespace reach;

namespace {

enum : uint16_t {
    kPlain = 0,
    kEnPassant = 1,
    kShort = 2,
    kLong = 3,
    kPromoteRook = 4,  // 4..7: Rook, Bishop, Knight, Queen (kinds 2..5)
    kShortByRook = 8,
    kLongByRook = 9,
    kNull = 10,
    kRights = 15,
};

inline uint16_t Kind(uint16_t w) { return static_cast<uint16_t>(w >> 12); }
inline int FromOf(uint16_t w) { return Index64ToSquare((w >> 6) & 63); }
inline int ToOf(uint16_t w) { return Index64ToSquare(w & 63); }
inline uint16_t Pack(uint16_t kind, int from, int to) {
    return static_cast<uint16_t>(kind << 12 | SquareToIndex64(from) << 6 | SquareToIndex64(to));
}

}  // namespace

bool MayReach(const TTreeGameInfo& info, const TSearchTarget& t) {
    if (info.Flags & kGameUnread) return false;
    if (info.Flags & kGameUnbounded) return true;
    if (info.WhiteMen > t.WhiteMen || info.BlackMen > t.BlackMen || (info.Pawns >> 4) > t.WhitePawns ||
        (info.Pawns & 15) > t.BlackPawns || (info.WhiteHome & ~t.WhiteHome) != 0 ||
        (info.BlackHome & ~t.BlackHome) != 0)
        return false;
    const uint8_t* o = info.Order;
    if (info.Flags & kGameFromFen) {
        // Counts only fall: the start must hold at least the target's.
        return o[0] >= t.WhiteMen && o[1] >= t.BlackMen && o[2] >= t.WhitePawns && o[3] >= t.BlackPawns &&
               (o[4] & t.WhiteHome) == t.WhiteHome && (o[5] & t.BlackHome) == t.BlackHome;
    }
    // The pawns gone from their start squares in the target must be the
    // first ones to leave in the game.
    const uint16_t gone = static_cast<uint16_t>(~(t.WhiteHome | t.BlackHome << 8));
    const int k = __builtin_popcount(gone);
    uint16_t first = 0;
    for (int i = 0; i < k; ++i) first |= static_cast<uint16_t>(1u << ((o[i / 2] >> (4 * (i % 2))) & 15));
    return first == gone;
}

uint8_t ResultKind(std::string_view v) {
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
    if (v == "1-0") return kResultWhite;
    if (v == "0-1") return kResultBlack;
    if (v == "1/2-1/2") return kResultDraw;
    return kResultOther;
}

uint64_t PlacementKey(const TBoard& board) {
    uint64_t key = 0;
    for (int i = 0; i < 64; ++i) {
        const int sq = Index64ToSquare(i);
        key ^= PieceSquareKey(board[sq], sq);
    }
    return key;
}

uint16_t WordOfMove(const TMoveRecord& m) {
    if (IsNullMove(m)) return static_cast<uint16_t>(kNull << 12);
    if (!IsRealSquare(m.FromSq) || !IsRealSquare(m.ToSq)) return static_cast<uint16_t>(kNull << 12);
    uint16_t kind = kPlain;
    if (m.CastleKind == 1 || m.CastleKind == 2) {
        kind = IsRookFileCastle(m) ? (m.CastleKind == 1 ? kShortByRook : kLongByRook) : (m.CastleKind == 1 ? kShort : kLong);
    } else if (m.Promotion != 0) {
        const int p = std::abs(m.Promotion);
        kind = static_cast<uint16_t>(kPromoteRook + (p >= Rook && p <= Queen ? p - Rook : Queen - Rook));
    } else if (m.EpVictim != 0) {
        kind = kEnPassant;
    }
    return Pack(kind, m.FromSq, m.ToSq);
}

TMoveRecord MoveOfWord(uint16_t w, uint16_t rookWord, const TBoard& board, int mover) {
    TMoveRecord m{};
    m.Side = static_cast<int8_t>(mover);
    const uint16_t kind = Kind(w);
    if (kind == kNull || kind == kRights) return m;
    m.FromSq = static_cast<int8_t>(FromOf(w));
    m.ToSq = static_cast<int8_t>(ToOf(w));
    switch (kind) {
        case kEnPassant: m.EpVictim = static_cast<int8_t>(m.FromSq - m.FromSq % 10 + m.ToSq % 10); break;
        case kShort:
        case kLong: m.CastleKind = static_cast<int8_t>(kind == kShort ? 1 : 2); break;
        case kShortByRook:
        case kLongByRook:
            m.CastleKind = static_cast<int8_t>(kind == kShortByRook ? 1 : 2);
            m.EpVictim = static_cast<int8_t>(Index64ToSquare(rookWord & 63));
            break;
        default:
            if (kind >= kPromoteRook && kind <= kPromoteRook + 3)
                m.Promotion = static_cast<int8_t>(mover * (Rook + (kind - kPromoteRook)));
            break;
    }
    m.Captured = static_cast<int8_t>(m.EpVictim && !m.CastleKind ? board[m.EpVictim] : (m.CastleKind ? 0 : board[m.ToSq]));
    return m;
}

void TTreeGameWriter::Word(uint16_t w) {
    if (words_ >= headLimit_) out_->push_back(static_cast<char>(kTailEscape));
    out_->push_back(static_cast<char>(w & 0xFF));
    out_->push_back(static_cast<char>(w >> 8));
    ++words_;
}

namespace {

// The mover's men that may go to `to`, in a fixed order (pawns, knights,
// bishops and queens along the diagonals, rooks and queens along the lines,
// the king), each handed to visit(square) until visit returns false.
template <class TVisit>
void VisitCandidates(const TBoard& b, int side, int to, int ep, TVisit&& visit) {
    const int own = b[to];
    if (!IsRealSquare(to) || (own != Empty && (own > 0) == (side > 0))) return;
    const int dir = 10 * side;
    if (own == Empty && b[to - dir] == Pawn * side && !visit(to - dir)) return;
    if (own == Empty && b[to - dir] == Empty && b[to - 2 * dir] == Pawn * side &&
        (to - 2 * dir) / 10 - 2 == (side == White ? 1 : 6) && !visit(to - 2 * dir))
        return;
    if (own != Empty || to == ep)
        for (int from : {to - dir - 1, to - dir + 1})
            if (b[from] == Pawn * side && !visit(from)) return;
    for (int d : KnightJumps)
        if (b[to + d] == Knight * side && !visit(to + d)) return;
    for (int d : BishopDirs) {
        int sq = to + d;
        while (b[sq] == Empty) sq += d;
        if ((b[sq] == Bishop * side || b[sq] == Queen * side) && !visit(sq)) return;
    }
    for (int d : RookDirs) {
        int sq = to + d;
        while (b[sq] == Empty) sq += d;
        if ((b[sq] == Rook * side || b[sq] == Queen * side) && !visit(sq)) return;
    }
    for (int d : KingSteps)
        if (b[to + d] == King * side && !visit(to + d)) return;
}

}  // namespace

int CandidateIndex(const TBoard& board, int side, int to, int ep, int from) {
    int index = 0, found = -1;
    VisitCandidates(board, side, to, ep, [&](int sq) {
        if (sq == from) found = index;
        return found < 0 && ++index < 3;
    });
    return found;
}

int CandidateAt(const TBoard& board, int side, int to, int ep, int index) {
    int at = 0;
    VisitCandidates(board, side, to, ep, [&](int sq) {
        if (index-- == 0) at = sq;
        return index >= 0;
    });
    return at;
}

void TTreeGameWriter::Start(std::string& out, const TBoard* start, const TMoveRecord& state) {
    out_ = &out;
    words_ = 0;
    headLimit_ = start ? 0 : kHeadWords;
    board_ = start ? *start : InitialPosition;
    ep_ = start && IsRealSquare(state.EpSquare) ? state.EpSquare : 0;
    rights_ = static_cast<int8_t>(state.Castling & CastleAll);
    fromFen_ = start != nullptr;
    if (start) {
        for (int i = 0; i < 64; ++i) out.push_back(static_cast<char>((*start)[Index64ToSquare(i)]));
        out.push_back(static_cast<char>(state.Castling));
        out.push_back(static_cast<char>(state.EpSquare));
        out.push_back(static_cast<char>(state.Side));
    }
}

void TTreeGameWriter::StartBoard(const TBoard& board) {
    start_ = CountsOf(board);
    home_ = static_cast<uint16_t>(start_.WhiteHome | start_.BlackHome << 8);
    left_ = 0;
    std::memset(order_, 0, sizeof order_);
}

void TTreeGameWriter::Left(int square) {
    const int rank = square / 10 - 2, file = square % 10 - 1;
    if (rank != 1 && rank != 6) return;
    const int id = file + (rank == 6 ? 8 : 0);
    if (!(home_ & (1u << id))) return;
    home_ = static_cast<uint16_t>(home_ & ~(1u << id));
    if (left_ < 16) order_[left_ / 2] = static_cast<uint8_t>(order_[left_ / 2] | id << (4 * (left_ % 2)));
    ++left_;
}

void TTreeGameWriter::Move(const TMoveRecord& m) {
    if (IsRealSquare(m.FromSq) && !m.CastleKind) {
        Left(m.FromSq);
        Left(m.ToSq);
    }
    if (words_ >= 0xFFF0) return;  // longer games are kept to their first 65,000 or so moves
    const int8_t rights = static_cast<int8_t>(m.Castling & CastleAll);
    if (rights != rights_) {
        Word(static_cast<uint16_t>(kRights << 12 | rights));
        rights_ = rights;
    }
    const uint16_t w = WordOfMove(m);
    const int mover = m.Side == Black ? White : Black;  // Side: the side to move after the move
    int index = -1;
    if (words_ >= headLimit_ && (Kind(w) == kPlain || Kind(w) == kEnPassant))
        index = CandidateIndex(board_, mover, m.ToSq, ep_, m.FromSq);
    if (index >= 0) {
        out_->push_back(static_cast<char>(SquareToIndex64(m.ToSq) | index << 6));
        ++words_;
    } else {
        Word(w);
    }
    if (Kind(w) == kShortByRook || Kind(w) == kLongByRook) Word(static_cast<uint16_t>(SquareToIndex64(m.EpVictim)));
    // The position after it, as the cursor will stand there.
    const bool doubleStep = Kind(w) != kNull && std::abs(board_[m.FromSq]) == Pawn && std::abs(m.ToSq - m.FromSq) == 20;
    ep_ = doubleStep ? m.FromSq + 10 * mover : 0;
    MakeMove(board_, m);
}

void TTreeGameWriter::Finish(TTreeGameInfo& info, const TBoard& finalBoard) const {
    const TCounts c = CountsOf(finalBoard);
    if (fromFen_) {
        const uint8_t start[8] = {static_cast<uint8_t>(start_.WhiteMen), static_cast<uint8_t>(start_.BlackMen),
                                  static_cast<uint8_t>(start_.WhitePawns), static_cast<uint8_t>(start_.BlackPawns),
                                  start_.WhiteHome, start_.BlackHome, 0, 0};
        std::memcpy(info.Order, start, sizeof start);
    } else {
        std::memcpy(info.Order, order_, sizeof order_);
    }
    info.Words = static_cast<uint16_t>(words_);
    info.WhiteMen = static_cast<uint8_t>(c.WhiteMen);
    info.BlackMen = static_cast<uint8_t>(c.BlackMen);
    // A nibble each; more than 15 (a set-up no game reaches) is kept as 15,
    // which rules out less, never more.
    info.Pawns = static_cast<uint8_t>(std::min(c.WhitePawns, 15) << 4 | std::min(c.BlackPawns, 15));
    info.WhiteHome = c.WhiteHome;
    info.BlackHome = c.BlackHome;
}

void TTreeGameCursor::Start(const TTreeGameInfo& info, const uint8_t* head) {
    info_ = &info;
    head_ = head;
    tail_ = nullptr;
    at_ = 0;
    Ply = 0;
    Board = InitialPosition;
    State = FreshState();
    const bool fen = info.Flags & kGameFromFen;
    headWords_ = fen || !head ? 0u : std::min<uint32_t>(info.Words, kHeadWords);
    tailAt_ = tailEnd_ = nullptr;
    aheadFrom_ = headWords_;
    aheadCount_ = 0;
    started_ = !fen;
    static const TCounts kInitial = CountsOf(InitialPosition);
    static const uint64_t kInitialPlacement = PlacementKey(InitialPosition);
    if (started_) {
        Counts = kInitial;
        Placement = kInitialPlacement;
    }
}

bool TTreeGameCursor::SetTail(const uint8_t* tail, size_t size) {
    size_t skip = 0;
    if (info_->Flags & kGameFromFen) {
        // The start as the loader set it up: 64 squares, rights, en passant, side.
        if (size < kStartBytes) return false;
        Board = EmptyBoard;
        for (int i = 0; i < 64; ++i) {
            const int piece = static_cast<int8_t>(tail[i]);
            if (piece < -King || piece > King) return false;
            Board[Index64ToSquare(i)] = piece;
        }
        State = FreshState();
        State.Castling = static_cast<int8_t>(tail[64] & CastleAll);
        const int ep = static_cast<int8_t>(tail[65]);
        State.EpSquare = static_cast<int8_t>(IsRealSquare(ep) ? ep : 0);
        State.Side = static_cast<int8_t>(static_cast<int8_t>(tail[66]) == Black ? Black : White);
        skip = kStartBytes;
        Counts = CountsOf(Board);
        Placement = PlacementKey(Board);
        started_ = true;
    }
    tail_ = tailAt_ = tail + skip;
    tailEnd_ = tail + size;
    return true;
}

TTreeGameCursor::TStep TTreeGameCursor::WordAt(uint32_t i, uint16_t& w) const {
    if (i < headWords_) {
        w = static_cast<uint16_t>(head_[2 * i] | head_[2 * i + 1] << 8);
        return Moved;
    }
    if (!tail_) return NeedTail;
    // Tail words are read in order, each move's against the board before it.
    if (aheadFrom_ < at_) {
        const uint32_t drop = std::min(aheadCount_, at_ - aheadFrom_);
        for (uint32_t k = drop; k < aheadCount_; ++k) ahead_[k - drop] = ahead_[k];
        aheadCount_ -= drop;
        aheadFrom_ = at_;
    }
    while (i >= aheadFrom_ + aheadCount_) {
        if (aheadCount_ == 4 || tailAt_ >= tailEnd_) return Bad;
        const uint8_t b = *tailAt_++;
        uint16_t word;
        if (b >= kTailEscape) {
            if (b != kTailEscape || tailEnd_ - tailAt_ < 2) return Bad;
            word = static_cast<uint16_t>(tailAt_[0] | tailAt_[1] << 8);
            tailAt_ += 2;
        } else {
            const int to = Index64ToSquare(b & 63);
            const int mover = State.Side == Black ? Black : White;
            const int from = CandidateAt(Board, mover, to, State.EpSquare, b >> 6);
            if (!from) return Bad;
            const bool ep = std::abs(Board[from]) == Pawn && from % 10 != to % 10 && Board[to] == Empty;
            word = Pack(ep ? kEnPassant : kPlain, from, to);
        }
        ahead_[aheadCount_++] = word;
    }
    w = ahead_[i - aheadFrom_];
    return Moved;
}

TTreeGameCursor::TStep TTreeGameCursor::NextWord(uint16_t& word) const {
    word = 0;
    uint32_t i = at_;
    const uint32_t n = info_->Words;
    if (i >= n) return End;
    TStep step = WordAt(i, word);
    if (step == Moved && Kind(word) == kRights) step = ++i >= n ? End : WordAt(i, word);
    if (step != Moved) word = 0;
    return step;
}

TTreeGameCursor::TStep TTreeGameCursor::Next() {
    const uint32_t n = info_->Words;
    if (at_ >= n) return End;
    uint16_t w;
    if (const TStep s = WordAt(at_, w); s != Moved) return s;
    uint32_t i = at_ + 1;
    int8_t rights = State.Castling;
    if (Kind(w) == kRights) {
        rights = static_cast<int8_t>(w & CastleAll);
        if (i >= n) return End;
        if (const TStep s = WordAt(i, w); s != Moved) return s;
        ++i;
    }
    uint16_t rook = 0;
    if (Kind(w) == kShortByRook || Kind(w) == kLongByRook) {
        if (i >= n) return Bad;
        if (const TStep s = WordAt(i, rook); s != Moved) return s;
        ++i;
    }
    const int mover = State.Side == Black ? Black : White;
    TMoveRecord m = MoveOfWord(w, rook, Board, mover);
    const bool null = Kind(w) == kNull;
    if (!null && (Board[m.FromSq] == Empty || (Board[m.FromSq] > 0) != (mover > 0))) return Bad;
    const bool doubleStep = !null && std::abs(Board[m.FromSq]) == Pawn && std::abs(m.ToSq - m.FromSq) == 20;
    m.Castling = rights;
    m.EpSquare = static_cast<int8_t>(doubleStep ? m.FromSq + 10 * mover : 0);
    m.Side = static_cast<int8_t>(-mover);
    Remove(Counts, m.Captured);
    if (m.Promotion) {
        if (mover == White) --Counts.WhitePawns;
        else --Counts.BlackPawns;
    }
    TPlacementChange change;
    change.Before(Board, m);
    MakeMove(Board, m);
    Placement ^= change.After(Board);
    if (!null) {
        Vacated(Counts, Board, m.FromSq);
        Vacated(Counts, Board, m.ToSq);
        if (m.EpVictim) Vacated(Counts, Board, m.EpVictim);
    }
    State = m;
    at_ = i;
    ++Ply;
    return Moved;
}
