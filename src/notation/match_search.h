// The viewer's search for positions marked "MATCH" in move comments.
#pragma once

#include <functional>

#include "notation/notation_core.h"

// Shows a position and its move (none at the start) on the board.
using TShowPositionFn = std::function<void(const TSchachbrett& position, const TZug* move)>;

// Steps forward along the current line until a move whose comment contains
// "MATCH" (case-sensitive) or the end of the line, then shows the position.
// The current position itself is never a match: the search starts with a
// step. Returns true when it stopped at a mark.
// isHit, when set, marks further stops (the hits of a position search).
using THitTest = std::function<bool(const TNotationCore& notation)>;
bool NextMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit = {});
// Steps back until a marked move or the start; every step raises
// OnMoveChange, so nothing is shown at the end. True when it stopped at a mark.
bool PrevMatch(TNotationCore& notation, const THitTest& isHit = {});
