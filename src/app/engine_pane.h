// The engine pane: a head line (the engine's name, depth and speed, or what
// went wrong) and up to five lines of the engine, each its score from
// White's view, its depth and its moves in short algebraic notation with
// move numbers, cut with "…" where the pane ends. A click on a move asks
// for the position after it. The accessible description starts with the
// FEN of the position the lines belong to, then the lines as shown.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

#include "engine/uci_engine.h"

class TEnginePane : public QWidget {
    Q_OBJECT
public:
    explicit TEnginePane(QWidget* parent = nullptr);

    // Rows kept for lines (the pane's height follows).
    void SetRows(int rows);
    // The head line.
    void SetHead(const QString& text);
    // The lines of `view`, whose position has this move number and side to move.
    void SetLines(const TEngineView& view, int fullMove, bool whiteToMove);
    // No lines: the position `fen` waits for the engine, or none is analysed.
    void Clear(const QString& fen);
    // The lines' texts as shown (for the description and tests).
    QStringList LineTexts() const;

    QSize sizeHint() const override;

signals:
    // A click on move `move` (from 0) of line `line` (from 0).
    void MoveClicked(int line, int move);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct TWord {
        QString Text;
        int Move = -1;  // index in the line's moves; -1 for a move number
    };
    struct TRow {
        QString Score, Depth;
        std::vector<TWord> Words;
    };
    // A text of a line row where it stands.
    struct TPlaced {
        QRect Rect;
        int Line = 0;
        enum { Score, Depth, Word } Kind = Word;
        int Move = -1;  // a move's index in its line; -1 for anything else
        QString Text;
    };
    std::vector<TPlaced> Arrange() const;
    int RowHeight() const;
    void Describe();

    int rows_ = 3;
    QString head_;
    QString fen_;
    std::vector<TRow> lines_;
};
