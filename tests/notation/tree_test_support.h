// Helpers shared by the tests of the game tree, parser, loader and navigation.
#pragma once

#include <string>
#include <vector>

#include "notation/notation_core.h"
#include "rules/position.h"

namespace treetest {

// Mailbox square of a name such as "e4".
inline int Sq(const char* name) { return 21 + (name[0] - 'a') + 10 * (name[1] - '1'); }

// Loads a game made of a minimal header and the given movetext; returns LoadGame's result.
int LoadMoves(TNotationCore& core, const std::string& movetext, const std::string& fen = "");

// The moves of the main line, in order.
std::vector<TMoveNode*> MainLine(const TNotationCore& core);
// The moves of the line that starts with `first`.
std::vector<TMoveNode*> Line(TMoveNode* first);
// Number of alternatives to a move.
int VariationCount(const TMoveNode* node);
// The first move of the k-th alternative (1-based) to a move; nullptr if missing.
TMoveNode* Alternative(const TMoveNode* node, int k);

// The move text of every main-line move ("e4", "Nf3", ...), in English.
std::vector<std::string> MainLineText(TNotationCore& core);

// Result of walking a whole tree from its start position.
struct TreeCheck {
    long nodes = 0;
    long illegal = 0;          // moves IsLegalMove rejects in the position before them
    long textFaults = 0;       // moves of a square without a piece of the mover, or castling
                               // that is blocked: faults of the game text itself
    long notRestored = 0;      // make/unmake that did not give the position back
    std::string firstIllegal;  // description of the first illegal move
};
// Walks every move of every line (iteratively), replaying from the start
// position: each move is tested with IsLegalMove in the position before it,
// and MakeMove followed by UnmakeMove must restore that position.
TreeCheck CheckTree(const TNotationCore& core);

// Expects the board and move record to be those of the current move, as a
// replay from the start along the tree's links gives them.
void ExpectInStep(const TNotationCore& core);

// Counts the move changes a core raises.
struct Events {
    int count = 0;
    bool lastNext = false;
    void Attach(TNotationCore& core) {
        core.OnMoveChange = [this](TNotationCore&, TMoveRecord&, TBoard&, bool next) {
            ++count;
            lastNext = next;
        };
    }
};

}  // namespace treetest
