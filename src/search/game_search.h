// Searching every game of an open PGN file on all cores: by position (the
// main line reaches it) or by header text. Games are independent, so worker
// threads take batches of consecutive games, each read with one positioned
// read (from a compressed file, in order through one stream, since a
// positioned read there costs a decoding); hits come back in game order as
// soon as every earlier batch is done. The games may also be handed in by
// the caller as a scan finds them (a pipe read once). A game database is
// searched through its games' PGN texts.
// Memory: one batch of game text per thread plus the hits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "search/position_search.h"

class TGameListCore;

// Decides whether one game (its text, trimmed) is a hit; may fill the hit's
// Plies, Key and Text. One is made for each worker thread.
using TGameMatcher = std::function<bool(std::string_view text, TSearchHit& hit)>;

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
    // Hits carry their game's text (for callers that cannot read it again).
    bool KeepHitTexts = false;

    // Start a search of every game of `pgn`'s file and return at once. The
    // game index of `pgn` must not change until the search has finished
    // (Wait, or OnFinished). False, with a one-line reason, when no search
    // could start (no PGN file open, a search still running).
    bool StartPosition(const TGameListCore& pgn, const TSearchTarget& target, std::string& error);
    bool StartText(const TGameListCore& pgn, const std::string& text, std::string& error);
    // A search with matchers of the caller's (the filter). With headerOnly a
    // game read alone is read only up to the end of its tag section.
    bool StartMatcher(const TGameListCore& pgn, std::function<TGameMatcher()> makeMatcher, bool headerOnly,
                      std::string& error);
    // The same over games handed in with Feed, then EndFeed.
    bool StartPosition(const TSearchTarget& target, std::string& error);
    bool StartText(const std::string& text, std::string& error);
    // Games first, first + 1, ... of a fed search: their texts one after the
    // other, ends[i] the end of game first + i in text. Blocks while the
    // workers are well behind.
    void Feed(int32_t first, std::string text, std::vector<size_t> ends);
    // No more games will be fed.
    void EndFeed();

    // Ask the workers to stop; they give up the game in hand and hand on the
    // hits of every game they searched whole. Returns at once.
    void Cancel() { cancel_ = true; }
    // The last search read less than the index promised (the file shrank, was
    // deleted or rewritten under it): its hits are not all there are.
    bool Incomplete() const { return short_; }
    // Blocks until the search has finished (at once when none runs).
    void Wait();
    bool Running() const { return running_; }
    // Statistics of the last position search, summed over the threads.
    TSearchStats Stats() const;

private:
    struct TJob;
    struct TBatch;
    bool Start(const TGameListCore* pgn, std::string& error, std::function<void(TJob&)> work);
    // Checks that pgn has games to read and opens what the job reads them
    // through; false with a reason.
    static bool OpenGames(const TGameListCore& pgn, TJob& job, std::string& error);
    // Clears the last search's counters and hits; the number of worker threads.
    unsigned ResetForRun(const TGameListCore* pgn, TJob& job);
    // One worker thread: batches until none is left or the search is cancelled.
    void Work(TJob& job);
    // The hits among a batch's games; games of a batch too long to hold are
    // read alone into buffer. Games lost to a lack of memory add to unread.
    std::vector<TSearchHit> SearchBatch(TJob& job, const TBatch& batch,
                                        const TGameMatcher& match,
                                        std::string& buffer, int64_t& unread);
    // A worker's end: its statistics summed in; the last one hands on what
    // waits and raises OnFinished.
    void EndWork(const TSearchStats* stats, int64_t unread);
    // The next batch to search, read or fed; false when there is none.
    bool NextBatch(TJob& job, TBatch& batch);
    bool ReadInOrder(TJob& job, TBatch& batch);
    void Deliver(int64_t batch, std::vector<TSearchHit>&& hits, int64_t games);
    void ShortRead() { short_ = true; }

    static constexpr int32_t kBatchGames = 64;
    std::vector<std::thread> workers_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> short_{false};
    std::atomic<bool> running_{false};
    std::atomic<int64_t> nextBatch_{0};
    std::mutex mutex_;
    std::condition_variable fed_;  // the feed queue changed
    std::shared_ptr<TJob> job_;
    std::map<int64_t, std::vector<TSearchHit>> pending_;
    int64_t nextToDeliver_ = 0;
    int64_t gamesDone_ = 0;
    int64_t totalGames_ = 0;
    int lastPercent_ = -1;
    unsigned active_ = 0;
    TSearchStats stats_;
};
