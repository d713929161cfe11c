// What a game list needs from a game database: a count, one row per index
// entry and each game as PGN text. The list core reads databases through
// this interface only; database_mode.h adapts the ".ccf" database to it.
#pragma once

#include <cstdint>
#include <string>

#include "source/block_file.h"

// What the list needs from a game database (files that are not ".pgn").
class TGameDatabase {
public:
    virtual ~TGameDatabase() = default;
    // Records not marked deleted.
    virtual std::int32_t GameCount() = 0;
    // Index entries, deleted ones included: one list row each.
    virtual std::int32_t EntryCount() = 0;
    // Game index as PGN text and its deletion mark; false when the fetch fails.
    virtual bool ReadGame(std::int32_t index, bool& deleted, std::string& text) = 0;
    // True while the database works and must not be read (no row drawing).
    virtual bool Busy() { return false; }
};
