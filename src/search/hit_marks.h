// Marking the hits of a position search in a game, for a copy whose
// "Match>" stops are exactly the hits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "notation/notation_core.h"

// Takes `word` out of every comment of the loaded game (the comment before
// the first move, the comments of moves and those that open variations); a
// comment left with nothing but blanks goes. Then adds the comment "{word}"
// after each main-line move whose ply is in `plies` (ascending), and before
// the first move for ply 0.
void MarkHits(TNotationCore& core, const std::vector<int32_t>& plies, const std::string& word);
