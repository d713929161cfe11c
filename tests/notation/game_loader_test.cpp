// Loading a game's text, move text, glyph texts and the shuffled start.
#include <gtest/gtest.h>

#include "notation/move_text.h"
#include "notation/notation_core.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "tree_test_support.h"

using treetest::LoadMoves;
using treetest::MainLine;
using treetest::Sq;

namespace {

struct Recorder {
    int moveChanges = 0;
    TBoard lastBoard{};
    TMoveRecord lastState{};
    std::vector<std::string> errors;
    std::vector<TFischerInfo> fischer;
    void Attach(TNotationCore& core) {
        core.OnMoveChange = [this](TNotationCore&, TMoveRecord& move, TBoard& board, bool) {
            ++moveChanges;
            lastBoard = board;
            lastState = move;
        };
        core.OnError = [this](TNotationCore&, const std::string& text) { errors.push_back(text); };
        core.OnFischerInfo = [this](TNotationCore&, const TFischerInfo& info) { fischer.push_back(info); };
    }
};

TEST(GameLoader, EmptyOrBlankTextGivesAnEmptyGame) {
    for (const char* text : {"", "   \r\n\t \n", "\x01\x02 \x1f"}) {
        TNotationCore core;
        Recorder rec;
        rec.Attach(core);
        EXPECT_EQ(core.LoadGame(text), 0);
        EXPECT_EQ(core.Root, nullptr);
        EXPECT_EQ(rec.moveChanges, 1);
        EXPECT_EQ(rec.lastBoard, InitialPosition);
        EXPECT_EQ(rec.lastState.Side, White);
        EXPECT_TRUE(rec.errors.empty());
    }
}

TEST(GameLoader, HeaderAndMovetextAreFoundInTheText) {
    TNotationCore core;
    // Text before the first tag line is ignored; escape lines inside the
    // movetext are skipped.
    const std::string text =
        "garbage before 1. d4\r\n[Event \"Club\"]\r\n[White \"Anna\"]\r\n[Black \"Bert\"]\r\n\r\n"
        "1. e4 e5\r\n%escape 2. a4\r\n2. Nf3 Nc6 *\r\n";
    EXPECT_EQ(core.LoadGame(text), 0);
    EXPECT_EQ(core.Game.Header.Event, "Club");
    EXPECT_EQ(core.Game.Header.White, "Anna");
    EXPECT_EQ(treetest::MainLineText(core), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6"}));
    // Lone CR line ends.
    EXPECT_EQ(core.LoadGame("[Event \"x\"]\r\r1. d4 d5\r2. c4 *\r"), 0);
    EXPECT_EQ(MainLine(core).size(), 3u);
    // No tag line at all: the text is all movetext.
    EXPECT_EQ(core.LoadGame("1. e4 e5 2. Nf3 *"), 0);
    EXPECT_EQ(MainLine(core).size(), 3u);
    EXPECT_EQ(core.Game.Header.White, "N.N.");
    // Blank lines inside the tag section; a tag line with moves on it.
    EXPECT_EQ(core.LoadGame("[Event \"x\"]\n\n[White \"Anna\"]\n  [Black \"B\"] 1. e4 e5\n2. Nf3 *"), 0);
    EXPECT_EQ(core.Game.Header.White, "Anna");
    EXPECT_EQ(core.Game.Header.Black, "B");
    EXPECT_EQ(MainLine(core).size(), 3u);
    // Movetext that starts right after the tags.
    EXPECT_EQ(core.LoadGame("[Event \"x\"]\n1. e4 e5 *\n"), 0);
    EXPECT_EQ(MainLine(core).size(), 2u);
}

TEST(GameLoader, AFenTagSetsTheStart) {
    TNotationCore core;
    Recorder rec;
    rec.Attach(core);
    ASSERT_EQ(LoadMoves(core, "23... Kd7 24. Kd2 *", "4k3/8/8/8/8/8/8/4K3 b - - 0 23"), 0);
    EXPECT_EQ(core.Game.StartState.Side, Black);
    EXPECT_EQ(core.Game.StartMoveNo, 23);
    EXPECT_EQ(core.Game.StartState.Castling, 0);
    EXPECT_EQ(MainLine(core).size(), 2u);
    EXPECT_EQ(rec.lastState.Side, Black);
    EXPECT_EQ(core.Board, core.Game.StartPosition);
    EXPECT_EQ(core.Current, nullptr);
}

TEST(GameLoader, ShuffledStartIsReported) {
    TNotationCore core;
    Recorder rec;
    rec.Attach(core);
    ASSERT_EQ(LoadMoves(core, "1. e4 e5 *", "bnrbkrqn/pppppppp/8/8/8/8/PPPPPPPP/BNRBKRQN w - - 0 1"), 0);
    ASSERT_EQ(rec.fischer.size(), 1u);
    const TFischerInfo& f = rec.fischer[0];
    EXPECT_EQ(f.IsShuffled, 1);
    EXPECT_EQ(f.WhiteRook1, Sq("c1"));
    EXPECT_EQ(f.WhiteRook2, Sq("f1"));
    EXPECT_EQ(f.BlackRook1, Sq("c8"));
    EXPECT_EQ(f.BlackRook2, Sq("f8"));
    EXPECT_EQ(f.WhiteKing, Sq("e1"));
    EXPECT_EQ(f.BlackKing, Sq("e8"));
    EXPECT_EQ(core.Game.StartState.Castling, CastleAll);

    rec.fischer.clear();
    ASSERT_EQ(LoadMoves(core, "1. e4 e5 *"), 0);
    ASSERT_EQ(rec.fischer.size(), 1u);
    EXPECT_EQ(rec.fischer[0], TFischerInfo{});
    EXPECT_FALSE(core.Game.CastlingRooks.Active);

    // A Chess960 game from a later position reports its castling rooks and
    // kings; a Variant tag makes the standard start a Chess960 game.
    rec.fischer.clear();
    ASSERT_EQ(LoadMoves(core, "1. O-O *", "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1"), 0);
    ASSERT_EQ(rec.fischer.size(), 1u);
    EXPECT_EQ(rec.fischer[0], (TFischerInfo{1, uint8_t(Sq("a1")), uint8_t(Sq("g1")), uint8_t(Sq("b8")),
                                            uint8_t(Sq("g8")), uint8_t(Sq("b1")), uint8_t(Sq("e8"))}));
    for (const char* variant : {"Chess960", "fischerandom", "Chess 960", "Standard"}) {
        ASSERT_EQ(core.LoadGame(std::string("[Event \"t\"]\n[Variant \"") + variant +
                                "\"]\n\n1. Nf3 Nf6 2. g3 g6 3. Bg2 Bg7 4. O-O *"),
                  0);
        const bool chess960 = std::string(variant) != "Standard";
        EXPECT_EQ(core.Game.CastlingRooks.Active, chess960) << variant;
        EXPECT_EQ(IsRookFileCastle(MainLine(core)[6]->Move), chess960) << variant;
        core.ToEnd();
        EXPECT_EQ(core.Board[Sq("f1")], Rook) << variant;
    }
}

TEST(GameLoader, IsShuffledStart) {
    auto shuffled = [](const char* fen) {
        TBoard board;
        TMoveRecord state;
        uint16_t moveNo = 1;
        EXPECT_TRUE(FENToPosition(fen, board, state, moveNo));
        return IsShuffledStart(board);
    };
    EXPECT_FALSE(shuffled("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    // Only bishops and knights exchanged: not shuffled.
    EXPECT_FALSE(shuffled("rbnqknbr/pppppppp/8/8/8/8/PPPPPPPP/RBNQKNBR w KQkq - 0 1"));
    EXPECT_TRUE(shuffled("bnrbkrqn/pppppppp/8/8/8/8/PPPPPPPP/BNRBKRQN w - - 0 1"));
    // Back ranks need not mirror each other.
    EXPECT_TRUE(shuffled("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/NRKBBQRN w - - 0 1"));
    // A pawn moved: not a start position.
    EXPECT_FALSE(shuffled("bnrbkrqn/pppppppp/8/8/4P3/8/PPPP1PPP/BNRBKRQN w - - 0 1"));
}

TEST(GameLoader, AFaultInTheMovesIsReportedOnce) {
    TNotationCore core;
    Recorder rec;
    rec.Attach(core);
    core.SetEnglish(true);
    EXPECT_EQ(LoadMoves(core, "1. e4 e5 2. Nf3 Qxh9 3. d4 *"), -1);
    ASSERT_EQ(rec.errors.size(), 1u);
    EXPECT_EQ(rec.errors[0], "Error reading moves.");
    EXPECT_TRUE(core.ErrorShown);
    EXPECT_EQ(MainLine(core).size(), 3u);
    // The loader still ends at the start position, with the event raised.
    EXPECT_EQ(core.Current, nullptr);
    EXPECT_EQ(rec.lastBoard, InitialPosition);
    core.SetEnglish(false);
    EXPECT_EQ(LoadMoves(core, "1. e4 {never closed"), -1);
    EXPECT_EQ(rec.errors.back(), "Beim Einlesen der Z\xC3\xBCge ist ein Fehler aufgetreten.");
}

TEST(MoveText, EnglishAndGermanLetters) {
    struct Case {
        const char* fen;
        const char* move;
        const char* english;
        const char* german;
    };
    for (Case c : {Case{"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", "Nbd2", "Nbd2", "Sbd2"},
                   Case{"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6", "exd6", "exd6"},
                   Case{"8/4P3/8/8/8/8/k7/7K w - - 0 1", "e8=Q+", "e8=Q+", "e8=D+"},
                   Case{"r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "O-O-O#", "O-O-O#", "O-O-O#"},
                   Case{"4k3/5p2/8/7Q/8/8/8/4K3 w - - 0 1", "Qxf7#", "Qxf7#", "Dxf7#"},
                   Case{"4k3/8/8/8/8/8/8/R4RK1 w - - 0 1", "Rad1!?", "Rad1!?", "Tad1!?"},
                   Case{"4k3/8/8/8/8/8/8/R4RK1 w - - 0 1", "Rad1 $5", "Rad1!?", "Tad1!?"},
                   Case{"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "exd5", "exd5", "exd5"},
                   Case{"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "Rad1", "Rd1", "Td1"}}) {
        TNotationCore core;
        std::string movetext = std::string(c.fen).find(" b ") != std::string::npos ? "1... " : "1. ";
        ASSERT_EQ(LoadMoves(core, movetext + c.move + " *", c.fen), 0) << c.move;
        ASSERT_EQ(MainLine(core).size(), 1u) << c.move;
        const TMoveRecord move = MainLine(core)[0]->Move;
        core.SetEnglish(true);
        EXPECT_EQ(core.MoveToText(move), c.english) << c.move;
        core.SetEnglish(false);
        EXPECT_EQ(core.MoveToText(move), c.german) << c.move;
    }
}

TEST(MoveText, AnEmptySourceSquareIsReportedOncePerLayout) {
    TNotationCore core;
    core.SetEnglish(true);
    std::vector<std::string> errors;
    core.OnError = [&](TNotationCore&, const std::string& text) { errors.push_back(text); };
    TMoveRecord move = FreshState();
    move.FromSq = static_cast<int8_t>(Sq("e4"));
    move.ToSq = static_cast<int8_t>(Sq("e5"));
    EXPECT_EQ(core.MoveToText(move), "e5");
    EXPECT_EQ(core.MoveToText(move), "e5");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Error while reading the moves.");
    core.ErrorShown = false;
    core.MoveToText(move);
    EXPECT_EQ(errors.size(), 2u);
}

TEST(MoveText, GlyphTexts) {
    const char* moveNags[] = {"", "!", "!!", "?", "??", "!?", "?!", ""};
    const char* pgnNags[] = {"", "$1", "$3", "$2", "$4", "$5", "$6", ""};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(MoveNagText(i), moveNags[i]);
        EXPECT_EQ(MoveNagPgn(i), pgnNags[i]);
    }
    EXPECT_EQ(NagNumberText(14), "$14");
    EXPECT_EQ(NagNumberText(300), "$44");
    EXPECT_EQ(NagNumberText(-1), "$255");
    TNotationCore core;
    const std::pair<int, const char*> symbols[] = {{22, "i"}, {8, "j"},   {18, "k"},  {16, "l"},  {14, "m"},
                                                   {11, "n"}, {13, "o"},  {15, "p"},  {17, "q"},  {19, "r"},
                                                   {44, "s"}, {132, "t"}, {36, "u"},  {40, "v"},  {138, "w"},
                                                   {32, "y"}, {146, "z"}, {140, "|"}, {142, "~"}, {1, ""},
                                                   {0, ""},   {255, ""},  {-3, ""},   {1000, ""}};
    for (auto [n, text] : symbols) {
        EXPECT_EQ(core.NagSymbol(n), text) << n;
        core.PgnMode = true;
        EXPECT_EQ(core.NagSymbol(n), text) << n;
        core.PgnMode = false;
    }
}

TEST(MoveText, MessageTable) {
    EXPECT_EQ(MessageText(msgCannotReadFile, false), "Kann Datei nicht lesen.");
    EXPECT_EQ(MessageText(msgCannotReadFile, true), "Cannot read file.");
    EXPECT_EQ(MessageText(msgGameNotFound, true), "Game not found.");
    EXPECT_EQ(MessageText(msgErrorInPgn, false), "Fehler im PGN-Format.");
    EXPECT_EQ(MessageText(msgErrorReadingMoves, true), "Error reading moves.");
    EXPECT_EQ(MessageText(msgFileNotFound, false), "Datei nicht gefunden.");
    EXPECT_EQ(MessageText(msgCouldNotSaveGame, true), "Could not save game.");
}

}  // namespace
