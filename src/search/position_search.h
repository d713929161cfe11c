// Finding a position in the main line of a game, fast enough to run over
// every game of a file: plain games are replayed straight from their bytes
// (no tree, no comments kept) and dropped the moment they can no longer
// reach the target; anything unusual is read by the viewer's own loader, so
// that a hit is always a position the viewer shows.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rules/legality.h"
#include "rules/position.h"

class TNotationCore;

// What a game has to reach: the placement and the side to move, optionally
// the castling rights and the en-passant square as well. The en-passant
// square counts by meaning: one on which no pawn may take is no square
// (EffectiveEpSquare).
struct TSearchTarget {
    TBoard Board = InitialPosition;
    int Side = White;
    bool MatchCastling = false;
    int8_t Castling = CastleAll;
    bool MatchEpSquare = false;
    int8_t EpSquare = 0;

    // Men of each side and pawns of each side: in a game these only fall.
    int WhiteMen = 0, BlackMen = 0, WhitePawns = 0, BlackPawns = 0;
    // Files of the pawns standing on their start square (bit 0 = a file):
    // a pawn that left it never comes back.
    uint8_t WhiteHome = 0, BlackHome = 0;
};

// Fills the derived counts of a target whose Board and Side are set.
void CompleteTarget(TSearchTarget& target);

// Reads a FEN as the position to search for, strictly (rules/strict_fen.h).
// False with a one-line reason when the text is no well-formed FEN or no
// legal position (a king missing or doubled, pawns on the first or last
// rank, more than 16 men or 8 pawns of a side, the side not to move in
// check).
bool TargetFromFEN(std::string_view fen, TSearchTarget& target, std::string& error);

// Counters of how games were searched (for tests and benchmarks).
struct TSearchStats {
    uint64_t Games = 0;      // games looked at
    uint64_t Skipped = 0;    // ruled out before any move was replayed
    uint64_t Fast = 0;       // replayed from the bytes
    uint64_t Loaded = 0;     // read by the full loader
    uint64_t Plies = 0;      // moves replayed on the fast path
    uint64_t Unread = 0;     // games that could not be searched (too large, no memory)
};

// Searches games for one target. Not thread-safe: one per thread.
class TPositionMatcher {
public:
    explicit TPositionMatcher(const TSearchTarget& target);
    ~TPositionMatcher();
    TPositionMatcher(const TPositionMatcher&) = delete;
    TPositionMatcher& operator=(const TPositionMatcher&) = delete;

    // Appends to `plies` every ply (0 = the start position) at which the main
    // line of the game text stands at the target, in order. Never throws.
    void Search(std::string_view gameText, std::vector<int32_t>& plies);

    // Off: no early rejection (every game is replayed to its end).
    bool EarlyRejection = true;
    // On: every game goes through the full loader.
    bool AlwaysLoad = false;
    // Longest game text the viewer shows (0: its own limit); a longer one is
    // counted in Stats.Unread and has no hits, whichever way it would be read.
    size_t MaxGameBytes = 0;
    // On: the search of a game stops at its first hit, and NextMove holds the
    // move the game plays there (as the game tree keeps it) when
    // HasNextMove says it goes on. For the opening tree's first answer.
    bool FirstHitOnly = false;
    TMoveRecord NextMove{};
    bool HasNextMove = false;
    // Set from another thread: the game in hand is given up at once (no hits).
    const std::atomic<bool>* Cancel = nullptr;
    TSearchStats Stats;

private:
    enum class TFast { Done, Load };
    TFast FastSearch(std::string_view text, std::vector<int32_t>& plies);
    void LoadedSearch(std::string_view text, std::vector<int32_t>& plies);

    TSearchTarget target_;
    std::unique_ptr<TNotationCore> loader_;
};

// Does the main line of a loaded game stand at the target after `ply`
// moves? Compares board, side and the optional fields.
bool PositionMatches(const TSearchTarget& target, const TBoard& board, const TMoveRecord& state);

// One hit of a search over a whole file: the game (from 0) and, for a
// position search, the plies at which it stands at the target.
struct TSearchHit {
    int32_t Game = 0;
    std::vector<int32_t> Plies;
    std::string Text;  // the game's text, when the search was asked to keep it
    uint64_t Key = 0;  // set by a matcher of the caller's (the filter's duplicate key)
};

// The games of a PGN file held in memory, found as the game list finds them
// (collection/game_bounds.h), searched one after the other. The entry point for fuzzing and for small files.
std::vector<TSearchHit> SearchPgnBytes(std::string_view bytes, const TSearchTarget& target);
// The same with the position given as FEN text; false with a one-line
// reason when the FEN is refused (hits is then empty).
bool SearchPgnBytes(std::string_view bytes, std::string_view fen, std::vector<TSearchHit>& hits, std::string& error);
// Byte ranges [start, end) of the games in bytes, as the scanner finds them.
std::vector<std::pair<size_t, size_t>> SplitGames(std::string_view bytes);
