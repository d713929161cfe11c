// Move and glyph texts, the shuffled-start test and the message table.
#pragma once

#include <string>

#include "notation/notation_core.h"
#include "rules/position.h"

// "!" "!!" "?" "??" "!?" "?!" for the internal codes 1..6; "" otherwise.
std::string MoveNagText(int code);
// "$1" "$3" "$2" "$4" "$5" "$6" for the internal codes 1..6; "" otherwise.
std::string MoveNagPgn(int code);
// "$" followed by n taken as an unsigned byte.
std::string NagNumberText(int n);
// The glyph character of a position glyph number; "" for any other number.
std::string FixedNagSymbol(int n);

// A start position with pawns and back ranks in place but kings or rooks
// moved away from their standard squares.
bool IsShuffledStart(const TBoard& board);
// The rook and king squares of a shuffled start; all zero when not shuffled.
TFischerInfo FischerInfoOf(const TBoard& board);

// The shared message table: German/English pairs, index 2 * pair + english.
enum TMessagePair {
    msgCannotReadFile = 0,
    msgGameNotFound = 1,
    msgErrorInPgn = 2,
    msgErrorReadingMoves = 3,
    msgFileNotFound = 4,
    msgCouldNotSaveGame = 5,
};
const std::string& MessageText(TMessagePair pair, bool english);
// The message MoveToText reports when the source square is empty.
const std::string& MoveTextErrorMessage(bool english);
