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

// The target of a tree: the position with its castling rights and the
// en-passant square by meaning.
TSearchTarget TreeTarget(const TBoard& board, const TMoveRecord& state);

TTreeAnswer QueryTree(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                      const std::vector<int32_t>* games, unsigned threads);
std::vector<int32_t> QueryGamesWith(const TTreeSnapshot& s, const TBoard& board, const TMoveRecord& state,
                                    const TMoveRecord& move, const std::vector<int32_t>* games);
std::vector<TSearchHit> QueryPositions(const TTreeSnapshot& s, const TSearchTarget& target, unsigned threads);
