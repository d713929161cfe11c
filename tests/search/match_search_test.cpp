// The search for marked positions: "MATCH" comments and search hits as stops.
#include <gtest/gtest.h>

#include "notation/notation_core.h"
#include "notation/tree_test_support.h"
#include "rules/fen.h"
#include "search/hit_marks.h"
#include "search/match_search.h"
#include "support/replay_path.h"

using treetest::Events;
using treetest::ExpectInStep;
using treetest::LoadMoves;
using treetest::MainLine;
using treetest::Sq;

namespace {

std::string MarkedGame() {
    // Marks after move 3 (2. Nf3), move 10 (5... Be7) and a lower-case
    // "match" that is no mark.
    return "1. e4 e5 2. Nf3 {MATCH} 2... Nc6 3. Bb5 a6 {match} 4. Ba4 Nf6 5. O-O Be7 {MATCH 2} 6. Re1 b5 *";
}

TEST(MatchSearch, NextMatchStopsAtEachMarkThenAtTheEnd) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, MarkedGame()), 0);
    int shown = 0;
    TBoard shownBoard{};
    auto show = [&](const TBoard& board, const TMoveRecord* move) {
        ++shown;
        shownBoard = board;
        EXPECT_EQ(move, core.CurrentMove());
    };
    EXPECT_TRUE(NextMatch(core, show));
    EXPECT_EQ(core.Current, MainLine(core)[2]);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(shownBoard, core.CurrentPosition());
    EXPECT_TRUE(NextMatch(core, show));
    EXPECT_EQ(core.Current, MainLine(core)[9]);
    EXPECT_FALSE(NextMatch(core, show));
    EXPECT_EQ(core.Current, MainLine(core).back());
    EXPECT_EQ(shown, 3);
    ExpectInStep(core);
}

TEST(MatchSearch, PrevMatchFromTheEnd) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, MarkedGame()), 0);
    Events ev;
    ev.Attach(core);
    core.ToEnd();
    EXPECT_TRUE(PrevMatch(core));
    EXPECT_EQ(core.Current, MainLine(core)[9]);
    EXPECT_TRUE(PrevMatch(core));
    EXPECT_EQ(core.Current, MainLine(core)[2]);
    EXPECT_FALSE(PrevMatch(core));
    EXPECT_EQ(core.Current, nullptr);
    // Every step back raised the event.
    EXPECT_EQ(ev.count, 1 + 12);
    ExpectInStep(core);
}

TEST(MatchSearch, WithoutMarksTheSearchEndsTheLine) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. d4 {no mark here} d5 (1... Nf6 {match}) 2. c4 *"), 0);
    EXPECT_FALSE(NextMatch(core, nullptr));
    EXPECT_EQ(core.Current, MainLine(core).back());
}

// Marks inside variations are stops too, in the order of the game text, and
// each shows the position of its own line.
TEST(MatchSearch, MarksInsideVariationsInTextOrder) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 e5 {MATCH a} (1... c5 2. Nf3 {MATCH b} (2. c3 d5 {MATCH c}) d6) "
                              "2. Nf3 Nc6 (2... d6 {MATCH d}) 3. Bb5 {MATCH e} *"),
              0);
    std::vector<std::string> seen;
    std::vector<int> plies;
    while (NextMatch(core, nullptr)) {
        seen.push_back(core.CurrentComment());
        plies.push_back(PlyOf(core.Current));
        ExpectInStep(core);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"MATCH a", "MATCH b", "MATCH c", "MATCH d", "MATCH e"}));
    EXPECT_EQ(plies, (std::vector<int>{2, 3, 4, 4, 5}));
    // Back again, mark by mark, then to the start.
    seen.clear();
    while (PrevMatch(core)) {
        seen.push_back(core.CurrentComment());
        ExpectInStep(core);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"MATCH d", "MATCH c", "MATCH b", "MATCH a"}));
    EXPECT_EQ(core.Current, nullptr);
}

}  // namespace

// A hit at the start: the comment before the first move marks it, or the
// hit test says so. The opening jump stays there and <Match comes back to
// it; --mark writes a copy whose stops are exactly its hits, whatever marks
// the game had.
TEST(MatchSearch, TheStartPositionAsAStop) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "{MATCH} 1. d4 d5 2. c4 {MATCH} *"), 0);
    EXPECT_TRUE(OpeningMatch(core, nullptr));
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_TRUE(NextMatch(core, nullptr));
    EXPECT_EQ(core.Current, MainLine(core)[2]);
    EXPECT_TRUE(PrevMatch(core));
    EXPECT_EQ(core.Current, nullptr);
    // By the hit test alone.
    ASSERT_EQ(LoadMoves(core, "1. d4 d5 *"), 0);
    const THitTest atStart = [](const TNotationCore& c) { return c.Current == nullptr; };
    EXPECT_TRUE(OpeningMatch(core, nullptr, atStart));
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_FALSE(OpeningMatch(core, nullptr));
    EXPECT_EQ(core.Current, MainLine(core).back());

    ASSERT_EQ(LoadMoves(core, "{MATCH intro} 1. d4 {MATCH} d5 ({MATCH} 1... Nf6 {x | MATCH}) 2. c4 {MATCH} *"), 0);
    MarkHits(core, {0, 2}, "MATCH");
    EXPECT_EQ(core.Game.IntroComment, "{MATCH} { intro} ");
    EXPECT_EQ(MainLine(core)[0]->Comment, "");
    EXPECT_EQ(MainLine(core)[1]->Comment, "{MATCH}");
    EXPECT_EQ(MainLine(core)[1]->Variations->Comment, "");
    EXPECT_EQ(MainLine(core)[2]->Comment, "");
    EXPECT_TRUE(OpeningMatch(core, nullptr));
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_TRUE(NextMatch(core, nullptr));
    EXPECT_EQ(core.Current, MainLine(core)[1]);
    EXPECT_FALSE(NextMatch(core, nullptr));
}
