#include <gtest/gtest.h>

#include "rules/fen.h"
#include "rules/perft.h"

namespace {

uint64_t PerftOf(const char* fen, int depth) {
    TSchachbrett b;
    TZug s = FreshState();
    uint16_t n = 1;
    EXPECT_TRUE(FENToPosition(fen, b, s, n));
    return Perft(b, s, depth);
}

}  // namespace

// Published counts of the well-known test positions.
TEST(Perft, StartPosition) {
    const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    EXPECT_EQ(PerftOf(fen, 1), 20u);
    EXPECT_EQ(PerftOf(fen, 2), 400u);
    EXPECT_EQ(PerftOf(fen, 3), 8902u);
}

TEST(Perft, Kiwipete) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";
    EXPECT_EQ(PerftOf(fen, 1), 48u);
    EXPECT_EQ(PerftOf(fen, 2), 2039u);
    EXPECT_EQ(PerftOf(fen, 3), 97862u);
}

TEST(Perft, EndgameWithEnPassantPins) {
    const char* fen = "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1";
    EXPECT_EQ(PerftOf(fen, 1), 14u);
    EXPECT_EQ(PerftOf(fen, 2), 191u);
    EXPECT_EQ(PerftOf(fen, 3), 2812u);
    EXPECT_EQ(PerftOf(fen, 4), 43238u);
}

TEST(Perft, PromotionsAndCastlingRights) {
    const char* fen = "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1";
    EXPECT_EQ(PerftOf(fen, 1), 6u);
    EXPECT_EQ(PerftOf(fen, 2), 264u);
    EXPECT_EQ(PerftOf(fen, 3), 9467u);
}

TEST(Perft, Position5) {
    const char* fen = "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8";
    EXPECT_EQ(PerftOf(fen, 1), 44u);
    EXPECT_EQ(PerftOf(fen, 2), 1486u);
    EXPECT_EQ(PerftOf(fen, 3), 62379u);
}

TEST(Perft, Position6) {
    const char* fen = "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10";
    EXPECT_EQ(PerftOf(fen, 1), 46u);
    EXPECT_EQ(PerftOf(fen, 2), 2079u);
    EXPECT_EQ(PerftOf(fen, 3), 89890u);
}
