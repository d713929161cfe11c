// The opening tree in the window: the pane right of the other panes, its
// View switch and settings, and the tree itself (search/opening_tree.h).
//
// The tree starts building on worker threads when a file opens and is
// cancelled (and waited for) before the list's file changes. The pane shows
// the moves of the position on the board, asked again on every move shown
// and, while the tree builds or the list changes, three times a second; an
// answer takes a few milliseconds and never waits for the build. When the
// list shows only the hits of a search or filter, the tree counts those
// games only.
//
// A chosen row plays its move: one step on in the game when the game goes on
// with it, else the board alone shows the position after it (a step returns
// to the game). "List these games" lists the games that play the move from
// the position, as a filter does (Esc shows all games again).
//
// The switch is on by default while the window is at least 1100 pixels wide;
// once the user flips it, the choice is kept.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/tree_settings.h"
#include "search/opening_tree.h"

class QAction;
class QTimer;
class QWidget;
class TBoardWidget;
class TGameList;
class TNotation;
class TPanes;
class TStatusLine;
class TTreePane;
class TWindowMenus;

inline constexpr int kTreeAutoWidth = 1100;

// What the tree works with.
struct TTreeControls {
    // Its width turns the pane on while the user has not chosen; owns the settings dialog.
    QWidget* Window = nullptr;
    // The position asked about is the one the board shows; a preview is shown there.
    TBoardWidget* Board = nullptr;
    // The game: whether it goes on with a chosen move.
    TNotation* Notation = nullptr;
    // The file the tree is built from, and the games listed.
    TGameList* GameList = nullptr;
    TStatusLine* Status = nullptr;
    TPanes* Panes = nullptr;
    TWindowMenus* Menus = nullptr;
    // Whether the list shows only the hits of a search or filter.
    std::function<bool()> ListNarrowed;
    // Lists these games (ascending) as a filter's hits, described by the text.
    std::function<void(const std::vector<std::int32_t>& games, const QString& text)> ListGames;
};

class TTreeController : public QObject {
    Q_OBJECT
public:
    TTreeController(const TTreeControls& controls, QObject* parent);
    ~TTreeController() override;

    TTreePane* Pane() const { return pane_; }
    QAction* Switch() const { return switch_; }

    // The list's file is about to change: the build stops and its records go.
    void FileClosing();
    // A file may have been opened: a build starts when one is open and has none.
    void FileShown();
    // The board shows another position.
    void MoveShown();
    // Asks the tree again (the board, the list or the records changed).
    void Query();

    bool Building() const;
    bool Complete() const;
    // The position search over the records, with the games they could not
    // read; false while they are not complete.
    bool FindPositions(const struct TSearchTarget& target, std::vector<struct TSearchHit>& hits,
                       std::int64_t& unread) const;

    // A row's move played, as a click or Enter plays it.
    void Choose(int row);
    // A row's games listed.
    void ListRow(int row);

signals:
    // The game goes on with the chosen move: one step forward.
    void StepWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Progress(std::int64_t read, std::int64_t total);
    void Finished(bool complete);
    void PlaceView(bool on);
    void FollowWidth();
    // The listed games when the list is narrowed, else null.
    const std::vector<std::int32_t>* Subset();
    QString HeadText(const TTreeAnswer& answer) const;
    bool BoardShowsGame() const;

    TTreeControls controls_;
    TTreeSettings settings_;
    TTreePane* pane_;
    QAction* switch_ = nullptr;
    bool chosen_ = false;  // the user flipped the switch: the width no longer decides
    QTimer* tick_;
    QTimer* listChanged_;
    std::unique_ptr<TOpeningTree> tree_;
    std::uint64_t generation_ = 0;  // events of an earlier build are dropped
    int percent_ = -1;
    std::uint64_t shownKey_ = 0;  // the position whose rows the pane shows
    // The listed games last asked about, and the list's version they are of.
    std::vector<std::int32_t> subset_;
    std::uint64_t subsetVersion_ = ~std::uint64_t{0};
    std::uint64_t queriedVersion_ = ~std::uint64_t{0};
};
