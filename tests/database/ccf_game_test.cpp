// The chess game database: identification, record forms and the conversion
// of compact records into PGN text.
#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "database/chess_database.h"
#include "support/ccf_writer.h"
#include "support/test_data.h"

namespace fs = std::filesystem;
using ccf::CompactGame;
using ccf::Move;
using testdata::ReadFile;
using testdata::TempDir;
using testdata::WriteFile;

namespace {

const std::string kEmptyHeader =
    "[Event \"?\"]\r\n[Site \"?\"]\r\n[Date \"????.??.??\"]\r\n[Round \"-\"]\r\n"
    "[White \"?\"]\r\n[Black \"?\"]\r\n[Result \"?\"]\r\n[EventDate \"????.??.??\"]\r\n\r\n";

std::string Pgn(const CompactGame& game) { return TChessDatabase::RecordToPGN(game.Body()); }

// The movetext of a compact game without header fields.
std::string Moves(const CompactGame& game) {
    std::string pgn = Pgn(game);
    EXPECT_EQ(pgn.substr(0, kEmptyHeader.size()), kEmptyHeader);
    return pgn.substr(kEmptyHeader.size());
}

Move With(Move m, int flags = -1, int promotion = -1) {
    m.flags = flags;
    m.promotion = promotion;
    return m;
}

}  // namespace

TEST(ChessRecordForms, PgnRecordComesBackUnchanged) {
    const std::string pgn = "[Event \"x\"]\r\n[White \"\xC3\xA9\"]\r\n\r\n1. e4 e5 1-0";
    EXPECT_EQ(TChessDatabase::GameFromRecord(ccf::PgnRecord(pgn)), pgn);
    EXPECT_EQ(TChessDatabase::GameFromRecord(ccf::PgnRecord(pgn, /*escape=*/true)), pgn);
    std::string withBytes = std::string("[Event \"\xFF\"]", 11) + std::string(1, '\0');
    EXPECT_EQ(TChessDatabase::GameFromRecord(ccf::PgnRecord(withBytes)), withBytes);
}

TEST(ChessRecordForms, CompactExampleE4Nf3) {
    CompactGame g;
    g.Add("e2", "e4").Add("g1", "f3");
    EXPECT_EQ(TChessDatabase::GameFromRecord(ccf::CompactRecord(g)), kEmptyHeader + " 1. e2-e4 Nf3  ");
}

TEST(ChessRecordForms, FenStartWithBlackToMove) {
    CompactGame g;
    g.Text(CompactGame::FEN, "4k3/8/8/8/8/8/4P3/4K3 b - - 0 12");
    g.Add("e8", "d7").Add("e2", "e4");
    std::string pgn = Pgn(g);
    EXPECT_NE(pgn.find("[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 12\"]\r\n[Setup \"1\"]\r\n"), std::string::npos);
    EXPECT_NE(pgn.find("\r\n\r\n 12... Kd7 e2-e4  "), std::string::npos) << pgn;
}

TEST(ChessRecordForms, HeaderWithoutRoundAndDate) {
    CompactGame g;
    g.Text(CompactGame::White, "").Text(CompactGame::Black, "  ").Text(CompactGame::Result, "1-0");
    std::string pgn = Pgn(g);
    EXPECT_NE(pgn.find("[Round \"-\"]"), std::string::npos);
    EXPECT_NE(pgn.find("[Date \"????.??.??\"]"), std::string::npos);
    EXPECT_NE(pgn.find("[White \"?\"]"), std::string::npos);
    EXPECT_NE(pgn.find("[Black \"?\"]"), std::string::npos);
    EXPECT_EQ(pgn.substr(pgn.size() - 5), "  1-0");
}

TEST(ChessRecordForms, AllHeaderFieldsInOrder) {
    CompactGame g;
    g.Text(CompactGame::White, "Kasparov, G").Text(CompactGame::Black, "Short, N")
        .Text(CompactGame::Event, "Match").Text(CompactGame::Site, "London")
        .Text(CompactGame::Result, "1/2-1/2").Text(CompactGame::ECO, "C45")
        .Text(CompactGame::Annotator, "Me").Text(CompactGame::WhiteDifferenceToGMT, "+1")
        .Text(CompactGame::BlackDifferenceToGMT, "-2").Text(CompactGame::DateTimeFormat, "ISO")
        .Text(CompactGame::GameId, "g17").Text(CompactGame::MetaKeywords, "not written")
        .Number(CompactGame::WhiteElo, 2800).Number(CompactGame::BlackElo, 2650)
        .Number(CompactGame::MoveCount, 81).Number(CompactGame::RoundNumber, 12)
        .Number(CompactGame::Year, 1993).Number(CompactGame::Month, 9).Number(CompactGame::Day, 21)
        .Number(CompactGame::EventYear, 1993).Number(CompactGame::EventMonth, 10)
        .Number(CompactGame::TimeControlBase, 300).Number(CompactGame::TimeControlIncrement, 5)
        .Text(CompactGame::Introduction, "{Intro}");
    EXPECT_EQ(Pgn(g),
              "[Event \"Match\"]\r\n[Site \"London\"]\r\n[Date \"1993.09.21\"]\r\n[Round \"12\"]\r\n"
              "[White \"Kasparov, G\"]\r\n[Black \"Short, N\"]\r\n[Result \"1/2-1/2\"]\r\n"
              "[Annotator \"Me\"]\r\n[ECO \"C45\"]\r\n[WhiteDifferenceToGMT \"+1\"]\r\n"
              "[BlackDifferenceToGMT \"-2\"]\r\n[DateTimeFormat \"ISO\"]\r\n[GameId \"g17\"]\r\n"
              "[WhiteElo \"2800\"]\r\n[BlackElo \"2650\"]\r\n[PlyCount \"81\"]\r\n"
              "[EventDate \"1993.10.??\"]\r\n[TimeControl \"300+5\"]\r\n\r\n{Intro}  1/2-1/2");
}

TEST(ChessRecordForms, HeaderOddities) {
    CompactGame g;
    g.Number(CompactGame::TimeControlBase, 40).Raw("\x63").Number(CompactGame::Year, 2001);
    std::string pgn = Pgn(g);
    EXPECT_NE(pgn.find("[TimeControl \"40\"]"), std::string::npos) << "no increment, no plus sign";
    EXPECT_NE(pgn.find("[Date \"2001.??.??\"]"), std::string::npos) << "unknown tag 99 is skipped";
    CompactGame cut;
    cut.Raw("\x03\x05");  // WhiteElo with one byte left
    EXPECT_EQ(TChessDatabase::RecordToPGN("\x03\x05"), kEmptyHeader + "  ");
    EXPECT_EQ(TChessDatabase::RecordToPGN(""), kEmptyHeader + "  ");
    EXPECT_EQ(TChessDatabase::RecordToPGN("\x09unterminated"),
              "[Event \"?\"]\r\n[Site \"?\"]\r\n[Date \"????.??.??\"]\r\n[Round \"-\"]\r\n"
              "[White \"unterminated\"]\r\n[Black \"?\"]\r\n[Result \"?\"]\r\n"
              "[EventDate \"????.??.??\"]\r\n\r\n  ");
}

TEST(ChessMoves, PiecesCapturesCastlingAndPromotion) {
    CompactGame g;
    g.Add("e2", "e4").Add("d7", "d5").Add("e4", "d5").Add("g8", "f6").Add("f1", "c4").Add("f8", "e7")
        .Add("g1", "f3").Add("e8", "g8").Add("e1", "g1");
    EXPECT_EQ(Moves(g), " 1. e2-e4 d7-d5 exd5 Nf6 Bc4 Be7 Nf3 O-O O-O  ");

    CompactGame promo;
    promo.Text(CompactGame::FEN, "8/4P3/8/8/8/8/3p4/K6k w - - 0 50");
    promo.Add(With(Move::Of("e7", "e8"), -1, 3)).Add(With(Move::Of("d2", "d1"), -1, 2))
        .Add("e8", "e1").Add("d1", "c3").Add("a1", "b1");
    std::string pgn = Pgn(promo);
    EXPECT_NE(pgn.find(" 50. e7-e8=Q d2-d1=N Qe1 Nc3 Kb1  "), std::string::npos) << pgn;

    CompactGame longCastle;
    longCastle.Text(CompactGame::FEN, "r3k3/8/8/8/8/8/8/R3K3 b Qq - 0 1");
    longCastle.Add("e8", "c8").Add("e1", "c1");
    EXPECT_NE(Pgn(longCastle).find(" 1... O-O-O O-O-O  "), std::string::npos);
}

TEST(ChessMoves, FlagsNagsAndComments) {
    CompactGame g;
    g.Add(With(Move::Of("g1", "f3"), 0x1 | 0x2));  // file and rank of origin written
    Move check = With(Move::Of("b8", "c6"), 0x4);
    check.moveNag = 1;
    g.Add(check);
    Move mate = With(Move::Of("b1", "c3"), 0x8);
    mate.moveNag = 2;
    mate.positionNag = 14;
    g.Add(mate);
    Move both = With(Move::Of("g8", "f6"), 0x8 | 0x4);
    both.moveNag = 3;
    both.hasComment = true;
    both.comment = "{good\x02hidden\x02 move}";
    g.Add(both);
    Move odd = Move::Of("a2", "a3");
    odd.moveNag = 9;
    odd.hasComment = true;
    odd.comment = "";
    g.Add(odd);
    EXPECT_EQ(Moves(g), " 1. Ng1f3 Nc6+ $1 Nc3# $3 $14 Nf6+ $2 {good move} a2-a3    ");
}

TEST(ChessMoves, MoveAssessmentCodes) {
    const char* expected[] = {"", "$1", "$3", "$2", "$4", "$5", "$6", ""};
    for (int code = 0; code <= 7; ++code) {
        CompactGame g;
        Move m = Move::Of("e2", "e4");
        m.moveNag = code;
        g.Add(m);
        EXPECT_EQ(Moves(g), std::string(" 1. e2-e4 ") + expected[code] + "  ") << code;
    }
}

TEST(ChessMoves, VariationsRestoreTheBoard) {
    // 1. e4 (1. Nf3 d5 (1... Nf6) ) e5 2. Nf3
    CompactGame g;
    g.Add("e2", "e4");
    Move alt = Move::Of("g1", "f3");
    alt.beginsVariation = true;
    g.Add(alt);
    g.Add("d7", "d5");
    Move sub = Move::Of("g8", "f6");
    sub.beginsVariation = true;
    sub.closings = 2;
    g.Add(sub);
    g.Add("e7", "e5").Add("g1", "f3").Add("b8", "c6");
    EXPECT_EQ(Moves(g), " 1. e2-e4 (Nf3 d7-d5 (Nf6) )  e7-e5 Nf3 Nc6  ");
}

TEST(ChessMoves, ClosingWithoutOpenVariationAndEmptyOrigin) {
    CompactGame g;
    Move m = Move::Of("e4", "e5");  // empty square: taken as a rook
    m.closings = 1;
    g.Add(m).Add("e5", "e6");
    EXPECT_EQ(Moves(g), " 1. Re5)  Re6  ");
}

TEST(ChessMoves, BitStreamEndingInsideAMoveDropsIt) {
    CompactGame g;
    g.Add("e2", "e4").Add("e7", "e5");
    std::string body = g.Body();
    // Two full moves take 30 bits (4 bytes); cut inside the second.
    EXPECT_EQ(TChessDatabase::RecordToPGN(body.substr(0, body.size() - 2)), kEmptyHeader + " 1. e2-e4  ");
    EXPECT_EQ(TChessDatabase::RecordToPGN(body.substr(0, 2)), kEmptyHeader + "  ");

    CompactGame comment;
    Move c = Move::Of("e2", "e4");
    c.hasComment = true;
    c.comment = "{never closed";
    comment.Add(c);
    std::string cut = comment.Body();
    cut.erase(cut.find('\x01', 1));
    EXPECT_EQ(TChessDatabase::RecordToPGN(cut), kEmptyHeader + "  ");
}

TEST(ChessMoves, RandomRecordsNeverCrash) {
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        std::string raw(rng() % 200, '\0');
        for (auto& c : raw) c = static_cast<char>(rng());
        std::string pgn = TChessDatabase::GameFromRecord(raw);
        if (pgn.size() > 0 && pgn[0] != '[') ADD_FAILURE() << "not a PGN text";
    }
}

TEST(ChessDatabaseFiles, MainFileExtGetsItsDot) {
    TChessDatabase db;
    EXPECT_EQ(db.mainFileExt(), ".ccf");
    EXPECT_EQ(db.IndexExt(), ".ccfidx");
    EXPECT_EQ(db.LockExtension(), ".ccftmp");
    db.setMainFileExt("gdb");
    EXPECT_EQ(db.mainFileExt(), ".gdb");
    EXPECT_EQ(db.IndexExt(), ".gdbidx");
    EXPECT_EQ(db.CheckTimeLimit, 30);
    EXPECT_EQ(db.Notation, nullptr);
}

TEST(ChessDatabaseFiles, Identification) {
    TempDir dir;
    TChessDatabase db;
    ccf::Database d;
    d.Add(ccf::CompactRecord(CompactGame().Add("e2", "e4")));
    d.Write((dir / "a.ccf").string(), true);
    EXPECT_TRUE(db.IsChessDatabase((dir / "a.ccf").string())) << "no index yet";
    EXPECT_TRUE(db.IsChessDatabase((dir / "b.CCF").string()));
    EXPECT_FALSE(db.IsChessDatabase((dir / "a.pgn").string()));
    EXPECT_FALSE(db.IsChessDatabase((dir / "a").string()));

    std::string index = d.Index();
    WriteFile(dir / "a.ccfidx", index);
    EXPECT_TRUE(db.IsChessDatabase((dir / "a.ccf").string()));
    std::string onlyRecord4 = index;
    onlyRecord4[0] = 'x';
    WriteFile(dir / "a.ccfidx", onlyRecord4);
    EXPECT_TRUE(db.IsChessDatabase((dir / "a.ccf").string()));
    std::string onlyRecord0 = index;
    onlyRecord0[32] = 'x';
    WriteFile(dir / "a.ccfidx", onlyRecord0);
    EXPECT_TRUE(db.IsChessDatabase((dir / "a.ccf").string()));
    std::string neither = onlyRecord4;
    neither[32] = 'x';
    WriteFile(dir / "a.ccfidx", neither);
    EXPECT_FALSE(db.IsChessDatabase((dir / "a.ccf").string()));
    WriteFile(dir / "a.ccfidx", "abc");
    EXPECT_FALSE(db.IsChessDatabase((dir / "a.ccf").string()));
    // An index of zeros is damaged, not foreign: it is rebuilt.
    WriteFile(dir / "a.ccfidx", std::string(index.size(), '\0'));
    EXPECT_TRUE(db.IsChessDatabase((dir / "a.ccf").string()));
    db.Open((dir / "a.ccf").string());
    EXPECT_EQ(db.LiveCount(), 1);
    db.Close();
    EXPECT_EQ(ReadFile(dir / "a.ccfidx"), index);
}

TEST(ChessDatabaseFiles, ForeignIndexIsRefusedWithCode10) {
    TempDir dir;
    ccf::Database d;
    d.Add(ccf::CompactRecord(CompactGame().Add("e2", "e4")));
    d.Write((dir / "a.ccf").string());
    std::string index = d.Index();
    index[0] = 'x';
    index[32] = 'x';
    WriteFile(dir / "a.ccfidx", index);
    TChessDatabase db;
    db.Open((dir / "a.ccf").string());
    EXPECT_EQ(db.FileName(), "");
    EXPECT_EQ(db.LastError(), 10);
    EXPECT_EQ(ReadFile(dir / "a.ccfidx"), index);
    EXPECT_FALSE(fs::exists(dir / "a.ccftmp"));

    WriteFile(dir / "notes.txt", "hello");
    db.Open((dir / "notes.txt").string());
    EXPECT_EQ(db.LastError(), 10) << "an existing file of another kind";
    EXPECT_FALSE(fs::exists(dir / "notes.ccfidx"));
}

TEST(ChessDatabaseFiles, FetchGameOfEveryForm) {
    TempDir dir;
    ccf::Database d;
    CompactGame g;
    g.Text(CompactGame::White, "A").Text(CompactGame::Black, "B").Text(CompactGame::Result, "0-1");
    // Many moves give zero bytes in the bit stream: the record is escaped.
    for (int i = 0; i < 8; ++i) g.Add("a1", "a2").Add("a2", "a1");
    d.Add(ccf::CompactRecord(g));
    d.Add(ccf::PgnRecord("[Event \"plain\"]\r\n\r\n*"));
    d.AddDeleted(9);
    d.Add(ccf::CompactRecord(CompactGame().Add("e2", "e4"), /*escape=*/true));
    d.Write((dir / "a.ccf").string(), /*withoutIndex=*/true);
    ASSERT_TRUE(ccf::NeedsEscape(g.Body()));

    TChessDatabase db;
    db.Open((dir / "a.ccf").string());
    ASSERT_NE(db.FileName(), "");
    EXPECT_EQ(db.EntryCount(), 4);
    EXPECT_EQ(db.LiveCount(), 3);
    std::string key, text;
    bool deleted = true;
    ASSERT_TRUE(db.FetchGame(0, key, text, deleted));
    EXPECT_FALSE(deleted);
    EXPECT_NE(text.find("[White \"A\"]\r\n[Black \"B\"]\r\n[Result \"0-1\"]"), std::string::npos);
    EXPECT_NE(text.find(" 1. Ra2 Ra1 Ra2 Ra1"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 4), " 0-1");
    ASSERT_TRUE(db.FetchGame(1, key, text, deleted));
    EXPECT_EQ(text, "[Event \"plain\"]\r\n\r\n*");
    ASSERT_TRUE(db.FetchGame(2, key, text, deleted));
    EXPECT_TRUE(deleted);
    ASSERT_TRUE(db.FetchGame(3, key, text, deleted));
    EXPECT_FALSE(deleted);
    EXPECT_EQ(text, kEmptyHeader + " 1. e2-e4  ");
    EXPECT_FALSE(db.FetchGame(4, key, text, deleted));
    EXPECT_EQ(text, "");

    // A game whose text would pass the cap is a read error, never a cut game.
    int readErrors = 0;
    db.OnReadError = [&] { ++readErrors; };
    db.MaxGameTextBytes = 200;
    EXPECT_FALSE(db.FetchGame(0, key, text, deleted));
    EXPECT_EQ(text, "");
    EXPECT_EQ(readErrors, 1);
    EXPECT_TRUE(db.FetchGame(3, key, text, deleted));
}

TEST(ChessMoves, ClosingsPastTheTextCapFailTheConversion) {
    // 1. e4 and a second move closing 1000 variations: 2000 bytes of ") ".
    CompactGame g;
    g.Add("e2", "e4");
    Move many = Move::Of("e7", "e5");
    many.closings = 1000;
    g.Add(many);
    const std::string closed = g.Body();
    std::string unterminated = closed;
    unterminated.pop_back();  // the bit that ends the closings is gone: the move is cut off
    struct Case {
        std::string body;
        size_t cap;
        bool ok;
    } cases[] = {{closed, 1500, false}, {unterminated, 1500, false}, {closed, 4000, true}, {unterminated, 4000, true}};
    for (const Case& c : cases) {
        std::string pgn = "x";
        EXPECT_EQ(TChessDatabase::RecordToPGN(c.body, pgn, c.cap), c.ok) << c.cap;
        EXPECT_EQ(pgn.empty(), !c.ok);
    }
}

TEST(ChessDatabaseFiles, CommittedFixtureMatchesTheWriter) {
    // tests/data/ccf_sample.ccf is used by the command-line tests; it is
    // written by this same code (set QUARZEL_WRITE_FIXTURES=1 to refresh it).
    ccf::Database d;
    CompactGame g1;
    g1.Text(CompactGame::White, "Anderssen, A").Text(CompactGame::Black, "Kieseritzky, L")
        .Text(CompactGame::Event, "London").Text(CompactGame::Result, "1-0")
        .Number(CompactGame::Year, 1851).Number(CompactGame::Month, 6).Number(CompactGame::Day, 21);
    g1.Add("e2", "e4").Add("e7", "e5").Add("f2", "f4").Add("e5", "f4");
    Move mc = Move::Of("f1", "c4");
    mc.hasComment = true;
    mc.comment = "{MATCH}";
    g1.Add(mc);
    d.Add(ccf::CompactRecord(g1));
    d.Add(ccf::PgnRecord("[Event \"Plain\"]\r\n[White \"Morphy, P\"]\r\n[Black \"Duke\"]\r\n"
                         "[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Nf3 d6 1-0"));
    d.AddDeleted(6);
    CompactGame g3;
    g3.Text(CompactGame::White, "Black, To Move").Text(CompactGame::Result, "*")
        .Text(CompactGame::FEN, "4k3/8/8/8/8/8/4P3/4K3 b - - 0 7");
    g3.Add("e8", "d7").Add("e2", "e4");
    d.Add(ccf::CompactRecord(g3));
    const fs::path data = testdata::FixtureDir() / "ccf_sample.ccf";
    if (std::getenv("QUARZEL_WRITE_FIXTURES")) d.Write(data.string(), /*withoutIndex=*/true);
    EXPECT_EQ(ReadFile(data), d.Data());
}
