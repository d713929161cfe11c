// The game list's table model: one row per list row, one column per
// TGameColumn. It keeps no data per row: a row's cells are read from its
// game's header when the view asks (the Opening cell from the game's first
// moves, and only when asked for), and the last few hundred rows read are
// kept so that painting a screen reads each header once. The player columns
// and the result are bold, a game deleted in its database is struck out,
// numbers stand right-aligned.
#pragma once

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <array>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>

#include "collection/game_sort.h"

class TGameList;

class TGameTableModel final : public QAbstractTableModel {
public:
    explicit TGameTableModel(TGameList& list);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows changed as a whole (new file, search, sort): forget the cache.
    void BeginReset();
    void EndReset();
    void BeginInsert(int first, int last) { beginInsertRows(QModelIndex(), first, last); }
    void EndInsert() { endInsertRows(); }
    // Cells show again what the headers say (the view's font changed, a
    // database finished its work).
    void Refresh();
    // The sort arrow's column, or -1.
    void SetSortColumn(int column, bool descending);

private:
    struct TRowCells {
        std::array<QString, kGameColumnCount> text;
        bool deleted = false;
        bool openingRead = false;  // the Opening cell is named when first asked for
    };
    TRowCells* Cells(int row, std::int32_t game) const;
    QString OpeningCell(TRowCells& cells, std::int32_t game) const;
    QString CountedMoves(std::int32_t game) const;

    TGameList& list_;
    mutable std::unordered_map<std::int32_t, std::pair<TRowCells, std::list<std::int32_t>::iterator>> cache_;
    mutable std::list<std::int32_t> age_;  // most recently read first
    int sortColumn_ = -1;
    bool descending_ = false;
};

// Draws cells as the style does, "…" where a text is cut, and shows a cut
// text whole in a tooltip (and only a cut one). Draws nothing while the
// list's database works.
class TGameCellDelegate final : public QStyledItemDelegate {
public:
    explicit TGameCellDelegate(TGameList* list);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    TGameList* list_;
};
