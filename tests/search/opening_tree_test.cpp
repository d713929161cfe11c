// The opening tree against hand-counted trees of small files, against the
// position search on the real files, and its cache: used while the file is
// unchanged, rebuilt when the file changes or the cache is damaged, shared
// by builds running at once, kept under its size.
#include <gtest/gtest.h>


#include "collection/game_list_core.h"
#include "notation/game_tree.h"
#include "notation/san_text.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "notation/notation_core.h"
#include "search/game_search.h"
#include "search/opening_tree.h"
#include "search/tree_query.h"
#include "search/tree_cache.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

struct TBuilt {
    TGameListCore pgn;
    TOpeningTree tree;
    bool Build(const fs::path& file, const TTreeCacheOptions& cache) {
        std::string error;
        if (!pgn.OpenForReading(file.string(), error)) return false;
        if (!tree.Start(pgn, cache, error)) return false;
        tree.Wait();
        return tree.Complete();
    }
};

// The position after SAN moves from the start.
void Play(const std::string& moves, TBoard& board, TMoveRecord& state) {
    std::string bad;
    ASSERT_TRUE(PlaySanLine(moves, board, state, &bad)) << bad;
}

// "N: SAN games W/D/B score%, ..." of a position's tree.
std::string Describe(const TTreeAnswer& a) {
    std::string out = std::to_string(a.Games) + ":";
    for (const TTreeMove& m : a.Moves)
        out += " " + m.San + " " + std::to_string(m.Games) + " " + std::to_string(m.WhiteWins) + "/" +
               std::to_string(m.Draws) + "/" + std::to_string(m.BlackWins) + " " + std::to_string(m.Score) + "%";
    return out;
}

// The tree from the records, checked against the answer of a search of the file.
std::string TreeAt(const TGameListCore& pgn, const TOpeningTree& tree, const std::string& moves, int8_t ep = 0) {
    TBoard board = InitialPosition;
    TMoveRecord state = FreshState();
    Play(moves, board, state);
    if (ep) state.EpSquare = static_cast<int8_t>(ep < 0 ? 0 : ep);
    const std::string fromRecords = Describe(tree.Tree(board, state));
    TTreeAnswer direct;
    std::string error;
    EXPECT_TRUE(TOpeningTree::DirectTree(pgn, board, state, 1, direct, error)) << error;
    EXPECT_EQ(Describe(direct), fromRecords) << moves;
    return fromRecords;
}

TTreeCacheOptions CacheIn(const fs::path& dir) {
    TTreeCacheOptions c;
    c.Dir = dir.string();
    return c;
}

TEST(OpeningTree, HandCountedTrees) {
    const std::string pgn =
        // Two roads to one position (transposition), and a repetition: the
        // third game stands at the start twice and counts once, with 1.Nf3.
        "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 1-0\n\n"
        "[Result \"1/2-1/2\"]\n\n1. Nf3 Nc6 2. e4 e5 3. Bc4 1/2-1/2\n\n"
        "[Result \"0-1\"]\n\n1. Nf3 Nf6 2. Ng1 Ng8 3. e4 e5 0-1\n\n"
        // Unknown result: only in the games column.
        "[Result \"*\"]\n\n1. d4 d5 (1... Nf6 2. c4) 2. c4 *\n\n"
        // Ends in a reading error after 2.Nf3: counts up to it.
        "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Qxh8 3. d4 1-0\n\n"
        // A double step a pawn may take: the en-passant square counts.
        "[Result \"0-1\"]\n\n1. e4 d5 2. e5 f5 3. exf6 0-1\n\n"
        // A Chess960 start.
        "[Variant \"Chess960\"]\n[FEN \"bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w HFhf - 0 1\"]\n[Result \"1-0\"]\n\n"
        "1. g4 g5 2. O-O 1-0\n\n";
    testdata::TempDir dir;
    testdata::WriteFile(dir / "t.pgn", pgn);
    TBuilt b;
    ASSERT_TRUE(b.Build(dir / "t.pgn", CacheIn(dir / "cache")));
    struct TCase {
        std::string Moves;
        std::string Want;
        int8_t Ep = 0;
    };
    const TCase cases[] = {
        {"", "6: e4 3 2/0/1 67% Nf3 2 0/1/1 25% d4 1 0/0/0 -1%"},
        {"e4 e5 Nf3 Nc6", "2: Bb5 1 1/0/0 100% Bc4 1 0/1/0 50%"},
        {"e4 e5", "3: Nf3 2 2/0/0 100%"},     // the third game ends here, after 3.e4 e5
        {"e4 e5 Nf3", "2: Nc6 1 1/0/0 0%"},    // the broken game stands here at its end
        {"Nf3 Nf6", "1: Ng1 1 0/0/1 0%"},
        {"e4", "4: e5 3 2/0/1 33% d5 1 0/0/1 100%", 0},
        {"e4", "4: e5 3 2/0/1 33% d5 1 0/0/1 100%", 45},  // e3: no pawn may take there, so no square
        {"e4 d5 e5 f5", "1: exf6 1 0/0/1 0%", 76},        // f6 taken en passant
        {"e4 d5 e5 f5", "0:", -1},                        // the same placement without the square
        {"d4 Nf6", "0:"},                                 // only in a variation
        {"a4", "0:"},
    };
    for (const TCase& c : cases) EXPECT_EQ(TreeAt(b.pgn, b.tree, c.Moves, c.Ep), c.Want) << c.Moves;

    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
    uint16_t moveNo = 1;
    ASSERT_TRUE(FENToPosition("bbqnnrkr/pppppppp/8/8/8/8/PPPPPPPP/BBQNNRKR w KQkq - 0 1", board, state, moveNo));
    EXPECT_EQ(Describe(b.tree.Tree(board, state)), "1: g4 1 1/0/0 100%");
    // The tree over some games only: the list after a search.
    const std::vector<int32_t> some{1, 3};
    TBoard start = InitialPosition;
    EXPECT_EQ(Describe(b.tree.Tree(start, FreshState(), &some)), "2: Nf3 1 0/1/0 50% d4 1 0/0/0 -1%");
    TMoveRecord nf3{};
    nf3.FromSq = 27;  // g1
    nf3.ToSq = 46;    // f3
    EXPECT_EQ(b.tree.GamesWith(start, FreshState(), nf3), (std::vector<int32_t>{1, 2}));
}
using THits = std::vector<std::pair<int32_t, int32_t>>;

TMoveRecord StateOf(const TSearchTarget& t) {
    TMoveRecord s = FreshState();
    s.Side = static_cast<int8_t>(t.Side);
    s.Castling = t.Castling;
    s.EpSquare = t.EpSquare;
    return s;
}

THits Flatten(const std::vector<TSearchHit>& hits) {
    THits out;
    for (const TSearchHit& h : hits)
        for (int32_t p : h.Plies) out.emplace_back(h.Game, p);
    return out;
}

THits ReplaySearch(const TGameListCore& pgn, const TSearchTarget& target) {
    TGameSearch search;
    THits out;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        const THits h = Flatten(hits);
        out.insert(out.end(), h.begin(), h.end());
    };
    std::string error;
    EXPECT_TRUE(search.StartPosition(pgn, target, error)) << error;
    search.Wait();
    return out;
}

TEST(OpeningTree, FindsWhatTheReplaySearchFindsInRealFiles) {
    REQUIRE_SHARED_PGN();
    int targets = 0;
    for (const auto& path : testdata::SharedPgnFiles()) {
        TBuilt b;
        TTreeCacheOptions noCache;
        noCache.Use = false;
        if (!b.Build(path, noCache)) continue;
        // Targets: the start, move 3, move 12 and the end of a few games.
        std::vector<TSearchTarget> wanted;
        TNotationCore core;
        for (int32_t g = 0; g < b.pgn.GameCount() && wanted.size() < 8; g += 1 + b.pgn.GameCount() / 3) {
            int32_t id = -1;
            std::string text;
            b.pgn.GetGame(g, id, text);
            core.LoadGame(text);
            std::vector<std::pair<TBoard, TMoveRecord>> line{{core.CurrentPosition(), core.State}};
            while (core.StepForward()) line.emplace_back(core.CurrentPosition(), core.State);
            for (size_t ply : {size_t{0}, size_t{6}, size_t{24}, line.size() - 1}) {
                if (ply >= line.size()) continue;
                TSearchTarget t = TreeTarget(line[ply].first, line[ply].second);
                t.MatchCastling = t.MatchEpSquare = ply % 12 == 0;  // with and without the rights
                wanted.push_back(t);
            }
        }
        for (const TSearchTarget& t : wanted) {
            std::vector<TSearchHit> hits;
            ASSERT_TRUE(b.tree.FindPositions(t, hits));
            const THits expected = ReplaySearch(b.pgn, t);
            EXPECT_EQ(Flatten(hits), expected) << path.filename();
            if (t.MatchCastling) {
                // The tree counts the same games, each once.
                const TTreeAnswer a = b.tree.Tree(t.Board, StateOf(t));
                EXPECT_EQ(a.Games, static_cast<int64_t>(hits.size())) << path.filename();
                TTreeAnswer direct;
                std::string error;
                ASSERT_TRUE(TOpeningTree::DirectTree(b.pgn, t.Board, StateOf(t), 0, direct, error));
                EXPECT_EQ(Describe(direct), Describe(a)) << path.filename();
                int64_t rows = 0;
                for (const TTreeMove& m : a.Moves) rows += m.Games;
                EXPECT_LE(rows, a.Games);
            }
            ++targets;
        }
    }
    EXPECT_GT(targets, 100);
}

// The file's games and the cache folder's files after one build.
struct TCacheRun {
    bool FromCache = false;
    std::string Start;
    size_t CacheFiles = 0;
};

TCacheRun RunOnce(const fs::path& file, const TTreeCacheOptions& cache) {
    TBuilt b;
    TCacheRun r;
    EXPECT_TRUE(b.Build(file, cache));
    r.FromCache = b.tree.FromCache();
    r.Start = Describe(b.tree.Tree(InitialPosition, FreshState()));
    if (fs::exists(cache.Dir))
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(cache.Dir)) ++r.CacheFiles;
    return r;
}

TEST(OpeningTree, CacheIsUsedCheckedRebuiltAndBounded) {
    testdata::TempDir dir;
    const fs::path file = dir / "g.pgn";
    std::string games;
    for (int i = 0; i < 600; ++i) games += i % 3 ? "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 1-0\n\n" : "[Result \"0-1\"]\n\n1. d4 0-1\n\n";
    testdata::WriteFile(file, games);
    const TTreeCacheOptions cache = CacheIn(dir / "cache");
    const std::string want = "600: e4 400 400/0/0 100% d4 200 0/0/200 0%";

    TCacheRun r = RunOnce(file, cache);
    EXPECT_FALSE(r.FromCache);
    EXPECT_EQ(r.Start, want);
    EXPECT_EQ(r.CacheFiles, 1u);
    r = RunOnce(file, cache);
    EXPECT_TRUE(r.FromCache);
    EXPECT_EQ(r.Start, want);

    // Damaged: a byte changed anywhere is found, the cache rebuilt in its place.
    const fs::path cached = fs::directory_iterator(cache.Dir)->path();
    std::string bytes = testdata::ReadFile(cached);
    bytes[bytes.size() / 2] ^= 0x20;
    testdata::WriteFile(cached, bytes);
    r = RunOnce(file, cache);
    EXPECT_FALSE(r.FromCache);
    EXPECT_EQ(r.Start, want);
    EXPECT_TRUE(RunOnce(file, cache).FromCache);

    // Stale: the file changed (a game more); the old cache is not used.
    testdata::WriteFile(file, games + "[Result \"1/2-1/2\"]\n\n1. c4 1/2-1/2\n");
    r = RunOnce(file, cache);
    EXPECT_FALSE(r.FromCache);
    EXPECT_EQ(r.Start, "601: e4 400 400/0/0 100% d4 200 0/0/200 0% c4 1 0/1/0 50%");

    // Two builds at once: both whole, and the cache they leave reads.
    {
        TBuilt a, b;
        std::string error;
        ASSERT_TRUE(a.pgn.OpenForReading(file.string(), error) && b.pgn.OpenForReading(file.string(), error));
        TTreeCacheOptions fresh = CacheIn(dir / "cache2");
        ASSERT_TRUE(a.tree.Start(a.pgn, fresh, error) && b.tree.Start(b.pgn, fresh, error));
        a.tree.Wait();
        b.tree.Wait();
        EXPECT_TRUE(a.tree.Complete() && b.tree.Complete());
        EXPECT_TRUE(RunOnce(file, fresh).FromCache);
        EXPECT_EQ(RunOnce(file, fresh).CacheFiles, 1u);  // no temporary file left behind
    }

    // The size bound: a cache that would not fit is not written; the oldest go first.
    TTreeCacheOptions tiny = CacheIn(dir / "cache3");
    tiny.MaxBytes = 64;
    EXPECT_EQ(RunOnce(file, tiny).CacheFiles, 0u);
    TTreeCacheOptions two = CacheIn(dir / "cache4");
    const uint64_t one = fs::file_size(fs::directory_iterator(cache.Dir)->path());
    two.MaxBytes = 2 * one + one / 2;
    for (int i = 0; i < 3; ++i) {
        testdata::WriteFile(dir / ("f" + std::to_string(i) + ".pgn"), games);
        RunOnce(dir / ("f" + std::to_string(i) + ".pgn"), two);
    }
    EXPECT_TRUE(RunOnce(dir / "f2.pgn", two).FromCache);
    EXPECT_FALSE(RunOnce(dir / "f0.pgn", two).FromCache);  // the first one went

    // Off: nothing read or written.
    TTreeCacheOptions off = CacheIn(dir / "cache5");
    off.Use = false;
    EXPECT_EQ(RunOnce(file, off).CacheFiles, 0u);
    EXPECT_FALSE(fs::exists(dir / "cache5"));
}

}  // namespace
