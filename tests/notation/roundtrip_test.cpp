// Properties over every real game of the shared corpus: what the PGN writer
// produces reads back into the same tree, and every character of every move
// element leads to that move.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "collection/game_list_core.h"
#include "layout_test_support.h"
#include "notation/game_tree.h"
#include "notation/pgn_writer.h"
#include "notation/text_position.h"
#include "support/test_data.h"

using layouttest::TLaidOut;

namespace {

// A comment as the writer leaves it, blanks folded: runs of white space
// become one blank, and no blank stays just inside a brace.
std::string Folded(const std::string& comment) {
    std::string out;
    for (char c : comment) {
        bool blank = c == ' ' || c == '\n' || c == '\r' || c == '\t';
        if (blank) {
            if (!out.empty() && out.back() != ' ' && out.back() != '{') out += ' ';
            continue;
        }
        if (c == '}' && !out.empty() && out.back() == ' ') out.pop_back();
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// Compares two trees; returns a description of the first difference, or "".
std::string TreeDifference(const TNotationCore& a, const TNotationCore& b) {
    if (Folded(a.Game.IntroComment) != Folded(b.Game.IntroComment))
        return "intro comment [" + a.Game.IntroComment + "] vs [" + b.Game.IntroComment + "]";
    if (a.HasGame() != b.HasGame()) return "one game has moves, the other not";
    if (!a.HasGame()) return "";
    std::vector<std::pair<const TMoveNode*, const TMoveNode*>> stack{{a.Root->FirstMove, b.Root->FirstMove}};
    long count = 0;
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        for (; x || y; x = x->Next, y = y->Next) {
            ++count;
            if (!x || !y) return "line lengths differ after " + std::to_string(count) + " moves";
            if (!(x->Move == y->Move)) return "move " + std::to_string(count) + " differs";
            // Comments read back byte for byte: commands and blanks as written.
            if (x->Comment != y->Comment)
                return "comment [" + x->Comment + "] vs [" + y->Comment + "]";
            TVariationEntry* vx = x->Variations;
            TVariationEntry* vy = y->Variations;
            for (; vx || vy; vx = vx->NextVar, vy = vy->NextVar) {
                if (!vx || !vy) return "alternative counts differ at move " + std::to_string(count);
                if (!vx->FirstMove != !vy->FirstMove) return "an alternative is empty in one tree only";
                if (vx->FirstMove) stack.emplace_back(vx->FirstMove, vy->FirstMove);
            }
        }
    }
    return "";
}

// The position after every move, by one walk over the tree.
std::unordered_map<const TMoveNode*, TBoard> PositionsAfter(const TNotationCore& core) {
    std::unordered_map<const TMoveNode*, TBoard> after;
    if (!core.HasGame()) return after;
    std::vector<std::pair<const TMoveNode*, TBoard>> stack{{core.Root->FirstMove, core.Game.StartPosition}};
    while (!stack.empty()) {
        auto [node, before] = stack.back();
        stack.pop_back();
        if (!node) continue;
        TBoard board = before;
        MakeMove(board, node->Move);
        after[node] = board;
        for (TVariationEntry* v = node->Variations; v; v = v->NextVar) stack.emplace_back(v->FirstMove, before);
        stack.emplace_back(node->Next, board);
    }
    return after;
}

struct TCorpusStats {
    long games = 0;
    long moves = 0;
    long positionsTried = 0;
};

void CheckGame(const std::string& name, const std::string& text, bool english, TCorpusStats& stats) {
    TLaidOut first(english);
    // The German pass also shows the headline and breaks rows.
    first.display->Headline = !english;
    first.display->PaintWidth = english ? 0 : 60;
    first.core.LoadGame(text);
    std::string written;
    ASSERT_EQ(WritePGN(first.core, false, written, false), 0);

    TLaidOut second(english);
    second.core.LoadGame(written);
    std::string difference = TreeDifference(first.core, second.core);
    ASSERT_EQ(difference, "") << name << "\n--- written ---\n" << written;
    EXPECT_EQ(first.core.Game.Header.White, second.core.Game.Header.White) << name;
    EXPECT_EQ(first.core.Game.Header.Result, second.core.Game.Header.Result) << name;
    ++stats.games;

    // Every character of every move element makes that move current.
    auto after = PositionsAfter(first.core);
    std::vector<TMoveNode*> nodes;
    ForEachNode(first.core.Root, [&](TMoveNode* n) { nodes.push_back(n); });
    stats.moves += static_cast<long>(nodes.size());
    // Each jump replays from the start: in very long games test a spread of moves.
    size_t step = nodes.size() > 600 ? nodes.size() / 300 : 1;
    for (size_t i = 0; i < nodes.size(); i += step) {
        TMoveNode* node = nodes[i];
        for (int p = node->TextPos; p < node->TextPos + node->TextLen; ++p) {
            ++stats.positionsTried;
            ASSERT_TRUE(GoToTextPosition(first.core, p)) << name << " at " << p << " of move " << i;
            ASSERT_EQ(first.core.Current, node) << name << " at " << p;
            ASSERT_EQ(first.core.Board, after[node]) << name << " at " << p;
            ASSERT_EQ(first.core.State, node->Move) << name << " at " << p;
        }
    }
}

void CheckCorpus(bool english, bool everyGame) {
    REQUIRE_SHARED_PGN();
    TCorpusStats stats;
    for (const auto& path : testdata::SharedPgnFiles()) {
        TGameListCore pgn;
        std::string error;
        // Files the game index refuses (no game start near the top) hold no games to check.
        if (!pgn.OpenForReading(path.string(), error)) continue;
        int count = pgn.GameCount();
        int step = everyGame ? 1 : std::max(1, count / 20);
        for (int i = 0; i < count; i += step) {
            std::int32_t id = -1;
            std::string text;
            pgn.GetGame(i, id, text);
            CheckGame(path.filename().string() + " game " + std::to_string(i + 1), text, english, stats);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
    EXPECT_GT(stats.games, 100);
    std::printf("games %ld, moves %ld, text positions tried %ld\n", stats.games, stats.moves, stats.positionsTried);
}

TEST(RoundTrip, EveryRealGameReadsBackTheSameAndEveryMoveIsReachable) { CheckCorpus(true, true); }

TEST(RoundTrip, GermanNotationWithHeadlineAndRowsWritesTheSameGames) { CheckCorpus(false, false); }

TEST(RoundTrip, SyntheticGameWithEverything) {
    TLaidOut g;
    g.Load("{Start} 1. e4 $1 {A comment with (brackets) and [squares]} e5 $998 $999 (1... c5 $146 {Sicilian} "
           "2. Nf3 (2. c3 d5 (2... Nf6 3. e5) 3. exd5) 2... d6) 2. Nf3 $140 Nc6 $14 3. Bb5 $5 a6 $6 "
           "4. Ba4 $3 Nf6 $4 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 {end} 1/2-1/2",
           {"[Result \"1/2-1/2\"]"});
    std::string written;
    ASSERT_EQ(WritePGN(g.core, false, written, false), 0);
    TLaidOut back;
    back.core.LoadGame(written);
    EXPECT_EQ(TreeDifference(g.core, back.core), "") << written;
    // Writing what was read back gives the same text again.
    std::string again;
    ASSERT_EQ(WritePGN(back.core, false, again, false), 0);
    EXPECT_EQ(again, written);
}

TEST(RoundTrip, TwentyThousandMovesWithVariationsAndComments) {
    std::string s;
    for (int i = 1; i <= 20000; ++i) {
        bool out = i % 2 == 1;
        s += std::to_string(i) + ". " + (out ? "Nf3" : "Ng1") + " ";
        if (i % 10 == 0) s += "(" + std::to_string(i) + ". Nc3 Nc6 " + std::to_string(i + 1) + ". Nb1 Nb8) ";
        s += std::to_string(i) + "... " + (out ? "Nf6" : "Ng8") + " ";
        if (i % 7 == 0) s += "{comment " + std::to_string(i) + "} ";
    }
    TLaidOut g;
    g.display->PaintWidth = 90;
    g.Load(s + "*");
    std::string written;
    ASSERT_EQ(WritePGN(g.core, false, written, false), 0);
    TLaidOut back;
    back.core.LoadGame(written);
    EXPECT_EQ(TreeDifference(g.core, back.core), "");
    // The last move, reached by its place in the text.
    TMoveNode* last = g.core.Root->FirstMove;
    while (last->Next) last = last->Next;
    EXPECT_EQ(last->MoveNo, 20000);
    ASSERT_TRUE(GoToTextPosition(g.core, last->TextPos));
    EXPECT_EQ(g.core.Current, last);
    EXPECT_EQ(g.core.Board, InitialPosition);  // knights home again
    // And an alternative in the middle of the game.
    TMoveNode* mid = g.core.Root->FirstMove;
    for (int k = 0; k < 2 * 9999; ++k) mid = mid->Next;
    ASSERT_NE(mid->Variations, nullptr);
    TMoveNode* alt = mid->Variations->FirstMove->Next;
    ASSERT_TRUE(GoToTextPosition(g.core, alt->TextPos + 1));
    EXPECT_EQ(g.core.Current, alt);
}

}  // namespace
