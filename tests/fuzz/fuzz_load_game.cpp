// Loads arbitrary bytes as a game and walks every move of the tree: the
// board border must survive, every navigation step must keep the position in
// step with the current move, and stepping back must reach the start.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "notation/notation_core.h"
#include "rules/chess960.h"
#include "rules/legality.h"
#include "search/match_search.h"
#include "support/replay_path.h"

namespace {

void CheckBorder(const TBoard& board) {
    for (int s = 0; s < 120; ++s)
        if (!IsRealSquare(s) && board[s] != OffBoard) std::abort();
}

// Every move of the tree is one the rules allow in the position before it.
void CheckEveryMoveIsLegal(const TNotationCore& core) {
    struct Item {
        const TMoveNode* node;
        TBoard before;
        TMoveRecord stateBefore;
    };
    std::vector<Item> stack;
    if (core.Root && core.Root->FirstMove) stack.push_back({core.Root->FirstMove, core.Game.StartPosition, core.Game.StartState});
    const TCastlingRooks& rooks = core.Game.CastlingRooks;
    while (!stack.empty()) {
        const Item item = stack.back();
        stack.pop_back();
        const TMoveNode* node = item.node;
        TMoveRecord test = node->Move;
        test.Castling = item.stateBefore.Castling;
        test.EpSquare = item.stateBefore.EpSquare;
        test.Side = static_cast<int8_t>(-node->Move.Side);
        if (!IsNullMove(node->Move) &&
            (rooks.Active ? !IsLegalRookFileMove(item.before, test, rooks) : !IsLegalMove(item.before, test)))
            std::abort();
        TBoard after = item.before;
        MakeMove(after, node->Move);
        for (TVariationEntry* v = node->Variations; v; v = v->NextVar)
            if (v->FirstMove) stack.push_back({v->FirstMove, item.before, item.stateBefore});
        if (node->Next) stack.push_back({node->Next, after, node->Move});
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200'000) return 0;
    std::string text(reinterpret_cast<const char*>(data), size);
    TNotationCore core;
    int errors = 0;
    core.OnError = [&](TNotationCore&, const std::string&) { ++errors; };
    const int result = core.LoadGame(text);
    if (result != lgLoaded && result != lgMoveError && result != lgNoMemory) std::abort();
    if (result == -1 && errors > 1) std::abort();
    if (core.Current || core.Board != core.Game.StartPosition) std::abort();
    CheckBorder(core.Board);
    CheckEveryMoveIsLegal(core);

    // Every move of every line, with its moves' squares on the board.
    long nodes = 0;
    ForEachNode(core.Root, [&](TMoveNode* node) {
        ++nodes;
        if (!IsNullMove(node->Move) && (!IsRealSquare(node->Move.FromSq) || !IsRealSquare(node->Move.ToSq))) std::abort();
        if (node->Move.EpVictim && !IsRealSquare(node->Move.EpVictim)) std::abort();
        if (node->Next && node->Next->Prev != node) std::abort();
        for (TVariationEntry* v = node->Variations; v; v = v->NextVar) {
            if (v->NextVar && v->NextVar->PrevVar != v) std::abort();
            if (v->FirstMove && v->FirstMove->Prev != node) std::abort();
        }
        core.SetCurrent(node);
        CheckBorder(core.Board);
        core.MoveToText(node->Move);
    });

    // Navigation keeps Board in step with Current.
    core.Hooks.ChooseVariation = [](TMoveNode*) { return 1; };
    int steps = 0;
    core.ToStart();
    while (steps < 2000 && core.StepForwardBranch()) {
        ++steps;
        if (core.Board != ReplayedPositionAfter(core, core.Current)) std::abort();
    }
    while (core.StepBack())
        if (core.Board != ReplayedPositionAfter(core, core.Current)) std::abort();
    if (core.Board != core.Game.StartPosition) std::abort();
    core.ToEnd();
    core.PrevBranchPoint();
    core.NextBranchPoint();
    if (core.Board != ReplayedPositionAfter(core, core.Current)) std::abort();
    // The match search, marks in variations too, stays in step.
    core.ToStart();
    for (int jumps = 0; jumps < 50 && NextMatch(core, nullptr); ++jumps)
        if (core.Board != ReplayedPositionAfter(core, core.Current)) std::abort();
    for (int jumps = 0; jumps < 50 && PrevMatch(core); ++jumps)
        if (core.Board != ReplayedPositionAfter(core, core.Current)) std::abort();
    (void)core.CurrentComment();
    (void)nodes;
    return 0;
}
