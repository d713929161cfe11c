// The position search against an independent replay: every game of the real
// files is loaded by the viewer's loader and stepped through its main line;
// positions taken from those games (starts from a FEN, openings shared by
// many games, middlegames, endings) must be found at exactly the plies where
// the replay stands on them, with and without early rejection.
#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "collection/game_list_core.h"
#include "notation/notation_core.h"
#include "rules/fen.h"
#include "search/game_search.h"
#include "search/header_search.h"
#include "search/position_search.h"
#include "support/test_data.h"

namespace {

using TKey = std::pair<TBoard, int>;  // placement, side to move
using THits = std::vector<std::pair<int32_t, int32_t>>;

THits Flatten(const std::vector<TSearchHit>& hits) {
    THits out;
    for (const TSearchHit& h : hits)
        for (int32_t p : h.Plies) out.emplace_back(h.Game, p);
    return out;
}

TEST(PositionSearch, FindsExactlyWhatTheReplayReachesInRealFiles) {
    REQUIRE_SHARED_PGN();
    long targets = 0, hits = 0;
    TSearchStats fast;
    for (const auto& path : testdata::SharedPgnFiles()) {
        TGameListCore pgn;
        std::string error;
        if (!pgn.OpenForReading(path.string(), error)) continue;
        // Independent replay: every main-line position and where it stands.
        std::map<TKey, THits> where;
        std::vector<TKey> candidates;
        TNotationCore core;
        for (int32_t g = 0; g < pgn.GameCount(); ++g) {
            int32_t id = -1;
            std::string text;
            pgn.GetGame(g, id, text);
            core.LoadGame(text);
            int32_t ply = 0;
            std::vector<TKey> line{{core.CurrentPosition(), core.State.Side}};
            while (core.StepForward()) line.emplace_back(core.CurrentPosition(), core.State.Side);
            for (const TKey& k : line) where[k].emplace_back(g, ply++);
            // Targets: from some games the start, move 3, move 10 and the end.
            if (g % 3 == 0)
                for (size_t p : {size_t{0}, size_t{5}, size_t{20}, line.size() - 1})
                    if (p < line.size()) candidates.push_back(line[p]);
        }
        const std::string bytes = testdata::ReadFile(path);
        // At most eight targets per file, spread over it.
        const size_t step = candidates.size() / 8 + 1;
        for (size_t c = 0; c < candidates.size(); c += step) {
            const TKey& key = candidates[c];
            TSearchTarget target;
            target.Board = key.first;
            target.Side = key.second;
            CompleteTarget(target);
            const THits& expected = where[key];
            EXPECT_EQ(Flatten(SearchPgnBytes(bytes, target)), expected)
                << path.filename() << ": " << PositionToFEN(key.first, TMoveRecord{0, 0, static_cast<int8_t>(key.second)}, 1);
            // The same without early rejection, and everything by the loader.
            std::vector<int32_t> plies;
            TPositionMatcher all(target), loaded(target);
            all.EarlyRejection = false;
            loaded.AlwaysLoad = true;
            THits withoutRejection, byLoader;
            for (int32_t g = 0; g < pgn.GameCount(); ++g) {
                int32_t id = -1;
                std::string text;
                pgn.GetGame(g, id, text);
                plies.clear();
                all.Search(text, plies);
                for (int32_t p : plies) withoutRejection.emplace_back(g, p);
                if (g % 9 == 0 || pgn.GameCount() < 40) {
                    plies.clear();
                    loaded.Search(text, plies);
                    for (int32_t p : plies) byLoader.emplace_back(g, p);
                }
            }
            EXPECT_EQ(withoutRejection, expected) << path.filename();
            THits sampled;
            for (const auto& h : expected)
                if (h.first % 9 == 0 || pgn.GameCount() < 40) sampled.push_back(h);
            EXPECT_EQ(byLoader, sampled) << path.filename();
            ++targets;
            hits += static_cast<long>(expected.size());
        }
        TPositionMatcher probe(TSearchTarget{});
        for (const auto& [start, end] : SplitGames(bytes)) {
            std::vector<int32_t> plies;
            probe.Search(TrimBlanks(std::string_view(bytes).substr(start, end - start)), plies);
        }
        fast.Fast += probe.Stats.Fast;
        fast.Loaded += probe.Stats.Loaded;
    }
    std::cout << "[          ] " << targets << " targets, " << hits << " occurrences; whole games: " << fast.Fast
              << " replayed from their bytes, " << fast.Loaded << " loaded\n";
    EXPECT_GT(targets, 150);
    // Most real games take the fast path even when read to their end.
    EXPECT_GT(fast.Fast, fast.Loaded);
}

TEST(PositionSearch, EarlyRejectionAndTranspositions) {
    // 1.Nf3 d5 2.d4 and 1.d4 d5 2.Nf3 reach one position by two roads; the
    // third game leaves it for good with 2.c4 (a pawn off its start square)
    // and the fourth never reaches it (a capture on move 1 costs a man).
    const std::string games =
        "[Event \"a\"]\n\n1. Nf3 d5 2. d4 Nf6 *\n\n"
        "[Event \"b\"]\n\n1. d4 d5 2. Nf3 Nc6 3. Nb1 Nb8 4. Nc3 *\n\n"
        "[Event \"c\"]\n\n1. d4 d5 2. c4 e6 3. Nf3 *\n\n"
        "[Event \"d\"]\n[FEN \"rnbqkbnr/ppp1pppp/8/3p4/3P4/5N2/PPP1PPPP/RNBQKB1R b KQkq - 1 2\"]\n\n2... Nf6 *\n\n";
    TSearchTarget target;
    std::string error;
    ASSERT_TRUE(TargetFromFEN("rnbqkbnr/ppp1pppp/8/3p4/3P4/5N2/PPP1PPPP/RNBQKB1R b KQkq - 1 2", target, error));
    EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), (THits{{0, 3}, {1, 3}, {3, 0}}));
    TPositionMatcher m(target);
    std::vector<int32_t> plies;
    m.Search(games.substr(games.find("[Event \"c\"]")), plies);
    EXPECT_TRUE(plies.empty());
    EXPECT_EQ(m.Stats.Plies, 3u);  // 2.c4 leaves c2 for good: the rest is never replayed
    // A game the viewer refuses as too large is counted, not silently missed,
    // whether it would be replayed from its bytes or loaded.
    for (const bool load : {true, false}) {
        TPositionMatcher small(target);
        small.AlwaysLoad = load;
        small.MaxGameBytes = 20;
        small.Search(games.substr(0, games.find("[Event \"b\"]")), plies);
        EXPECT_TRUE(plies.empty());
        EXPECT_EQ(small.Stats.Unread, 1u);
    }
    // A search that no longer wants the game gives it up without its hits.
    std::atomic<bool> cancel{true};
    TPositionMatcher stopped(target);
    stopped.Cancel = &cancel;
    std::string longGame = "[Event \"long\"]\n\n1. Nf3 d5 2. d4 ";
    for (int i = 0; i < 50'000; ++i) longGame += "Nf6 Nbd2 Ng8 Nb1 ";
    stopped.Search(longGame + "*", plies);
    EXPECT_TRUE(plies.empty());
    EXPECT_LT(stopped.Stats.Plies, 1000u);
    EXPECT_EQ(m.Stats.Unread, 0u);
    // With the en-passant square asked for, only a game standing after a
    // double step matches; castling rights likewise.
    target.MatchEpSquare = true;
    ASSERT_TRUE(TargetFromFEN("rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq d6 0 2", target, error));
    target.MatchEpSquare = true;
    EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), (THits{{1, 2}, {2, 2}}));
}

// The target is read strictly: a malformed FEN or an illegal position is
// refused with its reason, never read as something else.
TEST(PositionSearch, TargetFensAreReadStrictly) {
    const std::pair<const char*, const char*> cases[] = {  // FEN, "" or a part of the reason
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", ""},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", ""},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", ""},
        {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1", ""},    // Shredder letters, White to move
        {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w KQkq - 0 1", ""},    // X-FEN: the outermost rooks
        {"4k3/8/8/8/8/8/8/4K2R w - - 0 1", ""},
        {"4k3/4R3/8/8/8/8/8/7K b - - 0 1", ""},                         // the side to move may be in check
        {"8/8/8/8/8/8/8/8 w - - 0 1", "exactly one king"},
        {"4k3/8/8/8/8/8/8/4K2K w - - 0 1", "exactly one king"},
        {"4k2P/8/8/8/8/8/8/4K3 w - - 0 1", "first or last rank"},
        {"4k3/8/8/8/8/8/8/p3K3 b - - 0 1", "first or last rank"},
        {"4k3/8/8/8/8/8/8/4R2K w - - 0 1", "not to move is in check"},
        {"PPPPPPPP/k7/8/8/8/8/8/4K3 w - - 0 1", "first or last rank"},
        {"", "empty"},
        {"no fen at all", "unknown piece letter 'o'"},
        {"8/8/8/8/8/8/8/8 w", "castling field is missing"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", "side to move is missing"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 garbage x", "after the move number"},
        {"rnbqkbnr/pppppppp/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "more than 8 ranks"},
        {"rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "7 ranks"},
        {"rnbqkbnr/pppppppp/8/8/8/7/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "7 squares"},
        {"rnbqkbnr/pppppppp/8/8/8/44P/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "more than 8 squares"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1", "unknown piece letter 'X'"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN\n w KQkq - 0 1", "unknown piece letter '\\x0A'"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1", "not w or b"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkqK - 0 1", "castling field"},
        {"rnbqkbn1/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "castling right 'k'"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1", "follows no double step"},
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e6 0 1", "rank 3"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - zero 1", "half-move clock"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 -1", "move number"},
    };
    for (const auto& [fen, reason] : cases) {
        TSearchTarget target;
        std::string error;
        EXPECT_EQ(TargetFromFEN(fen, target, error), *reason == 0) << fen << ": " << error;
        EXPECT_NE(error.find(reason), std::string::npos) << fen << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << fen;
    }
    // Shredder letters are castling rights, not the side to move.
    TSearchTarget target;
    std::string error;
    ASSERT_TRUE(TargetFromFEN("1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1", target, error));
    EXPECT_EQ(target.Side, White);
    EXPECT_EQ(target.Castling, CastleAll);
}

// With --exact the en-passant square counts by meaning: after 1.e4 no black
// pawn can take on e3, so "e3" and "-" are the same position.
TEST(PositionSearch, ExactSearchReadsTheEnPassantSquareByMeaning) {
    const std::string games = "[Event \"a\"]\n\n1. e4 *\n\n[Event \"b\"]\n\n1. d4 a6 2. d5 e5 3. h3 *\n\n";
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
                            "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"}) {
        TSearchTarget target;
        std::string error;
        ASSERT_TRUE(TargetFromFEN(fen, target, error)) << error;
        target.MatchEpSquare = target.MatchCastling = true;
        EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), (THits{{0, 1}})) << fen;
    }
    // Where a pawn may take, the square tells the positions apart.
    TSearchTarget target;
    std::string error;
    ASSERT_TRUE(TargetFromFEN("rnbqkbnr/1ppp1ppp/p7/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq e6 0 3", target, error));
    target.MatchEpSquare = true;
    EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), (THits{{1, 4}}));
    ASSERT_TRUE(TargetFromFEN("rnbqkbnr/1ppp1ppp/p7/3Pp3/8/8/PPP1PPPP/RNBQKBNR w KQkq - 0 3", target, error));
    target.MatchEpSquare = true;
    EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), THits{});
}

// A king that goes two squares from home castles, as the loader reads it,
// also when its square is written: the quick reading must not stop there.
TEST(PositionSearch, AKingWrittenFromHomeToItsCastlingSquareCastles) {
    const std::string games = "[Event \"a\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. Ke1g1 Nf6 *\n";
    TSearchTarget target;
    std::string error;
    ASSERT_TRUE(TargetFromFEN("r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 5 4", target, error));
    EXPECT_EQ(Flatten(SearchPgnBytes(games, target)), (THits{{0, 7}}));
}

TEST(HeaderSearch, CaseInsensitiveInUtf8AndLatin1Headers) {
    const std::string utf8 = "[Event \"Dortmund Open\"]\n[Site \"?\"]\n[Date \"1992.07.??\"]\n"
                             "[White \"M\xC3\xBCller, J\xC3\xBCrgen\"]\n[Black \"\xC5\xA0koda\"]\n\n1. e4 *\n";
    const std::string latin1 = "[Event \"?\"]\n[Site \"Z\xFCrich\"]\n[White \"N\xD8RGAARD\"]\n\n1. e4 *\n";
    const std::tuple<const char*, bool, bool> cases[] = {
        {"m\xC3\xBCller", true, false},  {"M\xC3\x9CLLER", true, false}, {"dortmund", true, false},
        {"1992", true, false},           {"\xC5\xA1KODA", true, false},  {"z\xC3\xBCrich", false, true},
        {"ZÜRICH", false, true},         {"n\xC3\xB8rgaard", false, true}, {"karpov", false, false},
        {"?", false, false},             {"", true, true},
    };
    for (const auto& [text, inUtf8, inLatin1] : cases) {
        THeaderMatcher m(text);
        EXPECT_EQ(m.Matches(utf8), inUtf8) << text;
        EXPECT_EQ(m.Matches(latin1), inLatin1) << text;
    }
}

TEST(GameSearch, AllCoresHitsInOrderProgressCancelAndRestart) {
    REQUIRE_SHARED_PGN();
    const auto path = testdata::SharedPgnDir() / "world_matches.pgn";
    TGameListCore pgn;
    std::string error;
    ASSERT_TRUE(pgn.OpenForReading(path.string(), error)) << error;
    TSearchTarget target;  // 1.e4 e5 2.Nf3 Nc6 3.Bb5 (a common opening)
    ASSERT_TRUE(TargetFromFEN("r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 3 3", target, error));
    const std::vector<TSearchHit> expected = SearchPgnBytes(testdata::ReadFile(path), target);
    ASSERT_GT(expected.size(), 20u);

    TGameSearch search;
    search.Threads = 3;
    std::vector<TSearchHit> got;
    std::vector<int> percents;
    std::atomic<int> finished{0}, cancelledRuns{0};
    bool cancelOnFirstHits = false;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        got.insert(got.end(), hits.begin(), hits.end());
        // Cancelled from inside the search, so it cannot have finished yet,
        // however fast the workers are.
        if (cancelOnFirstHits) search.Cancel();
    };
    search.OnProgress = [&](int p) { percents.push_back(p); };
    search.OnFinished = [&](bool cancelled) {
        ++finished;
        cancelledRuns += cancelled;
    };
    for (int run = 0; run < 3; ++run) {
        got.clear();
        percents.clear();
        // A cancel keeps every hit found: the hits stay in order, each one
        // of the full search's.
        cancelOnFirstHits = run == 1;
        ASSERT_TRUE(search.StartPosition(pgn, target, error)) << error;
        search.Wait();
        EXPECT_FALSE(search.Running());
        EXPECT_FALSE(search.Incomplete());
        ASSERT_LE(got.size(), expected.size());
        size_t e = 0;
        for (const TSearchHit& h : got) {
            while (e < expected.size() && expected[e].Game != h.Game) ++e;
            ASSERT_LT(e, expected.size()) << "hit " << h.Game << " out of order or unknown";
            EXPECT_EQ(h.Plies, expected[e].Plies);
        }
        if (run != 1) {
            EXPECT_EQ(got.size(), expected.size());
            ASSERT_FALSE(percents.empty());
            EXPECT_EQ(percents.back(), 100);
            EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        }
    }
    EXPECT_EQ(finished, 3);
    EXPECT_EQ(cancelledRuns, 1);

    // Header search: games of a player, in order.
    got.clear();
    ASSERT_TRUE(search.StartText(pgn, "KASPAROV", error));
    search.Wait();
    ASSERT_FALSE(got.empty());
    for (const TSearchHit& h : got) {
        pgn.LoadHeader(h.Game);
        EXPECT_NE((pgn.CurrentHeader.White + pgn.CurrentHeader.Black).find("Kasparov"), std::string::npos);
    }
}

// A file that shrank since its scan, a database (read through an opening
// of its own, beside the caller's) and a database gone under the search.
TEST(GameSearch, ShrunkFilesAndDatabases) {
    testdata::TempDir dir;
    std::string text;
    for (int g = 0; g < 500; ++g) text += "[Event \"g" + std::to_string(g) + "\"]\n\n1. e4 e5 2. Nf3 *\n\n";
    testdata::WriteFile(dir / "s.pgn", text);
    testdata::WriteFile(dir / "s.ccf", testdata::ReadFile(testdata::FixtureDir() / "ccf_sample.ccf"));
    TSearchTarget target;  // after 1.e4 e5
    std::string error;
    ASSERT_TRUE(TargetFromFEN("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2", target, error));
    const auto run = [&](TGameListCore& pgn, bool byText, bool& incomplete) {
        TGameSearch search;
        std::vector<int32_t> games;
        search.OnHits = [&](const std::vector<TSearchHit>& hits) {
            for (const TSearchHit& h : hits) games.push_back(h.Game);
        };
        const bool started = byText ? search.StartText(pgn, "", error) : search.StartPosition(pgn, target, error);
        search.Wait();
        incomplete = !started || search.Incomplete();
        return games;
    };
    bool incomplete = false;
    TGameListCore pgn;
    ASSERT_TRUE(pgn.OpenForReading((dir / "s.pgn").string(), error)) << error;
    EXPECT_EQ(run(pgn, false, incomplete).size(), 500u);
    EXPECT_FALSE(incomplete);
    std::filesystem::resize_file(dir / "s.pgn", text.size() / 2);
    const size_t found = run(pgn, false, incomplete).size();
    EXPECT_TRUE(incomplete) << "a short read is said";
    EXPECT_LT(found, 500u);

    TGameListCore db;
    ASSERT_TRUE(db.OpenForReading((dir / "s.ccf").string(), error)) << error;
    EXPECT_EQ(run(db, true, incomplete), (std::vector<int32_t>{0, 1, 3})) << "every row but the deleted one";
    EXPECT_FALSE(incomplete);
    EXPECT_EQ(run(db, false, incomplete), (std::vector<int32_t>{0, 1}));
    std::filesystem::remove(dir / "s.ccf");
    run(db, true, incomplete);
    EXPECT_TRUE(incomplete) << "a database gone: no search, or an incomplete one";
}

}  // namespace
