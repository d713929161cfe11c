#include <gtest/gtest.h>

#include <string>

#include "layout_test_support.h"
#include "notation/game_tree.h"
#include "notation/text_position.h"

using layouttest::TLaidOut;

namespace {

TTextTarget TargetAt(TLaidOut& g, int position) {
    TTextTarget t;
    EXPECT_TRUE(FindTextTarget(*g.display, position, g.core.Game.StartMoveNo, g.core.Game.StartState.Side, t))
        << "at " << position << " of " << g.Text();
    return t;
}

TEST(TextPosition, PathsThroughTwoAlternatives) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 (2. f4 exf4) (2. Nc3 Nf6 3. f4) 2... Nc6 3. Bb5 *");
    // In the second alternative: "01".
    TTextTarget t = TargetAt(g, g.Find("Nf6"));
    EXPECT_EQ(t.Path, "01");
    EXPECT_EQ(t.Ply, 4);
    EXPECT_EQ(TargetAt(g, g.Find("3.f4")).Path, "01");
    EXPECT_EQ(TargetAt(g, g.Find("3.f4")).Ply, 5);
    // In the first: "1".
    EXPECT_EQ(TargetAt(g, g.Find("exf4")).Path, "1");
    // In the main line after both: "00".
    t = TargetAt(g, g.Find("Nc6"));
    EXPECT_EQ(t.Path, "00");
    EXPECT_EQ(t.Ply, 4);
    EXPECT_EQ(TargetAt(g, g.Find("Bb5")).Ply, 5);
    // Before the alternatives: no decision.
    EXPECT_EQ(TargetAt(g, g.Find("2.Nf3")).Path, "");
}

TEST(TextPosition, NestedPathAndBlackStart) {
    TLaidOut g;
    g.Load("1. e4 e5 (1... c5 2. Nf3 (2. c3 d5 (2... Nf6 3. e5) 3. exd5) 2... d6) 2. Nf3 *");
    TTextTarget t = TargetAt(g, g.Find("3.e5"));
    EXPECT_EQ(t.Path, "111");
    EXPECT_EQ(t.Ply, 5);
    EXPECT_EQ(TargetAt(g, g.Find("exd5")).Path, "110");
    EXPECT_EQ(TargetAt(g, g.Find("d6")).Path, "10");

    TLaidOut b;
    b.Load("23... Kf7 24. Rd1 Ke6 *", {"[FEN \"8/6k1/8/8/8/8/3R1K2/8 b - - 0 23\"]"});
    EXPECT_EQ(TargetAt(b, b.Find("Kf7")).Ply, 1);
    EXPECT_EQ(TargetAt(b, b.Find("Rd1")).Ply, 2);
    EXPECT_EQ(TargetAt(b, b.Find("Ke6")).Ply, 3);
}

TEST(TextPosition, GoesToTheMoveAndItsPosition) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 (2. f4 exf4 3. Nf3) 2... Nc6 *");
    int redraws = 0;
    g.display->RedrawHighlight = [&] { ++redraws; };
    TMoveNode* e4 = g.core.Root->FirstMove;
    TMoveNode* f4 = e4->Next->Next->Variations->FirstMove;
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("exf4") + 2));
    EXPECT_EQ(g.core.Current, f4->Next);
    EXPECT_EQ(g.core.State, f4->Next->Move);
    TBoard expected = InitialPosition;
    MakeMove(expected, e4->Move);
    MakeMove(expected, e4->Next->Move);
    MakeMove(expected, f4->Move);
    MakeMove(expected, f4->Next->Move);
    EXPECT_EQ(g.core.Board, expected);
    EXPECT_EQ(redraws, 1);
    // Through the core's hook as well (the end-of-line jump uses it).
    ASSERT_TRUE(g.core.Hooks.GoToTextPosition(g.Find("Nc6")));
    EXPECT_EQ(g.core.Current, e4->Next->Next->Next);
}

TEST(TextPosition, AlternativeToTheFirstMoveOfAnAlternative) {
    // c4 is an alternative to d4, which is itself an alternative to e4: the
    // way to c5 decides at e4 and again at d4 within the same ply.
    TLaidOut g;
    g.Load("1. e4 (1. d4 (1. c4 c5) 1... d5) 1... e5 *");
    EXPECT_EQ(g.Text().substr(0, 30), "1.e4 [1.d4 (1.c4 c5) 1...d5] 1");
    TMoveNode* d4 = g.core.Root->FirstMove->Variations->FirstMove;
    TMoveNode* c4 = d4->Variations->FirstMove;
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("c5")));
    EXPECT_EQ(g.core.Current, c4->Next);
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("d5")));
    EXPECT_EQ(g.core.Current, d4->Next);
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("1.c4")));
    EXPECT_EQ(g.core.Current, c4);
}

TEST(TextPosition, RefusalsChangeNothing) {
    TLaidOut g;
    g.display->Headline = true;
    g.Load("{Intro (1. d4)} 1. e4 {a [b] 2. c4} e5 (1... c5) 2. Nf3 1-0",
           {"[White \"Alpha\"]", "[Black \"Beta\"]", "[Result \"1-0\"]"});
    TMoveNode* e5 = g.core.Root->FirstMove->Next;
    g.core.Current = e5;
    g.core.Relayout();
    TBoard board = g.core.Board;
    TMoveRecord state = g.core.State;
    const std::string& text = g.Text();
    const int n = static_cast<int>(text.size());
    std::vector<int> refused{0, -1, -1000000, n, n + 1, 1 << 30, 1, g.display->HeadlineLength};
    for (int p = g.Find("{Intro"); p <= g.Find("d4)}") + 3; ++p) refused.push_back(p);
    for (int p = g.Find("{a ["); p <= g.Find("c4}") + 2; ++p) refused.push_back(p);
    refused.push_back(g.Find("1-0"));
    refused.push_back(g.Find("1-0") + 2);
    for (int p : refused) {
        EXPECT_FALSE(GoToTextPosition(g.core, p)) << "position " << p;
        EXPECT_EQ(g.core.Current, e5);
        EXPECT_EQ(g.core.Board, board);
        EXPECT_EQ(g.core.State, state);
    }
    // Every single position, brackets included: never outside the text.
    for (int p = -3; p <= n + 3; ++p) {
        TMoveNode* before = g.core.Current;
        if (!GoToTextPosition(g.core, p)) {
            EXPECT_EQ(g.core.Current, before);
        }
    }
}

TEST(TextPosition, BlankBeforeAMoveGoesToIt) {
    TLaidOut g;
    g.Load("1. e4 e5 (1... c5) 2. Nf3 *");
    TMoveNode* e5 = g.core.Root->FirstMove->Next;
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find(" e5") ));
    EXPECT_EQ(g.core.Current, e5);
    // The "[" of the alternative belongs to its first move.
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("[")));
    EXPECT_EQ(g.core.Current, e5->Variations->FirstMove);
}

TEST(TextPosition, WithoutLayoutOrGame) {
    TNotationCore bare;
    EXPECT_FALSE(GoToTextPosition(bare, 1));
    TLaidOut g;
    g.Load("*");
    for (int p = -1; p < 5; ++p) EXPECT_FALSE(GoToTextPosition(g.core, p));
    EXPECT_EQ(g.core.Current, nullptr);
}

TEST(TextPosition, DeepNestingAndHugeNumbers) {
    std::string s = "1. e4 ";
    for (int i = 0; i < 100000; ++i) s += (i % 2 == 0) ? "(1. d4 " : "(1. c4 ";
    s += std::string(100000, ')');
    s += " e5 *";
    TLaidOut g;
    g.Load(s);
    ASSERT_TRUE(GoToTextPosition(g.core, g.Find("1...e5")));
    EXPECT_EQ(g.core.Current, g.core.Root->FirstMove->Next);
    // The innermost move: a path of 100000 ones.
    size_t inner = g.Text().rfind("(1.");
    ASSERT_TRUE(GoToTextPosition(g.core, static_cast<int>(inner) + 2));
    TMoveNode* deepest = g.core.Root->FirstMove;
    while (deepest->Variations) deepest = deepest->Variations->FirstMove;
    EXPECT_EQ(g.core.Current, deepest);

    // A number no game reaches is refused, not overflowed.
    TNotationDisplay d;
    d.Text = "99999999999999999999.e4 *";
    TTextTarget t;
    EXPECT_FALSE(FindTextTarget(d, 22, 1, White, t));
}

}  // namespace
