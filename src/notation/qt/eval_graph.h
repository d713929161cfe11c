// The evaluation and clock graph of the loaded game: the evaluation curve
// (White's view, scaled to the game between +-2 and +-10 pawns, mates at the
// edge) above, each side's clock below, the move numbers along the bottom; a
// band is left out when the game has none of it. The current
// move is a vertical line; a click goes to the move under the mouse.
#pragma once

#include <QWidget>
#include <functional>

#include "notation/eval_series.h"

class TEvalGraph : public QWidget {
public:
    explicit TEvalGraph(QWidget* parent = nullptr);

    void SetSeries(TEvalSeries series);
    const TEvalSeries& Series() const { return series_; }
    bool HasData() const { return series_.AnyEval || series_.AnyClock; }
    // The point drawn as current, -1 for none (the start position).
    void SetCurrent(int index);
    int Current() const { return current_; }
    // The point under x (widget pixels), -1 when there is none.
    int PointAt(int x) const;

    // A click on the graph: the index of the point under it.
    std::function<void(int index)> OnPointClicked;

    QSize sizeHint() const override { return {320, 90}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    double X(int index) const;
    void DrawEval(QPainter& p, const QRect& band) const;
    void DrawClocks(QPainter& p, const QRect& band) const;
    void DrawMoveAxis(QPainter& p, const QRect& strip) const;
    QColor WhiteClockColor() const;
    QColor BlackClockColor() const;

    TEvalSeries series_;
    int current_ = -1;
};
