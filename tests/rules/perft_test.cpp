#include <gtest/gtest.h>

#include "rules/chess960.h"
#include "rules/fen.h"
#include "rules/perft.h"

namespace {

uint64_t PerftOf(const char* fen, int depth) {
    TBoard b;
    TMoveRecord s = FreshState();
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

// Chess960: counts to depth 4 of positions of the common Chess960 perft suite
// (file letters), start positions of real games (X-FEN "KQkq" with the king
// off the e-file), and positions where the king stays put (g1, c8), the rook
// stays put (d1, d8), king and rook cross (b1/g1, e8/g8), an inner rook holds
// the right (mixed X-FEN), and the long rook's start shields the king's
// destination (b1 in front of the queen on a1: no long castling).
TEST(Perft, Chess960) {
    struct Case {
        const char* fen;
        uint64_t counts[4];
    };
    static const Case cases[] = {
        {"bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9", {21, 528, 12189, 326672}},
        {"2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9", {21, 807, 18002, 667366}},
        {"b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9", {20, 479, 10471, 273318}},
        {"qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9", {22, 593, 13440, 382958}},
        {"1nbbnrkr/p1p1ppp1/3p4/1p3P1p/3Pq2P/8/PPP1P1P1/QNBBNRKR w HFhf - 0 9", {28, 1120, 31058, 1171749}},
        {"qnbnr1kr/ppp1b1pp/4p3/3p1p2/8/2NPP3/PPP1BPPP/QNB1R1KR w HEhe - 1 9", {29, 899, 26578, 824055}},
        {"q1bnrkr1/ppppp2p/2n2p2/4b1p1/2NP4/8/PPP1PPPP/QNB1RRKB w ge - 1 9", {30, 860, 24566, 732757}},
        {"qn1rbbkr/ppp2p1p/1n1pp1p1/8/3P4/P6P/1PP1PPPK/QNNRBB1R w hd - 2 9", {28, 811, 23175, 679699}},
        {"rqknbnrb/pppppppp/8/8/8/8/PPPPPPPP/NBQNBRKR w KQkq - 0 1", {19, 380, 8192, 182682}},
        {"nbbrknrq/pppppppp/8/8/8/8/PPPPPPPP/NBBRKNRQ w KQkq - 0 1", {19, 361, 7803, 167821}},
        {"r1k4r/8/8/8/8/8/8/R5KR w HAha - 0 1", {24, 497, 11360, 252414}},
        {"r1k4r/8/8/8/8/8/8/R5KR w KQkq - 0 1", {24, 497, 11360, 252414}},
        {"3rk3/8/8/8/8/8/8/3RK2R w HDd - 0 1", {23, 255, 5942, 84925}},
        {"k7/8/8/8/8/8/8/qR2K2R w HB - 0 1", {18, 250, 4892, 95848}},
        {"1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w BHgb - 0 1", {24, 576, 13542, 316645}},
        {"1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w KBgq - 0 1", {24, 576, 13542, 316645}},
        {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1", {24, 600, 14056, 340247}},
    };
    for (const Case& c : cases) {
        TBoard b;
        TMoveRecord s = FreshState();
        uint16_t n = 1;
        ASSERT_TRUE(FENToPosition(c.fen, b, s, n)) << c.fen;
        const TCastlingRooks rooks = ReadCastlingRooks(c.fen, b, s, false);
        EXPECT_TRUE(rooks.Active) << c.fen;
        // Depth 4 only where it stays quick.
        for (int depth = 1; depth <= (c.counts[3] < 260000 ? 4 : 3); ++depth)
            EXPECT_EQ(Perft(b, s, depth, rooks), c.counts[depth - 1]) << c.fen << " depth " << depth;
    }
}
