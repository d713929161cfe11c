// The evaluations and clocks of a game's main line, one point per move, as
// the evaluation and clock graph draws them. Read from the moves' comments
// (comment_commands.h) whenever a game is loaded.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "notation/notation_core.h"

// The graph's evaluation range follows the game: the largest evaluation
// (not a mate) rounded up to whole pawns, at least kMinGraphPawns, at most
// kGraphPawns; pawns beyond it, and mates, stand at its edge.
inline constexpr double kGraphPawns = 10.0;
inline constexpr double kMinGraphPawns = 2.0;

struct TGraphPoint {
    TMoveNode* Move = nullptr;  // the main-line move
    int Side = 1;           // +1 White made it, -1 Black
    bool HasEval = false;
    double Pawns = 0;       // White's view, within +-Range
    bool Mate = false;      // a mate score (Pawns at the edge)
    int64_t ClockMs = -1;   // the mover's clock after the move, -1 unknown
};

struct TEvalSeries {
    std::vector<TGraphPoint> Points;
    bool AnyEval = false;
    bool AnyClock = false;
    int64_t MaxClockMs = 0;
    double Range = kMinGraphPawns;  // the evaluation range, whole pawns
    int FirstMoveNo = 1;            // the move number of the first point
    // The point of the current move: its own, or for a move inside a
    // variation the main-line move that variation replaces; -1 at the start.
    int IndexOf(const TMoveNode* current) const;

    std::unordered_map<const TMoveNode*, int> Index;  // point of each main-line move
};

TEvalSeries MainLineSeries(const TNotationCore& core);
