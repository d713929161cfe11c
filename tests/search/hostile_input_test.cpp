// What bad input gets: never a crash, a hang or runaway memory; always an
// error result or a defined tree that stays navigable.
#include <gtest/gtest.h>

#include <chrono>

#include "notation/layout.h"
#include "notation/movetext_parser.h"
#include "notation/notation_core.h"
#include "notation/tree_test_support.h"
#include "search/match_search.h"

using treetest::LoadMoves;
using treetest::MainLine;
using treetest::Sq;

namespace {

// Walks the game with every navigation operation; nothing may go wrong.
void Navigate(TNotationCore& core) {
    core.Hooks.ChooseVariation = [](TMoveNode*) { return 1; };
    for (int i = 0; i < 50 && core.StepForwardBranch(); ++i) {
    }
    core.ToEnd();
    core.PrevBranchPoint();
    core.NextBranchPoint();
    while (core.StepBack()) {
    }
    EXPECT_EQ(core.Board, core.Game.StartPosition);
    NextMatch(core, nullptr);
    PrevMatch(core);
    long visited = 0;
    ForEachNode(core.Root, [&](TMoveNode*) { ++visited; });
    EXPECT_EQ(visited, treetest::CheckTree(core).nodes);
}

double Seconds(const std::function<void()>& fn) {
    auto t0 = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

TEST(HostileInput, VariationsNestedAHundredThousandDeep) {
    const int depth = 100'000;
    std::string text = "1. e4 ";
    for (int i = 0; i < depth; ++i) text += "(1. d4 ";
    for (int i = 0; i < depth; ++i) text += ") ";
    text += "1... e5 2. Nf3 *";
    TNotationCore core;
    ASSERT_EQ(LoadMoves(core, text), 0);
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 3u);
    EXPECT_EQ(line[1]->Move.FromSq, Sq("e7"));
    // The deepest move is reached through the chain of alternatives.
    TMoveNode* deepest = line[0];
    int levels = 0;
    while (deepest->Variations) {
        deepest = deepest->Variations->FirstMove;
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    core.SetCurrent(deepest);
    EXPECT_EQ(core.Board[Sq("d4")], Pawn);
    EXPECT_TRUE(core.StepBack());
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_EQ(core.Board, InitialPosition);
    treetest::TreeCheck check = treetest::CheckTree(core);
    EXPECT_EQ(check.nodes, depth + 3);
    EXPECT_EQ(check.illegal, 0);
    Navigate(core);
    // Deleting the whole tree and destroying the core use no recursion either.
    core.DeleteTree();
    EXPECT_EQ(core.Root, nullptr);
}

TEST(HostileInput, UnclosedParenthesesEndInAnErrorBeyondTheLimit) {
    std::string text = "1. e4 ";
    for (int i = 0; i < 300'000; ++i) text += "(";
    TNotationCore core;
    EXPECT_EQ(LoadMoves(core, text), -1);
    EXPECT_EQ(MainLine(core).size(), 1u);
    Navigate(core);
    // Unclosed but within the limit: the moves read are kept.
    EXPECT_EQ(LoadMoves(core, "1. e4 (1. d4 (1. c4 c5"), 0);
    EXPECT_EQ(MainLine(core).size(), 1u);
    Navigate(core);
}

TEST(HostileInput, ManySiblingVariationsLoadInLinearTime) {
    std::string text = "1. e4 ";
    for (int i = 0; i < 200'000; ++i) text += "(1. d4) ";
    text += "e5 *";
    TNotationCore core;
    double seconds = Seconds([&] { EXPECT_EQ(LoadMoves(core, text), 0); });
    EXPECT_EQ(treetest::VariationCount(MainLine(core)[0]), 200'000);
    EXPECT_LT(seconds, 20.0);  // quadratic appending would take hours
    Navigate(core);
}

TEST(HostileInput, TwelveKnightsAroundOneSquare) {
    // Eight white knights reach d4, four more stand elsewhere.
    const std::string fen = "k7/8/2N1N3/1N3N2/8/1N3N2/2N1N3/K3NNNN w - - 0 1";
    TNotationCore core;
    // Without the square named the move is ambiguous.
    EXPECT_EQ(LoadMoves(core, "1. Nd4 *", fen), -1);
    EXPECT_EQ(MainLine(core).size(), 0u);
    TCandidateList list;
    FindKnightCandidates(core.Game.StartPosition, Sq("d4"), White, TFinderMode::Find, &list);
    EXPECT_EQ(list.Count, 8);
    // By file alone still two of them; by square one.
    EXPECT_EQ(LoadMoves(core, "1. Nfd4 *", fen), -1);
    ASSERT_EQ(LoadMoves(core, "1. Nb5d4 *", fen), 0);
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("b5"));
    // A list filled beyond its room never writes past it.
    TCandidateList full;
    for (int i = 0; i < 25; ++i) full.Add(21 + i);
    EXPECT_EQ(full.Count, TCandidateList::Capacity);
}

TEST(HostileInput, AParenthesisBeforeTheFirstMove) {
    TNotationCore core;
    EXPECT_EQ(LoadMoves(core, "1. (1. d4 d5 {x)y} (1... Nf6)) e4 e5 *"), 0);
    EXPECT_EQ(treetest::MainLineText(core), (std::vector<std::string>{"e4", "e5"}));
    Navigate(core);
    EXPECT_EQ(LoadMoves(core, "1. ( d4 d5"), 0);
    EXPECT_EQ(core.Root, nullptr);
    EXPECT_EQ(LoadMoves(core, "1. ) e4 ) e5 *"), 0);
    EXPECT_EQ(MainLine(core).size(), 2u);
}

TEST(HostileInput, UnterminatedComment) {
    TNotationCore core;
    EXPECT_EQ(LoadMoves(core, "1. e4 e5 {never closed 2. Nf3 Nc6"), -1);
    EXPECT_EQ(MainLine(core).size(), 2u);
    Navigate(core);
    // Before the first move: the whole text is a comment, and no moves.
    EXPECT_EQ(LoadMoves(core, "{never closed 1. e4"), 0);
    EXPECT_EQ(core.Root, nullptr);
}

TEST(HostileInput, NulAndNonAsciiBytes) {
    TNotationCore core;
    static const char kBytes[] = "1. e4 {caf\xE9 \0 \xC3\xA9} e5 2. Nf3\0 Nc6 3. \xFF\xFE Bb5 *";
    std::string text(kBytes, sizeof kBytes - 1);
    ASSERT_NE(text.find('\0'), std::string::npos);
    EXPECT_EQ(LoadMoves(core, text), 0);
    EXPECT_GE(MainLine(core).size(), 4u);
    Navigate(core);
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 131 + 7) & 0xFF);
    LoadMoves(core, "1. " + binary);
    Navigate(core);
    core.LoadGame(binary);
    Navigate(core);
}

TEST(HostileInput, AMegabyteToken) {
    TNotationCore core;
    const std::string big(1 << 20, 'a');
    double seconds = Seconds([&] {
        EXPECT_EQ(LoadMoves(core, "1. e4 N" + big), -1);
        // Read as a pawn move to a5 (the letters before are passed over).
        EXPECT_EQ(LoadMoves(core, "1. e4 " + big + "5"), 0);
        std::string marks;
        for (int i = 0; i < (1 << 18); ++i) marks += "e2-e";
        LoadMoves(core, "1. e4 " + marks + "4");
        std::string captures;
        for (int i = 0; i < (1 << 18); ++i) captures += "xa1";
        EXPECT_EQ(LoadMoves(core, "1. e4 R" + captures), -1);
        EXPECT_EQ(LoadMoves(core, "1. e4 {" + big + "} e5 $" + std::string(1 << 20, '1') + " *"), 0);
    });
    EXPECT_EQ(MainLine(core).size(), 2u);
    EXPECT_EQ(MainLine(core)[0]->Comment.size(), big.size() + 2);
    EXPECT_LT(seconds, 20.0);
    Navigate(core);
}

TEST(HostileInput, PawnMovesOffTheBoardAreRejected) {
    // Squares behind the first rank would be the board's border.
    TNotationCore core;
    EXPECT_EQ(LoadMoves(core, "1. e1", "4k3/8/8/8/8/8/8/K7 w - - 0 1"), -1);
    EXPECT_EQ(LoadMoves(core, "1. dxe1", "4k3/8/8/8/8/8/8/K7 w - - 0 1"), -1);
    EXPECT_EQ(LoadMoves(core, "1... e8", "4k3/8/8/8/8/8/8/K7 b - - 0 1"), -1);
    EXPECT_EQ(LoadMoves(core, "1. e2", "4k3/8/8/8/8/8/8/K7 w - - 0 1"), -1);
    // The border stays intact whatever was read.
    for (int sq = 0; sq < 120; ++sq) {
        if (!IsRealSquare(sq)) {
            EXPECT_EQ(core.Board[sq], OffBoard) << sq;
        }
    }
}

TEST(HostileInput, TextFaultsStillGiveADefinedTree) {
    TNotationCore core;
    // Moves of empty squares, castling without pieces, promotion of a knight.
    EXPECT_EQ(LoadMoves(core, "1. e5 O-O 2. O-O-O Nf6Q 3. exd6 *", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"), -1);
    Navigate(core);
    EXPECT_EQ(LoadMoves(core, "1. e5 e4 2. exd6 O-O-O 3. O-O O-O *"), -1);
    EXPECT_EQ(MainLine(core).size(), 0u);
    Navigate(core);
    for (int sq = 0; sq < 120; ++sq) {
        if (!IsRealSquare(sq)) {
            ASSERT_EQ(core.Board[sq], OffBoard) << sq;
        }
    }
}

}  // namespace

TEST(HostileInput, AGameTooLargeToShowIsRefusedWholeWithoutWrapping) {
    // The limits stand in for the real ones (1 GiB of game text, 1 GiB of
    // notation text) so that the same checks run on a small game.
    const std::string game = "[Event \"big\"]\n[White \"W\"]\n\n1. e4 {" + std::string(5000, 'c') + "} e5 2. Nf3 *";
    struct Case {
        size_t maxGame, maxText;
        int result;
    } cases[] = {{1 << 20, 1 << 20, lgLoaded}, {4000, 1 << 20, lgTooLarge}, {1 << 20, 4000, lgTooLarge}};
    for (const Case& c : cases) {
        TNotationCore core;
        TNotationDisplay& display = AttachLayout(core);
        display.Headline = true;
        core.MaxGameBytes = c.maxGame;
        display.MaxTextLength = c.maxText;
        ASSERT_EQ(core.LoadGame(game), c.result) << c.maxGame << " " << c.maxText;
        if (c.result == lgLoaded) {
            EXPECT_EQ(MainLine(core).size(), 3u);
            continue;
        }
        // Nothing of it stays: no moves, no players, an empty notation.
        EXPECT_EQ(core.Root ? core.Root->FirstMove : nullptr, nullptr);
        EXPECT_EQ(core.Game.Header.White, "N.N.");
        EXPECT_LT(display.Text.size(), 40u);
        Navigate(core);
    }
}
