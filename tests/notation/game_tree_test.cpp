// The game tree: make/unmake, building alternatives, deleting lines.
#include <gtest/gtest.h>

#include "notation/notation_core.h"
#include "rules/fen.h"
#include "tree_test_support.h"

using treetest::Alternative;
using treetest::LoadMoves;
using treetest::MainLine;
using treetest::Sq;

namespace {

std::string BoardField(const TBoard& board) {
    std::string fen = PositionToFEN(board, FreshState(), 1);
    return fen.substr(0, fen.find(' '));
}

struct RoundTrip {
    const char* fen;
    const char* moves;       // movetext; the last move is the one checked
    const char* boardAfter;  // board field after it
};

// Names the case in test names and failures by its moves.
void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.moves; }

class MakeUnmake : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(MakeUnmake, RestoresThePositionExactly) {
    const RoundTrip& c = GetParam();
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, c.moves, c.fen), 0);
    auto line = MainLine(core);
    ASSERT_FALSE(line.empty());
    // Replay to the position before the last move.
    TBoard board = core.Game.StartPosition;
    for (size_t i = 0; i + 1 < line.size(); ++i) MakeMove(board, line[i]->Move);
    const TBoard before = board;
    const TMoveRecord& move = line.back()->Move;
    MakeMove(board, move);
    EXPECT_EQ(BoardField(board), c.boardAfter);
    UnmakeMove(board, move, move);
    EXPECT_EQ(board, before);
}

INSTANTIATE_TEST_SUITE_P(
    EverySpecialMove, MakeUnmake,
    ::testing::Values(
        RoundTrip{"", "1. Nf3", "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R"},
        RoundTrip{"", "1. e4 d5 2. exd5", "rnbqkbnr/ppp1pppp/8/3P4/8/8/PPPP1PPP/RNBQKBNR"},
        RoundTrip{"", "1. e4 a6 2. e5 d5 3. exd6", "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR"},
        RoundTrip{"", "1. a4 e5 2. a5 e4 3. d4 exd3", "rnbqkbnr/pppp1ppp/8/P7/8/3p4/1PP1PPPP/RNBQKBNR"},
        RoundTrip{"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "1. O-O", "r3k2r/8/8/8/8/8/8/R4RK1"},
        RoundTrip{"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "1. O-O-O", "r3k2r/8/8/8/8/8/8/2KR3R"},
        RoundTrip{"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "1... O-O", "r4rk1/8/8/8/8/8/8/R3K2R"},
        RoundTrip{"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "1... 0-0-0", "2kr3r/8/8/8/8/8/8/R3K2R"},
        RoundTrip{"8/4P3/8/8/8/8/k7/7K w - - 0 1", "1. e8=Q", "4Q3/8/8/8/8/8/k7/7K"},
        RoundTrip{"5r2/4P3/8/8/8/8/k7/7K w - - 0 1", "1. exf8=N", "5N2/8/8/8/8/8/k7/7K"},
        RoundTrip{"7K/8/8/8/8/8/1p6/R6k b - - 0 1", "1... bxa1=Q", "7K/8/8/8/8/8/8/q6k"}));

TEST(GameTree, AlternativesKeepTheOrderOfTheText) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 e5 (1... c5 2. Nf3) (1... e6) 2. Nf3 *"), 0);
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 3u);
    TMoveNode* e5 = line[1];
    ASSERT_NE(e5->Variations, nullptr);
    TVariationEntry* first = e5->Variations;
    TVariationEntry* second = first->NextVar;
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->NextVar, nullptr);
    EXPECT_EQ(first->PrevVar, nullptr);
    EXPECT_EQ(second->PrevVar, first);
    EXPECT_EQ(first->FirstMove->Move.ToSq, Sq("c5"));
    EXPECT_EQ(second->FirstMove->Move.ToSq, Sq("e6"));
    // The first move of an alternative points back to the move it replaces.
    EXPECT_EQ(first->FirstMove->Prev, e5);
    EXPECT_TRUE(IsVariationStart(first->FirstMove));
    EXPECT_FALSE(IsVariationStart(line[2]));
    EXPECT_EQ(first->FirstMove->Next->Move.ToSq, Sq("f3"));
}

TEST(GameTree, DeletingAMiddleEntryLinksItsNeighbours) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 (1. d4) (1. c4 c5 (1... e5 2. Nc3)) (1. Nf3) e5 *"), 0);
    TMoveNode* e4 = MainLine(core)[0];
    ASSERT_EQ(treetest::VariationCount(e4), 3);
    TVariationEntry* first = e4->Variations;
    TVariationEntry* middle = first->NextVar;
    TVariationEntry* last = middle->NextVar;
    TVariationEntry* ref = middle;
    core.DeleteVariation(ref);
    EXPECT_EQ(ref, last);
    EXPECT_EQ(first->NextVar, last);
    EXPECT_EQ(last->PrevVar, first);
    EXPECT_EQ(treetest::VariationCount(e4), 2);
    EXPECT_EQ(Alternative(e4, 2)->Move.ToSq, Sq("f3"));

    // The last entry: the one before it ends the list.
    TVariationEntry* lastRef = last;
    core.DeleteVariation(lastRef);
    EXPECT_EQ(lastRef, nullptr);
    EXPECT_EQ(first->NextVar, nullptr);
    // The only entry: the owner's reference empties.
    core.DeleteVariation(e4->Variations);
    EXPECT_EQ(e4->Variations, nullptr);
    EXPECT_EQ(treetest::CheckTree(core).nodes, 2);
}

TEST(GameTree, DeleteTreeReleasesNestedLinesAndResetsNavigation) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 (1. d4 d5 (1... Nf6 2. c4 (2. Nf3 g6 (2... e6)))) e5 2. Nf3 (2. f4) *"), 0);
    EXPECT_EQ(treetest::CheckTree(core).nodes, 11);
    core.ToEnd();
    core.DeleteTree();
    EXPECT_EQ(core.Root, nullptr);
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_EQ(core.CurEntry, nullptr);
    EXPECT_FALSE(core.StepForward());
    // The released nodes are reused by the next game.
    ASSERT_EQ(LoadMoves(core, "1. d4 d5 *"), 0);
    EXPECT_EQ(treetest::CheckTree(core).nodes, 2);
}

TEST(GameTree, NewGameRaisesTheStartPositionOnce) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 e5 *"), 0);
    int raised = 0;
    core.OnMoveChange = [&](TNotationCore&, TMoveRecord& move, TBoard& board, bool next) {
        ++raised;
        EXPECT_EQ(board, InitialPosition);
        EXPECT_EQ(move.Side, White);
        EXPECT_EQ(move.Castling, CastleAll);
        EXPECT_FALSE(next);
    };
    core.NewGame();
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(core.Root, nullptr);
    EXPECT_EQ(core.Game.Header.White, "N.N.");
}

TEST(GameTree, ClearGameResetsHeaderAndOtherTags) {
    TNotationCore core;
    ASSERT_EQ(core.LoadGame("[Event \"E\"]\n[Opening \"Sicilian\"]\n[White \"W\"]\n\n1. e4 c5 *\n"), 0);
    EXPECT_EQ(core.Game.Header.White, "W");
    ASSERT_EQ(core.OtherTags.Count(), 1u);
    EXPECT_EQ(core.OtherTags[0], "[Opening \"Sicilian\"]");
    core.ClearGame();
    EXPECT_EQ(core.Game.Header.White, "N.N.");
    EXPECT_EQ(core.OtherTags.Count(), 0u);
    EXPECT_TRUE(core.Game.IntroComment.empty());
    EXPECT_EQ(core.Game.StartMoveNo, 1);
}

TEST(GameTree, ForEachNodeVisitsInTextOrder) {
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, "1. e4 (1. d4 d5 (1... Nf6)) (1. c4) e5 2. Nf3 *"), 0);
    std::string order;
    ForEachNode(core.Root, [&](TMoveNode* n) { order += std::string(SquareName(n->Move.ToSq)) + " "; });
    EXPECT_EQ(order, "e4 d4 d5 f6 c4 e5 f3 ");
}

}  // namespace
