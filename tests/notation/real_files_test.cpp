// Every game of the real files: the tree the loader builds holds only legal
// moves, and taking every move back restores every position.
#include <gtest/gtest.h>

#include "collection/pgn_core.h"
#include "notation/move_numbers.h"
#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "support/test_data.h"
#include "tree_test_support.h"

namespace {

// The games of a file the game list refuses (no "[Event " near its start):
// a game starts at a tag line that follows a non-tag line.
std::vector<std::string> SplitGames(const std::string& bytes) {
    std::vector<std::string> games;
    std::string current;
    bool lastWasTag = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        size_t first = line.find_first_not_of(" \t\r");
        bool blank = first == std::string::npos;
        size_t lastChar = line.find_last_not_of(" \t\r");
        bool tag = !blank && line[first] == '[' && line[lastChar] == ']';
        if (tag && !lastWasTag && !current.empty()) {
            games.push_back(current);
            current.clear();
        }
        current += line + "\n";
        if (!blank) lastWasTag = tag;
    }
    if (!current.empty()) games.push_back(current);
    return games;
}

// The ClpFEN numbers along the main line against a replay of its own: the
// clock restarts when a pawn moved or a piece left the board. Every ply of
// the file's first game, the end of the others.
void CheckMoveNumbers(TNotationCore& core, bool everyPly, const std::string& where) {
    if (!core.Game.Header.FEN.empty() || !core.Root) return;  // from the standard start only
    TSchachbrett board = core.Game.StartPosition;
    int clock = 0;
    int ply = 0;
    for (TBaum* n = core.Root->FirstMove; n; n = n->Next) {
        const TSchachbrett before = board;
        MakeMove(board, n->Zug);
        int piecesBefore = 0, piecesAfter = 0;
        bool pawnsMoved = false;
        for (int q = 0; q < 64; ++q) {
            const int sq = Index64ToSquare(q);
            piecesBefore += before[sq] != 0;
            piecesAfter += board[sq] != 0;
            pawnsMoved |= (std::abs(before[sq]) == Pawn) != (std::abs(board[sq]) == Pawn);
        }
        // (A castling captures nothing, even where a broken text castles onto a piece.)
        const bool reset = n->Zug.CastleKind == 0 && (pawnsMoved || piecesAfter < piecesBefore);
        clock = reset ? 0 : clock + 1;
        ++ply;
        if (!everyPly && n->Next) continue;
        core.SetCurrent(n);
        const TMoveNumbers got = CurrentMoveNumbers(core);
        ASSERT_EQ(got.HalfMoveClock, clock) << where << " ply " << ply;
        ASSERT_EQ(got.FullMove, ply / 2 + 1) << where << " ply " << ply;
    }
}

TEST(RealFiles, EveryMoveOfEveryTreeIsLegalAndUnmakes) {
    REQUIRE_SHARED_PGN();
    long textFaults = 0, games = 0, moves = 0, failedLoads = 0, chess960 = 0;
    for (const auto& path : testdata::SharedPgnFiles()) {
        TPGNCore pgn;
        std::string error;
        std::vector<std::string> texts;
        if (!pgn.OpenForReading(path.string(), error)) texts = SplitGames(testdata::ReadFile(path));
        TNotationCore core;
        TFischerInfo info;
        core.OnFischerInfo = [&](TNotationCore&, const TFischerInfo& i) { info = i; };
        const int32_t count = texts.empty() ? pgn.GameCount() : static_cast<int32_t>(texts.size());
        for (int32_t g = 0; g < count; ++g) {
            int32_t id = -1;
            std::string text;
            if (texts.empty()) pgn.GetGame(g, id, text);
            else text = texts[static_cast<size_t>(g)];
            info = TFischerInfo{};
            const bool loaded = core.LoadGame(text) == 0;
            if (!loaded) ++failedLoads;
            ++games;
            // Every Chess960 game of the corpus is read to its end.
            if (core.Game.CastlingRooks.Active) {
                ++chess960;
                EXPECT_TRUE(loaded) << path.filename() << " game " << g + 1;
                EXPECT_EQ(info.IsShuffled, 1) << path.filename() << " game " << g + 1;
            }
            treetest::TreeCheck check = treetest::CheckTree(core);
            moves += check.nodes;
            textFaults += check.textFaults;
            EXPECT_EQ(check.illegal, 0) << path.filename() << " game " << g + 1 << ": " << check.firstIllegal;
            EXPECT_EQ(check.notRestored, 0) << path.filename() << " game " << g + 1;
            CheckMoveNumbers(core, g == 0, path.filename().string() + " game " + std::to_string(g + 1));
        }
    }
    std::cout << "[          ] " << games << " games, " << moves << " moves checked, " << failedLoads
              << " stopped at a reading error, " << chess960 << " Chess960 games, " << textFaults
              << " moves the text gets wrong (empty source square, blocked castling or push)\n";
    // Only a few deliberately broken games of the corpus have such moves.
    EXPECT_LT(textFaults * 1000, moves);
    EXPECT_GT(moves, 10000);
    EXPECT_GE(chess960, 55);  // 50 + 1 + 4 games of the three Chess960 files
}

}  // namespace
