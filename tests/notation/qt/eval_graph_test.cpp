// The evaluation and clock graph: its picture follows the game's
// evaluations, and a click names the move under it.
#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QTest>

#include <string>

#include "notation/layout.h"
#include "notation/qt/eval_graph.h"

namespace {

QImage GraphOf(const std::string& movetext, TNotationCore& core, TEvalGraph& graph) {
    AttachLayout(core);
    core.LoadGame("[Event \"t\"]\n\n" + movetext + "\n");
    graph.resize(300, 90);
    graph.SetSeries(MainLineSeries(core));
    return graph.grab().toImage();
}

TEST(EvalGraph, PictureFollowsTheEvaluationsAndAClickNamesTheMove) {
    TNotationCore core;
    TEvalGraph graph;
    const std::string moves = "1. e4 {[%eval 0.3] [%clk 0:03:00]} e5 {[%eval 0.2] [%clk 0:02:59]} 2. Nf3 {[%eval ";
    const QImage even = GraphOf(moves + "0.4]} (2. f4 f5) *", core, graph);
    ASSERT_FALSE(even.isNull());
    EXPECT_TRUE(graph.HasData());
    EXPECT_EQ(graph.Series().Points.size(), 3u);
    const QImage winning = GraphOf(moves + "-4]} *", core, graph);
    EXPECT_DOUBLE_EQ(graph.Series().Range, 4.0);  // scaled to the game
    EXPECT_EQ(GraphOf(moves + "-40]} *", core, graph).isNull(), false);
    EXPECT_DOUBLE_EQ(graph.Series().Range, kGraphPawns);
    const QImage mate = GraphOf(moves + "#3]} *", core, graph);
    EXPECT_NE(even, winning);
    EXPECT_NE(winning, mate);
    EXPECT_TRUE(graph.Series().Points[2].Mate);
    EXPECT_DOUBLE_EQ(graph.Series().Points[2].Pawns, kMinGraphPawns);  // a mate at the edge
    const QImage none = GraphOf("1. e4 e5 *", core, graph);
    EXPECT_FALSE(graph.HasData());
    EXPECT_NE(none, even);

    GraphOf(moves + "0.4]} (2. f4 f5) *", core, graph);
    int clicked = -1;
    graph.OnPointClicked = [&](int i) { clicked = i; };
    QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(290, 40));
    EXPECT_EQ(clicked, 2);
    QTest::mouseClick(&graph, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_EQ(clicked, 0);
    // A move inside a variation counts as the move it replaces.
    const TMoveNode* f5 = core.Root->FirstMove->Next->Next->Variations->FirstMove->Next;
    EXPECT_EQ(graph.Series().IndexOf(f5), 2);
    EXPECT_EQ(graph.Series().IndexOf(nullptr), -1);
}

}  // namespace
