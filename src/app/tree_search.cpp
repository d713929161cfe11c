// The search's answers from the opening tree: a position search read from
// its complete records instead of replaying every game, and the games of a
// tree row listed as a filter lists its hits.
#include "app/search_controller.h"
#include "app/status_line.h"
#include "collection/qt/game_list.h"
#include "search/game_search.h"

bool TSearchController::SearchRecords(const TSearchTarget& target) {
    std::vector<TSearchHit> hits;
    std::int64_t unread = 0;
    if (!context_.RecordSearch || !context_.GameList->FileOpen() || !context_.RecordSearch(target, hits, unread))
        return false;
    if (!Begin(true)) return true;
    Hits(hits);
    running_ = false;
    unread_ = unread;
    UpdateTitle();
    context_.Status->SearchProgress(-1, hitGames_, false);
    context_.GameList->Resort();
    return true;
}

void TSearchController::ListGames(const std::vector<std::int32_t>& games, const QString& text) {
    TGameList& list = *context_.GameList;
    if (!list.FileOpen()) return;
    search_->Cancel();
    search_->Wait();
    ++generation_;
    KeepTitleBase();
    plies_.clear();
    seen_.reset();
    unread_ = 0;
    positionSearch_ = running_ = cancelled_ = incomplete_ = false;
    filtered_ = true;
    filterText_ = text;
    list.Core().ClearRows();
    list.RowsChanged();
    list.AppendRows(games);
    hitGames_ = static_cast<std::int32_t>(games.size());
    const int row = list.RowOfGame(context_.LoadedGame());
    list.SetItemIndex(row >= 0 ? row : 0);
    UpdateTitle();
    TellFilter();
    list.Resort();
}
