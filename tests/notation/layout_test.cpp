#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "layout_test_support.h"
#include "notation/game_tree.h"
#include "notation/layout.h"

using layouttest::Rows;
using layouttest::TLaidOut;

namespace {

TEST(Layout, VariationsTwoLevelsGetTheirOwnRowsAndFonts) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 Nc6 3. Bb5 (3. Bc4 Bc5 (3... Nf6 4. Ng5) 4. c3) 3... a6 4. Ba4 *");
    Rows expected{{"Font0VarBold", "1.e4 e5 2.Nf3 Nc6 3.Bb5 "},
                  {"Font1Var", "[3.Bc4 Bc5 "},
                  {"Font2Var", "(3...Nf6 4.Ng5) "},
                  {"Font1Var", "4.c3] "},
                  {"Font0VarBold", "3...a6 4.Ba4  "},
                  {"Font0Var", " "},
                  {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
}

TEST(Layout, AutoBoldOffOrNoAlternativesKeepsPlainMainFont) {
    TLaidOut g;
    g.display->AutoBold = false;
    g.Load("1. e4 (1. d4) e5 *");
    EXPECT_EQ(g.Rows().front().first, "Font0Var");
    TLaidOut h;
    h.Load("1. e4 e5 *");
    EXPECT_EQ(h.Rows().front().first, "Font0Var");
    // An alternative deep inside a variation does not make the main line bold.
    TLaidOut k;
    k.Load("1. e4 e5 2. Nf3 (2. f4 exf4 (2... d5)) *");
    EXPECT_EQ(k.Rows().front().first, "Font0VarBold");
    TLaidOut m;
    m.core.LoadGame("[Event \"x\"]\n\n1. e4 e5 *\n");
    EXPECT_EQ(m.display->MainFont, TNotationFont::Var0);
}

TEST(Layout, MoveNumbersAfterVariationsAndForBlackStarts) {
    TLaidOut g;
    g.Load("1. e4 (1. d4 d5) 1... e5 2. Nf3 *");
    EXPECT_EQ(g.Text(), "1.e4 [1.d4 d5] 1...e5 2.Nf3   *");
    // A Black move straight after a White move carries no number.
    EXPECT_EQ(g.Find("e5 2.Nf3"), g.Find("1...e5") + 4);
    // After a comment it does; a clock alone is no comment.
    TLaidOut c;
    c.Load("1. e4 {best} e5 2. Nf3 {[%clk 1:00:00]} Nc6 *");
    EXPECT_EQ(c.Text(), "1.e4 {best} 1...e5 2.Nf3 {1:00:00} Nc6   *");

    TLaidOut b;
    b.Load("23... Kf7 24. Rd1 Ke6 *", {"[FEN \"8/6k1/8/8/8/8/3R1K2/8 b - - 0 23\"]"});
    EXPECT_EQ(b.Text(), "23...Kf7 24.Rd1 Ke6   *");
    ASSERT_TRUE(b.core.Root);
    TMoveNode* first = b.core.Root->FirstMove;
    EXPECT_EQ(first->MoveNo, 23);
    EXPECT_EQ(first->Next->MoveNo, 24);
    EXPECT_EQ(first->Next->Next->MoveNo, 24);
}

TEST(Layout, FirstMoveAfterClosedVariationIsNumberedEvenForBlack) {
    TLaidOut g;
    g.Load("1. e4 e5 (1... c5 2. Nf3) (1... e6) 2. Nf3 Nc6 *");
    EXPECT_EQ(g.Text(), "1.e4 e5 [1...c5 2.Nf3] [1...e6] 2.Nf3 Nc6   *");
    Rows expected{{"Font0VarBold", "1.e4 e5 "}, {"Font1Var", "[1...c5 2.Nf3] "}, {"Font1Var", "[1...e6] "},
                  {"Font0VarBold", "2.Nf3 Nc6  "}, {"Font0Var", " "}, {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
}

TEST(Layout, TextPositionsLengthsAndMoveNumbersOfElements) {
    TLaidOut g;
    g.Load("1. e4 $998 e5 $999 2. Nf3 $140 *");
    ASSERT_TRUE(g.core.Root);
    TMoveNode* e4 = g.core.Root->FirstMove;
    TMoveNode* e5 = e4->Next;
    TMoveNode* nf3 = e5->Next;
    EXPECT_EQ(g.Text(), ">1.e4 e5< |2.Nf3   *");
    EXPECT_EQ(e4->TextPos, 1);
    EXPECT_EQ(e4->TextLen, 5);
    EXPECT_EQ(e5->TextPos, 7);
    EXPECT_EQ(e5->TextLen, 3);
    EXPECT_EQ(nf3->TextPos, 11);
    EXPECT_EQ(nf3->TextLen, 6);
    EXPECT_EQ(nf3->MoveNo, 2);
}

TEST(Layout, GameWithoutMovesHasBlankRowAndResultRow) {
    TLaidOut g;
    g.Load("*");
    Rows expected{{"Font0Var", " "}, {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
    TLaidOut empty;
    empty.core.LoadGame("");
    EXPECT_EQ(empty.Rows(), expected);
}

TEST(Layout, ResultFollowsThreeSpacesOrTwoAfterAVariation) {
    TLaidOut g;
    g.Load("1. e4 e5 1-0", {"[Result \"1-0\"]"});
    EXPECT_EQ(g.Text(), "1.e4 e5   1-0");
    TLaidOut v;
    v.Load("1. e4 e5 (1... c5) 1-0", {"[Result \"1-0\"]"});
    EXPECT_EQ(v.Text(), "1.e4 e5 [1...c5]  1-0");
    Rows expected{{"Font0VarBold", "1.e4 e5 "}, {"Font1Var", "[1...c5] "}, {"Font0VarBold", " "}, {"FontHeadLine", "1-0"}};
    EXPECT_EQ(v.Rows(), expected);
}

TEST(Layout, CommentsAreTrimmedStoredAndListed) {
    TLaidOut g;
    g.Load("{Intro text} 1. e4 {good move} e5 {a} {b} *");
    EXPECT_EQ(g.Text(), "{Intro text}  1.e4 {good move} 1...e5 {a} | {b}   *");
    ASSERT_EQ(g.display->Comments.size(), 3u);
    EXPECT_EQ(g.display->Comments[0], (TCommentEntry{1, 12}));
    EXPECT_EQ(g.display->Comments[1], (TCommentEntry{20, 11}));
    EXPECT_EQ(g.display->Comments[2].Pos, g.Find("{a}"));
    EXPECT_EQ(g.display->Comments[2].Len, 9);

    // The stored comment itself loses one blank inside each brace.
    TMoveNode* e4 = g.core.Root->FirstMove;
    e4->Comment = "{  two  }";
    g.core.Relayout();
    EXPECT_EQ(e4->Comment, "{ two }");
    g.core.Relayout();
    EXPECT_EQ(e4->Comment, "{two}");
    e4->Comment = "{ }";
    g.core.Relayout();
    EXPECT_EQ(e4->Comment, "{}");
}

TEST(Layout, DeeperVariationsStayInlineInParentheses) {
    TLaidOut g;
    g.Load("1. e4 e5 (1... c5 2. Nf3 (2. c3 d5 (2... Nf6 3. e5) 3. exd5) 2... d6) 2. Nf3 *");
    Rows expected{{"Font0VarBold", "1.e4 e5 "},
                  {"Font1Var", "[1...c5 2.Nf3 "},
                  {"Font2Var", "(2.c3 d5 (2...Nf6 3.e5) 3.exd5) "},
                  {"Font1Var", "2...d6] "},
                  {"Font0VarBold", "2.Nf3  "},
                  {"Font0Var", " "},
                  {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
}

TEST(Layout, BoardAndStateFollowCurrent) {
    TLaidOut g;
    g.Load("1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *");
    TMoveNode* c5 = g.core.Root->FirstMove->Next->Variations->FirstMove;
    g.core.Current = c5;
    LayoutNotation(g.core, *g.display);
    EXPECT_EQ(g.core.State, c5->Move);
    TBoard expected = InitialPosition;
    MakeMove(expected, g.core.Root->FirstMove->Move);
    MakeMove(expected, c5->Move);
    EXPECT_EQ(g.core.Board, expected);
    g.core.Current = nullptr;
    LayoutNotation(g.core, *g.display);
    EXPECT_EQ(g.core.Board, g.core.Game.StartPosition);
    EXPECT_EQ(g.core.State, g.core.Game.StartState);
}

TEST(Layout, HeadlineRows) {
    TLaidOut g;
    g.display->Headline = true;
    g.Load("1. e4 *", {"[Event \"Open\"]", "[Site \"Prague\"]", "[Date \"1999.03.??\"]", "[White \"Alpha\"]",
                       "[Black \"Beta\"]"});
    Rows expected{{"FontHeadLine", "Alpha - Beta "},
                  {"FontHeadLine", "Open, Prague, 1999 "},
                  {"FontHeadLine", " "},
                  {"Font0Var", "1.e4  "},
                  {"Font0Var", " "},
                  {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
    EXPECT_EQ(g.display->HeadlineLength, static_cast<int>(std::string("Alpha - Beta Open, Prague, 1999  ").size()));

    TLaidOut s;
    s.display->Headline = true;
    s.Load("1. e4 *", {"[Event \"?\"]", "[Site \"Prague\"]", "[White \"Alpha\"]", "[Black \"?\"]"});
    Rows siteOnly{{"FontHeadLine", "Alpha "}, {"FontHeadLine", "Prague "}, {"FontHeadLine", " "},
                  {"Font0Var", "1.e4  "},     {"Font0Var", " "},          {"FontHeadLine", "*"}};
    EXPECT_EQ(s.Rows(), siteOnly);

    TLaidOut e;
    e.display->Headline = true;
    e.Load("1. e4 *", {"[Event \"Open\"]", "[Date \"2001.??.??\"]"});
    EXPECT_EQ(e.Rows()[1].second, "Open, 2001 ");
}

TEST(Layout, PgnModePutsExtraGlyphAfterTheMoveAndBreaksNoRows) {
    TLaidOut g;
    g.display->PaintWidth = 8;
    g.Load("1. e4 $142 e5 2. Nf3 Nc6 3. Bb5 a6 *");
    EXPECT_EQ(g.Text().substr(0, 6), "~1.e4 ");
    EXPECT_GT(g.display->RowCount(), 4);
    g.core.PgnMode = true;
    LayoutNotation(g.core, *g.display);
    g.core.PgnMode = false;
    EXPECT_EQ(g.Text().substr(0, 6), "1.e4~ ");
    EXPECT_EQ(g.display->RowCount(), 3);
}

TEST(Layout, GermanLetters) {
    TLaidOut g(false);
    g.Load("1. Nf3 d5 2. g3 Bg4 3. Bg2 Qd7 4. O-O Nc6 5. Re1 *");
    EXPECT_EQ(g.Text(), "1.Sf3 d5 2.g3 Lg4 3.Lg2 Dd7 4.O-O Sc6 5.Te1   *");
}

TEST(LayoutRows, WordsWrapAtTheAvailableWidth) {
    TLaidOut g;
    g.display->PaintWidth = 22;  // 20 characters after the indent of 2
    g.Load("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 *");
    Rows expected{{"Font0Var", "1.e4 e5 2.Nf3 Nc6 "},
                  {"Font0Var", "3.Bb5 a6 4.Ba4 Nf6  "},
                  {"Font0Var", " "},
                  {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
}

TEST(LayoutRows, VariationRowsUseTheirIndent) {
    TLaidOut g;
    g.display->PaintWidth = 22;  // variation rows: 12 characters
    g.Load("1. e4 (1. d4 d5 2. c4 e6 3. Nc3) 1... e5 *");
    Rows expected{{"Font0VarBold", "1.e4 "},   {"Font1Var", "[1.d4 d5 "}, {"Font1Var", "2.c4 e6 "},
                  {"Font1Var", "3.Nc3] "},     {"Font0VarBold", "1...e5  "}, {"Font0Var", " "},
                  {"FontHeadLine", "*"}};
    EXPECT_EQ(g.Rows(), expected);
}

TEST(LayoutRows, CommentsMeasureWithoutBraces) {
    TLaidOut g;
    g.display->PaintWidth = 12;  // 10 characters; braces are free
    g.Load("1. e4 {abc def} e5 *");
    // "1.e4 {abc " is 9 wide (the brace is free); "d" overflows, "def}" moves down.
    Rows rows = g.Rows();
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows[0].second, "1.e4 {abc ");
    EXPECT_EQ(rows[1].second, "def} ");
    EXPECT_EQ(rows[2].second, "1...e5  ");
}

TEST(LayoutRows, WordWiderThanARowIsCutThreeBeforeTheOverflow) {
    TLaidOut g;
    g.display->PaintWidth = 12;  // 10 characters
    g.Load("1. e4 {abcdefghijklmnopqrstuvwxyz} e5 *");
    Rows rows = g.Rows();
    ASSERT_GE(rows.size(), 4u);
    // "e" at position 11 makes the row 10 wide: the row ends at position 8.
    EXPECT_EQ(rows[0].second, "1.e4 {ab");
    EXPECT_EQ(rows[1].second, "cdefghi");
    EXPECT_EQ(rows[2].second, "jklmnop");
}

TEST(LayoutRows, CutWordsKeepUtf8CharactersWhole) {
    // A comment of three-byte characters without blanks is one long word.
    std::string word;
    for (int i = 0; i < 40; ++i) word += "\xE6\xA3\x8B";
    TLaidOut g;
    g.display->PaintWidth = 12;  // 10 bytes a row
    g.Load("1. e4 {" + word + "} e5 *");
    ASSERT_GE(g.display->RowCount(), 5);
    bool cut = false;
    for (int i = 0; i < g.display->RowCount(); ++i) {
        int start = g.display->RowStart(i);
        unsigned char first = static_cast<unsigned char>(g.Text()[static_cast<size_t>(start - 1)]);
        EXPECT_NE(first & 0xC0, 0x80) << "row " << i << " starts inside a character";
        cut = cut || first == 0xE6;
    }
    EXPECT_TRUE(cut);
    for (int i = 1; i < g.display->RowCount(); ++i) EXPECT_LT(g.display->RowStart(i - 1), g.display->RowStart(i));

    // Bytes that only look like a continuation (Latin-1 letters) are cut where they overflow.
    TLaidOut latin;
    latin.display->PaintWidth = 12;
    latin.Load("1. e4 {" + std::string(60, '\xA9') + "} e5 *");
    EXPECT_EQ(latin.Rows()[0].second, "1.e4 {\xA9\xA9");
}

TEST(LayoutRows, TinyWidthStopsInsteadOfLooping) {
    TLaidOut g;
    g.display->PaintWidth = 3;  // narrower than the indent of variations
    g.Load("1. e4 (1. d4 d5 (1... Nf6)) e5 *");
    for (int i = 1; i < g.display->RowCount(); ++i) EXPECT_LT(g.display->RowStart(i - 1), g.display->RowStart(i));
    TLaidOut z;
    z.display->PaintWidth = 1;
    z.Load("1. e4 e5 2. Nf3 *");
    EXPECT_EQ(z.display->RowStart(0), 1);
}

TEST(LayoutQueries, RowOfMoveAndPosition) {
    TLaidOut g;
    g.Load("1. e4 e5 2. Nf3 (2. f4) 2... Nc6 *");
    const TNotationDisplay& d = *g.display;
    TMoveNode* e4 = g.core.Root->FirstMove;
    TMoveNode* f4 = e4->Next->Next->Variations->FirstMove;
    TMoveNode* nc6 = e4->Next->Next->Next;
    EXPECT_EQ(d.RowOfMove(e4), 0);
    EXPECT_EQ(d.RowOfMove(f4), 1);
    EXPECT_EQ(d.RowOfMove(nc6), 2);
    EXPECT_EQ(d.RowOfMove(nullptr), -1);
    EXPECT_EQ(d.RowOfPosition(0), -1);
    EXPECT_EQ(d.RowStart(99), 0);
    EXPECT_EQ(d.RowText(-1), "");
    EXPECT_EQ(d.CommentAt(1), -1);
}

// ---- size ----

std::string NestedVariations(int depth) {
    // Each level is an alternative to the first move of the level above.
    std::string s = "1. e4 ";
    for (int i = 0; i < depth; ++i) s += (i % 2 == 0) ? "(1. d4 " : "(1. c4 ";
    s += std::string(static_cast<size_t>(depth), ')');
    s += " e5 *";
    return s;
}

TEST(LayoutSize, HundredThousandNestedVariations) {
    TLaidOut g;
    g.display->PaintWidth = 80;
    g.Load(NestedVariations(100000));
    ASSERT_TRUE(g.core.Root);
    EXPECT_EQ(g.Text().substr(0, 14), "1.e4 [1.d4 (1.");
    EXPECT_NE(g.Text().find("1...e5"), std::string::npos);
    // 100000 openings, 100000 closings.
    size_t open = 0, close = 0;
    for (char c : g.Text()) {
        open += c == '(' || c == '[';
        close += c == ')' || c == ']';
    }
    EXPECT_EQ(open, 100000u);
    EXPECT_EQ(close, 100000u);
}

TEST(LayoutSize, MegabyteComment) {
    std::string words;
    while (words.size() < (1u << 20)) words += "word ";
    std::string solid(1u << 20, 'x');
    for (const std::string* body : {&words, &solid}) {
        TLaidOut g;
        g.display->PaintWidth = 70;
        g.Load("1. e4 {" + *body + "} e5 *");
        EXPECT_GT(g.Text().size(), 1u << 20);
        EXPECT_GT(g.display->RowCount(), 10000);
        for (int i = 1; i < g.display->RowCount(); ++i)
            ASSERT_LT(g.display->RowStart(i - 1), g.display->RowStart(i));
    }
}

TEST(LayoutSize, BracesAloneInAHugeCommentStayLinear) {
    // A million zero-width braces before a long word: each row is measured once.
    std::string body(1u << 20, '{');
    body += std::string(200000, 'y');
    TLaidOut g;
    g.display->PaintWidth = 40;
    auto start = std::chrono::steady_clock::now();
    g.Load("1. e4 {" + body + "} e5 *");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(g.display->RowCount(), 1000);
    // Not a timing test: a quadratic walk would take hours, not seconds.
    EXPECT_LT(seconds, 120.0);
}

}  // namespace
