// The position after a node of a game tree, replayed from the start along
// the tree links alone: an independent check of navigation and loading.
// Header-only and free of the test framework, so fuzz targets can use it.
#pragma once

#include <vector>

#include "notation/game_tree.h"
#include "notation/notation_core.h"

inline TBoard ReplayedPositionAfter(const TNotationCore& core, const TMoveNode* node) {
    std::vector<const TMoveNode*> path;
    for (const TMoveNode* n = node; n;) {
        path.push_back(n);
        const TMoveNode* m = n;
        while (IsVariationStart(m)) m = m->Prev;
        n = m->Prev;
    }
    TBoard board = core.Game.StartPosition;
    for (auto it = path.rbegin(); it != path.rend(); ++it) MakeMove(board, (*it)->Move);
    return board;
}
