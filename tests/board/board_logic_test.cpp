// Board geometry and the board's own move bookkeeping.
#include <gtest/gtest.h>

#include "board/board_logic.h"

namespace {

constexpr int Sq(const char* name) { return 21 + (name[0] - 'a') + 10 * (name[1] - '1'); }

TEST(BoardGeometry, A1IsBottomLeftDarkAndRectanglesShareEdges) {
    TSquareRects r = ComputeSquareRects(33);
    EXPECT_EQ(r[0].Left, 0);
    EXPECT_EQ(r[0].Top, 7 * 33);
    EXPECT_EQ(r[0].Right, 33);
    EXPECT_EQ(r[0].Bottom, 8 * 33);
    EXPECT_EQ(r[63].Left, 7 * 33);
    EXPECT_EQ(r[63].Top, 0);
    EXPECT_EQ(r[7].Left, 7 * 33);  // h1 bottom-right
    EXPECT_EQ(r[7].Top, 7 * 33);
    EXPECT_EQ(r[1].Left, r[0].Right);
    EXPECT_EQ(r[8].Bottom, r[0].Top);
    EXPECT_TRUE(IsDarkSquare(0));    // a1
    EXPECT_FALSE(IsDarkSquare(7));   // h1
    EXPECT_TRUE(IsDarkSquare(63));   // h8
    EXPECT_FALSE(IsDarkSquare(56));  // a8
    int dark = 0;
    for (int q = 0; q < 64; ++q) dark += IsDarkSquare(q);
    EXPECT_EQ(dark, 32);
}

TEST(BoardGeometry, HitTestTakesTheLowerIndexOnSharedEdges) {
    const int s = 40;
    TSquareRects r = ComputeSquareRects(s);
    EXPECT_EQ(SquareAt(r, 5, 8 * s - 5), 0);                    // inside a1
    EXPECT_EQ(SquareAt(r, s, 8 * s - 5), 0);                    // a1/b1 edge -> a1
    EXPECT_EQ(SquareAt(r, s + 1, 8 * s - 5), 1);                // b1
    EXPECT_EQ(SquareAt(r, 5, 7 * s), 0);                        // a1/a2 edge -> a1
    EXPECT_EQ(SquareAt(r, 5, 7 * s - 1), 8);                    // a2
    EXPECT_EQ(SquareAt(r, s, 7 * s), 0);                        // corner of a1, b1, a2, b2 -> a1
    EXPECT_EQ(SquareAt(r, 8 * s, 0), 63);                       // outer corner still h8
    EXPECT_EQ(SquareAt(r, 4 * s, 4 * s), 27);                   // centre: d4 (lowest of d4 e4 d5 e5)
    EXPECT_EQ(SquareAt(r, -1, 5), -1);
    EXPECT_EQ(SquareAt(r, 8 * s + 1, 5), -1);
    EXPECT_EQ(SquareAt(r, 5, 8 * s + 1), -1);
}

struct MoveCase : ::testing::Test {
    TBoard board = InitialPosition;
    TMoveRecord move = FreshState();
    int asked = 0;
    int answer = Queen;
    TAskPromotion ask = [this](int side) {
        ++asked;
        return side * answer;
    };
    void Put(const char* sq, int piece) { board[static_cast<size_t>(Sq(sq))] = piece; }
    int At(const char* sq) const { return board[static_cast<size_t>(Sq(sq))]; }
};

TEST_F(MoveCase, DoubleStepSetsTheSquarePassedOverAndFlipsTheSide) {
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("e2"), Sq("e4"), ask));
    EXPECT_EQ(At("e4"), Pawn);
    EXPECT_EQ(At("e2"), 0);
    EXPECT_EQ(move.EpSquare, Sq("e3"));  // a mailbox square like every square of the record
    EXPECT_EQ(move.FromSq, Sq("e2"));
    EXPECT_EQ(move.ToSq, Sq("e4"));
    EXPECT_EQ(move.Side, Black);
    EXPECT_EQ(move.Castling, CastleAll);
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("d7"), Sq("d5"), ask));
    EXPECT_EQ(move.EpSquare, Sq("d6"));
    EXPECT_EQ(move.Side, White);
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("e4"), Sq("d5"), ask));
    EXPECT_EQ(move.Captured, -Pawn);
    EXPECT_EQ(move.EpSquare, 0);
    EXPECT_EQ(move.EpVictim, 0);
    EXPECT_EQ(asked, 0);
}

TEST_F(MoveCase, EnPassantRemovesThePawnBehindTheTargetForBothSides) {
    board = EmptyBoard;
    Put("e1", King);
    Put("e8", -King);
    Put("e5", Pawn);
    Put("d5", -Pawn);
    move.EpSquare = static_cast<int8_t>(Sq("d6"));
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("e5"), Sq("d6"), ask));
    EXPECT_EQ(At("d6"), Pawn);
    EXPECT_EQ(At("d5"), 0);
    EXPECT_EQ(At("e5"), 0);
    EXPECT_EQ(move.EpVictim, Sq("d5"));
    EXPECT_EQ(move.Captured, -Pawn);  // the taken pawn, as for any capture

    board = EmptyBoard;
    Put("c4", -Pawn);
    Put("b4", Pawn);
    move = FreshState();
    move.Side = Black;
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("c4"), Sq("b3"), ask));
    EXPECT_EQ(At("b3"), -Pawn);
    EXPECT_EQ(At("b4"), 0);
    EXPECT_EQ(move.EpVictim, Sq("b4"));
    EXPECT_EQ(move.Captured, Pawn);
}

TEST_F(MoveCase, DiagonalStepOntoAnEmptySquareFromAnotherRankIsNoEnPassant) {
    board = EmptyBoard;
    Put("e4", Pawn);
    Put("d4", -Pawn);
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("e4"), Sq("d5"), ask));
    EXPECT_EQ(move.EpVictim, 0);
    EXPECT_EQ(At("d4"), -Pawn);
}

TEST_F(MoveCase, CastlingMovesTheRookOnBothWingsForBothSides) {
    struct Case {
        const char *king, *to, *rookFrom, *rookTo;
        int side, kind, lost;
    } cases[] = {
        {"e1", "g1", "h1", "f1", White, 1, CastleWK | CastleWQ},
        {"e1", "c1", "a1", "d1", White, 2, CastleWK | CastleWQ},
        {"e8", "g8", "h8", "f8", Black, 1, CastleBK | CastleBQ},
        {"e8", "c8", "a8", "d8", Black, 2, CastleBK | CastleBQ},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.king) + "-" + c.to);
        board = EmptyBoard;
        Put(c.king, c.side * King);
        Put(c.rookFrom, c.side * Rook);
        move = FreshState();
        move.Side = static_cast<int8_t>(c.side);
        ASSERT_TRUE(ApplyBoardMove(board, move, Sq(c.king), Sq(c.to), ask));
        EXPECT_EQ(At(c.to), c.side * King);
        EXPECT_EQ(At(c.rookTo), c.side * Rook);
        EXPECT_EQ(At(c.rookFrom), 0);
        EXPECT_EQ(At(c.king), 0);
        EXPECT_EQ(move.CastleKind, c.kind);
        EXPECT_EQ(move.Castling, CastleAll & ~c.lost);
    }
}

TEST_F(MoveCase, RookMovesAndCapturesInTheCornersCostCastlingRights) {
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("h1"), Sq("h5"), ask));  // board ignores legality
    EXPECT_EQ(move.Castling, CastleAll & ~CastleWK);
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("a8"), Sq("a5"), ask));
    EXPECT_EQ(move.Castling, CastleWQ | CastleBK);
    // A white piece taking the rook on h8 removes Black's short castling.
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("h5"), Sq("h8"), ask));
    EXPECT_EQ(move.Castling, CastleWQ);
    EXPECT_EQ(move.Captured, -Rook);
    // A king move that is no castling clears both rights of its side.
    board = InitialPosition;
    move = FreshState();
    Put("f1", 0);
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("e1"), Sq("f1"), ask));
    EXPECT_EQ(move.CastleKind, 0);
    EXPECT_EQ(move.Castling, CastleBK | CastleBQ);
}

TEST_F(MoveCase, PromotionTakesTheChosenPieceAndNoChoiceWithdrawsTheMove) {
    board = EmptyBoard;
    Put("b7", Pawn);
    Put("a8", -Rook);
    answer = Knight;
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("b7"), Sq("a8"), ask));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(At("a8"), Knight);
    EXPECT_EQ(move.Promotion, Knight);
    EXPECT_EQ(move.Captured, -Rook);
    EXPECT_EQ(move.Castling, CastleAll & ~CastleBQ);

    board = EmptyBoard;
    Put("c2", -Pawn);
    move = FreshState();
    move.Side = Black;
    answer = Queen;
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("c2"), Sq("c1"), ask));
    EXPECT_EQ(At("c1"), -Queen);
    EXPECT_EQ(move.Promotion, -Queen);

    // The chooser closed without a choice: nothing changes at all.
    board = EmptyBoard;
    Put("g7", Pawn);
    move = FreshState();
    const TBoard before = board;
    const TMoveRecord moveBefore = move;
    answer = 0;
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("g7"), Sq("g8"), ask));
    EXPECT_EQ(board, before);
    EXPECT_EQ(move, moveBefore);
    // Nonsense answers (a king, a pawn, the other colour) are no choice either.
    for (int bad : {int{King}, int{Pawn}, -int{Queen}, 7, 100}) {
        EXPECT_FALSE(ApplyBoardMove(board, move, Sq("g7"), Sq("g8"), [bad](int) { return bad; }));
        EXPECT_EQ(board, before);
    }
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("g7"), Sq("g8"), nullptr));
}

TEST_F(MoveCase, BadSquaresChangeNothing) {
    const TBoard before = board;
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("e4"), Sq("e5"), ask));  // empty origin
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("e2"), Sq("e2"), ask));
    EXPECT_FALSE(ApplyBoardMove(board, move, 0, Sq("e4"), ask));
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("e2"), 119, ask));
    EXPECT_FALSE(ApplyBoardMove(board, move, Sq("e2"), 30, ask));  // border cell
    EXPECT_EQ(board, before);
    EXPECT_EQ(move, FreshState());
}

TEST_F(MoveCase, KeepsPositionAndExtraGlyphsButClearsTheMovesOwn) {
    move.PositionNag = 14;
    move.ExtraNag = 140;
    move.MoveNag = 3;
    move.Flags = CheckSign;
    ASSERT_TRUE(ApplyBoardMove(board, move, Sq("g1"), Sq("f3"), ask));
    EXPECT_EQ(move.PositionNag, 14);
    EXPECT_EQ(move.ExtraNag, 140);
    EXPECT_EQ(move.MoveNag, 0);
    EXPECT_EQ(move.Flags, 0);
}

}  // namespace
