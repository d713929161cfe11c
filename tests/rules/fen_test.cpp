#include <gtest/gtest.h>

#include <string>

#include "rules/chess960.h"
#include "rules/fen.h"

namespace {

struct Read {
    bool ok;
    TBoard board;
    TMoveRecord state;
    uint16_t moveNo;
};

Read ReadFen(std::string_view text, uint16_t preset = 1) {
    Read r{false, EmptyBoard, FreshState(), preset};
    r.ok = FENToPosition(text, r.board, r.state, r.moveNo);
    return r;
}

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace

TEST(FenWriter, FreshStateOnInitialPosition) {
    EXPECT_EQ(PositionToFEN(InitialPosition, FreshState(), 1), kStart);
}

TEST(FenWriter, CastlingEnPassantAndMoveNumber) {
    TMoveRecord s = FreshState();
    s.Castling = CastleWQ | CastleBK;
    s.Side = Black;
    s.EpSquare = 45;
    EXPECT_EQ(PositionToFEN(EmptyBoard, s, 37), "8/8/8/8/8/8/8/8 b Qk e3 0 37");
    s.Castling = 0;
    s.EpSquare = 0;
    EXPECT_EQ(PositionToFEN(EmptyBoard, s, 2), "8/8/8/8/8/8/8/8 b - - 0 2");
}

TEST(FenWriter, OnlyTheMeaninglessBitLeftWritesNoRights) {
    // The board sets bit 1 with the four rights; once all rights are gone the
    // field must still read "-", not an empty field.
    TMoveRecord s = FreshState();
    s.Castling = 1;
    EXPECT_EQ(PositionToFEN(EmptyBoard, s, 1), "8/8/8/8/8/8/8/8 w - - 0 1");
    s.Castling = 31;
    EXPECT_EQ(PositionToFEN(InitialPosition, s, 1), kStart);
}

TEST(FenReader, RoundTripsStandardPositions) {
    const char* fens[] = {
        kStart,
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "rnbqkb1r/ppp1pppp/5n2/3pP3/8/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 3",
        "8/8/8/8/8/8/8/8 w - - 0 65535",
    };
    for (const char* fen : fens) {
        Read r = ReadFen(fen);
        ASSERT_TRUE(r.ok) << fen;
        EXPECT_EQ(PositionToFEN(r.board, r.state, r.moveNo), fen);
    }
}

TEST(FenReader, ReadsStateFields) {
    Read r = ReadFen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.Side, -1);
    EXPECT_EQ(r.state.Castling, 30);
    EXPECT_EQ(r.state.EpSquare, 45);
    EXPECT_EQ(r.moveNo, 1);
    EXPECT_EQ(r.board[55], Pawn);   // e4
    EXPECT_EQ(r.board[35], Empty);  // e2
}

TEST(FenReader, HalfMoveClockIsIgnoredAndLastFieldIsMoveNumber) {
    Read r = ReadFen("4k3/8/8/8/8/8/8/4K3 w - - 17 37");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.Castling, 0);
    EXPECT_EQ(r.state.EpSquare, 0);
    EXPECT_EQ(r.moveNo, 37);
    EXPECT_EQ(PositionToFEN(r.board, r.state, r.moveNo), "4k3/8/8/8/8/8/8/4K3 w - - 0 37");
}

TEST(FenReader, SeparatorCountDecides) {
    EXPECT_FALSE(ReadFen("8/8/8/8/8/8/8 w - - 0 1").ok);
    EXPECT_TRUE(ReadFen("8/8/8/8/8/8/8/8 w - - 0 1").ok);
    Read r = ReadFen("8/8/8/8/8/88/8 w - - 0 1");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.board, EmptyBoard);
    EXPECT_FALSE(ReadFen("").ok);
}

TEST(FenReader, TolerantLettersAfterTheBoard) {
    Read r = ReadFen("4k3/8/8/8/8/8/8/4K3 qkQK b - 0 5");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.Castling, 30);
    EXPECT_EQ(r.state.Side, -1);
    // Unknown letters in the board field use up a square and leave it empty.
    Read x = ReadFen("4k2X/8/8/8/8/8/8/4K3 w - - 0 1");
    ASSERT_TRUE(x.ok);
    EXPECT_EQ(x.board[98], Empty);
    EXPECT_EQ(x.board[95], -King);
}

TEST(FenReader, FinalSideLetterIsNeverExamined) {
    Read r = ReadFen("4k3/8/8/8/8/8/8/4K3 b");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.Side, 1);
}

TEST(FenReader, EnPassantRankFollowsTheSideReadSoFar) {
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 w - e6 0 1").state.EpSquare, 75);
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 b - e3 0 1").state.EpSquare, 45);
    // Side field after the en-passant token: still White when it is read.
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 e3 b - 0 1").state.EpSquare, 75);
    // A letter that is no file never names a square.
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 w - z3 0 1").state.EpSquare, 0);
}

TEST(FenReader, F1TokenSetsMoveNumberOne) {
    Read r = ReadFen("4k3/8/8/8/8/8/8/4K3 w - f1 0 x", 9);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.state.EpSquare, 0);
    EXPECT_EQ(r.moveNo, 1);
}

TEST(FenReader, MoveNumberZeroOrMissingIsOneAnUnparsableOneKeepsPreset) {
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 -", 7).moveNo, 7);
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 99999", 7).moveNo, 7);
    // A move number 0 would number the moves from 0; a missing one, from the caller's.
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 w - - 0 0", 7).moveNo, 1);
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3", 7).moveNo, 1);
    EXPECT_EQ(ReadFen("4k3/8/8/8/8/8/8/4K3 b - - 12", 7).moveNo, 1);
}

TEST(FenReader, KeepsMoveBytesItDoesNotOwn) {
    TBoard b{};
    TMoveRecord s{};
    s.FromSq = 33;
    s.ToSq = 44;
    s.PositionNag = 13;
    s.ExtraNag = 140;
    s.Flags = 0xff;
    s.Captured = 3;
    uint16_t n = 1;
    ASSERT_TRUE(FENToPosition(kStart, b, s, n));
    EXPECT_EQ(s.FromSq, 33);
    EXPECT_EQ(s.ToSq, 44);
    EXPECT_EQ(s.PositionNag, 13);
    EXPECT_EQ(s.ExtraNag, 140);
    EXPECT_EQ(s.Flags, 0);
    EXPECT_EQ(s.Captured, 0);
}

TEST(FenReader, HostileTextNeverLeavesTheBoard) {
    std::string nines(5000, '9');
    std::string slashes(100000, '/');
    std::string pieces(100000, 'Q');
    std::string withNul("8/8/8/8/8/8/8/8 w - - 0 1", 25);
    withNul[3] = '\0';
    const std::string texts[] = {
        nines, slashes, pieces, "88888888888888888888888888888888", "K/////////////////////p",
        "9/9/9/9/9/9/9/9 w", "\xff\xfe/\x80/8/8/8/8/8/8 w - - 0 1", withNul, "/", "p", "8", " ",
        "8/8/8/8/8/8/8/8/", std::string(70, 'P') + "/8/8/8/8/8/8/8 w",
    };
    for (const std::string& t : texts) {
        Read r = ReadFen(t);
        for (int s = 0; s < 120; ++s) {
            if (!IsRealSquare(s)) {
                EXPECT_EQ(r.board[s], OffBoard);
            }
        }
    }
    EXPECT_FALSE(ReadFen(slashes).ok);
    EXPECT_FALSE(ReadFen(pieces).ok);
}

// Castling fields by rook file: both notations read and written back as they
// came, "KQkq" read by rook file only when it cannot mean e/a/h, and rights
// without their rook (or for a king not at home, or with two kings) dropped.
TEST(FenReader, Chess960CastlingFields) {
    struct Case {
        const char* fen;
        bool chess960;       // the game says Chess960 (Variant tag)
        const char* written; // "" = read as a standard FEN
    };
    static const Case cases[] = {
        {kStart, false, ""},
        {kStart, true, kStart},
        {"r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 1", false, ""},
        // An inner rook with "K" in a standard-looking FEN: no rook on h1.
        {"4k3/8/8/8/8/8/8/4K1R1 w K - 0 1", false, "4k3/8/8/8/8/8/8/4K1R1 w K - 0 1"},
        {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", false,
         "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 0 9"},
        {"rqknbnrb/pppppppp/8/8/8/8/PPPPPPPP/NBQNBRKR w KQkq - 0 1", false,
         "rqknbnrb/pppppppp/8/8/8/8/PPPPPPPP/NBQNBRKR w KQkq - 0 1"},
        // Mixed X-FEN: inner rooks by file letter, outer ones by K/Q.
        {"1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w KBgq - 0 1", false,
         "1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w KBgq - 0 1"},
        // "b" in the castling field is a file, not Black to move.
        {"1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w BHgb - 0 1", false,
         "1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w HBgb - 0 1"},
        {"r1k4r/pppp1ppp/8/8/4p3/8/PPPPPPPP/R5KR b Bh e3 0 5", false, "r1k4r/pppp1ppp/8/8/4p3/8/PPPPPPPP/R5KR b h e3 0 5"},
        {"4k3/8/8/8/8/8/8/4K3 w HAha - 0 1", false, "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
        {"4k3/8/8/8/8/8/8/RK2K2R w HA - 0 1", false, "4k3/8/8/8/8/8/8/RK2K2R w - - 0 1"},
        {"4k3/8/8/8/8/8/8/K1R4R w Qh - 0 1", true, "4k3/8/8/8/8/8/8/K1R4R w - - 0 1"},
        // Two rooks named for one wing: the first one named keeps it.
        {"4k3/8/8/8/8/8/8/K1R4R w CH - 0 1", false, "4k3/8/8/8/8/8/8/K1R4R w C - 0 1"},
        {"r3k2r/8/8/8/8/8/4P3/R1K4R w - - 0 1", true, "r3k2r/8/8/8/8/8/4P3/R1K4R w - - 0 1"},
    };
    for (const Case& c : cases) {
        Read r = ReadFen(c.fen);
        ASSERT_TRUE(r.ok) << c.fen;
        const TCastlingRooks rooks = ReadCastlingRooks(c.fen, r.board, r.state, c.chess960);
        EXPECT_EQ(rooks.Active, *c.written != 0) << c.fen;
        if (rooks.Active) EXPECT_EQ(PositionToFEN(r.board, r.state, r.moveNo, rooks), c.written) << c.fen;
        else EXPECT_EQ(PositionToFEN(r.board, r.state, r.moveNo, rooks), PositionToFEN(r.board, r.state, r.moveNo));
    }
}
