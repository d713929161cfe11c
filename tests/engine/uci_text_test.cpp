// Reading the engine's lines and writing scores: one table.
#include <gtest/gtest.h>

#include "engine/uci_text.h"
#include "rules/position.h"

namespace {

using Kind = TUciLine::Kind;

struct TInfoCase {
    const char* line;
    Kind kind;
    bool engineLine;  // a finished line of a search
    int depth, multiPv;
    TUciScore score;
    size_t pvLength;
};

const TInfoCase kInfoCases[] = {
    {"info depth 12 seldepth 15 multipv 2 score cp 35 nodes 1000 nps 50000 time 20 pv e2e4 e7e5", Kind::Info, true,
     12, 2, {false, 35}, 2},
    {"info depth 9 score mate -3 pv h2h4", Kind::Info, true, 9, 1, {true, -3}, 1},
    {"info depth 9 score cp 10 lowerbound nodes 5 pv e2e4", Kind::Info, false, 9, 1, {false, 10}, 1},
    {"info depth 9 score cp 10 upperbound pv e2e4", Kind::Info, false, 9, 1, {false, 10}, 1},
    {"info depth 20 seldepth 30 multipv 1 score cp 18 wdl 50 900 50 nodes 9 hashfull 3 tbhits 0 time 1 pv d2d4",
     Kind::Info, true, 20, 1, {false, 18}, 1},
    {"info depth 5 currmove e2e4 currmovenumber 1", Kind::Info, false, 5, 1, {}, 0},
    {"info string score cp 50 pv e2e4", Kind::Info, false, 0, 1, {}, 0},
    {"info depth x score cp 5 pv e2e4", Kind::Other, false, 0, 1, {}, 0},
    {"info depth 4 score cp pv e2e4", Kind::Other, false, 0, 1, {}, 0},
    {"info depth 4 score pawns 5 pv e2e4", Kind::Other, false, 0, 1, {}, 0},
    {"info depth 4 multipv 0 score cp 5 pv e2e4", Kind::Other, false, 0, 1, {}, 0},
    {"\x01\x02 garbage \xff", Kind::Other, false, 0, 1, {}, 0},
    {"uciok", Kind::UciOk, false, 0, 1, {}, 0},
    {"readyok\r", Kind::ReadyOk, false, 0, 1, {}, 0},
    {"bestmove e2e4 ponder e7e5", Kind::BestMove, false, 0, 1, {}, 0},
    {"", Kind::Other, false, 0, 1, {}, 0},
};

TEST(UciText, InfoLines) {
    for (const TInfoCase& c : kInfoCases) {
        SCOPED_TRACE(c.line);
        const TUciLine line = ReadUciLine(c.line);
        EXPECT_EQ(line.Type, c.kind);
        EXPECT_EQ(IsEngineLine(line.Info), c.engineLine);
        EXPECT_EQ(line.Info.Depth, c.depth);
        EXPECT_EQ(line.Info.MultiPv, c.multiPv);
        if (line.Info.HasScore) {
            EXPECT_EQ(line.Info.Score, c.score);
        }
        EXPECT_EQ(line.Info.Pv.size(), c.pvLength);
    }
}

TEST(UciText, NamesAndOptions) {
    EXPECT_EQ(ReadUciLine("id name Stockfish 15.1").Text, "Stockfish 15.1");
    EXPECT_EQ(ReadUciLine("option name Skill Level type spin default 20 min 0 max 20").Text, "Skill Level");
    EXPECT_EQ(ReadUciLine("bestmove (none)").Text, "(none)");
}

TEST(UciText, ScoresFromWhitesView) {
    const struct {
        TUciScore score;
        int side;
        const char* text;
    } cases[] = {
        {{false, 35}, White, "+0.35"}, {{false, 120}, Black, "-1.20"}, {{false, 0}, Black, "0.00"},
        {{false, -7}, White, "-0.07"}, {{true, 5}, White, "#5"},       {{true, 3}, Black, "#-3"},
        {{true, -2}, Black, "#2"},
    };
    for (const auto& c : cases) EXPECT_EQ(ScoreText(WhiteView(c.score, c.side)), c.text);
}

}  // namespace
