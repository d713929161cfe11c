// The move number and half-move clock of the current position, for a FEN
// text that other programs (engines, databases) read correctly.
#pragma once

#include "notation/notation_core.h"

struct TMoveNumbers {
    int FullMove = 1;       // the number of the next move
    int HalfMoveClock = 0;  // plies since the last capture or pawn move
};

// Counted along the path from the start to Current, starting from the game's
// FEN tag (its move number and clock) when it has one.
TMoveNumbers CurrentMoveNumbers(const TNotationCore& core);
