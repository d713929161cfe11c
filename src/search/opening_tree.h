// The opening tree of a file: for a position, every move the games' main
// lines play from it and how it scored. A position counts as the opening
// names count it (rules/position_key.h: placement, side, castling rights, an
// en-passant square only when a pawn may take there), so transpositions
// meet; a game counts once per position, with the move after the first time
// its main line stands there. Variations are not games.
//
// TOpeningTree builds a compact record of every game (tree_record.h: two
// bytes a move plus a summary that rules most games out without a replay)
// on worker threads after a file opens, or loads it from the cache
// (tree_cache.h); answers come from the games read so far while it builds.
// Memory: the records, well under 100 bytes a game.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rules/position.h"
#include "search/position_search.h"

class TGameListCore;
class TTreeRecords;

// One row of the tree: a move and the games that play it.
struct TTreeMove {
    TMoveRecord Move;  // FromSq, ToSq, Promotion, CastleKind, EpVictim: playable in the position
    std::string San;   // English SAN, as the notation writes it
    int64_t Games = 0;
    int64_t WhiteWins = 0, Draws = 0, BlackWins = 0;  // from the Result tag; other results count only in Games
    int Score = -1;        // per cent for the side that plays the move; -1: no decided game
    int AverageElo = 0;    // of the player who made the move; 0: no Elo known
    int Performance = 0;   // that player's performance (opponents' average + 400 (W - L) / N); 0: unknown
    int FirstYear = 0, LastYear = 0;  // from the Date tag; 0: unknown
};

struct TTreeAnswer {
    int64_t Games = 0;             // games whose main line reaches the position
    std::vector<TTreeMove> Moves;  // by games, most first; ties by SAN
    int64_t GamesRead = 0;         // games the answer covers (all of them once built)
    int64_t GamesTotal = 0;
};

// Where the cache lives and how large it may grow.
struct TTreeCacheOptions {
    bool Use = true;                     // off: neither read nor written
    std::string Dir;                     // empty: $XDG_CACHE_HOME/quarzel (~/.cache/quarzel)
    uint64_t MaxBytes = 2ull << 30;      // the whole folder's size; the oldest files go first
};

class TOpeningTree {
public:
    TOpeningTree();
    ~TOpeningTree();  // cancels and waits
    TOpeningTree(const TOpeningTree&) = delete;
    TOpeningTree& operator=(const TOpeningTree&) = delete;

    // Games read so far, raised on a worker thread now and then while building.
    std::function<void(int64_t read, int64_t total)> OnProgress;
    // Raised once on a worker thread when the records are whole (true) or the
    // build stopped (false: cancelled, the file changed or could not be read).
    std::function<void(bool complete)> OnFinished;
    unsigned Threads = 0;  // 0: one per core

    // Starts building the records of pgn's file (or loading them from the
    // cache) and returns at once. pgn's game index must not change until
    // OnFinished. False with a one-line reason when nothing could start.
    bool Start(const TGameListCore& pgn, const TTreeCacheOptions& cache, std::string& error);
    // Takes the records of the file at path from the cache alone, without
    // reading the file: false when the cache holds none for it as it is now.
    // For a tool that needs no game list (quarzel-cli tree, search).
    bool LoadCached(const std::string& path, const TTreeCacheOptions& cache);
    void Cancel();
    void Wait();
    bool Running() const;
    bool Complete() const;
    // Where the records came from: true when they were read from the cache.
    bool FromCache() const;

    // The tree of a position over every game read so far, or over `games`
    // only (ascending game numbers, from 0) when given. Thread-safe.
    TTreeAnswer Tree(const TBoard& board, const TMoveRecord& state, const std::vector<int32_t>* games = nullptr) const;
    // The games (ascending, from 0) that reach the position and then play
    // `move` (FromSq, ToSq, Promotion); all that reach it when move.FromSq is 0.
    std::vector<int32_t> GamesWith(const TBoard& board, const TMoveRecord& state, const TMoveRecord& move,
                                   const std::vector<int32_t>* games = nullptr) const;
    // The position search over the records: every game (ascending) whose
    // main line reaches the target, with the plies, as TPositionMatcher
    // finds them. False (hits empty) until the records are complete.
    bool FindPositions(const TSearchTarget& target, std::vector<TSearchHit>& hits) const;
    // Games the records hold, and those among them that could not be read
    // (too large to show, no memory).
    int64_t Games() const;
    int64_t UnreadGames() const;

    // The tree of one position straight from the file, without records: a
    // position search on all cores that stops each game at its first time
    // there. What a tool answers at once when the cache does not hold the
    // file. False, with a reason, when the search could not run or read
    // less than the file held.
    static bool DirectTree(const TGameListCore& pgn, const TBoard& board, const TMoveRecord& state, unsigned threads,
                           TTreeAnswer& answer, std::string& error);

private:
    struct TState;
    std::shared_ptr<TState> state_;
};
