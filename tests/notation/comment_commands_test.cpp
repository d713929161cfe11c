// Commands in comments: what is read, what the notation shows, and the
// notation of a real game with clocks.
#include <gtest/gtest.h>

#include <string>

#include "collection/game_list_core.h"
#include "layout_test_support.h"
#include "notation/comment_commands.h"
#include "notation/eval_series.h"
#include "notation/shown_text.h"
#include "support/test_data.h"

using layouttest::TLaidOut;

namespace {

// What a comment reads as, in one line: clock, time used, evaluation, marks
// (squares then arrows, colour letter and squares) and the shown text.
std::string Described(const std::string& comment, int mover = 1) {
    const TCommentCommands k = ReadCommentCommands(comment, mover);
    auto square = [](int q) { return std::string{static_cast<char>('a' + q % 8), static_cast<char>('1' + q / 8)}; };
    const char* letters = "RGBY";
    std::string marks;
    for (const TSquareMark& s : k.Marks.Squares) marks += std::string(1, letters[int(s.Color)]) + square(s.Square) + " ";
    for (const TArrowMark& a : k.Marks.Arrows)
        marks += std::string(1, letters[int(a.Color)]) + square(a.From) + square(a.To) + " ";
    return "clk=" + ClockText(k.ClockMs) + " used=" + DurationText(k.TimeUsedMs) + " eval=" + EvalText(k) +
           " marks=" + marks + "shown=" + k.Shown;
}

TEST(CommentCommands, ReadAndShown) {
    struct Case {
        const char* comment;
        int mover;
        const char* expected;
    } cases[] = {
        {"{[%clk 1:30:58]}", 1, "clk=1:30:58 used= eval= marks=shown="},
        {"{[%clk 0:03:00] [%emt 0:00:12]}", 1, "clk=3:00 used=12s eval= marks=shown="},
        {"{[%clk 0:00:05.3]}", 1, "clk=0:05.3 used= eval= marks=shown="},
        {"{[%eval 0.36] [%clk 0:01:00]}", -1, "clk=1:00 used= eval=+0.36 marks=shown="},
        {"{[%eval #-3]}", 1, "clk= used= eval=#-3 marks=shown="},
        {"{[%eval -1.2,25]}", 1, "clk= used= eval=-1.20/25 marks=shown="},
        // Several commands, blanks and line breaks inside, text around them.
        {"{[%cal Gh7h5] Odd move:    the pawn in h5 [%csl Rh5] is weak.}", 1,
         "clk= used= eval= marks=Rh5 Gh7h5 shown={Odd move:    the pawn in h5 is weak.}"},
        {"{[%cal Ge2e4,\n Rd1d8 ]}", 1, "clk= used= eval= marks=Ge2e4 Rd1d8 shown="},
        {"{[%clk\n1:30:58]}", 1, "clk=1:30:58 used= eval= marks=shown="},
        {"{[%csl Gg5][%cal Gg5g6,bg5d2,Xa1a2,Ge4e4]}", 1, "clk= used= eval= marks=Gg5 Ge4 Gg5g6 Bg5d2 shown="},
        // Joined comments: a group left empty goes with its separator.
        {"{Excellent!} | {[%csl Gg5]}", 1, "clk= used= eval= marks=Gg5 shown={Excellent!}"},
        {"{[%clk 1:00:00]} | {good}", 1, "clk=1:00:00 used= eval= marks=shown={good}"},
        // Not understood: kept exactly as written.
        {"{[%clk 1.55:05]}", 1, "clk= used= eval= marks=shown={[%clk 1.55:05]}"},
        {"{[%clk 1:30:58 good move}", 1, "clk= used= eval= marks=shown={[%clk 1:30:58 good move}"},
        {"{[%vt 10.1] [%clk 0:10:00]}", 1, "clk=10:00 used= eval= marks=shown={[%vt 10.1]}"},
        {"{[%eval 1.2.3] [%cal Zz9z9] [%csl]}", 1, "clk= used= eval= marks=shown={[%eval 1.2.3] [%cal Zz9z9] [%csl]}"},
        {"{[%clk 99:61:00]}", 1, "clk= used= eval= marks=shown={[%clk 99:61:00]}"},
        {"{}", 1, "clk= used= eval= marks=shown={}"},
        // Engine matches: the mover's score, turned to White's view.
        {"{+0.35/25 12s}", 1, "clk= used=12s eval=+0.35/25 marks=shown="},
        {"{-1.20/18 0.8s}", -1, "clk= used=0.8s eval=+1.20/18 marks=shown="},
        {"{0.13/ 12 123 (Be4)}", 1, "clk= used=2m03s eval=+0.13/12 marks=shown={(Be4)}"},
        {"{+M5/20 1.2s, White mates}", -1, "clk= used=1.2s eval=-M5/20 marks=shown={White mates}"},
        {"{1/2 is a draw}", 1, "clk= used= eval= marks=shown={1/2 is a draw}"},
        {"{0.35/25 seconds}", 1, "clk= used= eval= marks=shown={0.35/25 seconds}"},
        {"{book}", 1, "clk= used= eval= marks=shown={book}"},
        // Key=value engine data: White's view whoever moved, times in ms.
        {"{d=20, sd=54, pd=Nh6, mt=64550, tl=1620193, pv=c4 g6 Bb2, tb=0, h=0.0, wv=0.92, mb=+0+0+0+0+0,}", -1,
         "clk=27:00.2 used=1m05s eval=+0.92/20 marks=shown="},
        {"{d=40, mt=39867, wv=-M37, Black wins by adjudication: SyzygyTB}", 1,
         "clk= used=40s eval=-M37/40 marks=shown={Black wins by adjudication: SyzygyTB}"},
        {"{book, mb=+0+0+0+0+0,}", 1, "clk= used= eval= marks=shown={book, mb=+0+0+0+0+0,}"},
        {"{x=1, wv=high}", 1, "clk= used= eval= marks=shown={x=1, wv=high}"},
        {"{a,b,  c, wv=1.5}", 1, "clk= used= eval=+1.50 marks=shown={a,b, c}"},
        {"{Better 12.Nf3, and if 12...Qe7=, White is fine}", 1,
         "clk= used= eval= marks=shown={Better 12.Nf3, and if 12...Qe7=, White is fine}"},
    };
    for (const Case& c : cases) EXPECT_EQ(Described(c.comment, c.mover), c.expected) << c.comment;
}

TEST(CommentCommands, HostileCommentsStayLinearAndBounded) {
    std::string many = "{";
    for (int i = 0; i < 100000; ++i) many += "[%cal Ga1h8,Rb2c3] [%x [%";
    many += "}";
    const TCommentCommands k = ReadCommentCommands(many, 1);
    EXPECT_EQ(k.Marks.Arrows.size(), TCommentCommands::kMaxMarks);
    EXPECT_NE(k.Shown.find("[%x [%"), std::string::npos);
}

// Which view a game's "+0.35/25" scores are written from, and Black's first
// score as the graph takes it (White's view).
TEST(CommentCommands, EngineScoreViewOfAGame) {
    struct Case {
        const char* movetext;
        TScoreView view;
        double blackPawns;
    } cases[] = {
        {"1. e4 {+0.30/20 5} e5 {+0.40/20 5} 2. Nf3 {+0.50/20 5} Nc6 {+0.45/20 5} *", TScoreView::White, 0.40},
        {"1. e4 {+0.30/20 5} e5 {-0.40/20 5} 2. Nf3 {+0.50/20 5} Nc6 {-0.45/20 5} *", TScoreView::Mover, 0.40},
        // Other forms keep their meaning and take no part in the decision.
        {"1. e4 {[%eval 0.3]} e5 {+1.40/20} 2. Nf3 {+1.50/20} Nc6 {+1.45/20} 3. Bb5 {[%eval -1.4]} *",
         TScoreView::White, 1.40},
        {"1. e4 {+0.30/20 5} e5 {-0.40/20 5} *", TScoreView::Unknown, -0.40},
        {"1. e4 {0.00/20} e5 {0.00/20} 2. Nf3 {0.00/20} Nc6 {0.00/20} *", TScoreView::Unknown, 0.0},
    };
    for (const Case& c : cases) {
        TLaidOut g;
        g.Load(c.movetext);
        EXPECT_EQ(EngineScoreView(g.core), c.view) << c.movetext;
        EXPECT_DOUBLE_EQ(MainLineSeries(g.core).Points[1].Pawns, c.blackPawns) << c.movetext;
    }
}

// A real game with clocks: the clocks stand after their moves, the commands
// are gone; switched off, only the moves remain. Every move stays reachable
// by its text (the round-trip test walks all real files).
TEST(CommentCommands, RealGameWithClocksShowsThemAfterTheMoves) {
    REQUIRE_SHARED_PGN();
    TGameListCore pgn;
    std::string error;
    ASSERT_TRUE(pgn.OpenForReading((testdata::SharedPgnDir() / "oly14r11.pgn").string(), error)) << error;
    std::int32_t id = -1;
    std::string text;
    pgn.GetGame(0, id, text);
    TLaidOut g;
    g.display->PaintWidth = 50;
    g.core.LoadGame(text);
    auto row = [&](int i) { return ShownRowText(*g.display, i); };
    // A clock never opens a row: "e6 1:31:19" would fit only with e6 apart.
    EXPECT_EQ(row(0), "1.d4 1:30:58 Nf6 1:30:52 2.c4 1:31:24 ");
    EXPECT_EQ(row(1), "e6 1:31:19 3.Nc3 1:31:50 d5 1:30:43 ");
    EXPECT_EQ(g.Text().find("[%"), std::string::npos);
    ASSERT_FALSE(g.display->Comments.empty());
    EXPECT_TRUE(g.display->Comments.front().Quiet);
    EXPECT_EQ(FontAt(*g.display, g.display->Comments.front().Pos + 1, TNotationFont::Var0), TNotationFont::Quiet);
    g.display->ShowClocks = false;
    g.core.Relayout();
    EXPECT_EQ(row(0), "1.d4 Nf6 2.c4 e6 3.Nc3 d5 4.cxd5 exd5 5.Bg5 c6 ");

    const TEvalSeries series = MainLineSeries(g.core);
    ASSERT_EQ(series.Points.size(), 85u);
    EXPECT_TRUE(series.AnyClock);
    EXPECT_FALSE(series.AnyEval);
    EXPECT_EQ(series.Points[1].ClockMs, (90 * 60 + 52) * 1000);
    EXPECT_EQ(series.Points[1].Side, -1);
}

}  // namespace
