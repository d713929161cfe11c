// Every game of the real files: the tree the loader builds holds only legal
// moves, and taking every move back restores every position.
#include <gtest/gtest.h>

#include "collection/game_bounds.h"
#include "collection/game_list_core.h"
#include "collection/game_text.h"
#include "notation/move_numbers.h"
#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "support/test_data.h"
#include "tree_test_support.h"

namespace {

// The games of a text as the game list finds them, each as the moves of its
// tree in text order (squares, promotion, castling); "error" when a game
// stops at a reading error.
std::vector<std::string> GamesOf(const std::string& bytes) {
    std::vector<std::string> games;
    TNotationCore core;
    for (const auto& [start, end] : SplitGameBytes(bytes.data(), bytes.size())) {
        const int loaded = core.LoadGame(bytes.substr(start, end - start));
        std::string moves = loaded == lgLoaded ? "" : "error ";
        ForEachNode(core.Root, [&](TMoveNode* n) {
            moves += std::to_string(n->Move.FromSq) + "-" + std::to_string(n->Move.ToSq) + "=" +
                     std::to_string(n->Move.Promotion) + "/" + std::to_string(n->Move.CastleKind) + " ";
        });
        games.push_back(moves);
    }
    return games;
}

// Each line of a text through `change` (the line without its end, whether
// it is a tag line, whether it lies in a comment); the line ends kept.
template <class Change>
std::string ChangeLines(const std::string& bytes, Change change) {
    std::string out;
    bool inComment = false;
    for (std::size_t pos = 0; pos < bytes.size();) {
        std::size_t end = bytes.find('\n', pos);
        end = end == std::string::npos ? bytes.size() : end + 1;
        std::string line = bytes.substr(pos, end - pos);
        const bool tag = !inComment && IsTagLine(line);
        for (char c : line) {
            if (c == '{') inComment = true;
            else if (c == '}') inComment = false;
        }
        out += change(line, tag, inComment);
        pos = end;
    }
    return out;
}

// Move numbers ("12.", "12...") out of the movetext, comments left alone.
std::string WithoutMoveNumbers(const std::string& line) {
    std::string out;
    bool inComment = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '{') inComment = true;
        if (c == '}') inComment = false;
        const bool wordStart = i == 0 || line[i - 1] == ' ' || line[i - 1] == '(';
        if (!inComment && wordStart && c >= '0' && c <= '9') {
            std::size_t j = i;
            while (j < line.size() && line[j] >= '0' && line[j] <= '9') ++j;
            if (j < line.size() && line[j] == '.') {
                while (j < line.size() && line[j] == '.') ++j;
                i = j - 1;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// The ClpFEN numbers along the main line against a replay of its own: the
// clock restarts when a pawn moved or a piece left the board. Every ply of
// the file's first game, the end of the others.
void CheckMoveNumbers(TNotationCore& core, bool everyPly, const std::string& where) {
    if (!core.Game.Header.FEN.empty() || !core.Root) return;  // from the standard start only
    TBoard board = core.Game.StartPosition;
    int clock = 0;
    int ply = 0;
    for (TMoveNode* n = core.Root->FirstMove; n; n = n->Next) {
        const TBoard before = board;
        MakeMove(board, n->Move);
        int piecesBefore = 0, piecesAfter = 0;
        bool pawnsMoved = false;
        for (int q = 0; q < 64; ++q) {
            const int sq = Index64ToSquare(q);
            piecesBefore += before[sq] != 0;
            piecesAfter += board[sq] != 0;
            pawnsMoved |= (std::abs(before[sq]) == Pawn) != (std::abs(board[sq]) == Pawn);
        }
        // (A castling captures nothing, even where a broken text castles onto a piece.)
        const bool reset = n->Move.CastleKind == 0 && (pawnsMoved || piecesAfter < piecesBefore);
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
        TGameListCore pgn;
        std::string error;
        EXPECT_TRUE(pgn.OpenForReading(path.string(), error)) << error;
        TNotationCore core;
        TFischerInfo info;
        core.OnFischerInfo = [&](TNotationCore&, const TFischerInfo& i) { info = i; };
        const int32_t count = pgn.GameCount();
        for (int32_t g = 0; g < count; ++g) {
            int32_t id = -1;
            std::string text;
            pgn.GetGame(g, id, text);
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

namespace {

// Files built from the real ones read as the originals: without Event tags
// (where a tag section has others), without move numbers, with CR-only
// line ends, and all of them glued together.
TEST(RealFiles, FilesBuiltFromThemReadTheSameGamesAndMoves) {
    REQUIRE_SHARED_PGN();
    std::string glued;
    std::vector<std::string> all;
    for (const auto& path : testdata::SharedPgnFiles()) {
        const std::string bytes = testdata::ReadFile(path);
        const std::vector<std::string> original = GamesOf(bytes);
        const std::string name = path.filename().string();
        // An Event line goes when the line before or after it is another tag line.
        std::vector<std::string> lines;
        ChangeLines(bytes, [&](const std::string& line, bool, bool) {
            lines.push_back(line);
            return std::string();
        });
        std::string noEvent;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const bool event = IsTagLine(lines[i]) && TrimBlanks(lines[i]).starts_with("[Event ") &&
                               TrimBlanks(lines[i]).ends_with("]");
            const bool sectionGoesOn = (i > 0 && IsTagLine(lines[i - 1])) || (i + 1 < lines.size() && IsTagLine(lines[i + 1]));
            if (!(event && sectionGoesOn)) noEvent += lines[i];
        }
        EXPECT_EQ(GamesOf(noEvent), original) << name << " without Event tags";
        const std::string noNumbers =
            ChangeLines(bytes, [](const std::string& line, bool tag, bool) { return tag ? line : WithoutMoveNumbers(line); });
        EXPECT_EQ(GamesOf(noNumbers), original) << name << " without move numbers";
        std::string crOnly;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) crOnly += bytes[i] == '\n' ? '\r' : bytes[i];
        EXPECT_EQ(GamesOf(crOnly), original) << name << " with CR-only line ends";
        glued += bytes + "\n";
        all.insert(all.end(), original.begin(), original.end());
    }
    EXPECT_EQ(GamesOf(glued), all);
    EXPECT_GT(all.size(), 6000u);
    EXPECT_EQ(WithoutMoveNumbers("1. e4 {2. d4} e5 2.Nf3 (2... Nc6 3.Bb5) 1-0"), " e4 {2. d4} e5 Nf3 ( Nc6 Bb5) 1-0");
}

}  // namespace
