// The viewer's search for positions marked "MATCH" in move comments.
#pragma once

#include <functional>

#include "notation/notation_core.h"

// Shows a position and its move (none at the start) on the board.
using TShowPositionFn = std::function<void(const TBoard& position, const TMoveRecord* move)>;

// Goes to the next move after the current one, in the order of the game text
// (a move, its variations, then the moves after it), whose comment contains
// "MATCH" (case-sensitive), then shows the position. A stop inside a
// variation is shown as a click on its move would show it. Without such a
// move it steps forward to the end of the current line. The current
// position itself is never a match. Returns true when it stopped at a mark.
// isHit, when set, marks further stops (the hits of a position search).
using THitTest = std::function<bool(const TNotationCore& notation)>;
bool NextMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit = {});
// Goes to the previous marked move in the order of the game text and raises
// OnMoveChange once; without one it steps back to the start, each step
// raising OnMoveChange. True when it stopped at a mark (the start is one
// when StartIsStop).
bool PrevMatch(TNotationCore& notation, const THitTest& isHit = {});

// Is the start position a stop: the comment before the first move contains
// "MATCH", or isHit says so with no move current?
bool StartIsStop(TNotationCore& notation, const THitTest& isHit = {});
// The jump when a game has just been opened (it stands at its start): a
// start that is a stop is kept and shown; otherwise NextMatch. True when it
// stands at a stop.
bool OpeningMatch(TNotationCore& notation, const TShowPositionFn& show, const THitTest& isHit = {});
