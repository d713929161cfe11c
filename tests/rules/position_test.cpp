#include <gtest/gtest.h>

#include "rules/position.h"

TEST(SquareIndex, ConvertsCornersBothWays) {
    EXPECT_EQ(Index64ToSquare(0), 21);
    EXPECT_EQ(Index64ToSquare(7), 28);
    EXPECT_EQ(Index64ToSquare(56), 91);
    EXPECT_EQ(Index64ToSquare(63), 98);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(SquareToIndex64(Index64ToSquare(i)), i);
        EXPECT_TRUE(IsRealSquare(Index64ToSquare(i)));
    }
}

TEST(SquareIndex, NamesFollowIndex64) {
    EXPECT_EQ(SquareNames[0], "a1");
    EXPECT_EQ(SquareNames[7], "h1");
    EXPECT_EQ(SquareNames[8], "a2");
    EXPECT_EQ(SquareNames[63], "h8");
    EXPECT_EQ(SquareName(25), "e1");
    EXPECT_EQ(SquareName(45), "e3");
    EXPECT_EQ(SquareName(20), "??");
    EXPECT_EQ(SquareName(99), "??");
}

TEST(Tables, BordersHoldOffBoardAndKnightJumpsStayInside) {
    int inside = 0;
    for (int s = 0; s < 120; ++s) {
        bool real = IsRealSquare(s);
        inside += real;
        if (!real) {
            EXPECT_EQ(InitialPosition[s], OffBoard) << s;
            EXPECT_EQ(EmptyBoard[s], OffBoard) << s;
        } else {
            EXPECT_EQ(EmptyBoard[s], Empty) << s;
            for (int j : KnightJumps) {
                EXPECT_GE(s + j, 0);
                EXPECT_LT(s + j, 120);
            }
        }
    }
    EXPECT_EQ(inside, 64);
}

TEST(Tables, InitialPositionAndPieceLetters) {
    const int rank1[8] = {2, 4, 3, 5, 6, 3, 4, 2};
    for (int f = 0; f < 8; ++f) {
        EXPECT_EQ(InitialPosition[21 + f], rank1[f]);
        EXPECT_EQ(InitialPosition[31 + f], 1);
        EXPECT_EQ(InitialPosition[81 + f], -1);
        EXPECT_EQ(InitialPosition[91 + f], -rank1[f]);
        for (int r = 2; r < 6; ++r) EXPECT_EQ(InitialPosition[21 + f + 10 * r], 0);
    }
    EXPECT_EQ(PieceLetters, "kqnbrp PRBNQK");
    EXPECT_EQ(PieceLetter(-6), 'k');
    EXPECT_EQ(PieceLetter(Rook), 'R');
    EXPECT_EQ(PieceLetter(Bishop), 'B');
    EXPECT_EQ(PieceLetter(Knight), 'N');
    EXPECT_EQ(PieceLetter(0), ' ');
    EXPECT_EQ(PieceLetter(100), ' ');
}

TEST(Tables, DirectionOrderIsFixed) {
    EXPECT_EQ(BishopDirs, (std::array<int, 4>{-9, -11, 9, 11}));
    EXPECT_EQ(RookDirs, (std::array<int, 4>{-1, 10, 1, -10}));
    EXPECT_EQ(KnightJumps, (std::array<int, 8>{19, 21, 12, -8, -19, -21, -12, 8}));
    EXPECT_EQ(QueenDirs, (std::array<int, 8>{-9, -11, 9, 11, -1, 10, 1, -10}));
    EXPECT_EQ(KingSteps, QueenDirs);
}

TEST(MoveRecord, FreshStateIsAllRightsWhiteToMove) {
    TMoveRecord z = FreshState();
    EXPECT_EQ(z.Castling, 30);
    EXPECT_EQ(z.EpSquare, 0);
    EXPECT_EQ(z.Side, 1);
    EXPECT_EQ(z.FromSq, 0);
    EXPECT_EQ(z.Flags, 0);
    EXPECT_EQ(sizeof(TMoveRecord), 13u);
}
