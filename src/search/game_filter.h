// Narrowing a file to the games that matter: criteria on the header (names,
// Elo, year, result, ECO), on the main line (its length, a position it
// reaches, the opening it is named by) and the leaving out of duplicates,
// all of which a game must meet.
// Text criteria ask that the field contain the text, both folded as the
// table sorts (FoldForSort: any case, accents off). A game whose header does
// not say (no year in its Date, no Elo, no ECO) fails a criterion on it.
// The filter runs over a file like the search (TGameSearch, on all cores);
// header criteria read only the tag sections, the others load the main line.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "collection/game_header.h"
#include "search/game_search.h"
#include "search/position_search.h"

class TNotationCore;

enum class TPlayerSide : uint8_t { Either, White, Black };

struct TFilterCriteria {
    std::string White, Black;  // the text White's / Black's name contains
    std::string Player;        // a player's name, on the side PlayerSide
    TPlayerSide PlayerSide = TPlayerSide::Either;
    int EloMin = 0;                // both players' Elo at least this; 0: none
    int YearFrom = 0, YearTo = 0;  // the Date's year within; 0: that end open
    std::string Result;            // "1-0", "0-1", "1/2-1/2" or "*"; empty: any
    std::string EcoFrom, EcoTo;    // "A00".."E99", both ends inside; empty: none
    // The text the game's opening (search/opening_names.h: "B90 Sicilian
    // Defense: Najdorf Variation", its code and name) contains; a game
    // without a named opening fails it.
    std::string Opening;
    int MovesMin = -1, MovesMax = -1;  // main-line moves (a move = two plies); -1: none
    bool HasPosition = false;          // the main line reaches Position
    TSearchTarget Position;
    // A game whose main-line moves, White, Black and Result equal those of a
    // game listed before it is left out (TDuplicateSet).
    bool NoDuplicates = false;

    bool Any() const;
    // True when the tag sections tell all (nothing needs the moves).
    bool HeaderOnly() const;
    // The active criteria in words, UTF-8 ("White: carlsen, Elo ≥ 2500, ...").
    std::string Describe() const;
};

// "1990-1999", "1990" (that year), "1990-" or "-1999"; false for anything else.
bool ParseYearRange(std::string_view text, int& from, int& to);
// "A00-E99" or one code "B20"; the codes are put in upper case.
bool ParseEcoRange(std::string_view text, std::string& from, std::string& to);
// "1-0", "0-1", "1/2-1/2" (also "1/2", "draw") or "*".
bool ParseResult(std::string_view text, std::string& result);

// Judges games, one thread's worth: not thread-safe.
class TGameFilter {
public:
    explicit TGameFilter(const TFilterCriteria& criteria);
    ~TGameFilter();
    TGameFilter(const TGameFilter&) = delete;
    TGameFilter& operator=(const TGameFilter&) = delete;

    // Does the game (its text) pass? hit.Plies gets the plies at which it
    // reaches the position, hit.Key its duplicate key (with NoDuplicates).
    bool Passes(std::string_view gameText, TSearchHit& hit);
    // The header of the game last judged (the movetext left out).
    const TGameHeader& Header() const { return header_; }

private:
    bool HeaderPasses() const;
    // Loads the main line: its length and (with NoDuplicates) its key.
    bool MovesPass(std::string_view gameText, uint64_t& key);

    TFilterCriteria criteria_;
    std::string white_, black_, player_, opening_;  // folded
    TGameHeader header_;
    TStringList otherTags_;
    std::unique_ptr<TPositionMatcher> position_;
    std::unique_ptr<TNotationCore> loader_;
};

// The duplicate rule in list order: Seen(key) is false the first time a key
// comes and true after.
class TDuplicateSet {
public:
    bool Seen(uint64_t key) { return !keys_.insert(key).second; }

private:
    std::unordered_set<uint64_t> keys_;
};

// Matchers for TGameSearch::StartMatcher. With rowTexts each hit's Text is
// its row as `quarzel-cli list` prints it (number, players, source, year,
// result; tab-separated, ended by a line end).
std::function<TGameMatcher()> FilterMatchers(const TFilterCriteria& criteria, bool rowTexts);
