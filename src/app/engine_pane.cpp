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

void TEnginePane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const int h = RowHeight();
    const int right = width() - 4;
    p.setPen(palette().color(QPalette::PlaceholderText));
    p.drawText(QRect(4, 2, right - 4, h), Qt::AlignVCenter, fm.elidedText(head_, Qt::ElideRight, right - 4));
    hits_.clear();
    const int scoreWidth = fm.horizontalAdvance(QStringLiteral("-00.00 "));
    const int depthWidth = fm.horizontalAdvance(QStringLiteral("d00 "));
    const QString ellipsis(QChar(0x2026));
    for (size_t r = 0; r < lines_.size() && static_cast<int>(r) < rows_; ++r) {
        const TRow& row = lines_[r];
        const int top = 2 + static_cast<int>(r + 1) * h;
        QFont bold = font();
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(4, top, scoreWidth, h), Qt::AlignVCenter, row.Score);
        p.setFont(font());
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(QRect(4 + scoreWidth, top, depthWidth, h), Qt::AlignVCenter, row.Depth);
        p.setPen(palette().color(QPalette::Text));
        int x = 4 + scoreWidth + depthWidth;
        const int space = fm.horizontalAdvance(QLatin1Char(' '));
        for (size_t i = 0; i < row.Words.size(); ++i) {
            const int w = fm.horizontalAdvance(row.Words[i].Text);
            const bool last = i + 1 == row.Words.size();
            if (x + w > right - (last ? 0 : fm.horizontalAdvance(ellipsis))) {
                p.drawText(QRect(x, top, right - x, h), Qt::AlignVCenter, ellipsis);
                break;
            }
            const QRect box(x, top, w, h);
            p.drawText(box, Qt::AlignVCenter, row.Words[i].Text);
            if (row.Words[i].Move >= 0) hits_.push_back({box, static_cast<int>(r), row.Words[i].Move});
            x += w + space;
        }
    }
}

void TEnginePane::mousePressEvent(QMouseEvent* event) {
    for (const THit& hit : hits_)
        if (hit.Rect.contains(event->position().toPoint())) {
            emit MoveClicked(hit.Line, hit.Move);
            return;
        }
    QWidget::mousePressEvent(event);
}
