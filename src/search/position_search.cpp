// Finding a position in the main line of a game.
//
// The fast path reads the movetext as the movetext parser reads its main
// line: the same token boundaries, and each move read by the notation's one
// move reader (san::ReadMove) in its plain SAN mode. It builds no tree, keeps
// no comments and stops as soon as the game can no longer reach the target.
// It takes only what that mode reads: plain SAN from the standard start.
// Everything else (a start from a FEN, variations, long or German notation,
// null moves) goes to the full loader, so that every hit is a position the
// viewer itself shows in that game.
#include "search/position_search.h"

#include "search/plain_moves.h"
#include "search/reach_counts.h"

#include <cstring>

#include "collection/game_bounds.h"
#include "collection/game_header.h"
#include "collection/game_text.h"
#include "notation/game_tree.h"
#include "notation/movetext_parser.h"
#include "notation/notation_core.h"
#include "notation/san_resolve.h"
#include "rules/fen.h"
#include "rules/legality.h"
#include "rules/strict_fen.h"

namespace {

using namespace san;
using namespace reach;

}  // namespace

void CompleteTarget(TSearchTarget& t) {
    const TCounts c = CountsOf(t.Board);
    t.WhiteMen = c.WhiteMen;
    t.BlackMen = c.BlackMen;
    t.WhitePawns = c.WhitePawns;
    t.BlackPawns = c.BlackPawns;
    t.WhiteHome = c.WhiteHome;
    t.BlackHome = c.BlackHome;
}

bool TargetFromFEN(std::string_view fen, TSearchTarget& target, std::string& error) {
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    TCastlingRooks rooks;
    if (!ReadStrictFEN(fen, board, state, rooks, error)) return false;
    int kings[2] = {0, 0};
    for (int i = 0; i < 64; ++i) {
        const int sq = Index64ToSquare(i);
        const int p = board[sq];
        if (p == King) ++kings[0];
        if (p == -King) ++kings[1];
        if ((p == Pawn || p == -Pawn) && (RankOf(sq) == 0 || RankOf(sq) == 7)) {
            error = "not a legal position: a pawn on the first or last rank";
            return false;
        }
    }
    if (kings[0] != 1 || kings[1] != 1) {
        error = "not a legal position: each side needs exactly one king";
        return false;
    }
    target.Board = board;
    target.Side = state.Side == Black ? Black : White;
    target.Castling = state.Castling;
    target.EpSquare = static_cast<int8_t>(EffectiveEpSquare(board, state));
    CompleteTarget(target);
    if (target.WhiteMen > 16 || target.BlackMen > 16 || target.WhitePawns > 8 || target.BlackPawns > 8) {
        error = "not a legal position: more than 16 men or 8 pawns of one side";
        return false;
    }
    const int other = -target.Side;
    if (IsSquareAttacked(FindKing(other == White, board), other, board)) {
        error = "not a legal position: the side not to move is in check";
        return false;
    }
    return true;
}

bool PositionMatches(const TSearchTarget& t, const TBoard& board, const TMoveRecord& state) {
    if (state.Side != t.Side) return false;
    if (t.MatchCastling && (state.Castling & CastleAll) != (t.Castling & CastleAll)) return false;
    if (std::memcmp(board.data(), t.Board.data(), sizeof(TBoard)) != 0) return false;
    return !t.MatchEpSquare || EffectiveEpSquare(board, state) == t.EpSquare;
}

TPositionMatcher::TPositionMatcher(const TSearchTarget& target) : target_(target) {}
TPositionMatcher::~TPositionMatcher() = default;

void TPositionMatcher::Search(std::string_view gameText, std::vector<int32_t>& plies) {
    ++Stats.Games;
    HasNextMove = false;
    const size_t before = plies.size();
    // A game the viewer refuses to show has no hits it could show.
    if (gameText.size() > (MaxGameBytes > 0 ? MaxGameBytes : TNotationCore::kMaxGameBytes)) {
        ++Stats.Unread;
        return;
    }
    try {
        if (AlwaysLoad || FastSearch(gameText, plies) == TFast::Load) {
            plies.resize(before);
            LoadedSearch(gameText, plies);
        }
        if (Cancel && Cancel->load(std::memory_order_relaxed)) plies.resize(before);
    } catch (...) {
        // Out of memory on a hostile game: it has no hits, and is counted.
        plies.resize(before);
        ++Stats.Unread;
    }
}

void TPositionMatcher::LoadedSearch(std::string_view text, std::vector<int32_t>& plies) {
    ++Stats.Loaded;
    if (!loader_) loader_ = std::make_unique<TNotationCore>();
    TNotationCore& core = *loader_;
    if (MaxGameBytes > 0) core.MaxGameBytes = MaxGameBytes;
    core.KeepComments = false;
    core.Cancel = Cancel;
    const int loaded = core.LoadGame(text);
    if (loaded == lgTooLarge || loaded == lgNoMemory) {
        ++Stats.Unread;
        return;
    }
    // A loaded tree is not bound by the rules the early rejection relies on
    // (a castling without its rook conjures one up), so every move is looked at.
    TBoard board = core.Game.StartPosition;
    TMoveRecord state = core.Game.StartState;
    int32_t ply = 0;
    if (PositionMatches(target_, board, state)) plies.push_back(ply);
    for (const TMoveNode* m = core.Root ? core.Root->FirstMove : nullptr; m; m = m->Next) {
        if (FirstHitOnly && !plies.empty()) {
            NextMove = m->Move;
            HasNextMove = true;
            return;
        }
        state = m->Move;
        MakeMove(board, state);
        ++ply;
        if (PositionMatches(target_, board, state)) plies.push_back(ply);
    }
}

TPositionMatcher::TFast TPositionMatcher::FastSearch(std::string_view text, std::vector<int32_t>& plies) {
    // The header as the loader reads it.
    TGameTextLines lines(text);
    TTag tag;
    while (lines.NextTag(tag)) {
        const std::string_view trimmed = tag.Text;
        if (IsTagNamed(trimmed, "VARIANT") && !IsStandardVariant(TagValue(trimmed))) return TFast::Load;
        if (IsTagNamed(trimmed, "FEN")) {
            const std::string fen = TagValue(trimmed);
            if (fen.empty()) return TFast::Load;
            // A start that is already short of men or home pawns needs no replay.
            TBoard board = EmptyBoard;
            TMoveRecord state = FreshState();
            uint16_t moveNo = 1;
            if (EarlyRejection && FENToPosition(fen, board, state, moveNo) && Unreachable(CountsOf(board), target_)) {
                ++Stats.Skipped;
                return TFast::Done;
            }
            return TFast::Load;
        }
    }

    ++Stats.Fast;
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    TCounts counts = CountsOf(board);
    int32_t ply = 0;
    if (PositionMatches(target_, board, state)) plies.push_back(ply);
    const TPlainRead read = ReadPlainMoves(lines, board, state, Cancel, [&](int captured) {
        if (FirstHitOnly && !plies.empty()) {
            NextMove = state;
            HasNextMove = true;
            return false;
        }
        const int from = state.FromSq, to = state.ToSq;
        Remove(counts, captured);
        if (state.Promotion) {
            if (state.Side == Black) --counts.WhitePawns;  // Side: the side to move after the promotion
            else --counts.BlackPawns;
        }
        Vacated(counts, board, from);
        Vacated(counts, board, to);
        if (state.EpVictim) Vacated(counts, board, state.EpVictim);
        ++ply;
        ++Stats.Plies;
        if (SameCounts(counts, target_) && PositionMatches(target_, board, state)) {
            plies.push_back(ply);
            return true;
        }
        return !(EarlyRejection && Unreachable(counts, target_));
    });
    return read == TPlainRead::Load ? TFast::Load : TFast::Done;
}

std::vector<std::pair<size_t, size_t>> SplitGames(std::string_view bytes) {
    return SplitGameBytes(bytes.data(), bytes.size());
}

std::vector<TSearchHit> SearchPgnBytes(std::string_view bytes, const TSearchTarget& target) {
    std::vector<TSearchHit> hits;
    TPositionMatcher matcher(target);
    int32_t game = 0;
    std::vector<int32_t> plies;
    for (const auto& [start, end] : SplitGames(bytes)) {
        std::string_view text = bytes.substr(start, end - start);
        // As the list fetches a game: up to a zero byte, blanks trimmed.
        size_t nul = text.find('\0');
        if (nul != std::string_view::npos) text = text.substr(0, nul);
        plies.clear();
        matcher.Search(TrimBlanks(text), plies);
        if (!plies.empty()) hits.push_back(TSearchHit{game, plies, {}});
        ++game;
    }
    return hits;
}

bool SearchPgnBytes(std::string_view bytes, std::string_view fen, std::vector<TSearchHit>& hits, std::string& error) {
    hits.clear();
    TSearchTarget target;
    if (!TargetFromFEN(fen, target, error)) return false;
    hits = SearchPgnBytes(bytes, target);
    return true;
}
