// The evaluation bar beside the board: White's share from below (above when
// the board is turned), the first engine line's score from White's view,
// within four pawns either way; a mate fills it. Empty (an even grey) while
// there is no score.
#pragma once

#include <QWidget>
#include <optional>

#include "engine/uci_text.h"

class TBoardWidget;

class TEvalBar : public QWidget {
    Q_OBJECT
public:
    TEvalBar(const TBoardWidget* board, QWidget* parent = nullptr);
    void SetScore(std::optional<TUciScore> score);
    // White's share of the bar, 0 to 1.
    static double WhiteShare(TUciScore score);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const TBoardWidget* board_;
    std::optional<TUciScore> score_;
};
