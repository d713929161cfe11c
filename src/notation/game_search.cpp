// The multi-threaded search over a file's games.
#include "notation/game_search.h"

#include <memory>

#include "collection/file_procs.h"
#include "collection/header_search.h"
#include "collection/pgn_core.h"

namespace {

// A batch longer than this is read game by game instead of in one piece.
constexpr int64_t kMaxBatchBytes = 32 << 20;

// The game's text as the list fetches it: up to a zero byte, blanks trimmed.
std::string_view GameText(std::string_view raw) {
    const size_t nul = raw.find('\0');
    if (nul != std::string_view::npos) raw = raw.substr(0, nul);
    return TrimBlanks(raw);
}

}  // namespace

// Matches one game's text; appends the plies of a position search (a text
// search appends nothing) and says whether the game is a hit.
using TGameMatcher = std::function<bool(std::string_view text, std::vector<int32_t>& plies)>;

struct TGameSearch::TJob {
    std::function<TGameMatcher(TSearchStats*& stats)> makeMatcher;
};

TGameSearch::~TGameSearch() {
    Cancel();
    Wait();
}

void TGameSearch::Wait() {
    for (std::thread& t : workers_)
        if (t.joinable()) t.join();
    workers_.clear();
}

TSearchStats TGameSearch::Stats() const {
    std::lock_guard<std::mutex> lock(const_cast<std::mutex&>(mutex_));
    return stats_;
}

bool TGameSearch::StartPosition(const TPGNCore& pgn, const TSearchTarget& target, std::string& error) {
    return Start(pgn, error, [target](TJob& job) {
        job.makeMatcher = [target](TSearchStats*& stats) -> TGameMatcher {
            auto matcher = std::make_shared<TPositionMatcher>(target);
            stats = &matcher->Stats;
            return [matcher](std::string_view text, std::vector<int32_t>& plies) {
                const size_t before = plies.size();
                matcher->Search(text, plies);
                return plies.size() > before;
            };
        };
    });
}

bool TGameSearch::StartText(const TPGNCore& pgn, const std::string& text, std::string& error) {
    return Start(pgn, error, [text](TJob& job) {
        job.makeMatcher = [text](TSearchStats*&) -> TGameMatcher {
            auto matcher = std::make_shared<THeaderMatcher>(text);
            return [matcher](std::string_view game, std::vector<int32_t>&) { return matcher->Matches(game); };
        };
    });
}

bool TGameSearch::Start(const TPGNCore& pgn, std::string& error, std::function<void(TJob&)> setup) {
    if (running_) {
        error = "a search is still running";
        return false;
    }
    Wait();
    if (!pgn.FileOpen() || pgn.DatabaseMode()) {
        error = "searching needs an open PGN file";
        return false;
    }
    auto file = std::make_shared<TBlockFile>();
    try {
        OpenForBlocks(*file, pgn.FileName());
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    auto job = std::make_shared<TJob>();
    setup(*job);

    cancel_ = false;
    nextBatch_ = 0;
    pending_.clear();
    nextToDeliver_ = 0;
    gamesDone_ = 0;
    totalGames_ = pgn.EntryCount();
    lastPercent_ = -1;
    stats_ = TSearchStats{};
    unsigned threads = Threads ? Threads : std::thread::hardware_concurrency();
    if (threads == 0) threads = 2;
    const int64_t batches = (totalGames_ + kBatchGames - 1) / kBatchGames;
    if (static_cast<int64_t>(threads) > batches) threads = static_cast<unsigned>(batches > 0 ? batches : 1);
    active_ = threads;
    running_ = true;

    const TPGNCore* core = &pgn;
    for (unsigned w = 0; w < threads; ++w) {
        workers_.emplace_back([this, core, file, job, batches]() {
            TSearchStats* stats = nullptr;
            TGameMatcher match;
            try {
                match = job->makeMatcher(stats);
            } catch (...) {
                cancel_ = true;
            }
            std::string buffer;
            std::vector<int32_t> plies;
            int64_t unread = 0;
            while (!cancel_) {
                const int64_t b = nextBatch_++;
                if (b >= batches) break;
                const int32_t first = static_cast<int32_t>(b * kBatchGames);
                const int32_t last = static_cast<int32_t>(std::min<int64_t>(totalGames_, (b + 1) * kBatchGames));
                std::vector<TSearchHit> hits;
                int32_t g = first;
                try {
                    const int64_t from = core->Entry(first).StartPos;
                    const int64_t to = core->Entry(last - 1).EndPos;
                    const bool whole = to - from <= kMaxBatchBytes;
                    if (whole) {
                        buffer.resize(static_cast<size_t>(to - from));
                        buffer.resize(file->ReadAt(from, buffer.data(), buffer.size()));
                    }
                    for (; g < last && !cancel_; ++g) {
                        const GameEntry e = core->Entry(g);
                        std::string_view raw;
                        if (whole) {
                            const size_t s = static_cast<size_t>(e.StartPos - from);
                            const size_t len = static_cast<size_t>(e.EndPos - e.StartPos);
                            if (s < buffer.size()) raw = std::string_view(buffer).substr(s, len);
                        } else {
                            buffer.resize(static_cast<size_t>(e.EndPos - e.StartPos));
                            buffer.resize(file->ReadAt(e.StartPos, buffer.data(), buffer.size()));
                            raw = buffer;
                        }
                        plies.clear();
                        if (match(GameText(raw), plies)) hits.push_back(TSearchHit{g, plies});
                    }
                } catch (...) {
                    // A read failure (the file shrank, memory ran out): the
                    // rest of this batch is counted as not searched.
                    if (!cancel_) unread += last - g;
                }
                if (cancel_) break;
                // A huge game's text is not kept while its hits are handled.
                if (buffer.capacity() > static_cast<size_t>(2 * kMaxBatchBytes)) std::string().swap(buffer);
                Deliver(b, std::move(hits), last - first);
            }
            std::lock_guard<std::mutex> lock(mutex_);
            stats_.Unread += unread;
            if (stats) {
                stats_.Unread += stats->Unread;
                stats_.Games += stats->Games;
                stats_.Skipped += stats->Skipped;
                stats_.Fast += stats->Fast;
                stats_.Loaded += stats->Loaded;
                stats_.Plies += stats->Plies;
            }
            if (--active_ == 0) {
                const bool cancelled = cancel_;
                running_ = false;
                if (OnFinished) OnFinished(cancelled);
            }
        });
    }
    return true;
}

void TGameSearch::Deliver(int64_t batch, std::vector<TSearchHit>&& hits, int64_t games) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.emplace(batch, std::move(hits));
    gamesDone_ += games;
    // Hand on every batch whose predecessors are all delivered.
    for (auto it = pending_.find(nextToDeliver_); it != pending_.end(); it = pending_.find(nextToDeliver_)) {
        if (!it->second.empty() && OnHits && !cancel_) OnHits(it->second);
        pending_.erase(it);
        ++nextToDeliver_;
    }
    const int percent = static_cast<int>(Percent(gamesDone_, totalGames_));
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (OnProgress && !cancel_) OnProgress(percent);
    }
}
