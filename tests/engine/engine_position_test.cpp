// The engine's moves in our notation, and the positions sent to it.
#include <gtest/gtest.h>

#include "engine/engine_position.h"
#include "notation/notation_core.h"

namespace {

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
    return text;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = text.find(' ', i);
        if (j == std::string::npos) j = text.size();
        words.push_back(text.substr(i, j - i));
        i = j + 1;
    }
    return words;
}

const char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(EnginePosition, LinesInShortNotation) {
    const struct {
        const char* fen;
        const char* uci;
        const char* san;
    } cases[] = {
        {kStart, "e2e4 e7e5 g1f3 b8c6 f1b5", "e4 e5 Nf3 Nc6 Bb5"},
        {kStart, "f2f3 e7e5 g2g4 d8h4", "f3 e5 g4 Qh4#"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1 e8c8", "O-O O-O-O"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2", "e5d6", "exd6"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q e8d7 b8b7", "b8=Q+ Kd7 Qb7+"},
        {"4k3/8/8/8/8/8/4K3/R6R w - - 0 1", "a1d1 e8f7 h1h7", "Rad1 Kf7 Rh7+"},
        {"4k3/8/8/8/R7/8/8/R3K3 w - - 0 1", "a1a2", "R1a2"},
        {"k7/8/8/8/8/2Q1Q3/8/2Q1K3 w - - 0 1", "c3d2 a8b8 e3e2", "Qc3d2 Kb8 Qee2"},
        // Chess960: castling is the king taking its own rook.
        {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", "b1h1", "O-O"},
        {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", "b1a1 b8a8", "O-O-O O-O-O"},
        // The line ends before its first bad move.
        {kStart, "e2e4 e2e4 g1f3", "e4"},
        {kStart, "e2e5", ""},
        {kStart, "zz", ""},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " " + c.uci);
        TEnginePosition position;
        ASSERT_TRUE(EnginePositionOfFen(c.fen, position));
        EXPECT_EQ(Joined(LineToSan(position, Split(c.uci))), c.san);
    }
}

TEST(EnginePosition, GermanLetters) {
    TEnginePosition position;
    ASSERT_TRUE(EnginePositionOfFen(kStart, position));
    EXPECT_EQ(Joined(LineToSan(position, {"g1f3", "d7d5"}, kGermanPieceLetters)), "Sf3 d5");
}

TEST(EnginePosition, FensAndLegalMoves) {
    const struct {
        const char* fen;
        bool ok;
        bool chess960;
        int legalMoves;
    } cases[] = {
        {kStart, true, false, 20},
        {"rk5r/8/8/8/8/8/8/RK5R w HAha - 0 1", true, true, 0},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", true, false, 0},          // stalemate
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", true, false, 5},
        {"6k1/8/8/8/8/8/8/r5K1 b - - 0 1", false, false, 0},         // the side not to move is in check
        {"not a fen", false, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fen);
        TEnginePosition position;
        ASSERT_EQ(EnginePositionOfFen(c.fen, position), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(position.Chess960(), c.chess960);
        if (c.legalMoves) {
            EXPECT_EQ(LegalMoveCount(position), c.legalMoves);
        }
    }
}

TEST(EnginePosition, GamePathWithVariationAndChess960) {
    TNotationCore core;
    ASSERT_EQ(core.LoadGame("[Event \"x\"]\n\n1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *\n"), lgLoaded);
    core.ToStart();
    ASSERT_TRUE(core.StepForward());
    ASSERT_TRUE(core.StepForwardBranch());  // the chooser without a hook takes the main move
    TEnginePosition p = EnginePositionOfGame(core);
    EXPECT_EQ(p.UciCommand(), std::string("position fen ") + kStart + " moves e2e4 e7e5");
    // The variation 1... c5 2. Nf3: played from the position before 1... e5.
    core.SetCurrent(core.Root->FirstMove->Next->Variations->FirstMove->Next);
    p = EnginePositionOfGame(core);
    EXPECT_EQ(p.UciCommand(), std::string("position fen ") + kStart + " moves e2e4 c7c5 g1f3");
    EXPECT_EQ(p.Fen, "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");

    ASSERT_EQ(core.LoadGame("[Variant \"Chess960\"]\n[FEN \"rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1\"]\n\n"
                            "1. O-O O-O-O *\n"),
              lgLoaded);
    core.ToEnd();
    p = EnginePositionOfGame(core);
    EXPECT_TRUE(p.Chess960());
    EXPECT_EQ(p.UciCommand(), "position fen rk5r/pppppppp/8/8/8/8/PPPPPPPP/RK5R w HAha - 0 1 moves b1h1 b8a8");
}

}  // namespace
