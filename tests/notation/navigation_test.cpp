// Navigation through the tree.
#include <gtest/gtest.h>

#include "notation/move_numbers.h"
#include "notation/notation_core.h"
#include "rules/fen.h"
#include "support/replay_path.h"
#include "tree_test_support.h"

using treetest::Alternative;
using treetest::Events;
using treetest::ExpectInStep;
using treetest::LoadMoves;
using treetest::MainLine;
using treetest::Sq;

namespace {

const char* kGame = "1. e4 (1. d4 d5 2. c4 (2. Nf3 Nf6) 2... e6) (1. c4) 1... e5 2. Nf3 (2. f4 exf4) 2... Nc6 3. Bb5 *";

TEST(Navigation, AtTheStart) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, kGame), 0);
    Events ev;
    ev.Attach(core);
    EXPECT_FALSE(core.StepBack());
    EXPECT_FALSE(core.ToStart());
    EXPECT_FALSE(core.PrevBranchPoint());
    EXPECT_EQ(ev.count, 0);
    EXPECT_EQ(core.CurrentMove(), nullptr);
    // StepForward plays the main move, raises nothing and reports the move.
    uint8_t from = 0, to = 0, promo = 9, castle = 9;
    EXPECT_TRUE(core.StepForward(from, to, promo, castle));
    EXPECT_EQ(ev.count, 0);
    EXPECT_EQ(from, Sq("e2"));
    EXPECT_EQ(to, Sq("e4"));
    EXPECT_EQ(promo, 0);
    EXPECT_EQ(castle, 0);
    ASSERT_NE(core.CurrentMove(), nullptr);
    EXPECT_EQ(core.CurrentMove()->ToSq, Sq("e4"));
    EXPECT_EQ(core.CurrentPosition()[Sq("e4")], Pawn);
    ExpectInStep(core);
}

TEST(Navigation, StepForwardNeverEntersAVariationAndStopsAtTheEnd) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, kGame), 0);
    int steps = 0;
    while (core.StepForward()) ++steps;
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(core.Current, MainLine(core).back());
    ExpectInStep(core);
    EXPECT_FALSE(core.StepForward());
    EXPECT_EQ(core.Current, MainLine(core).back());
    // And back to the start.
    while (core.StepBack()) ExpectInStep(core);
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_EQ(core.Board, InitialPosition);
}

TEST(Navigation, TheChooserDecidesAtABranch) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, kGame), 0);
    Events ev;
    ev.Attach(core);
    std::vector<TMoveNode*> asked;
    int answer = 1;
    core.Hooks.ChooseVariation = [&](TMoveNode* candidate) {
        asked.push_back(candidate);
        return answer;
    };
    // The first move has alternatives: asked even at the start.
    EXPECT_TRUE(core.StepForwardBranch());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], MainLine(core)[0]);
    EXPECT_EQ(core.Current->Move.ToSq, Sq("d4"));
    EXPECT_EQ(ev.count, 1);
    EXPECT_TRUE(ev.lastNext);
    ExpectInStep(core);
    // No alternatives: no question.
    EXPECT_TRUE(core.StepForwardBranch());
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(core.Current->Move.ToSq, Sq("d5"));
    // Beyond the number of alternatives: the last one.
    answer = 7;
    EXPECT_TRUE(core.StepForwardBranch());
    EXPECT_EQ(core.Current->Move.ToSq, Sq("f3"));
    ExpectInStep(core);
    // Cancel at the start leaves the start.
    core.ToStart();
    answer = -1;
    int before = ev.count;
    EXPECT_FALSE(core.StepForwardBranch());
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_EQ(ev.count, before);
    ExpectInStep(core);
    // Item 0 is the main move.
    answer = 0;
    EXPECT_TRUE(core.StepForwardBranch());
    EXPECT_EQ(core.Current, MainLine(core)[0]);
    ExpectInStep(core);
}

TEST(Navigation, StepBackFromAVariationGoesBeforeTheReplacedMove) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, kGame), 0);
    TMoveNode* e4 = MainLine(core)[0];
    TMoveNode* d4 = Alternative(e4, 1);
    TMoveNode* nf3 = Alternative(d4->Next->Next, 1);  // 2. Nf3, alternative to 2. c4
    ASSERT_EQ(nf3->Move.ToSq, Sq("f3"));
    core.SetCurrent(nf3);
    ExpectInStep(core);
    EXPECT_TRUE(core.StepBack());
    EXPECT_EQ(core.Current, d4->Next);  // after 1... d5
    ExpectInStep(core);
    core.SetCurrent(d4);
    EXPECT_TRUE(core.StepBack());
    EXPECT_EQ(core.Current, nullptr);
    ExpectInStep(core);
}

TEST(Navigation, StepBackOutOfANestedFirstMoveStaysInStep) {
    TNotationCore core;
    // c4 replaces d4, which itself replaces e4: before c4 is the start.
    ASSERT_EQ(LoadMoves(core, "1. e4 (1. d4 (1. c4 c5)) e5 *"), 0);
    TMoveNode* c4 = Alternative(Alternative(MainLine(core)[0], 1), 1);
    ASSERT_EQ(c4->Move.ToSq, Sq("c4"));
    core.SetCurrent(c4->Next);
    EXPECT_TRUE(core.StepBack());
    EXPECT_EQ(core.Current, c4);
    EXPECT_TRUE(core.StepBack());
    EXPECT_EQ(core.Current, nullptr);
    ExpectInStep(core);
    // The branch search lands before the replaced move, in step too.
    core.SetCurrent(c4->Next);
    EXPECT_TRUE(core.PrevBranchPoint());
    EXPECT_EQ(core.Current, nullptr);
    ExpectInStep(core);
}

TEST(Navigation, EndsAndBranchPoints) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, kGame), 0);
    Events ev;
    ev.Attach(core);
    auto main = MainLine(core);
    TMoveNode* exf4 = Alternative(main[2], 1)->Next;
    // ToEnd from inside a variation goes to the end of the main line.
    core.SetCurrent(exf4);
    EXPECT_TRUE(core.ToEnd());
    EXPECT_EQ(core.Current, main.back());
    EXPECT_FALSE(ev.lastNext);
    ExpectInStep(core);
    // PrevBranchPoint from inside a variation: before the move it replaces.
    core.SetCurrent(exf4);
    EXPECT_TRUE(core.PrevBranchPoint());
    EXPECT_EQ(core.Current, main[1]);
    ExpectInStep(core);
    // From the end of the main line: before 2. Nf3, then before 1. e4.
    core.ToEnd();
    EXPECT_TRUE(core.PrevBranchPoint());
    EXPECT_EQ(core.Current, main[1]);
    EXPECT_TRUE(core.PrevBranchPoint());
    EXPECT_EQ(core.Current, nullptr);
    ExpectInStep(core);
    // NextBranchPoint: just before the next move with alternatives, or the end.
    EXPECT_TRUE(core.NextBranchPoint());
    EXPECT_EQ(core.Current, main[1]);
    EXPECT_TRUE(core.NextBranchPoint());
    EXPECT_EQ(core.Current, main.back());
    ExpectInStep(core);
    EXPECT_FALSE(core.NextBranchPoint());
    EXPECT_TRUE(core.ToStart());
    EXPECT_EQ(core.Board, InitialPosition);
    const int before = ev.count;
    EXPECT_FALSE(core.ToStart());
    EXPECT_EQ(ev.count, before);
}

TEST(Navigation, EndOfAVariationJumpsToTheEnclosingLine) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 (1. d4) 1... e5 (1... c5) *"), 0);
    // A stand-in for the layout: the notation text and where each move stands.
    const std::string text = "1.e4 (1.d4) 1...e5 (1...c5) ";
    TMoveNode* e4 = MainLine(core)[0];
    TMoveNode* d4 = Alternative(e4, 1);
    TMoveNode* e5 = MainLine(core)[1];
    e4->TextPos = 3, e4->TextLen = 2;
    d4->TextPos = 9, d4->TextLen = 2;
    e5->TextPos = 17, e5->TextLen = 2;
    int beeps = 0, wentTo = 0;
    core.Hooks.NotationText = [&]() -> const std::string& { return text; };
    core.Hooks.Beep = [&] { ++beeps; };
    core.Hooks.GoToTextPosition = [&](int position) {
        wentTo = position;
        core.SetCurrent(e5);
        return true;
    };
    Events ev;
    ev.Attach(core);
    core.SetCurrent(d4);
    EXPECT_FALSE(core.StepForwardBranch());
    EXPECT_EQ(wentTo, 14);  // the "." of "1...e5"
    EXPECT_EQ(core.Current, e5);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(ev.count, 1);
    EXPECT_FALSE(ev.lastNext);
    // At the end of the main line nothing happens, though a number follows in
    // the text (once a beep and a jump into the last move's alternative).
    EXPECT_FALSE(core.StepForwardBranch());
    EXPECT_EQ(core.Current, e5);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(ev.count, 1);
}

TEST(Navigation, MoveNumbersOfTheCurrentPosition) {
    TNotationCore core;
    ASSERT_EQ(core.LoadGame("[Event \"x\"]\n[FEN \"4k3/8/8/8/8/8/4P3/R3K3 b Q - 7 23\"]\n\n"
                            "23... Kd7 24. O-O-O+ Kc6 25. e4 Kb5 (25... Kc7 26. Rd7+ Kxd7) *"),
              0);
    const std::vector<std::pair<int, int>> expected = {{23, 7}, {24, 8}, {24, 9}, {25, 10}, {25, 0}, {26, 1}};
    TMoveNode* n = nullptr;
    for (const auto& [full, clock] : expected) {
        const TMoveNumbers got = CurrentMoveNumbers(core);
        EXPECT_EQ(got.FullMove, full);
        EXPECT_EQ(got.HalfMoveClock, clock);
        n = n ? n->Next : MainLine(core)[0];
        if (n) core.SetCurrent(n);
    }
    // In the variation: the capture restarts the clock.
    TMoveNode* kd7 = Alternative(MainLine(core)[4], 1)->Next->Next;
    core.SetCurrent(kd7);
    EXPECT_EQ(CurrentMoveNumbers(core).HalfMoveClock, 0);
    EXPECT_EQ(CurrentMoveNumbers(core).FullMove, 27);
}

TEST(Navigation, CurrentComment) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "{Before} 1. e4 {MATCH found} e5 { spaced  words } 2. Nf3 *"), 0);
    EXPECT_EQ(core.CurrentComment(), "Before ");
    core.StepForward();
    EXPECT_EQ(core.CurrentComment(), "MATCH found");
    core.StepForward();
    EXPECT_EQ(core.CurrentComment(), "spaced  words");
    core.StepForward();
    EXPECT_EQ(core.CurrentComment(), "");
}

TEST(Navigation, AnEmptyGameGoesNowhere) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "*"), 0);
    EXPECT_FALSE(core.StepForward());
    EXPECT_FALSE(core.StepForwardBranch());
    EXPECT_FALSE(core.ToEnd());
    EXPECT_FALSE(core.NextBranchPoint());
    EXPECT_FALSE(core.StepBack());
    EXPECT_EQ(core.Board, InitialPosition);
}

}  // namespace
