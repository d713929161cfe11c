// The movetext parser: move forms, disambiguation, glyphs, comments, variations.
#include <gtest/gtest.h>

#include "notation/movetext_parser.h"
#include "notation/notation_core.h"
#include "notation/pgn_writer.h"
#include "notation/san_resolve.h"
#include "rules/chess960.h"
#include "rules/fen.h"
#include "tree_test_support.h"

using treetest::Alternative;
using treetest::LoadMoves;
using treetest::MainLine;
using treetest::MainLineText;
using treetest::Sq;

namespace {

// Parses movetext directly (no header), from a FEN when given.
bool Parse(TNotationCore& core, const std::string& movetext, const std::string& fen = "") {
    core.NewGame();
    if (!fen.empty()) FENToPosition(fen, core.Game.StartPosition, core.Game.StartState, core.Game.StartMoveNo);
    core.MoveText = movetext;
    return core.ParseMoveText();
}

TEST(MovetextParser, MainLineStopsAtTheResult) {
    TNotationCore core;
    EXPECT_FALSE(Parse(core, "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 1-0 4. Ba4"));
    EXPECT_EQ(MainLineText(core), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}));
    EXPECT_FALSE(Parse(core, "1. d4 d5 1/2-1/2"));
    EXPECT_EQ(MainLine(core).size(), 2u);
    EXPECT_FALSE(Parse(core, "1. d4 d5 * 2. c4"));
    EXPECT_EQ(MainLine(core).size(), 2u);
    EXPECT_FALSE(Parse(core, "1. d4 d5 0-1"));
    EXPECT_EQ(MainLine(core).size(), 2u);
}

TEST(MovetextParser, AVariationReturnsToThePositionAfterTheMove) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 (1. d4 d5) 1... e5 *"));
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[1]->Move.FromSq, Sq("e7"));
    EXPECT_EQ(line[1]->Move.ToSq, Sq("e5"));
    TMoveNode* d4 = Alternative(line[0], 1);
    ASSERT_NE(d4, nullptr);
    EXPECT_EQ(d4->Move.ToSq, Sq("d4"));
    ASSERT_NE(d4->Next, nullptr);
    EXPECT_EQ(d4->Next->Move.ToSq, Sq("d5"));
    EXPECT_EQ(d4->Next->Move.FromSq, Sq("d7"));
}

TEST(MovetextParser, ThreeDeepVariationsRestoreEachLevel) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 e5 2. Nf3 (2. f4 exf4 (2... d5 3. exd5 (3. Nf3 dxe4) 3... e4) 3. Nf3) 2... Nc6 3. Bb5 *"));
    EXPECT_EQ(MainLineText(core), (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5"}));
    treetest::TreeCheck check = treetest::CheckTree(core);
    EXPECT_EQ(check.nodes, 13);
    EXPECT_EQ(check.illegal, 0) << check.firstIllegal;
    EXPECT_EQ(check.textFaults, 0);
}

TEST(MovetextParser, AVariationOpenedFirstInsideAnotherKeepsItsPosition) {
    TNotationCore core;
    // "((": the inner one closes before the outer has a move; the outer's
    // first move is still an alternative to 1. e4.
    ASSERT_FALSE(Parse(core, "1. e4 ((1. c4) 1. d4 d5) e5 *"));
    TMoveNode* e4 = MainLine(core)[0];
    ASSERT_EQ(treetest::VariationCount(e4), 2);
    TMoveNode* d4 = Alternative(e4, 1);
    EXPECT_EQ(d4->Move.ToSq, Sq("d4"));
    EXPECT_EQ(d4->Move.FromSq, Sq("d2"));
    EXPECT_EQ(Alternative(e4, 2)->Move.ToSq, Sq("c4"));
    EXPECT_EQ(MainLine(core)[1]->Move.FromSq, Sq("e7"));
    treetest::TreeCheck check = treetest::CheckTree(core);
    EXPECT_EQ(check.illegal, 0) << check.firstIllegal;
    EXPECT_EQ(check.textFaults, 0);
}

TEST(MovetextParser, DisambiguationByFileRankAndSquare) {
    TNotationCore core;
    // Knights on b1 and f3, both reach d2.
    ASSERT_FALSE(Parse(core, "1. Nbd2", "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1"));
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("b1"));
    EXPECT_EQ(MainLine(core)[0]->Move.Flags & (FileGiven | RankGiven), FileGiven);
    // Rooks on a1 and a5, both reach a3.
    ASSERT_FALSE(Parse(core, "1. R1a3", "4k3/8/8/R7/8/8/8/R3K3 w - - 0 1"));
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("a1"));
    EXPECT_EQ(MainLine(core)[0]->Move.Flags & (FileGiven | RankGiven), RankGiven);
    // Knights on g1 and e1, both reach f3: the written square is taken.
    for (const char* move : {"1. Ng1f3", "1. g1f3", "1. Ng1-f3"}) {
        ASSERT_FALSE(Parse(core, move, "4k3/8/8/8/8/8/8/4N1NK w - - 0 1")) << move;
        EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("g1")) << move;
        EXPECT_EQ(MainLine(core)[0]->Move.Flags & (FileGiven | RankGiven), FileGiven | RankGiven) << move;
    }
    // A single knight: its own square written needlessly, no flag; a file
    // it does not stand on names no move.
    ASSERT_FALSE(Parse(core, "1. Ng1f3"));
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("g1"));
    EXPECT_EQ(MainLine(core)[0]->Move.Flags & (FileGiven | RankGiven), 0);
    EXPECT_TRUE(Parse(core, "1. Nbf3"));
    EXPECT_TRUE(MainLine(core).empty());
}

TEST(MovetextParser, APinnedCandidateIsPassedOver) {
    TNotationCore core;
    // Knights on c3 and g3 both reach e2; c3 is pinned by the bishop on a5.
    ASSERT_FALSE(Parse(core, "1. Ne2", "4k3/8/8/b7/8/2N3N1/8/4K3 w - - 0 1"));
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("g3"));
    // The other one pinned: g3 is pinned by a rook on g8
    // only when the king stands on g1.
    ASSERT_FALSE(Parse(core, "1. Ne2", "4k1r1/8/8/8/8/2N3N1/8/6K1 w - - 0 1"));
    EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("c3"));
}

TEST(MovetextParser, PawnMovesCapturesAndEnPassant) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 a6 2. e5 d5 3. exd6 *"));
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 5u);
    EXPECT_EQ(line[0]->Move.FromSq, Sq("e2"));
    EXPECT_EQ(line[0]->Move.EpSquare, Sq("e3"));
    EXPECT_EQ(line[3]->Move.EpSquare, Sq("d6"));
    EXPECT_EQ(line[4]->Move.EpVictim, Sq("d5"));
    EXPECT_EQ(line[4]->Move.Captured, -Pawn);
    EXPECT_EQ(line[4]->Move.FromSq, Sq("e5"));
    // Long forms of pawn moves.
    ASSERT_FALSE(Parse(core, "1. e2-e4 d7-d5 2. e4xd5 *"));
    EXPECT_EQ(MainLineText(core), (std::vector<std::string>{"e4", "d5", "exd5"}));
    // Coordinate form: a same-file pair is a push, not a capture.
    ASSERT_FALSE(Parse(core, "1. e2e4 d7d5 2. e4d5 g8f6 *"));
    EXPECT_EQ(MainLineText(core), (std::vector<std::string>{"e4", "d5", "exd5", "Nf6"}));
    EXPECT_EQ(treetest::CheckTree(core).illegal, 0);
}

// Only moves the rules allow are played: any other ends the reading there,
// as an unreadable move does.
TEST(MovetextParser, OnlyLegalMovesArePlayed) {
    const struct {
        const char* fen;  // "" for the standard start
        const char* movetext;
        size_t plies;  // main-line moves read
        bool error;
    } cases[] = {
        // Castling through pieces, after the king or rook went away and
        // back, out of and through check, and after a variation whose last
        // move took the right.
        {"", "1. e4 e5 2. O-O-O *", 2, true},
        {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", "1. O-O-O *", 0, true},
        {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", "1. O-O O-O-O *", 2, false},
        {"", "1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. Ke2 Ke7 5. Ke1 Ke8 6. O-O *", 10, true},
        {"", "1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. Rg1 Rg8 5. Rh1 Rh8 6. O-O *", 10, true},
        {"", "1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. Kf1 (4. d3) 4... d6 5. Ke1 d5 6. O-O *", 10, true},
        {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "1. O-O *", 0, true},
        {"r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq - 0 1", "1. O-O-O *", 1, false},
        {"r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1", "1. O-O-O *", 0, true},
        // A pinned piece, with its file given or alone; the one that may go
        // is taken when none is given.
        {"4k3/8/8/b7/8/2N3N1/8/4K3 w - - 0 1", "1. Nce2 *", 0, true},
        {"4k3/8/8/b7/8/2N3N1/8/4K3 w - - 0 1", "1. Ne2 *", 1, false},
        {"4k3/8/8/b7/8/2N5/8/4K3 w - - 0 1", "1. Ne2 *", 0, true},
        {"4k3/8/8/b7/8/2N3N1/8/4K3 w - - 0 1", "1. Nge2 *", 1, false},
        // A source written that is not the piece's own, or none where two may go.
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "1. Ra2-a3 *", 0, true},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "1. Ra2a3 *", 0, true},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "1. Rba3 *", 0, true},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "1. R2a3 *", 0, true},
        {"4k3/8/8/8/8/4P3/8/4K3 w - - 0 1", "1. e2-e4 *", 0, true},
        {"4k3/8/8/8/8/2N3N1/8/4K3 w - - 0 1", "1. Ne4 *", 0, true},
        // A move that leaves the king in check, a king that walks into one.
        {"", "1. e4 e5 2. d3 Bb4+ 3. a3 *", 4, true},
        {"4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", "1. Kd2 *", 0, true},
        {"4k3/8/8/8/8/8/4r3/4K3 w - - 0 1", "1. Kxe2 *", 1, false},
        // En passant only right after the double step past the pawn.
        {"", "1. e4 d6 2. e5 d5 3. exd6 *", 4, true},
        {"", "1. e4 a6 2. e5 d5 3. h3 h6 4. exd6 *", 6, true},
        {"", "1. e4 a6 2. e5 d5 3. exd6 *", 5, false},
        {"", "1. e4 a6 2. e5 d5 3. Nf3 (3. exd6) *", 5, false},
        {"", "1. e4 a6 2. e5 d5 3. Nf3 h6 (3... Nf6 4. exd6) *", 6, true},
        // Pawns: onto an occupied square, a capture onto an empty one, a
        // promotion without a piece, to a king, or where no pawn promotes.
        {"", "1. e4 e5 2. e5 *", 2, true},
        {"4k3/7P/8/8/8/8/8/4K3 w - - 0 1", "1. hxg8=Q *", 0, true},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "1. bxa8 *", 0, true},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "1. bxa8=K *", 0, true},
        {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "1. bxa8=Q *", 1, false},
        {"", "1. e4Q *", 0, true},
        // A piece of another kind on the square written.
        {"4k3/8/8/8/8/8/8/4NBNK w - - 0 1", "1. Nf1d2 *", 0, true},
        // Two kings of a side: no move can be judged.
        {"k6k/8/8/8/8/8/8/K7 w - - 0 1", "1. Kb1 *", 0, true},
    };
    for (const auto& c : cases) {
        TNotationCore core;
        EXPECT_EQ(Parse(core, c.movetext, c.fen), c.error) << c.movetext;
        EXPECT_EQ(MainLine(core).size(), c.plies) << c.movetext;
        EXPECT_EQ(treetest::CheckTree(core).illegal, 0) << c.movetext;
    }
}

TEST(MovetextParser, PromotionInEveryForm) {
    const std::string fen = "8/4P3/8/8/8/8/k7/7K w - - 0 1";
    for (const char* move : {"1. e8=Q", "1. e8Q", "1. e8=D", "1. e8=Q+", "1. e8Q!", "1. e7-e8=Q", "1. e8=Q!?", "1. e7e8q"}) {
        TNotationCore core;
        ASSERT_FALSE(Parse(core, move, fen)) << move;
        ASSERT_EQ(MainLine(core).size(), 1u) << move;
        EXPECT_EQ(MainLine(core)[0]->Move.Promotion, Queen) << move;
        EXPECT_EQ(MainLine(core)[0]->Move.FromSq, Sq("e7")) << move;
    }
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e8=N", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.Promotion, Knight);
    ASSERT_FALSE(Parse(core, "1. e8=S", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.Promotion, Knight);
    ASSERT_FALSE(Parse(core, "1. e8=T", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.Promotion, Rook);
    EXPECT_TRUE(Parse(core, "1. e8=X", fen));
    // Black promotes to a black piece.
    ASSERT_FALSE(Parse(core, "1... a1=Q", "7K/8/8/8/8/8/p7/7k b - - 0 1"));
    EXPECT_EQ(MainLine(core)[0]->Move.Promotion, -Queen);
}

TEST(MovetextParser, CastlingWithLettersAndZeros) {
    const std::string fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. O-O+ O-O-O", fen));
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 2u);
    EXPECT_EQ(line[0]->Move.CastleKind, 1);
    EXPECT_EQ(line[0]->Move.ToSq, Sq("g1"));
    EXPECT_TRUE(line[0]->Move.Flags & CheckSign);
    EXPECT_EQ(line[0]->Move.Castling, CastleBK | CastleBQ);
    EXPECT_EQ(line[1]->Move.CastleKind, 2);
    EXPECT_EQ(line[1]->Move.ToSq, Sq("c8"));
    EXPECT_EQ(line[1]->Move.Castling, 0);
    ASSERT_FALSE(Parse(core, "1. 0-0-0 0-0", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.CastleKind, 2);
    EXPECT_EQ(MainLine(core)[1]->Move.CastleKind, 1);
    ASSERT_FALSE(Parse(core, "1. OO OOO", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.CastleKind, 1);
    EXPECT_EQ(MainLine(core)[1]->Move.CastleKind, 2);
    // A mark written directly after castling keeps its kind.
    ASSERT_FALSE(Parse(core, "1. O-O! O-O-O?!", fen));
    EXPECT_EQ(MainLine(core)[0]->Move.CastleKind, 1);
    EXPECT_EQ(MainLine(core)[1]->Move.CastleKind, 2);
    EXPECT_EQ(treetest::CheckTree(core).illegal, 0);
}

// Chess960 castling of every kind: read (letters, zeros, the king taking its
// own rook, coordinates), played to the expected position, taken back step by
// step to the start, and the game's FEN tag written in its own notation.
TEST(MovetextParser, Chess960CastlingOfEveryKind) {
    struct Case {
        const char* fen;
        const char* moves;
        const char* after;  // board, side and castling field; "" = a reading error
    };
    static const Case cases[] = {
        // The white king stays on g1; the black king stays on c8.
        {"r1k4r/8/8/8/8/8/8/R5KR w HAha - 0 1", "1. O-O O-O-O", "2kr3r/8/8/8/8/8/8/R4RK1 w -"},
        {"r1k4r/8/8/8/8/8/8/R5KR w KQkq - 0 1", "1. Kxh1 Kxa8", "2kr3r/8/8/8/8/8/8/R4RK1 w -"},
        {"r1k4r/8/8/8/8/8/8/R5KR w HAha - 0 1", "1. Rb1 0-0", "r4rk1/8/8/8/8/8/8/1R4KR w H"},
        // The rooks stay on d1 and d8; coordinates name the rook's square.
        {"3rk3/3p4/8/8/8/8/3P4/3RK2R w HDd - 0 1", "1. O-O-O O-O-O", "2kr4/3p4/8/8/8/8/3P4/2KR3R w -"},
        {"3rk3/3p4/8/8/8/8/3P4/3RK2R w HDd - 0 1", "1. e1h1 e8d8", "2kr4/3p4/8/8/8/8/3P4/3R1RK1 w -"},
        // King and rook pass each other (b1 -> g1 over g1 -> f1, e8 -> g8 over g8 -> f8).
        {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1", "1. O-O O-O",
         "1r3rk1/pppppppp/8/8/8/8/PPPPPPPP/R4RK1 w -"},
        {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/RK4R1 w GAgb - 0 1", "1. O-O-O O-O-O",
         "2kr2r1/pppppppp/8/8/8/8/PPPPPPPP/2KR2R1 w -"},
        // A right kept across moves of other pieces; one lost with its rook.
        {"1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/RR1K3R w KBgq - 0 1", "1. a4 a5 2. Ra3 O-O 3. O-O-O",
         "1r3rkr/1ppppppp/8/p7/P7/R7/1PPPPPPP/2KR3R b -"},
        // No rook for the wing: nothing to castle with.
        {"4k3/8/8/8/8/8/8/4K3 w HAha - 0 1", "1. O-O", ""},
    };
    for (const Case& c : cases) {
        TNotationCore core;
        const bool error = *c.after == 0;
        ASSERT_EQ(LoadMoves(core, c.moves, c.fen), error ? -1 : 0) << c.fen << " " << c.moves;
        const TCastlingRooks rooks = core.Game.CastlingRooks;
        EXPECT_TRUE(rooks.Active) << c.fen;
        if (error) continue;
        treetest::TreeCheck check = treetest::CheckTree(core);
        EXPECT_EQ(check.illegal, 0) << c.fen << " " << c.moves << ": " << check.firstIllegal;
        EXPECT_EQ(check.notRestored, 0) << c.fen << " " << c.moves;
        EXPECT_EQ(MainLineText(core).back().substr(0, 3), "O-O") << c.moves;
        core.ToEnd();
        std::string fen = PositionToFEN(core.Board, core.State, 1, rooks);
        EXPECT_EQ(fen.substr(0, fen.find(' ', fen.find(' ', fen.find(' ') + 1) + 1)), c.after) << c.moves;
        while (core.StepBack()) {
        }
        EXPECT_EQ(core.Board, core.Game.StartPosition) << c.moves;
        std::string tags;
        WritePGN(core, false, tags, true);
        std::string start = c.fen;
        start.replace(start.rfind(" 0 "), 3, " 0 ");  // the half-move clock is written as 0
        EXPECT_NE(tags.find("[FEN \"" + start + "\"]"), std::string::npos) << tags;
    }
}

TEST(MovetextParser, CastlingRightsFollowKingAndRookMoves) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. Rh2 Ra7 2. Ke2 Rxa1", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    auto line = MainLine(core);
    EXPECT_EQ(line[0]->Move.Castling, CastleWQ | CastleBK | CastleBQ);
    EXPECT_EQ(line[1]->Move.Castling, CastleWQ | CastleBK);
    EXPECT_EQ(line[2]->Move.Castling, CastleBK);
}

TEST(MovetextParser, GlyphsMapToTheMoveRecord) {
    struct Case {
        const char* nag;
        int moveNag, positionNag, extraNag, flags;
    };
    for (Case c : {Case{"$1", 1, 0, 0, 0}, Case{"$3", 2, 0, 0, 0}, Case{"$2", 3, 0, 0, 0}, Case{"$4", 4, 0, 0, 0},
                   Case{"$5", 5, 0, 0, 0}, Case{"$6", 6, 0, 0, 0}, Case{"$14", 0, 14, 0, 0},
                   Case{"$146", 0, 146, 0, 0}, Case{"$140", 0, 0, 140, 0}, Case{"$142", 0, 0, 142, 0},
                   Case{"$998", 0, 0, 0, MarkBefore}, Case{"$999", 0, 0, 0, MarkAfter}, Case{"$7", 0, 0, 0, 0},
                   Case{"$01", 0, 0, 0, 0}, Case{"$255", 0, 0, 0, 0},
                   // Glyphs written as text or as their symbols.
                   Case{"+-", 0, 18, 0, 0}, Case{"-+", 0, 19, 0, 0}, Case{"+=", 0, 14, 0, 0}, Case{"=/+", 0, 15, 0, 0},
                   Case{"+/-", 0, 16, 0, 0}, Case{"-/+", 0, 17, 0, 0}, Case{"=", 0, 0, 0, 0},
                   Case{"\u221E", 0, 13, 0, 0}, Case{"\u00B1", 0, 16, 0, 0}, Case{"=/\u221E", 0, 44, 0, 0},
                   Case{"inf", 0, 13, 0, 0}, Case{"!?", 5, 0, 0, 0}, Case{"??", 4, 0, 0, 0}}) {
        TNotationCore core;
        ASSERT_FALSE(Parse(core, std::string("1. e4 ") + c.nag + " e5 *")) << c.nag;
        auto line = MainLine(core);
        ASSERT_EQ(line.size(), 2u) << c.nag;
        EXPECT_EQ(line[0]->Move.MoveNag, c.moveNag) << c.nag;
        EXPECT_EQ(line[0]->Move.PositionNag, c.positionNag) << c.nag;
        EXPECT_EQ(line[0]->Move.ExtraNag, c.extraNag) << c.nag;
        EXPECT_EQ(line[0]->Move.Flags & (MarkBefore | MarkAfter), c.flags) << c.nag;
        EXPECT_EQ(line[1]->Move.MoveNag, 0);
    }
    // Glyphs as text end nothing, written apart or onto the move.
    for (const char* text : {"1. e4 e5 (1... c5 +-) 2. Nf3 -+ Nc6 +/- 3. Bb5+- = a6 \u221E *",
                             "1. e4 -/+ e5 +/= 2. Nf3 =+ Nc6\u00B1 3. Bb5 += a6 =/\u221E 1-0"}) {
        TNotationCore core;
        ASSERT_FALSE(Parse(core, text)) << text;
        EXPECT_EQ(MainLine(core).size(), 6u) << text;
    }
    // A later glyph of the same group replaces the earlier; a glyph before ")" still counts.
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 $1 $2 $14 (1. d4 $5) e5 $999 $998 *"));
    auto line = MainLine(core);
    EXPECT_EQ(line[0]->Move.MoveNag, 3);
    EXPECT_EQ(line[0]->Move.PositionNag, 14);
    EXPECT_EQ(Alternative(line[0], 1)->Move.MoveNag, 5);
    EXPECT_EQ(line[1]->Move.Flags & (MarkBefore | MarkAfter), MarkBefore | MarkAfter);
}

TEST(MovetextParser, AssessmentMarksWrittenOnTheMoveAreKept) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4! e5? 2. Nf3!! Nc6?? 3. Bb5!? a6?! 4. Ba4! b5+!? 5. Bb3 $2 Na5!?? 6. O-O! *"));
    auto line = MainLine(core);
    ASSERT_EQ(line.size(), 11u);
    const int expected[] = {1, 3, 2, 4, 5, 6, 1, 5, 3, 0, 1};
    for (size_t i = 0; i < line.size(); ++i) EXPECT_EQ(line[i]->Move.MoveNag, expected[i]) << i;
    EXPECT_EQ(line[10]->Move.CastleKind, 1);  // "O-O!" stays short castling
    EXPECT_TRUE(line[7]->Move.Flags & CheckSign);
    // A glyph after the move replaces the written mark.
    ASSERT_FALSE(Parse(core, "1. e4! $4 e5 *"));
    EXPECT_EQ(MainLine(core)[0]->Move.MoveNag, 4);
    // The mark of a promotion does not hide the promotion letter.
    ASSERT_FALSE(Parse(core, "1. e8=Q! *", "k7/4P3/8/8/8/8/8/4K3 w - - 0 1"));
    ASSERT_EQ(MainLine(core).size(), 1u);
    EXPECT_EQ(MainLine(core)[0]->Move.Promotion, Queen);
    EXPECT_EQ(MainLine(core)[0]->Move.MoveNag, 1);
}

TEST(MovetextParser, CommentsAreJoinedAndTheIntroIsKept) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "{Intro} 1. e4 {good} $1 e5 *"));
    EXPECT_EQ(core.Game.IntroComment, "{Intro} ");
    auto line = MainLine(core);
    EXPECT_EQ(line[0]->Comment, "{good}");
    EXPECT_EQ(line[0]->Move.MoveNag, 1);
    ASSERT_FALSE(Parse(core, "{ first intro } {second} 1. e4 { first } {second} e5 {} *"));
    EXPECT_EQ(core.Game.IntroComment, "{first intro }{second} ");
    EXPECT_EQ(MainLine(core)[0]->Comment, "{first} | {second}");
    EXPECT_EQ(MainLine(core)[1]->Comment, "{}");
    // A comment right after "(" stands in the variation, before its first move.
    ASSERT_FALSE(Parse(core, "1. e4 {main} ({why not} 1. d4 {solid}) e5 *"));
    line = MainLine(core);
    EXPECT_EQ(line[0]->Comment, "{main}");
    EXPECT_EQ(line[0]->Variations->Comment, "{why not}");
    EXPECT_EQ(Alternative(line[0], 1)->Comment, "{solid}");
    // A ";" comment runs to the end of its line, read as a brace comment.
    ASSERT_EQ(LoadMoves(core, "1. e4 ; note } here\n1... e5 *"), 0);
    EXPECT_EQ(MainLine(core)[0]->Comment, "{note ) here}");
    EXPECT_EQ(MainLine(core).size(), 2u);
    // Comments without a move to follow are dropped, braces inside a comment are text.
    ASSERT_FALSE(Parse(core, "1. {lost} e4 {a (b) c} *"));
    EXPECT_EQ(MainLine(core)[0]->Comment, "{a (b) c}");
}

// Moves are read with or without move numbers before them, in SAN or
// coordinates; what annotated files write around moves does not end the
// reading.
TEST(MovetextParser, MovesWithOrWithoutNumbers) {
    const struct {
        const char* movetext;
        std::vector<std::string> mainLine;
        bool error;
    } cases[] = {
        {"e4 e5 Nf3 Nc6 *", {"e4", "e5", "Nf3", "Nc6"}, false},
        {"e4 e5 2. Nf3 Nc6 3.Bb5 a6 *", {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}, false},
        {"e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8c5 *", {"e4", "e5", "Nf3", "Nc6", "Bc4", "Nf6", "O-O", "Bc5"}, false},
        {"1. e4 d5 2. e5 f5 3. exf6 e.p. e5 *", {"e4", "d5", "e5", "f5", "exf6", "e5"}, false},
        {"1. e4 d5 2. e5 f5 3. exf6e.p. e5 *", {"e4", "d5", "e5", "f5", "exf6", "e5"}, false},
        {"1. e4$1 e5$2 2. Nf3$5 Nc6{a}(2... d6) *", {"e4!", "e5?", "Nf3!?", "Nc6"}, false},
        {"1. e4 e5 (1... -- 2. d4) 2. Nf3 (2. Z0 Nc6) Nc6 *", {"e4", "e5", "Nf3", "Nc6"}, false},
        {"{intro} <br> (Result junk) Mr. Smith: 1. d4 *", {"d4"}, false},
        {"1-0", {}, false},
        // A result inside a variation ends nothing.
        {"1. e4 e5 (1... c5 2. Nf3 1-0) 2. Nf3 (2. d4 *) Nc6 (2... d6 1/2-1/2) 3. Bb5 a6 *",
         {"e4", "e5", "Nf3", "Nc6", "Bb5", "a6"}, false},
        {"e4 e5 2. Xf3", {"e4", "e5"}, true},
        // Blanks of every kind.
        {"1.\te4\te5\f2. Nf3\t\tNc6\v3. Bb5 $6\ta6 1-0", {"e4", "e5", "Nf3", "Nc6", "Bb5?!", "a6"}, false},
    };
    for (const auto& c : cases) {
        TNotationCore core;
        core.SetEnglish(true);
        EXPECT_EQ(Parse(core, c.movetext), c.error) << c.movetext;
        EXPECT_EQ(MainLineText(core), c.mainLine) << c.movetext;
        EXPECT_EQ(treetest::CheckTree(core).illegal, 0) << c.movetext;
    }
    // A null move passes the turn: the board stays, the other side moves.
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 e5 (1... -- 2. d4) *"));
    TMoveNode* null = Alternative(MainLine(core)[1], 1);
    ASSERT_NE(null, nullptr);
    EXPECT_TRUE(IsNullMove(null->Move));
    EXPECT_EQ(null->Next->Move.ToSq, Sq("d4"));
    EXPECT_EQ(core.MoveToText(null->Move), "--");
}

TEST(MovetextParser, ErrorsKeepTheMovesBefore) {
    TNotationCore core;
    EXPECT_TRUE(Parse(core, "1. e4 Qxh9"));
    ASSERT_EQ(MainLine(core).size(), 1u);
    EXPECT_EQ(MainLine(core)[0]->Move.ToSq, Sq("e4"));
    for (const char* bad : {"1. e4 e5 2. Xf3", "1. e4 e5 2. Nf5", "1. e4 e5 2. N", "1. e4 e5 2. ixf3", "1. e4 {open"}) {
        TNotationCore c;
        EXPECT_TRUE(Parse(c, bad)) << bad;
        EXPECT_GE(MainLine(c).size(), 1u) << bad;
    }
}

// The quick mode of the move reader takes plain SAN only, and reads it as
// the full one does; every other form it leaves to the full reading.
TEST(MovetextParser, PlainSanModeReadsAsTheFullReadingOrLeavesTheWord) {
    using san::TMoveReading;
    const std::string start = "r3k2r/pP2p3/8/8/8/8/4P3/RN2K2R w KQkq - 0 1";
    const std::pair<const char*, TMoveReading> cases[] = {
        {"e4", TMoveReading::Move},     {"e3!?", TMoveReading::Move},  {"bxa8Q", TMoveReading::Move},
        {"Nd2", TMoveReading::Move},    {"Nbd2", TMoveReading::Move},  {"O-O", TMoveReading::Move},
        {"0-0-0", TMoveReading::NoMove}, {"e5", TMoveReading::NoMove},  {"bxa8", TMoveReading::NoMove},
        {"Nf3", TMoveReading::NoMove},  {"e2e4", TMoveReading::Unusual}, {"Sd2", TMoveReading::Unusual},
        {"Ke1g1", TMoveReading::Unusual}, {"OO", TMoveReading::Unusual}, {"bxa8D", TMoveReading::Unusual},
    };
    for (const auto& [word, expected] : cases) {
        TBoard board = EmptyBoard;
        TMoveRecord plain = FreshState(), full = FreshState();
        uint16_t moveNo = 1;
        ASSERT_TRUE(FENToPosition(start, board, plain, moveNo));
        full = plain;
        std::string token = word, again = word;
        EXPECT_EQ(san::ReadMove(token, board, plain, TCastlingRooks{}, 0, san::TMoveForms::PlainSan), expected) << word;
        const TMoveReading read = san::ReadMove(again, board, full, TCastlingRooks{}, 0);
        if (expected == TMoveReading::Unusual) continue;
        EXPECT_EQ(read, expected) << word;
        EXPECT_EQ(std::tie(plain.FromSq, plain.ToSq, plain.Promotion, plain.Flags),
                  std::tie(full.FromSq, full.ToSq, full.Promotion, full.Flags)) << word;
    }
}

TEST(MovetextParser, GermanPieceLettersAreRead) {
    TNotationCore core;
    ASSERT_FALSE(Parse(core, "1. e4 e5 2. Sf3 Sc6 3. Lb5 a6 4. Lxc6 dxc6 5. O-O Dd6 6. Te1 *"));
    EXPECT_EQ(MainLineText(core),
              (std::vector<std::string>{"e4", "e5", "Nf3", "Nc6", "Bb5", "a6", "Bxc6", "dxc6", "O-O", "Qd6", "Re1"}));
}

TEST(MovetextParser, RemoveLongNotationMarks) {
    auto cleaned = [](std::string s) {
        RemoveLongNotationMarks(s);
        return s;
    };
    EXPECT_EQ(cleaned("e2-e4"), "e4");
    EXPECT_EQ(cleaned("e4xd5"), "exd5");
    EXPECT_EQ(cleaned("e7-e8Q"), "e8Q");
    EXPECT_EQ(cleaned("Ng1-f3"), "Ng1f3");
    EXPECT_EQ(cleaned("Ra1xa3"), "Ra1xa3");
    EXPECT_EQ(cleaned("O-O"), "O-O");
    EXPECT_EQ(cleaned("0-0-0"), "0-0-0");
    EXPECT_EQ(cleaned("exd5"), "exd5");
    EXPECT_EQ(cleaned("-"), "-");
    EXPECT_EQ(cleaned("x"), "x");
}

TEST(MovetextParser, CandidateFindersFollowTheDirectionTables) {
    TBoard board = EmptyBoard;
    board[Sq("a1")] = Rook;
    board[Sq("a8")] = Rook;
    board[Sq("h4")] = Rook;
    board[Sq("a6")] = -Rook;
    TCandidateList list;
    // a8 is hidden behind the black rook on a6.
    EXPECT_TRUE(FindRookCandidates(board, Sq("a4"), White, TFinderMode::Find, &list));
    ASSERT_EQ(list.Count, 2);
    EXPECT_EQ(list.Squares[0], Sq("h4"));  // RookDirs: -1, 10, 1, -10
    EXPECT_EQ(list.Squares[1], Sq("a1"));
    // Test mode looks for the other colour and records nothing.
    list.Clear();
    EXPECT_TRUE(FindRookCandidates(board, Sq("a4"), White, TFinderMode::Test, &list));
    EXPECT_EQ(list.Count, 0);
    EXPECT_FALSE(FindBishopCandidates(board, Sq("a4"), White, TFinderMode::Find, &list));
    EXPECT_EQ(PieceKindOfLetter('D'), Queen);
    EXPECT_EQ(PieceKindOfLetter('L'), Bishop);
    EXPECT_EQ(PieceKindOfLetter('c'), Pawn);
    EXPECT_EQ(PieceKindOfLetter('X'), NoPieceLetter);
    EXPECT_EQ(PieceKindOfLetter('i'), NoPieceLetter);
}

}  // namespace
