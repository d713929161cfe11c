// The viewer's search: Ctrl+F finds the position the notation stands on in
// every game of the file, Ctrl+T finds a text in the headers. The search runs
// on worker threads; hits stream into the game list, which then shows only the
// hit games (their numbers in the file stay), the title counts them, and the
// match keys stop at the hit positions as well as at "MATCH" comments. Esc
// cancels a running search, or else returns to the whole list.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "search/game_filter.h"
#include "search/match_search.h"
#include "search/position_search.h"

class QWidget;
class TGameList;
class TGameSearch;
class TNotationCore;
class TStatusLine;

// What the search works with.
struct TSearchContext {
    // The owner of its messages and its dialog, whose title counts the hits.
    QWidget* Window = nullptr;
    // Shows the hits; its file is searched.
    TGameList* GameList = nullptr;
    // The position searched, and the game whose hit positions the match keys stop at.
    TNotationCore* Notation = nullptr;
    TStatusLine* Status = nullptr;
    // The game loaded in the notation (its index in the file), -1 for none.
    std::function<std::int32_t()> LoadedGame;
    // A position search answered from the opening tree's records at once,
    // with the games they could not read; false when they are not complete
    // (the games are then replayed).
    std::function<bool(const TSearchTarget& target, std::vector<TSearchHit>& hits, std::int64_t& unread)> RecordSearch;
};

class TSearchController : public QObject {
    Q_OBJECT
public:
    TSearchController(TSearchContext context, QObject* parent);
    ~TSearchController() override;

    // Ctrl+F, Ctrl+T and Esc; true when the key was one of them and acted on.
    bool HandleKey(int key, Qt::KeyboardModifiers modifiers);

    // Searches the notation's current position (placement and side to move).
    void SearchCurrentPosition();
    // Asks for a text, then searches the headers for it.
    void AskAndSearchText();
    void SearchText(const QString& text);
    void SearchTarget(const TSearchTarget& target);
    // The Filter dialog (Ctrl+Shift+F), then the games that meet its
    // criteria; the status line names the criteria and counts the games
    // (filter_search.cpp).
    void AskAndFilter();
    void SearchFilter(const TFilterCriteria& criteria);
    // Lists these games (ascending) as a filter's hits, described by `text`
    // in the title and the status line (tree_search.cpp); Esc shows all games.
    void ListGames(const std::vector<std::int32_t>& games, const QString& text);
    // Stops a running search; the hits found so far stay listed.
    void Cancel();
    // Back to every game of the file, the current game selected.
    void ShowAllGames();
    // Ends any search and forgets its hits (another file is about to be opened).
    void Reset();

    bool Running() const { return running_; }
    bool Filtered() const { return filtered_; }
    std::int32_t HitGames() const { return hitGames_; }
    // Stops of the match keys in the loaded game besides its "MATCH"
    // comments: the hits of the last position search. Empty without hits.
    THitTest HitTest() const;
    // Whether the last position search found a game.
    bool GameHasHits(std::int32_t game) const { return plies_.count(game) > 0; }

signals:
    // The first hits came and the loaded game is not among them: the owner
    // shows the first listed game instead.
    void FirstGameWanted();

private:
    bool Begin(bool positionSearch);
    void Hits(const std::vector<struct TSearchHit>& hits);
    void Finished(bool cancelled);
    // The search could not start (the file went or changed): said, and the
    // list left empty with an incomplete search in the title.
    void NotStarted(const std::string& error);
    void UpdateTitle();
    // The title without the count, kept while the list is narrowed.
    void KeepTitleBase();
    // A position search answered from the tree's records (tree_search.cpp);
    // false when they cannot answer it.
    bool SearchRecords(const TSearchTarget& target);
    // The notation's current position as a target; false (said) when it cannot be searched.
    bool CurrentTarget(TSearchTarget& target);
    // The finished filter's criteria and count on the status line.
    void TellFilter();

    TSearchContext context_;
    std::unique_ptr<TGameSearch> search_;
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> plies_;
    std::uint64_t generation_ = 0;  // events of an earlier search are dropped
    QString titleBase_;
    QString lastText_;
    std::int32_t hitGames_ = 0;
    std::int64_t unread_ = 0;  // games the finished search could not read
    int percent_ = 0;
    bool running_ = false;
    bool filtered_ = false;
    bool cancelled_ = false;
    bool incomplete_ = false;  // the file read short: not every hit is there
    bool positionSearch_ = false;
    // A filter: its criteria in words (empty for a search), the keys of the
    // games listed so far when duplicates are left out, the dialog's last values.
    QString filterText_;
    std::unique_ptr<TDuplicateSet> seen_;
    TFilterCriteria lastFilter_;
};
