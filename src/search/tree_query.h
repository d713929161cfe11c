// Answers of the opening tree from its records (tree_cache.h: TTreeChunk):
// every game that may reach a position (tree_record.h: MayReach) is played
// from its start until it stands there, or can no longer get there. Chunks
// are unpacked only when one of their games needs it, their tails only when
// a game runs past its head; large sets are split over threads.
#pragma once

#include <cstdint>
#include <vector>

#include "search/opening_tree.h"
#include "search/tree_cache.h"

// The chunks read so far and the number of their first games.
struct TTreeSnapshot {
    TTreeChunks Chunks;
    std::vector<int64_t> Starts;  // game number of each chunk's first game
    int64_t Games = 0;
};

// The statistics of one move of a tree, for the side that plays it.
struct TTreeTally {
    uint16_t Word = 0;  // the move (tree_record.h)
    int64_t Games = 0, Wins = 0, Draws = 0, Losses = 0;
    int64_t EloSum = 0, EloCount = 0;
    int64_t RatedGames = 0, RatedOpponentSum = 0, RatedPoints2 = 0;  // decided games with the opponent's Elo
    int FirstYear = 0, LastYear = 0;
    void Add(const TTreeGameInfo& info, int mover);
    void Merge(const TTreeTally& other);
};

// The games that reach a position and the moves they play there.
struct TTreeTallies {
    int64_t Reached = 0;
    std::vector<TTreeTally> Moves;
    TTreeTally& Of(uint16_t word);
    void Merge(const TTreeTallies& other);
};

// The rows of a tree, sorted, from its tallies in the position.
TTreeAnswer AnswerOf(const TTreeTallies& tallies, const TBoard& board, const TMoveRecord& state);

// The target of a tree: the position with its castling rights and the
// en-passant square by meaning.
TSearchTarget TreeTarget(const TBoard& board, const TMoveRecord& state);

TTreeAnswer QueryTree(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                      const std::vector<int32_t>* games, unsigned threads);
std::vector<int32_t> QueryGamesWith(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                                    const TMoveRecord& move, const std::vector<int32_t>* games);
std::vector<TSearchHit> QueryPositions(const TTreeSnapshot& s, const TSearchTarget& target, unsigned threads);
