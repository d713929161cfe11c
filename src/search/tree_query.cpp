#include "search/tree_query.h"

#include <algorithm>
#include <cmath>
#include <thread>

#include "notation/game_tree.h"
#include "notation/san_resolve.h"
#include "notation/san_text.h"
#include "rules/legality.h"
#include "source/block_codec.h"

using namespace reach;

namespace {

// Sets of at least this many games are split over two or more threads.
constexpr int64_t kSplitGames = 40000;

// One thread's view of a chunk: its blocks unpacked when first needed.
class TChunkView {
public:
    void Reset(const TTreeChunk* c) {
        chunk_ = c;
        heads_ = nullptr;
        tails_ = false;
    }
    const uint8_t* Head(size_t i) {
        if (!heads_) {
            heads_ = chunk_->UnpackedHeads();
            if (!heads_) return nullptr;
        }
        return reinterpret_cast<const uint8_t*>(heads_->data()) + i * 2 * kHeadWords;
    }
    bool Tail(const TTreeGameInfo& info, TTreeGameCursor& cursor) {
        if (!tails_) {
            if (!UnpackBlock(chunk_->Tails, chunk_->TailsSize, tailBuf_)) return false;
            tails_ = true;
        }
        if (info.MovesAt > tailBuf_.size()) return false;
        return cursor.SetTail(reinterpret_cast<const uint8_t*>(tailBuf_.data()) + info.MovesAt,
                              tailBuf_.size() - info.MovesAt);
    }

private:
    const TTreeChunk* chunk_ = nullptr;
    const std::string* heads_ = nullptr;
    bool tails_ = false;
    std::string tailBuf_;
};

// Plays one game to the target. Calls found(ply, cursor) at each ply where
// it stands there; found returns false to stop. False when the game's
// records are damaged.
template <class TFound>
bool Walk(const TTreeGameInfo& info, size_t slot, TChunkView& view, const TSearchTarget& t, uint64_t placement,
          TTreeGameCursor& cur, TFound&& found) {
    const bool bounded = !(info.Flags & kGameUnbounded);
    const uint8_t* head = info.Flags & kGameFromFen ? nullptr : view.Head(slot);
    if (!head && !(info.Flags & kGameFromFen)) return false;
    cur.Start(info, head);
    if (!cur.HasStart() && !view.Tail(info, cur)) return false;
    for (;;) {
        if (cur.Placement == placement && SameCounts(cur.Counts, t) && PositionMatches(t, cur.Board, cur.State) &&
            !found(cur))
            return true;
        if (bounded && Unreachable(cur.Counts, t)) return true;
        TTreeGameCursor::TStep step = cur.Next();
        if (step == TTreeGameCursor::NeedTail) {
            if (!view.Tail(info, cur)) return false;
            step = cur.Next();
        }
        if (step != TTreeGameCursor::Moved) return step == TTreeGameCursor::End;
    }
}

// The next move's word at the cursor, the tail unpacked if need be.
uint16_t NextWordOf(const TTreeGameInfo& info, TChunkView& view, TTreeGameCursor& cur) {
    uint16_t w = 0;
    if (cur.NextWord(w) == TTreeGameCursor::NeedTail && view.Tail(info, cur)) cur.NextWord(w);
    return w;
}

// Runs visit(game, info, slot, view) for every game of the set that may
// reach the target, over [from, to) of the chunks.
template <class TVisit>
void ForCandidates(const TTreeSnapshot& s, const std::vector<int32_t>* games, size_t from, size_t to,
                   const TSearchTarget& t, TVisit&& visit) {
    if (from >= to) return;
    TChunkView view;
    size_t g = 0;
    if (games) g = std::lower_bound(games->begin(), games->end(), s.Starts[from]) - games->begin();
    for (size_t c = from; c < to; ++c) {
        const TTreeChunk& chunk = *s.Chunks[c];
        const int64_t first = s.Starts[c];
        const std::span<const TTreeGameInfo> infos = chunk.Infos();
        const int64_t n = static_cast<int64_t>(infos.size());
        view.Reset(&chunk);
        if (games) {
            for (; g < games->size() && (*games)[g] < first + n; ++g) {
                const int64_t slot = (*games)[g] - first;
                if (slot >= 0 && slot < n && MayReach(infos[slot], t)) visit((*games)[g], infos[slot], slot, view);
            }
        } else {
            for (int64_t slot = 0; slot < n; ++slot)
                if (MayReach(infos[slot], t)) visit(first + slot, infos[slot], slot, view);
        }
    }
}

// Splits the chunks over threads when the set is large; run(from, to, part).
template <class TRun>
void Split(const TTreeSnapshot& s, const std::vector<int32_t>* games, unsigned threads, TRun&& run) {
    const int64_t size = games ? static_cast<int64_t>(games->size()) : s.Games;
    unsigned n = threads ? threads : std::max(1u, std::thread::hardware_concurrency());
    if (size < kSplitGames || s.Chunks.size() < 2) n = 1;
    n = std::min<unsigned>(n, static_cast<unsigned>(s.Chunks.size()));
    if (n <= 1) {
        run(size_t{0}, s.Chunks.size(), 0u);
        return;
    }
    std::vector<std::thread> pool;
    for (unsigned k = 1; k < n; ++k)
        pool.emplace_back([&, k] { run(s.Chunks.size() * k / n, s.Chunks.size() * (k + 1) / n, k); });
    run(size_t{0}, s.Chunks.size() / n, 0u);
    for (auto& th : pool) th.join();
}

TTreeMove RowOf(const TTreeTally& t, const TBoard& board, const TMoveRecord& state) {
    TTreeMove row;
    const int mover = state.Side == Black ? Black : White;
    row.Move = MoveOfWord(t.Word, 0, board, mover);
    row.Move.Castling = state.Castling;
    row.Move.EpSquare = state.EpSquare;
    if (row.Move.CastleKind) row.Move.EpVictim = 0;  // a rook-file castling's rook is not kept in the word
    static const TCastlingRooks kNoRooks{};
    row.San = SanText(board, row.Move, kNoRooks);
    TBoard after = board;
    TMoveRecord next = row.Move;
    san::UpdateCastlingRights(board, next);
    next.Side = static_cast<int8_t>(-mover);
    next.EpSquare = 0;
    MakeMove(after, next);
    row.San += SanCheckSign(after, next, kNoRooks);
    row.Games = t.Games;
    row.WhiteWins = mover == White ? t.Wins : t.Losses;
    row.BlackWins = mover == White ? t.Losses : t.Wins;
    row.Draws = t.Draws;
    const int64_t decided = t.Wins + t.Draws + t.Losses;
    if (decided > 0) row.Score = static_cast<int>(std::lround(100.0 * (t.Wins + 0.5 * t.Draws) / decided));
    if (t.EloCount > 0) row.AverageElo = static_cast<int>(std::lround(static_cast<double>(t.EloSum) / t.EloCount));
    if (t.RatedGames > 0) {
        // W - L = (2W + D) - (W + D + L): twice the points less the games.
        const double n = static_cast<double>(t.RatedGames);
        row.Performance = static_cast<int>(
            std::lround(t.RatedOpponentSum / n + 400.0 * static_cast<double>(t.RatedPoints2 - t.RatedGames) / n));
    }
    row.FirstYear = t.FirstYear;
    row.LastYear = t.LastYear;
    return row;
}

}  // namespace

void TTreeTally::Add(const TTreeGameInfo& info, int mover) {
    ++Games;
    const int own = mover == White ? info.WhiteElo : info.BlackElo;
    const int other = mover == White ? info.BlackElo : info.WhiteElo;
    int points2 = -1;  // twice the mover's score
    if (info.Result == kResultDraw) points2 = 1;
    else if (info.Result == kResultWhite) points2 = mover == White ? 2 : 0;
    else if (info.Result == kResultBlack) points2 = mover == White ? 0 : 2;
    if (points2 == 2) ++Wins;
    if (points2 == 1) ++Draws;
    if (points2 == 0) ++Losses;
    if (own) {
        EloSum += own;
        ++EloCount;
    }
    if (other && points2 >= 0) {
        ++RatedGames;
        RatedOpponentSum += other;
        RatedPoints2 += points2;
    }
    if (info.Year) {
        if (!FirstYear || info.Year < FirstYear) FirstYear = info.Year;
        if (info.Year > LastYear) LastYear = info.Year;
    }
}

void TTreeTally::Merge(const TTreeTally& o) {
    Games += o.Games;
    Wins += o.Wins;
    Draws += o.Draws;
    Losses += o.Losses;
    EloSum += o.EloSum;
    EloCount += o.EloCount;
    RatedGames += o.RatedGames;
    RatedOpponentSum += o.RatedOpponentSum;
    RatedPoints2 += o.RatedPoints2;
    if (o.FirstYear && (!FirstYear || o.FirstYear < FirstYear)) FirstYear = o.FirstYear;
    LastYear = std::max(LastYear, o.LastYear);
}

TTreeTally& TTreeTallies::Of(uint16_t word) {
    for (TTreeTally& t : Moves)
        if (t.Word == word) return t;
    Moves.push_back(TTreeTally{});
    Moves.back().Word = word;
    return Moves.back();
}

void TTreeTallies::Merge(const TTreeTallies& o) {
    Reached += o.Reached;
    for (const TTreeTally& m : o.Moves) Of(m.Word).Merge(m);
}

TTreeAnswer AnswerOf(const TTreeTallies& all, const TBoard& board, const TMoveRecord& state) {
    TTreeAnswer answer;
    answer.Games = all.Reached;
    for (const TTreeTally& m : all.Moves) answer.Moves.push_back(RowOf(m, board, state));
    std::sort(answer.Moves.begin(), answer.Moves.end(), [](const TTreeMove& a, const TTreeMove& b) {
        return a.Games != b.Games ? a.Games > b.Games : a.San < b.San;
    });
    return answer;
}

TSearchTarget TreeTarget(const TBoard& board, const TMoveRecord& state) {
    TSearchTarget t;
    t.Board = board;
    t.Side = state.Side == Black ? Black : White;
    t.MatchCastling = true;
    t.Castling = static_cast<int8_t>(state.Castling & CastleAll);
    t.MatchEpSquare = true;
    t.EpSquare = static_cast<int8_t>(EffectiveEpSquare(board, state));
    CompleteTarget(t);
    return t;
}

TTreeAnswer QueryTree(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                      const std::vector<int32_t>* games, unsigned threads) {
    const TSearchTarget t = TreeTarget(board, state);
    const uint64_t placement = PlacementKey(t.Board);
    const int mover = t.Side;
    std::vector<TTreeTallies> parts(std::max(1u, threads ? threads : std::thread::hardware_concurrency()));
    Split(s, games, threads, [&](size_t from, size_t to, unsigned part) {
        TTreeTallies& tally = parts[part];
        TTreeGameCursor cur;
        ForCandidates(s, games, from, to, t, [&](int64_t, const TTreeGameInfo& info, size_t slot, TChunkView& view) {
            Walk(info, slot, view, t, placement, cur, [&](TTreeGameCursor& at) {
                ++tally.Reached;
                if (const uint16_t w = NextWordOf(info, view, at)) tally.Of(w).Add(info, mover);
                return false;  // a game counts once, at its first time there
            });
        });
    });
    TTreeTallies all;
    for (const TTreeTallies& p : parts) all.Merge(p);
    TTreeAnswer answer = AnswerOf(all, board, state);
    answer.GamesRead = s.Games;
    return answer;
}

std::vector<int32_t> QueryGamesWith(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                                    const TMoveRecord& move, const std::vector<int32_t>* games) {
    const TSearchTarget t = TreeTarget(board, state);
    const uint64_t placement = PlacementKey(t.Board);
    const uint16_t want = move.FromSq ? WordOfMove(move) : 0;
    std::vector<int32_t> out;
    TTreeGameCursor cur;
    ForCandidates(s, games, 0, s.Chunks.size(), t,
                  [&](int64_t game, const TTreeGameInfo& info, size_t slot, TChunkView& view) {
                      Walk(info, slot, view, t, placement, cur, [&](TTreeGameCursor& at) {
                          const uint16_t w = NextWordOf(info, view, at);
                          // Castling by rook file and plain castling are the same row.
                          if (!want || (w & 0x0FFF) == (want & 0x0FFF)) out.push_back(static_cast<int32_t>(game));
                          return false;
                      });
                  });
    return out;
}

std::vector<TSearchHit> QueryPositions(const TTreeSnapshot& s, const TSearchTarget& target, unsigned threads) {
    const uint64_t placement = PlacementKey(target.Board);
    std::vector<std::vector<TSearchHit>> parts(std::max(1u, threads ? threads : std::thread::hardware_concurrency()));
    Split(s, nullptr, threads, [&](size_t from, size_t to, unsigned part) {
        TTreeGameCursor cur;
        ForCandidates(s, nullptr, from, to, target,
                      [&](int64_t game, const TTreeGameInfo& info, size_t slot, TChunkView& view) {
                          TSearchHit hit;
                          Walk(info, slot, view, target, placement, cur, [&](TTreeGameCursor& at) {
                              hit.Plies.push_back(at.Ply);
                              return true;
                          });
                          if (!hit.Plies.empty()) {
                              hit.Game = static_cast<int32_t>(game);
                              parts[part].push_back(std::move(hit));
                          }
                      });
    });
    std::vector<TSearchHit> hits;
    for (auto& p : parts)
        for (auto& h : p) hits.push_back(std::move(h));
    return hits;
}
