#include "app/eval_bar.h"

#include <QPainter>
#include <algorithm>

#include "board/qt/board_widget.h"

TEvalBar::TEvalBar(const TBoardWidget* board, QWidget* parent) : QWidget(parent), board_(board) {
    setAccessibleName(QStringLiteral("Evaluation bar"));
}

double TEvalBar::WhiteShare(TUciScore score) {
    if (score.Mate) return score.Value > 0 ? 1.0 : 0.0;
    return 0.5 + std::clamp(score.Value, -400, 400) / 800.0;
}

void TEvalBar::SetScore(std::optional<TUciScore> score) {
    if (score == score_) return;
    score_ = score;
    setAccessibleDescription(score ? QString::fromStdString(ScoreText(*score)) : QString());
    update();
}

void TEvalBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!score_) {
        p.fillRect(rect(), QColor(160, 160, 160));
        return;
    }
    const int white = static_cast<int>(WhiteShare(*score_) * height() + 0.5);
    const bool whiteOnTop = board_ && board_->Flipped();
    const QRect whiteRect = whiteOnTop ? QRect(0, 0, width(), white) : QRect(0, height() - white, width(), white);
    p.fillRect(rect(), QColor(40, 40, 40));
    p.fillRect(whiteRect, QColor(245, 245, 245));
    p.setPen(QColor(128, 128, 128));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
