// Searching every game of an open PGN file on all cores: by position (the
// main line reaches it) or by header text. Games are independent, so worker
// threads take batches of consecutive games, each read with one positioned
// read; hits come back in game order as soon as every earlier batch is done.
// Memory: one batch of game text per thread plus the hits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "notation/position_search.h"

class TPGNCore;

class TGameSearch {
public:
    TGameSearch() = default;
    ~TGameSearch();  // cancels and waits
    TGameSearch(const TGameSearch&) = delete;
    TGameSearch& operator=(const TGameSearch&) = delete;

    // Raised on a worker thread, one call at a time, in game order.
    std::function<void(const std::vector<TSearchHit>& hits)> OnHits;
    // Percentage of games searched, raised on a worker thread when it changes.
    std::function<void(int percent)> OnProgress;
    // Raised once on the last worker thread to finish; no other event follows.
    std::function<void(bool cancelled)> OnFinished;

    // Worker threads; 0 = one per core.
    unsigned Threads = 0;

    // Start a search of every game of `pgn`'s file and return at once. The
    // game index of `pgn` must not change until the search has finished
    // (Wait, or OnFinished). False, with a one-line reason, when no search
    // could start (no PGN file open, a search still running).
    bool StartPosition(const TPGNCore& pgn, const TSearchTarget& target, std::string& error);
    bool StartText(const TPGNCore& pgn, const std::string& text, std::string& error);

    // Ask the workers to stop; they finish the game in hand. Returns at once.
    void Cancel() { cancel_ = true; }
    // Blocks until the search has finished (at once when none runs).
    void Wait();
    bool Running() const { return running_; }
    // Statistics of the last position search, summed over the threads.
    TSearchStats Stats() const;

private:
    struct TJob;
    bool Start(const TPGNCore& pgn, std::string& error, std::function<void(TJob&)> work);
    void Deliver(int64_t batch, std::vector<TSearchHit>&& hits, int64_t games);

    static constexpr int32_t kBatchGames = 64;
    std::vector<std::thread> workers_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> running_{false};
    std::atomic<int64_t> nextBatch_{0};
    std::mutex mutex_;
    std::map<int64_t, std::vector<TSearchHit>> pending_;
    int64_t nextToDeliver_ = 0;
    int64_t gamesDone_ = 0;
    int64_t totalGames_ = 0;
    int lastPercent_ = -1;
    unsigned active_ = 0;
    TSearchStats stats_;
};
