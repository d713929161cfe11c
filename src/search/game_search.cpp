// The multi-threaded search over a file's games.
#include "search/game_search.h"

#include <algorithm>
#include <deque>
#include <memory>

#include "collection/game_list_core.h"
#include "database/database_mode.h"
#include "notation/notation_core.h"
#include "search/header_search.h"
#include "source/block_file.h"
#include "source/byte_source.h"

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

// Consecutive games and their text.
struct TGameSearch::TBatch {
    int64_t index = 0;
    int32_t first = 0, last = 0;
    std::string text;          // the games' bytes one after the other, when whole
    std::vector<size_t> ends;  // where game first + i ends in text
    bool whole = true;         // false: too long to hold; each game is read alone
    std::vector<int32_t> refused;  // games too large to search, passed over unread
};

struct TGameSearch::TJob {
    std::function<TGameMatcher(TSearchStats*& stats, const std::atomic<bool>* cancel)> makeMatcher;
    // A game read alone is read up to the end of its tag section only (a
    // header search); otherwise a game longer than maxGameBytes is not read
    // at all (it could not be searched).
    bool headerOnly = false;
    std::size_t maxGameBytes = 0;
    const TGameListCore* core = nullptr;  // null: the games are fed
    std::shared_ptr<TByteSource> source;
    // A database is read through an opening of its own, one game after the
    // other (the viewer's list reads the same database meanwhile).
    std::unique_ptr<TGameListCore> database;
    int64_t batches = 0;
    // A compressed file is read in order through one stream.
    std::mutex streamMutex;
    std::unique_ptr<TByteStream> stream;
    int64_t streamPos = 0;
    // Fed batches waiting for a worker.
    std::deque<TBatch> queue;
    size_t queueLimit = 4;
    int64_t fedBatches = 0;
    bool feedEnded = false;
};

TGameSearch::~TGameSearch() {
    Cancel();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fed_.notify_all();
    }
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

namespace {

using TMatcherMaker = std::function<TGameMatcher(TSearchStats*&, const std::atomic<bool>*)>;

TMatcherMaker PositionMatcher(const TSearchTarget& target) {
    return [target](TSearchStats*& stats, const std::atomic<bool>* cancel) -> TGameMatcher {
        auto matcher = std::make_shared<TPositionMatcher>(target);
        matcher->Cancel = cancel;  // a huge game is given up at once
        stats = &matcher->Stats;
        return [matcher](std::string_view text, TSearchHit& hit) {
            matcher->Search(text, hit.Plies);
            return !hit.Plies.empty();
        };
    };
}

TMatcherMaker TextMatcher(const std::string& text) {
    return [text](TSearchStats*&, const std::atomic<bool>*) -> TGameMatcher {
        auto matcher = std::make_shared<THeaderMatcher>(text);
        return [matcher](std::string_view game, TSearchHit&) { return matcher->Matches(game); };
    };
}

}  // namespace

bool TGameSearch::StartPosition(const TGameListCore& pgn, const TSearchTarget& target, std::string& error) {
    return Start(&pgn, error, [target](TJob& job) {
        job.makeMatcher = PositionMatcher(target);
        job.maxGameBytes = TNotationCore::kMaxGameBytes;
    });
}

bool TGameSearch::StartText(const TGameListCore& pgn, const std::string& text, std::string& error) {
    const bool keepTexts = KeepHitTexts;
    return Start(&pgn, error, [text, keepTexts](TJob& job) {
        job.makeMatcher = TextMatcher(text);
        job.headerOnly = !keepTexts;  // the hit texts are handed on whole
    });
}

bool TGameSearch::StartMatcher(const TGameListCore& pgn, std::function<TGameMatcher()> makeMatcher, bool headerOnly,
                               std::string& error) {
    return Start(&pgn, error, [makeMatcher, headerOnly](TJob& job) {
        job.makeMatcher = [makeMatcher](TSearchStats*&, const std::atomic<bool>*) { return makeMatcher(); };
        job.headerOnly = headerOnly;
        if (!headerOnly) job.maxGameBytes = TNotationCore::kMaxGameBytes;
    });
}

bool TGameSearch::StartPosition(const TSearchTarget& target, std::string& error) {
    return Start(nullptr, error, [target](TJob& job) { job.makeMatcher = PositionMatcher(target); });
}

bool TGameSearch::StartText(const std::string& text, std::string& error) {
    return Start(nullptr, error, [text](TJob& job) { job.makeMatcher = TextMatcher(text); });
}

void TGameSearch::Feed(int32_t first, std::string text, std::vector<size_t> ends) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!job_ || job_->core) return;
    TJob& job = *job_;
    fed_.wait(lock, [&] { return job.queue.size() < job.queueLimit || cancel_; });
    if (cancel_ || ends.empty()) return;
    TBatch batch;
    batch.index = job.fedBatches++;
    batch.first = first;
    batch.last = first + static_cast<int32_t>(ends.size());
    batch.text = std::move(text);
    batch.ends = std::move(ends);
    totalGames_ += batch.last - batch.first;
    job.queue.push_back(std::move(batch));
    lock.unlock();
    fed_.notify_all();
}

void TGameSearch::EndFeed() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (job_) job_->feedEnded = true;
    }
    fed_.notify_all();
}

bool TGameSearch::NextBatch(TJob& job, TBatch& batch) {
    if (!job.core) {
        std::unique_lock<std::mutex> lock(mutex_);
        fed_.wait(lock, [&] { return !job.queue.empty() || job.feedEnded || cancel_; });
        if (job.queue.empty() || cancel_) return false;
        batch = std::move(job.queue.front());
        job.queue.pop_front();
        lock.unlock();
        fed_.notify_all();
        return true;
    }
    const bool inOrder = job.database || job.source->PrefersStreams();
    std::unique_lock<std::mutex> streamLock(job.streamMutex, std::defer_lock);
    if (inOrder) streamLock.lock();  // batches are then read one after the other
    const int64_t b = nextBatch_++;
    if (b >= job.batches) return false;
    batch.index = b;
    batch.first = static_cast<int32_t>(b * kBatchGames);
    batch.last = static_cast<int32_t>(std::min<int64_t>(totalGames_, (b + 1) * kBatchGames));
    if (job.database) {
        // A record's PGN text; a deleted or damaged record has none, a data
        // file gone or cut leaves the search incomplete.
        std::string game;
        batch.text.clear();
        batch.ends.clear();
        batch.whole = true;
        for (int32_t g = batch.first; g < batch.last; ++g) {
            bool deleted = false;
            job.database->ReadGameText(g, deleted, game);  // empty for a damaged record
            if (!deleted) batch.text += GameText(game);
            batch.ends.push_back(batch.text.size());
        }
        if (job.database->FileChanged()) ShortRead();
        return true;
    }
    const int64_t from = job.core->Entry(batch.first).StartPos;
    const int64_t to = job.core->Entry(batch.last - 1).EndPos;
    batch.ends.clear();
    for (int32_t g = batch.first; g < batch.last; ++g) batch.ends.push_back(static_cast<size_t>(job.core->Entry(g).EndPos - from));
    batch.whole = inOrder || to - from <= kMaxBatchBytes;
    batch.text.clear();
    if (!batch.whole) return true;
    if (!inOrder) {
        batch.text.resize(static_cast<size_t>(to - from));
        const size_t got = job.source->ReadAt(from, batch.text.data(), batch.text.size());
        if (got < batch.text.size()) ShortRead();
        batch.text.resize(got);
        return true;
    }
    if (!job.stream) {
        job.stream = job.source->Stream(from);
        job.streamPos = from;
    }
    return ReadInOrder(job, batch);
}

// Through one stream, game by game: what a match needs is kept, a game too
// large to search and all but the first 32 MB of a game a header search
// reads are passed over unkept, so memory stays bounded whatever the game.
bool TGameSearch::ReadInOrder(TJob& job, TBatch& batch) {
    std::vector<char> scratch;
    bool cut = false;
    auto read = [&](char* to, size_t n) {  // n bytes of the stream, into `to` or (null) nowhere
        size_t got = 0;
        if (!to && n > 0) scratch.resize(std::min<size_t>(n, 1 << 20));
        while (got < n) {
            const size_t want = to ? n - got : std::min(n - got, scratch.size());
            const size_t r = job.stream->Read(to ? to + got : scratch.data(), want);
            if (r == 0) break;
            got += r;
        }
        job.streamPos += static_cast<int64_t>(got);
        if (got < n) cut = true;
        return got;
    };
    std::vector<size_t> sizes(batch.ends.size());
    for (size_t i = 0; i < sizes.size(); ++i) sizes[i] = batch.ends[i] - (i == 0 ? 0 : batch.ends[i - 1]);
    batch.ends.clear();
    batch.refused.clear();
    for (size_t i = 0; i < sizes.size() && !cut; ++i) {
        size_t keep = sizes[i];
        if (job.headerOnly) keep = std::min<size_t>(keep, kMaxBatchBytes);
        else if (job.maxGameBytes > 0 && keep > job.maxGameBytes) keep = 0;
        if (keep == 0 && sizes[i] > 0) batch.refused.push_back(batch.first + static_cast<int32_t>(i));
        const size_t at = batch.text.size();
        batch.text.resize(at + keep);
        batch.text.resize(at + read(batch.text.data() + at, keep));
        if (!cut) read(nullptr, sizes[i] - keep);
        batch.ends.push_back(batch.text.size() + (cut ? 1 : 0));  // a game cut short is not searched
    }
    while (batch.ends.size() < sizes.size()) batch.ends.push_back(batch.text.size() + 1);
    if (cut) ShortRead();
    return true;
}

bool TGameSearch::OpenGames(const TGameListCore& pgn, TJob& job, std::string& error) {
    if (!pgn.FileOpen() || (!pgn.DatabaseMode() && !pgn.Source())) {
        error = "searching needs an open game file";
        return false;
    }
    job.core = &pgn;
    job.source = pgn.Source();
    if (!pgn.DatabaseMode()) return true;
    // Opened again for reading only: nothing is written, and the viewer's
    // own opening stays free for its list.
    job.database = std::make_unique<TGameListCore>();
    job.database->DatabaseModeState().ReadOnly = true;
    job.database->DatabaseModeState().BesideOwnOpening = true;
    if (!job.database->OpenForReading(pgn.FileName(), error)) return false;
    if (job.database->Database()->EntryCount() != pgn.Database()->EntryCount()) {
        error = pgn.FileName() + " has changed since it was opened";
        return false;
    }
    return true;
}

unsigned TGameSearch::ResetForRun(const TGameListCore* pgn, TJob& job) {
    cancel_ = false;
    short_ = false;
    nextBatch_ = 0;
    pending_.clear();
    nextToDeliver_ = 0;
    gamesDone_ = 0;
    totalGames_ = !pgn ? 0 : job.database ? job.database->Database()->EntryCount() : pgn->EntryCount();
    lastPercent_ = -1;
    stats_ = TSearchStats{};
    unsigned threads = Threads ? Threads : std::thread::hardware_concurrency();
    if (threads == 0) threads = 2;
    job.batches = (totalGames_ + kBatchGames - 1) / kBatchGames;
    // No more threads than batches of a file's games.
    if (pgn && static_cast<int64_t>(threads) > job.batches)
        threads = static_cast<unsigned>(job.batches > 0 ? job.batches : 1);
    job.queueLimit = 2 * threads;
    return threads;
}

bool TGameSearch::Start(const TGameListCore* pgn, std::string& error, std::function<void(TJob&)> setup) {
    if (running_) {
        error = "a search is still running";
        return false;
    }
    Wait();
    auto job = std::make_shared<TJob>();
    if (pgn && !OpenGames(*pgn, *job, error)) return false;
    setup(*job);
    const unsigned threads = ResetForRun(pgn, *job);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = job;
    }
    active_ = threads;
    running_ = true;
    for (unsigned w = 0; w < threads; ++w) workers_.emplace_back([this, job] { Work(*job); });
    return true;
}

void TGameSearch::Work(TJob& job) {
    TSearchStats* stats = nullptr;
    TGameMatcher match;
    try {
        match = job.makeMatcher(stats, &cancel_);
    } catch (...) {
        cancel_ = true;
    }
    std::string buffer;
    int64_t unread = 0;
    while (!cancel_) {
        TBatch batch;
        try {
            if (!NextBatch(job, batch)) break;
        } catch (const std::bad_alloc&) {
            if (!cancel_) unread += batch.last - batch.first;
            if (batch.last > batch.first) Deliver(batch.index, {}, batch.last - batch.first);
            continue;
        } catch (...) {
            // The batch could not be read (the file went or shrank).
            ShortRead();
            if (batch.last > batch.first) Deliver(batch.index, {}, batch.last - batch.first);
            continue;
        }
        std::vector<TSearchHit> hits = SearchBatch(job, batch, match, buffer, unread);
        // A huge game's text is not kept while its hits are handled.
        if (buffer.capacity() > static_cast<size_t>(2 * kMaxBatchBytes)) std::string().swap(buffer);
        // Cancelled: the hits of the games searched whole still count.
        Deliver(batch.index, std::move(hits), batch.last - batch.first);
        if (cancel_) break;
    }
    EndWork(stats, unread);
}

namespace {

enum class PieceRead { Whole, Cancelled, Short };

// Reads game e alone into buffer, in pieces (the memory too is touched piece
// by piece), so that a cancel need not wait for a huge game to arrive whole.
PieceRead ReadInPieces(TByteSource& source, const GameEntry& e, std::string& buffer, const std::atomic<bool>& cancel) {
    const size_t size = static_cast<size_t>(e.EndPos - e.StartPos);
    buffer.clear();
    buffer.reserve(size);
    constexpr size_t kPiece = 16 << 20;
    while (buffer.size() < size && !cancel) {
        const size_t got = buffer.size(), want = std::min(kPiece, size - got);
        buffer.resize(got + want);
        const size_t n = source.ReadAt(e.StartPos + static_cast<int64_t>(got), buffer.data() + got, want);
        buffer.resize(got + n);
        if (n < want) break;
    }
    if (cancel) return PieceRead::Cancelled;
    return buffer.size() < size ? PieceRead::Short : PieceRead::Whole;
}

// Reads the start of game e into buffer, in growing pieces, until its tag
// section has ended (or 32 MB of it, more than any tag section holds): all
// a header search looks at. A game of gigabytes is not read for its tags.
PieceRead ReadHeader(TByteSource& source, const GameEntry& e, std::string& buffer) {
    const size_t size = std::min(static_cast<size_t>(e.EndPos - e.StartPos), static_cast<size_t>(kMaxBatchBytes));
    buffer.clear();
    for (size_t piece = 64 << 10; buffer.size() < size; piece = std::min<size_t>(piece * 2, 16 << 20)) {
        const size_t got = buffer.size(), want = std::min(piece, size - got);
        buffer.resize(got + want);
        const size_t n = source.ReadAt(e.StartPos + static_cast<int64_t>(got), buffer.data() + got, want);
        buffer.resize(got + n);
        if (n < want) return PieceRead::Short;
        if (HeaderEndsWithin(buffer)) break;
    }
    return PieceRead::Whole;
}

}  // namespace

std::vector<TSearchHit> TGameSearch::SearchBatch(TJob& job, const TBatch& batch, const TGameMatcher& match,
                                                 std::string& buffer, int64_t& unread) {
    std::vector<TSearchHit> hits;
    int32_t g = batch.first;
    try {
        for (; g < batch.last && !cancel_; ++g) {
            const size_t i = static_cast<size_t>(g - batch.first);
            std::string_view raw;
            if (batch.whole) {
                if (std::find(batch.refused.begin(), batch.refused.end(), g) != batch.refused.end()) {
                    ++unread;  // too large to search
                    continue;
                }
                const size_t start = i == 0 ? 0 : std::min(batch.ends[i - 1], batch.text.size());
                // A game cut by a short read is not searched.
                if (batch.ends[i] > batch.text.size()) continue;
                raw = std::string_view(batch.text).substr(start, batch.ends[i] - start);
            } else {
                const GameEntry entry = job.core->Entry(g);
                if (job.maxGameBytes > 0 && static_cast<uint64_t>(entry.EndPos - entry.StartPos) > job.maxGameBytes) {
                    ++unread;  // too large to search: refused before a byte of it is read
                    continue;
                }
                const PieceRead read = job.headerOnly ? ReadHeader(*job.source, entry, buffer)
                                                      : ReadInPieces(*job.source, entry, buffer, cancel_);
                if (read == PieceRead::Cancelled) break;
                if (read == PieceRead::Short) {
                    ShortRead();
                    continue;
                }
                raw = buffer;
            }
            const std::string_view text = GameText(raw);
            if (text.empty()) continue;  // a deleted record, nothing read
            TSearchHit hit{g, {}, {}};
            if (match(text, hit)) {
                if (KeepHitTexts) hit.Text = text;
                hits.push_back(std::move(hit));
            }
        }
    } catch (const std::bad_alloc&) {
        // The rest of this batch is counted as not searched.
        if (!cancel_) unread += batch.last - g;
    } catch (...) {
        ShortRead();  // a read failure: the file went or shrank
    }
    return hits;
}

void TGameSearch::EndWork(const TSearchStats* stats, int64_t unread) {
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
    if (--active_ != 0) return;
    // After a cancel, batches still wait for one never searched: their hits
    // go out in order all the same.
    for (auto& [index, pending] : pending_)
        if (!pending.empty() && OnHits) OnHits(pending);
    pending_.clear();
    const bool cancelled = cancel_;
    running_ = false;
    fed_.notify_all();
    if (OnFinished) OnFinished(cancelled);
}

void TGameSearch::Deliver(int64_t batch, std::vector<TSearchHit>&& hits, int64_t games) {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.emplace(batch, std::move(hits));
    gamesDone_ += games;
    // Hand on every batch whose predecessors are all delivered.
    for (auto it = pending_.find(nextToDeliver_); it != pending_.end(); it = pending_.find(nextToDeliver_)) {
        if (!it->second.empty() && OnHits) OnHits(it->second);
        pending_.erase(it);
        ++nextToDeliver_;
    }
    // A fed search does not know how many games will come.
    if (job_ && !job_->core) return;
    const int percent = static_cast<int>(Percent(gamesDone_, totalGames_));
    if (percent != lastPercent_) {
        lastPercent_ = percent;
        if (OnProgress && !cancel_) OnProgress(percent);
    }
}
