#include <gtest/gtest.h>

#include <cstring>

#include "rules/fen.h"
#include "rules/legality.h"

namespace {

int Sq(const char* name) { return 21 + (name[0] - 'a') + 10 * (name[1] - '1'); }

struct Pos {
    TBoard board = EmptyBoard;
    TMoveRecord state = FreshState();
};

Pos FromFen(const char* fen) {
    Pos p;
    uint16_t n = 1;
    EXPECT_TRUE(FENToPosition(fen, p.board, p.state, n)) << fen;
    return p;
}

bool Legal(const Pos& p, const char* from, const char* to, int side = 0) {
    TMoveRecord z = p.state;
    if (side) z.Side = static_cast<int8_t>(side);
    z.FromSq = static_cast<int8_t>(Sq(from));
    z.ToSq = static_cast<int8_t>(Sq(to));
    return IsLegalMove(p.board, z);
}

const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace

TEST(LegalMove, StartPosition) {
    Pos p = FromFen(kStart);
    EXPECT_TRUE(Legal(p, "g1", "f3"));
    EXPECT_TRUE(Legal(p, "e2", "e4"));
    EXPECT_TRUE(Legal(p, "e2", "e3"));
    EXPECT_FALSE(Legal(p, "e2", "e5"));
    EXPECT_FALSE(Legal(p, "f1", "c4"));
    EXPECT_FALSE(Legal(p, "e7", "e5"));  // black piece, White to move
    EXPECT_FALSE(Legal(p, "e4", "e5"));  // empty source
    EXPECT_TRUE(Legal(p, "e7", "e5", Black));
}

TEST(LegalMove, PinsAndKings) {
    Pos pinned = FromFen("4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1");
    EXPECT_FALSE(Legal(pinned, "e2", "c3"));
    EXPECT_TRUE(Legal(pinned, "e1", "d1"));
    Pos kings = FromFen("8/8/8/3k4/8/3K4/8/8 w - - 0 1");
    EXPECT_FALSE(Legal(kings, "d3", "d4"));
    EXPECT_FALSE(Legal(kings, "d3", "e4"));
    EXPECT_TRUE(Legal(kings, "d3", "d2"));
}

TEST(LegalMove, CastlingThroughAttackedSquares) {
    Pos free = FromFen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
    EXPECT_TRUE(Legal(free, "e1", "g1"));
    EXPECT_TRUE(Legal(free, "e1", "c1"));
    EXPECT_TRUE(Legal(free, "e8", "g8", Black));
    EXPECT_TRUE(Legal(free, "e8", "c8", Black));

    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/5r2/R3K2R w KQ - 0 1"), "e1", "g1"));  // f1 attacked
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/6r1/R3K2R w KQ - 0 1"), "e1", "g1"));  // g1 attacked
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1"), "e1", "g1"));  // in check
    EXPECT_TRUE(Legal(FromFen("4k3/8/8/8/8/8/1r6/R3K2R w KQ - 0 1"), "e1", "c1"));   // b1 attacked is fine
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/3r4/R3K2R w KQ - 0 1"), "e1", "c1"));  // d1 attacked
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1"), "e1", "c1"));   // b1 occupied
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/8/R3K2R w Q - 0 1"), "e1", "g1"));     // no right
    EXPECT_FALSE(Legal(FromFen("4k3/8/8/8/8/8/8/R3K1R1 w KQ - 0 1"), "e1", "g1"));   // rook not on h1
}

TEST(LegalMove, EnPassantDiscoveredCheckAlongTheRank) {
    // Both pawns leave the fifth rank, exposing the king to the rook.
    Pos p = FromFen("8/8/8/K2pP2r/8/8/8/7k w - d6 0 1");
    EXPECT_FALSE(Legal(p, "e5", "d6"));
    Pos q = FromFen("8/8/8/3pP3/8/8/8/K6k w - d6 0 1");
    EXPECT_TRUE(Legal(q, "e5", "d6"));
}

TEST(LegalMove, NoKingMakesEveryMoveIllegal) {
    Pos p = FromFen("8/8/8/8/8/8/4P3/8 w - - 0 1");
    EXPECT_FALSE(Legal(p, "e2", "e4"));
    EXPECT_EQ(FindKing(true, p.board), -1);
}

TEST(LegalMove, GarbageRecordsAndSquaresAnswerFalse) {
    Pos p = FromFen(kStart);
    TMoveRecord z;
    std::memset(static_cast<void*>(&z), 0xA5, sizeof z);
    EXPECT_FALSE(IsLegalMove(p.board, z));
    const int squares[] = {-128, -1, 0, 10, 20, 29, 30, 99, 100, 119, 127};
    for (int from : squares) {
        for (int to : squares) {
            z = p.state;
            z.FromSq = static_cast<int8_t>(from);
            z.ToSq = static_cast<int8_t>(to);
            EXPECT_FALSE(IsLegalMove(p.board, z));
        }
        z = p.state;
        z.FromSq = static_cast<int8_t>(Sq("e2"));
        z.ToSq = static_cast<int8_t>(from);
        EXPECT_FALSE(IsLegalMove(p.board, z));
    }
    // A damaged border must not lead the rays out of the array.
    TBoard broken = p.board;
    for (int& v : broken) if (v == OffBoard) v = Empty;
    z = p.state;
    z.FromSq = static_cast<int8_t>(Sq("d1"));
    z.ToSq = static_cast<int8_t>(Sq("d2"));
    EXPECT_FALSE(IsLegalMove(broken, z));
}

TEST(AttackTest, FindersReportInDirectionOrder) {
    Pos p = FromFen("4k3/8/8/3q4/8/1Q3Q2/8/4K3 w - - 0 1");
    TargetList list;
    ASSERT_EQ(FindQueenAttackers(Sq("d4"), White, p.board, &list), 0);
    EXPECT_TRUE(list.empty());
    ASSERT_EQ(FindQueenAttackers(Sq("d3"), White, p.board, &list), 0);
    EXPECT_EQ(list, (TargetList{Sq("b3"), Sq("f3")}));
    EXPECT_EQ(FindQueenAttackers(Sq("d3"), White, p.board, nullptr), -1);
    EXPECT_TRUE(IsSquareAttacked(Sq("d3"), Black, p.board));
    EXPECT_TRUE(IsSquareAttacked(Sq("d1"), White, p.board));  // the black queen on d5
    EXPECT_FALSE(IsSquareAttacked(Sq("h1"), White, p.board));  // the diagonal is blocked on f3
}

TEST(AttackTest, PawnsAttackForwardOnly) {
    Pos p = FromFen("4k3/8/8/3p4/8/8/3P4/4K3 w - - 0 1");
    EXPECT_TRUE(IsSquareAttacked(Sq("c3"), Black, p.board));
    EXPECT_TRUE(IsSquareAttacked(Sq("e3"), Black, p.board));
    EXPECT_FALSE(IsSquareAttacked(Sq("d3"), Black, p.board));
    EXPECT_FALSE(IsSquareAttacked(Sq("c1"), Black, p.board));
    EXPECT_TRUE(IsSquareAttacked(Sq("e4"), White, p.board));
    EXPECT_FALSE(IsSquareAttacked(Sq("e6"), White, p.board));
}

TEST(TargetGenerators, PawnDoubleStepOnlyFromHomeRank) {
    Pos p = FromFen("4k3/8/8/8/8/4P3/3P4/4K3 w - - 0 1");
    TargetList list;
    ASSERT_EQ(PawnTargets(Sq("d2"), p.state, p.board, &list), 0);
    EXPECT_EQ(list, (TargetList{Sq("d3"), Sq("d4")}));
    ASSERT_EQ(PawnTargets(Sq("e3"), p.state, p.board, &list), 0);
    EXPECT_EQ(list, (TargetList{Sq("e4")}));
    EXPECT_EQ(PawnTargets(Sq("e3"), p.state, p.board, nullptr), -1);
}
