// The opening tree pane: a head line (the position's opening, when it is a
// named one, and how many games reach it) over a table with one row per move
// the games play from the position: the move, its games, the score of the
// side to move, the results (a bar of White's wins, draws and Black's wins
// with their counts), the movers' average Elo and performance, and the first
// and last year. Unknown cells stay empty. The rows come sorted; the pane
// keeps their order. A click or Enter on a row asks for its move
// (MoveChosen); the row's context menu asks for its games (ListChosen).
#pragma once

#include <QString>
#include <QWidget>

#include "search/opening_tree.h"

class QLabel;
class QTableView;
class TTreeModel;

class TTreePane : public QWidget {
    Q_OBJECT
public:
    explicit TTreePane(QWidget* parent = nullptr);

    // The rows of a position and the head line above them. `samePosition`:
    // the rows are the shown position's again (filled in further), and the
    // current row stays on its move.
    void SetAnswer(const TTreeAnswer& answer, const QString& head, bool samePosition = false);
    // No rows; the head line says why.
    void Clear(const QString& head);
    const TTreeAnswer& Answer() const;
    QString Head() const;
    QTableView* Table() const { return table_; }

signals:
    void MoveChosen(int row);
    void ListChosen(int row);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMenu(const QPoint& at);

    QLabel* head_;
    QTableView* table_;
    TTreeModel* model_;
};
