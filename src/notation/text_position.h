// Navigation by text position: which move stands at a character of the
// notation text, described as a path through the variations plus a ply
// count, and the replay of the game along that path.
#pragma once

#include <string>

#include "notation/layout.h"
#include "notation/notation_core.h"

// The way from the start of the game to a move: one character per decision at
// a move with alternatives, "0" passing over one alternative, "1" entering the
// alternative reached; and the number of moves to play.
struct TTextTarget {
    std::string Path;
    long long Ply = 0;
};

// Reads which move is written at the 1-based position of the display's text.
// False (and `target` unspecified) when the position holds no move: outside
// the text, on the headline, in or on a comment, on a bracket or blank with no
// move after it on the row, on the result.
bool FindTextTarget(const TNotationDisplay& display, int position, int startMoveNo, int startSide,
                    TTextTarget& target);

// Plays `target` from the start position. Returns the move reached (none when
// no move was played or the path names a variation without moves) and leaves
// the position after it in `board`.
TMoveNode* ReplayTextTarget(const TNotationCore& core, const TTextTarget& target, TBoard& board);

// Makes the move written at `position` current, with Board and State after it,
// and redraws the highlight. True when a move was found; otherwise nothing
// changes. Raises no event.
bool GoToTextPosition(TNotationCore& core, int position);
