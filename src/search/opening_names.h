// Names of openings: the named lines the program ships (data/openings, ECO
// code and name per line), each turned into the position it reaches. A
// position is named when it is one of them (its PositionKey); a game is
// named by the last named position its main line reaches within its first
// kOpeningPlies plies, so that a game that transposes into a named position
// gets that name too. The table is built once, on first use, from data
// compiled into the program (3,807 lines; a few milliseconds, some 500 KB).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "rules/position.h"

class TNotationCore;

// Plies of a main line looked at for its name: the longest named line has
// 36, and a game that transposes into one gets there a little later at most.
inline constexpr int kOpeningPlies = 60;

struct TOpeningName {
    std::string Eco;   // "B90"
    std::string Name;  // "Sicilian Defense: Najdorf Variation", UTF-8
    bool operator==(const TOpeningName&) const = default;
};

// The name of the position with that key (rules/position_key.h), or nullptr
// when it is no named position. Thread-safe.
const TOpeningName* OpeningOfPosition(uint64_t positionKey);

// The name of a game (its PGN text): the last named position its main line
// reaches; empty Eco and Name when it reaches none, or cannot be read.
// Never throws.
TOpeningName OpeningOfGame(std::string_view gameText);

// The name of a loaded game's main line (the notation's tree, from its start
// position), as OpeningOfGame names its text. Never throws.
TOpeningName OpeningOfMainLine(const TNotationCore& core);

// How many named positions the table holds (for tests and --help).
size_t OpeningCount();
// How many lines of the data were read into it (every one, unless one of
// them could not be replayed).
size_t OpeningLineCount();
