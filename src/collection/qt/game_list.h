// The game list: a table of the games of a file, over the Qt-free TGameListCore.
// The view keeps nothing per row beyond, once sorted, the order of its rows
// (4 bytes a row), so a list of millions of games costs only the index; the
// cells of the visible rows are read from their games' headers when painted.
//
// Clicking a column's header sorts by it (again: the other way round). A
// sort reads that column of every listed game in the background: the rows
// keep their order, and browsing goes on, until the new order is ready. The
// header's context menu chooses the columns; columns are dragged to move or
// resize them.
#pragma once

#include <QByteArray>
#include <QTableView>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "collection/game_header.h"
#include "collection/game_list_core.h"
#include "collection/game_sort.h"

class TGameTableModel;

// A database's sort keys, read a slice at a time on the list's thread.
struct TListSortState {
    TSortSource source;
    TSortKeys keys;
    std::size_t next = 0;
};

class TGameList : public QTableView {
    Q_OBJECT
public:
    explicit TGameList(QWidget* parent = nullptr);
    ~TGameList() override;

    // Events of the file side live in the core; these are the same objects.
    decltype(TGameListCore::OnPGNTrace)& OnPGNTrace;
    decltype(TGameListCore::BeforeCreatePGNFile)& BeforeCreatePGNFile;
    decltype(TGameListCore::OnFilterRequest)& OnFilterRequest;
    // A row's header was read to show its cells (tests, diagnostics).
    std::function<void(int Row, std::int32_t GameIndex, const TGameHeader& GameHeader)> OnRowRead;

    // Indexes a file (or closes it for an empty path) and refills the rows.
    // Throws TFileError on I/O errors, after the list is consistent again.
    void ScanFile(const std::string& FileName);
    // Indexes an open source (standard input) shown as name; false with a
    // one-line reason when it holds no PGN text or cannot be read.
    bool OpenSource(std::shared_ptr<TByteSource> source, const std::string& name, std::string& error);
    std::int32_t GameCount() const { return core_.GameCount(); }
    void GetGame(std::int32_t Index, std::int32_t& GameID, std::string& PGNGame);
    // The game shown in a row (rows count in the table's order); -1 outside.
    std::int32_t GameIndexOfRow(std::int32_t Row) const;
    // The row that shows a game; -1 when none does.
    int RowOfGame(std::int32_t game) const;
    void LoadHeader(std::int32_t GameIndex) { core_.LoadHeader(GameIndex); }
    const TGameHeader& CurrentHeader() const { return core_.CurrentHeader; }
    bool FileOpen() const { return core_.FileOpen(); }
    const std::string& FileName() const { return core_.FileName(); }
    int RowCount() const { return core_.RowCount(); }
    TGameListCore& Core() { return core_; }

    int ItemHeight() const { return itemHeight_; }
    bool ChangeReported() const { return changeReported_; }
    void SetItemHeight(int height);
    // The selected row, -1 for none.
    int ItemIndex() const;
    void SetItemIndex(int row);
    // The game on the board: its row is tinted (-1: none).
    void SetLoadedGame(std::int32_t game);
    std::int32_t LoadedGame() const { return loadedGame_; }

    // Set while a database progress callback reports progress: rows are not drawn.
    bool InTrace = false;
    // False while rows must not be read (a database at work or reporting).
    bool Drawing() const;

    // Reports the selected game through GameChosen, as Enter does.
    void ReportChosenGame();
    // After a read: reports a file found changed (FileChanged, posted).
    void NoteRead();

    // Re-reads the rows from the core (after it was changed directly); a
    // sorted list sorts the new rows.
    void RowsChanged();
    // Reads the shown rows' headers again (a database finished its work).
    void RefreshRows();
    // Adds one row per game at the end; selection and scroll position stay.
    void AppendRows(const std::vector<std::int32_t>& games);

    // ---- sorting and columns ----
    // Sorts by column; ascending Number is the file's own order.
    void SortBy(TGameColumn column, bool descending);
    // Sorts the rows again by the current column (after rows were appended).
    void Resort();
    TGameColumn SortColumn() const { return sortColumn_; }
    bool SortDescending() const { return descending_; }
    bool Sorting() const { return sortRunning_; }
    // Stops a running sort; the rows keep the order they have.
    void CancelSort();
    // Widths, order and visibility of the columns, and the sort.
    QByteArray ColumnState() const;
    void RestoreColumnState(const QByteArray& state);
    // The first-run columns: number, players, result, date, event, ECO.
    void DefaultColumns();

signals:
    // A game was chosen (Enter or double click): its text and number.
    void GameChosen(QObject* Sender, const std::string& PGNGame, std::int32_t GameID);
    // Key-down on the list, before the list's own key handling; a receiver
    // (connected directly) setting Key to 0 swallows it.
    void KeyDown(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    // A sort reading its column: percent 0..99 while it runs, 100 when the
    // new order is shown, -1 when it was given up.
    void SortProgress(TGameColumn column, int percent);
    // Raised once per opening, soon after a read found the file shorter or
    // gone (TGameListCore::FileChanged): the list no longer shows the file.
    void FileChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Home and End go to the first and last game, as in a list.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    // Typing does not jump to rows: the letters are the key map's.
    void keyboardSearch(const QString&) override {}
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The player and event columns share the width the others leave: when
    // the width changes, and once for the first-run columns (widths restored
    // from the settings stay as they were).
    void resizeEvent(QResizeEvent* event) override;

private:
    void FitColumns();
    bool changeReported_ = false;
    std::int32_t loadedGame_ = -1;
    bool fitPending_ = false;  // the first-run columns wait for the first width
    // Whether an owner listens to GameChosen and KeyDown: a list nobody
    // listens to reads no game for Enter and leaves unused keys to its parent.
    bool ChoiceWatched() const;
    bool KeysWatched() const;
    void HeaderClicked(int section);
    void HeaderMenu(const QPoint& at);
    void StartSort();
    void ApplySort(std::uint64_t generation, std::vector<std::int32_t> positions);
    void ContinueListSort(std::uint64_t generation);
    void JoinSortThread();
    void ShowOrder(std::vector<std::int32_t> order);

    TGameListCore core_;
    TGameTableModel* model_;
    int itemHeight_ = 16;
    std::uint64_t shownVersion_ = 0;

    // Sorting: view row i shows core row order_[i] (identity while empty).
    std::vector<std::int32_t> order_;
    TGameColumn sortColumn_ = TGameColumn::Number;
    bool descending_ = false;
    bool sortRunning_ = false;
    std::uint64_t sortGeneration_ = 0;
    std::atomic<bool> sortCancel_{false};
    std::thread sortThread_;
    // A database's keys are read on this thread, a slice at a time.
    std::unique_ptr<TListSortState> listSort_;
};
