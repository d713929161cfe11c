// Reading an engine's UCI output, one line at a time, and writing its
// scores. The reader is strict about the parts it uses (numbers must be
// numbers) and passes over keys it does not know; a line it cannot read is
// Kind::Other and changes nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A score: centipawns, or moves to mate (negative: the side is mated).
struct TUciScore {
    bool Mate = false;
    int Value = 0;
    bool operator==(const TUciScore&) const = default;
};

// An "info" line.
struct TUciInfo {
    int Depth = 0;
    int SelDepth = 0;
    int MultiPv = 1;
    bool HasScore = false;
    TUciScore Score;      // from the side to move's view, as the engine sends it
    bool Bound = false;   // "lowerbound" or "upperbound": not a finished line
    std::uint64_t Nodes = 0;
    std::uint64_t Nps = 0;
    std::vector<std::string> Pv;
};

struct TUciLine {
    enum class Kind { Other, IdName, UciOk, ReadyOk, BestMove, Info, Option };
    Kind Type = Kind::Other;
    TUciInfo Info;       // Kind::Info
    std::string Text;    // the engine's name, an option's name, or the best move
};

TUciLine ReadUciLine(std::string_view line);

// Is this info a finished line of a search: a depth, an exact score and a move?
inline bool IsEngineLine(const TUciInfo& info) {
    return info.HasScore && !info.Bound && info.Depth > 0 && !info.Pv.empty();
}

// The score turned to White's view, given the side to move (+1 White, -1 Black).
inline TUciScore WhiteView(TUciScore score, int sideToMove) {
    if (sideToMove < 0) score.Value = -score.Value;
    return score;
}

// "+0.35", "-1.20", "0.00", "#5", "#-3".
std::string ScoreText(TUciScore score);
