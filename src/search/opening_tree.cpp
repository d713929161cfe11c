#include "search/opening_tree.h"

#include <cstring>
#include <mutex>
#include <thread>

#include "collection/game_list_core.h"
#include "database/game_database.h"
#include "search/game_search.h"
#include "search/tree_cache.h"
#include "search/tree_game_reader.h"
#include "search/tree_query.h"
#include "source/block_codec.h"
#include "source/byte_source.h"

namespace {

// Every game number a search of pgn may name: a database's deleted entries
// too (they have no text, and are kept as games that could not be read).
int64_t GameNumbers(const TGameListCore& pgn) {
    return pgn.DatabaseMode() ? pgn.Database()->EntryCount() : pgn.EntryCount();
}

// Games a chunk holds: small enough that a chunk unpacks in microseconds.
constexpr size_t kChunkGames = 256;

}  // namespace

struct TOpeningTree::TState {
    mutable std::mutex Mutex;
    TTreeSnapshot Snap;  // the chunks published so far
    int64_t Total = 0;
    std::atomic<bool> Running{false}, Complete{false}, FromCache{false}, Failed{false};
    std::atomic<bool> Cancelled{false};
    TGameSearch Search;
    std::thread Starter;
    std::function<void(int64_t, int64_t)> OnProgress;
    std::function<void(bool)> OnFinished;

    // The chunk being filled, in game order (one delivering thread at a time).
    std::vector<TTreeGameInfo> Infos;
    std::string Heads, Tails;
    int64_t Next = 0;

    bool Cacheable = false;
    TFileIdentity Id;
    std::string CachePath, FilePath;
    uint64_t MaxBytes = 0;

    TTreeSnapshot Snapshot() const {
        std::lock_guard<std::mutex> lock(Mutex);
        return Snap;
    }
    void PublishChunk(std::shared_ptr<const TTreeChunk> chunk) {
        std::lock_guard<std::mutex> lock(Mutex);
        Snap.Starts.push_back(Snap.Games);
        Snap.Games += chunk->Count;
        Snap.Chunks.push_back(std::move(chunk));
    }
    // One game's record: the info, then its bytes.
    void AddGame(TTreeGameInfo info, std::string_view bytes) {
        const size_t headBytes = info.Flags & kGameFromFen ? 0 : std::min<size_t>(bytes.size(), 2 * kHeadWords);
        const size_t at = Heads.size();
        Heads.resize(at + 2 * kHeadWords, '\0');
        std::memcpy(Heads.data() + at, bytes.data(), headBytes);
        info.MovesAt = static_cast<uint32_t>(Tails.size());
        Tails.append(bytes.substr(headBytes));
        Infos.push_back(info);
        ++Next;
        if (Infos.size() == kChunkGames) Pack();
    }
    void Pack() {
        if (Infos.empty()) return;
        auto chunk = std::make_shared<TTreeChunk>();
        chunk->HeadsSize = static_cast<uint32_t>(Heads.size());
        chunk->TailsSize = static_cast<uint32_t>(Tails.size());
        std::string heads = PackBlock(Heads), tails = PackBlock(Tails);
        if (heads.empty() || tails.empty()) Failed = true;  // no memory
        chunk->Own(std::move(Infos), std::move(heads), std::move(tails));
        Infos.clear();
        Heads.clear();
        Tails.clear();
        const int64_t before = Snap.Games;
        PublishChunk(std::move(chunk));
        if (OnProgress && (before / 8192 != Snap.Games / 8192)) OnProgress(Snap.Games, Total);
    }
    void Unread(int64_t upTo) {
        TTreeGameInfo unread;
        unread.Flags = kGameUnread;
        while (Next < upTo) AddGame(unread, {});
    }
    void Finish(bool complete) {
        Complete = complete;
        Running = false;
        if (OnFinished) OnFinished(complete);
    }
    // The search has read every game it could.
    void BuildDone(bool cancelled) {
        bool complete = !cancelled && !Cancelled && !Search.Incomplete() && !Failed;
        if (complete) Unread(Total);
        Pack();
        complete = complete && Snap.Games == Total;
        if (complete && Cacheable) {
            TFileIdentity now;
            if (IdentityOf(FilePath, now) && now == Id) SaveTreeCache(CachePath, Id, Snapshot().Chunks, MaxBytes);
        }
        Finish(complete);
    }
    void Run(const TGameListCore& pgn);
};

void TOpeningTree::TState::Run(const TGameListCore& pgn) {
    if (Cacheable) {
        TTreeChunks chunks;
        if (LoadTreeCache(CachePath, Id, Total, chunks)) {
            for (auto& c : chunks) PublishChunk(std::move(c));
            FromCache = true;
            if (OnProgress) OnProgress(Total, Total);
            Finish(true);
            return;
        }
    }
    if (Total == 0 || Cancelled) {
        Finish(Total == 0 && !Cancelled);
        return;
    }
    Search.OnHits = [this](const std::vector<TSearchHit>& hits) {
        for (const TSearchHit& h : hits) {
            if (h.Text.size() < sizeof(TTreeGameInfo) || h.Game < Next) continue;
            Unread(h.Game);
            TTreeGameInfo info;
            std::memcpy(&info, h.Text.data(), sizeof info);
            AddGame(info, std::string_view(h.Text).substr(sizeof info));
        }
    };
    Search.OnFinished = [this](bool cancelled) { BuildDone(cancelled); };
    auto makeMatcher = [this]() -> TGameMatcher {
        auto reader = std::make_shared<TTreeGameReader>();
        reader->Cancel = &Cancelled;
        return [reader](std::string_view text, TSearchHit& hit) {
            TTreeGameInfo info;
            std::string bytes;
            reader->Read(text, bytes, info);
            hit.Text.assign(reinterpret_cast<const char*>(&info), sizeof info);
            hit.Text += bytes;
            return true;
        };
    };
    std::string error;
    if (!Search.StartMatcher(pgn, makeMatcher, false, error)) Finish(false);
}

TOpeningTree::TOpeningTree() : state_(std::make_shared<TState>()) {}

TOpeningTree::~TOpeningTree() {
    Cancel();
    Wait();
}

bool TOpeningTree::Start(const TGameListCore& pgn, const TTreeCacheOptions& cache, std::string& error) {
    Cancel();
    Wait();
    if (!pgn.FileOpen()) {
        error = "no game file is open";
        return false;
    }
    auto s = std::make_shared<TState>();
    s->Total = GameNumbers(pgn);
    s->OnProgress = OnProgress;
    s->OnFinished = OnFinished;
    s->Search.Threads = Threads;
    s->FilePath = pgn.FileName();
    s->MaxBytes = cache.MaxBytes;
    const auto source = pgn.Source();
    const bool file = pgn.DatabaseMode() || (source && source->InputSize() >= 0);  // a pipe gets no cache
    const std::string dir = TreeCacheDir(cache.Dir);
    if (cache.Use && file && !dir.empty() && IdentityOf(s->FilePath, s->Id)) {
        s->Cacheable = true;
        s->CachePath = TreeCachePath(dir, s->FilePath, s->Id);
    }
    s->Running = true;
    state_ = s;
    s->Starter = std::thread([s, &pgn] { s->Run(pgn); });
    return true;
}

bool TOpeningTree::LoadCached(const std::string& path, const TTreeCacheOptions& cache) {
    Cancel();
    Wait();
    auto s = std::make_shared<TState>();
    const std::string dir = TreeCacheDir(cache.Dir);
    TTreeChunks chunks;
    if (!cache.Use || dir.empty() || !IdentityOf(path, s->Id) ||
        !LoadTreeCache(TreeCachePath(dir, path, s->Id), s->Id, -1, chunks))
        return false;
    for (auto& c : chunks) s->PublishChunk(std::move(c));
    s->Total = s->Snap.Games;
    s->FromCache = true;
    s->Complete = true;
    state_ = s;
    return true;
}

int64_t TOpeningTree::Games() const { return state_->Snapshot().Games; }

int64_t TOpeningTree::UnreadGames() const {
    int64_t n = 0;
    for (const auto& c : state_->Snapshot().Chunks)
        for (const TTreeGameInfo& i : c->Infos()) n += (i.Flags & kGameUnread) != 0;
    return n;
}

void TOpeningTree::Cancel() {
    state_->Cancelled = true;
    state_->Search.Cancel();
}

void TOpeningTree::Wait() {
    if (state_->Starter.joinable() && state_->Starter.get_id() != std::this_thread::get_id()) state_->Starter.join();
    state_->Search.Wait();
}

bool TOpeningTree::Running() const { return state_->Running; }
bool TOpeningTree::Complete() const { return state_->Complete; }
bool TOpeningTree::FromCache() const { return state_->FromCache; }

TTreeAnswer TOpeningTree::Tree(const TBoard& board, const TMoveRecord& state, const std::vector<int32_t>* games) const {
    const TTreeSnapshot snap = state_->Snapshot();
    TTreeAnswer answer = QueryTree(snap, board, state, games, Threads);
    answer.GamesTotal = state_->Total;
    return answer;
}

std::vector<int32_t> TOpeningTree::GamesWith(const TBoard& board, const TMoveRecord& state, const TMoveRecord& move,
                                             const std::vector<int32_t>* games) const {
    return QueryGamesWith(state_->Snapshot(), board, state, move, games);
}

bool TOpeningTree::DirectTree(const TGameListCore& pgn, const TBoard& board, const TMoveRecord& state,
                              unsigned threads, TTreeAnswer& answer, std::string& error) {
    const TSearchTarget target = TreeTarget(board, state);
    TGameSearch search;
    search.Threads = threads;
    TTreeTallies tallies;
    search.OnHits = [&](const std::vector<TSearchHit>& hits) {
        for (const TSearchHit& h : hits) {
            if (h.Text.size() < sizeof(TTreeGameInfo)) continue;
            TTreeGameInfo info;
            std::memcpy(&info, h.Text.data(), sizeof info);
            ++tallies.Reached;
            if (h.Text.size() >= sizeof info + 2) {
                uint16_t word;
                std::memcpy(&word, h.Text.data() + sizeof info, 2);
                tallies.Of(word).Add(info, target.Side);
            }
        }
    };
    auto makeMatcher = [&target]() -> TGameMatcher {
        auto matcher = std::make_shared<TPositionMatcher>(target);
        matcher->FirstHitOnly = true;
        return [matcher](std::string_view text, TSearchHit& hit) {
            std::vector<int32_t> plies;
            matcher->Search(text, plies);
            if (plies.empty()) return false;
            const TTreeGameInfo info = TreeHeaderInfo(text);
            hit.Text.assign(reinterpret_cast<const char*>(&info), sizeof info);
            if (matcher->HasNextMove) {
                const uint16_t word = WordOfMove(matcher->NextMove);
                hit.Text.append(reinterpret_cast<const char*>(&word), 2);
            }
            return true;
        };
    };
    if (GameNumbers(pgn) > 0 && !search.StartMatcher(pgn, makeMatcher, false, error)) return false;
    search.Wait();
    if (search.Incomplete()) {
        error = "the file changed while it was read";
        return false;
    }
    answer = AnswerOf(tallies, board, state);
    answer.GamesRead = answer.GamesTotal = pgn.GameCount();
    return true;
}

bool TOpeningTree::FindPositions(const TSearchTarget& target, std::vector<TSearchHit>& hits) const {
    hits.clear();
    if (!state_->Complete) return false;
    hits = QueryPositions(state_->Snapshot(), target, Threads);
    return true;
}
