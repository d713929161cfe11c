// The texts of a game list row, as the list draws them and quarzel-cli list
// prints them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collection/game_header.h"

// Texts of a list row as the game list draws them.
struct TRowTexts {
    std::string Number;  // game number, right-aligned in six characters
    std::string Player;  // White - Black
    std::string Source;  // Event, Site
    std::string Year;    // empty for year 0
    std::string Result;  // "1/2" for a draw
    std::string ECO;
};
TRowTexts ComposeRowTexts(const TGameHeader& GameHeader, std::int32_t GameIndex);

// The plies of a game's main line counted from its text, for a game without
// a PlyCount tag: the move tokens outside tag lines, comments ({...}, ";" to
// the line end) and variations; move numbers, glyphs and the result are no
// moves. A count, not a reading: a malformed game gets a number all the same.
std::int32_t CountMainLinePlies(std::string_view gameText);

// Bytes for display as UTF-8: valid UTF-8 unchanged, anything else read as Latin-1.
std::string DisplayUtf8(std::string_view bytes);
