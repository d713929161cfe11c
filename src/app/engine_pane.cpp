#include "app/engine_pane.h"

#include <QMouseEvent>
#include <QPainter>

TEnginePane::TEnginePane(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Engine lines"));
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

int TEnginePane::RowHeight() const { return fontMetrics().height() + 3; }

QSize TEnginePane::sizeHint() const { return {200, (rows_ + 1) * RowHeight() + 4}; }

void TEnginePane::SetRows(int rows) {
    rows_ = std::max(1, rows);
    updateGeometry();
}

void TEnginePane::SetHead(const QString& text) {
    if (text == head_) return;
    head_ = text;
    Describe();
    update();
}

void TEnginePane::Clear(const QString& fen) {
    fen_ = fen;
    lines_.clear();
    Describe();
    update();
}

void TEnginePane::SetLines(const TEngineView& view, int fullMove, bool whiteToMove) {
    fen_ = QString::fromStdString(view.Fen);
    lines_.clear();
    for (const TEngineLine& line : view.Lines) {
        if (line.Depth == 0) continue;
        TRow row{QString::fromStdString(ScoreText(line.Score)), QStringLiteral("d%1").arg(line.Depth), {}};
        int number = fullMove;
        bool white = whiteToMove;
        for (size_t i = 0; i < line.San.size(); ++i) {
            if (white) row.Words.push_back({QStringLiteral("%1.").arg(number), -1});
            else if (i == 0) row.Words.push_back({QStringLiteral("%1...").arg(number), -1});
            row.Words.push_back({QString::fromStdString(line.San[i]), static_cast<int>(i)});
            if (!white) ++number;
            white = !white;
        }
        lines_.push_back(std::move(row));
    }
    Describe();
    update();
}

QStringList TEnginePane::LineTexts() const {
    QStringList texts;
    for (const TRow& row : lines_) {
        QString text = row.Score + QLatin1Char(' ') + row.Depth;
        for (const TWord& w : row.Words) text += QLatin1Char(' ') + w.Text;
        texts << text;
    }
    return texts;
}

void TEnginePane::Describe() {
    QStringList parts{fen_, head_};
    parts << LineTexts();
    setAccessibleDescription(parts.join(QLatin1Char('\n')));
}

std::vector<TEnginePane::TPlaced> TEnginePane::Arrange() const {
    std::vector<TPlaced> placed;
    const QFontMetrics fm = fontMetrics();
    const int h = RowHeight();
    const int right = width() - 4;
    const int scoreWidth = fm.horizontalAdvance(QStringLiteral("-00.00 "));
    const int depthWidth = fm.horizontalAdvance(QStringLiteral("d00 "));
    const int space = fm.horizontalAdvance(QLatin1Char(' '));
    const int ellipsis = fm.horizontalAdvance(QChar(0x2026));
    for (size_t r = 0; r < lines_.size() && static_cast<int>(r) < rows_; ++r) {
        const TRow& row = lines_[r];
        const int top = 2 + static_cast<int>(r + 1) * h;
        const int line = static_cast<int>(r);
        placed.push_back({QRect(4, top, scoreWidth, h), line, TPlaced::Score, -1, row.Score});
        placed.push_back({QRect(4 + scoreWidth, top, depthWidth, h), line, TPlaced::Depth, -1, row.Depth});
        int x = 4 + scoreWidth + depthWidth;
        for (size_t i = 0; i < row.Words.size(); ++i) {
            const int w = fm.horizontalAdvance(row.Words[i].Text);
            const bool last = i + 1 == row.Words.size();
            if (x + w > right - (last ? 0 : ellipsis)) {
                placed.push_back({QRect(x, top, ellipsis, h), line, TPlaced::Word, -1, QString(QChar(0x2026))});
                break;
            }
            placed.push_back({QRect(x, top, w, h), line, TPlaced::Word, row.Words[i].Move, row.Words[i].Text});
            x += w + space;
        }
    }
    return placed;
}

void TEnginePane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const int right = width() - 4;
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(QRect(4, 2, right - 4, RowHeight()), Qt::AlignVCenter,
               fontMetrics().elidedText(head_, Qt::ElideRight, right - 4));
    QFont bold = font();
    bold.setBold(true);
    for (const TPlaced& item : Arrange()) {
        p.setFont(item.Kind == TPlaced::Score ? bold : font());
        p.setPen(palette().color(item.Kind == TPlaced::Depth ? QPalette::PlaceholderText : QPalette::Text));
        p.drawText(item.Rect, Qt::AlignVCenter, item.Text);
    }
}

void TEnginePane::mousePressEvent(QMouseEvent* event) {
    for (const TPlaced& item : Arrange())
        if (item.Move >= 0 && item.Rect.contains(event->position().toPoint())) {
            emit MoveClicked(item.Line, item.Move);
            return;
        }
    QWidget::mousePressEvent(event);
}
