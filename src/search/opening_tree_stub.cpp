// TEMPORARY stand-in for the opening tree until its real records land:
// every game replayed once with the full loader on one worker thread, every
// answer a linear pass over all of them. Good for small files only. Delete
// once src/search/opening_tree.cpp is merged.
#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

#include "collection/game_list_core.h"
#include "notation/notation_core.h"
#include "rules/position_key.h"
#include "search/opening_tree.h"

namespace {

struct TPly {
    uint64_t Key = 0;
    TMoveRecord Move{};  // the move played from the position (FromSq 0 at the end)
    std::string San;
};

struct TGame {
    int Result = 0;  // 1 white won, 2 draw, 3 black won, 0 other
    int WhiteElo = 0, BlackElo = 0, Year = 0;
    std::string Text;
    std::vector<TPly> Plies;
};

TGame Replay(std::string text) {
    TGame g;
    TNotationCore core;
    core.SetEnglish(true);
    core.KeepComments = false;
    core.LoadGame(text);
    const TGameHeader& h = core.Game.Header;
    g.Result = h.Result == "1-0" ? 1 : h.Result == "1/2-1/2" ? 2 : h.Result == "0-1" ? 3 : 0;
    g.WhiteElo = h.WhiteElo > 0 ? h.WhiteElo : 0;
    g.BlackElo = h.BlackElo > 0 ? h.BlackElo : 0;
    g.Year = h.Year;
    core.ToStart();
    for (const TMoveNode* n = core.Root ? core.Root->FirstMove : nullptr;; n = n->Next) {
        TPly p;
        p.Key = PositionKey(core.Board, core.State);
        if (n) {
            p.Move = n->Move;
            p.San = core.MoveToText(n->Move);
        }
        g.Plies.push_back(p);
        if (!n || !core.StepForward()) break;
    }
    g.Text = std::move(text);
    return g;
}

}  // namespace

struct TOpeningTree::TState {
    mutable std::mutex Lock;
    std::vector<TGame> Games;
    int64_t Total = 0;
    std::atomic<bool> Stop{false}, Busy{false}, Whole{false};
    std::thread Worker;
};

TOpeningTree::TOpeningTree() : state_(std::make_shared<TState>()) {}
TOpeningTree::~TOpeningTree() {
    Cancel();
    Wait();
}

bool TOpeningTree::Start(const TGameListCore& pgn, const TTreeCacheOptions&, std::string& error) {
    if (!pgn.FileOpen()) {
        error = "no file is open";
        return false;
    }
    auto& core = const_cast<TGameListCore&>(pgn);
    std::vector<std::string> texts(static_cast<size_t>(core.GameCount()));
    for (int32_t i = 0; i < core.GameCount(); ++i) {
        bool deleted = false;
        core.ReadGameText(i, deleted, texts[static_cast<size_t>(i)]);
    }
    state_->Total = core.GameCount();
    state_->Busy = true;
    state_->Worker = std::thread([this, texts = std::move(texts)]() mutable {
        for (size_t i = 0; i < texts.size() && !state_->Stop; ++i) {
            TGame g = Replay(std::move(texts[i]));
            {
                std::lock_guard<std::mutex> lock(state_->Lock);
                state_->Games.push_back(std::move(g));
            }
            if (OnProgress && (i % 4 == 0 || i + 1 == texts.size()))
                OnProgress(static_cast<int64_t>(i + 1), state_->Total);
            if (const char* slow = std::getenv("QUARZEL_TREE_STUB_DELAY_MS"))
                std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(slow)));
        }
        state_->Whole = !state_->Stop;
        state_->Busy = false;
        if (OnFinished) OnFinished(state_->Whole);
    });
    return true;
}

void TOpeningTree::Cancel() { state_->Stop = true; }
void TOpeningTree::Wait() {
    if (state_->Worker.joinable()) state_->Worker.join();
}
bool TOpeningTree::Running() const { return state_->Busy; }
bool TOpeningTree::Complete() const { return state_->Whole; }
bool TOpeningTree::FromCache() const { return false; }

namespace {

bool Included(const std::vector<int32_t>* games, int32_t g) {
    return !games || std::binary_search(games->begin(), games->end(), g);
}

bool SameMove(const TMoveRecord& a, const TMoveRecord& b) {
    return a.FromSq == b.FromSq && a.ToSq == b.ToSq && a.Promotion == b.Promotion;
}

}  // namespace

TTreeAnswer TOpeningTree::Tree(const TBoard& board, const TMoveRecord& state, const std::vector<int32_t>* games) const {
    const uint64_t key = PositionKey(board, state);
    TTreeAnswer a;
    struct TSum {
        TTreeMove Row;
        int64_t EloSum = 0, EloN = 0, OppSum = 0, OppN = 0;
    };
    std::map<std::string, TSum> rows;
    std::lock_guard<std::mutex> lock(state_->Lock);
    a.GamesRead = static_cast<int64_t>(state_->Games.size());
    a.GamesTotal = state_->Total;
    for (size_t gi = 0; gi < state_->Games.size(); ++gi) {
        if (!Included(games, static_cast<int32_t>(gi))) continue;
        const TGame& g = state_->Games[gi];
        for (size_t p = 0; p < g.Plies.size(); ++p) {
            if (g.Plies[p].Key != key) continue;
            ++a.Games;
            if (g.Plies[p].Move.FromSq == 0 && g.Plies[p].Move.CastleKind == 0) break;
            TSum& s = rows[g.Plies[p].San];
            s.Row.Move = g.Plies[p].Move;
            s.Row.San = g.Plies[p].San;
            ++s.Row.Games;
            s.Row.WhiteWins += g.Result == 1;
            s.Row.Draws += g.Result == 2;
            s.Row.BlackWins += g.Result == 3;
            const bool white = state.Side == White;
            const int own = white ? g.WhiteElo : g.BlackElo, opp = white ? g.BlackElo : g.WhiteElo;
            if (own) s.EloSum += own, ++s.EloN;
            if (opp) s.OppSum += opp, ++s.OppN;
            if (g.Year) {
                s.Row.FirstYear = s.Row.FirstYear ? std::min<int>(s.Row.FirstYear, g.Year) : g.Year;
                s.Row.LastYear = std::max<int>(s.Row.LastYear, g.Year);
            }
            break;
        }
    }
    const bool whiteMoves = state.Side == White;
    for (auto& [san, s] : rows) {
        TTreeMove r = s.Row;
        const int64_t won = whiteMoves ? r.WhiteWins : r.BlackWins, lost = whiteMoves ? r.BlackWins : r.WhiteWins;
        const int64_t decided = r.WhiteWins + r.Draws + r.BlackWins;
        if (decided) r.Score = static_cast<int>((200 * won + 100 * r.Draws + decided) / (2 * decided));
        if (s.EloN) r.AverageElo = static_cast<int>(s.EloSum / s.EloN);
        if (s.OppN && decided) r.Performance = static_cast<int>(s.OppSum / s.OppN + 400 * (won - lost) / decided);
        a.Moves.push_back(r);
    }
    std::stable_sort(a.Moves.begin(), a.Moves.end(),
                     [](const TTreeMove& x, const TTreeMove& y) { return x.Games > y.Games; });
    return a;
}

std::vector<int32_t> TOpeningTree::GamesWith(const TBoard& board, const TMoveRecord& state, const TMoveRecord& move,
                                             const std::vector<int32_t>* games) const {
    const uint64_t key = PositionKey(board, state);
    std::vector<int32_t> out;
    std::lock_guard<std::mutex> lock(state_->Lock);
    for (size_t gi = 0; gi < state_->Games.size(); ++gi) {
        if (!Included(games, static_cast<int32_t>(gi))) continue;
        for (const TPly& p : state_->Games[gi].Plies) {
            if (p.Key != key) continue;
            if (move.FromSq == 0 || SameMove(p.Move, move)) out.push_back(static_cast<int32_t>(gi));
            break;
        }
    }
    return out;
}

bool TOpeningTree::FindPositions(const TSearchTarget& target, std::vector<TSearchHit>& hits) const {
    hits.clear();
    if (!Complete()) return false;
    std::lock_guard<std::mutex> lock(state_->Lock);
    TPositionMatcher matcher(target);
    for (size_t gi = 0; gi < state_->Games.size(); ++gi) {
        TSearchHit h;
        h.Game = static_cast<int32_t>(gi);
        matcher.Search(state_->Games[gi].Text, h.Plies);
        if (!h.Plies.empty()) hits.push_back(std::move(h));
    }
    return true;
}
