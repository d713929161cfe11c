// The author's marks on the board: coloured squares tinted into the picture
// under the pieces (so only the squares whose marks change are drawn again),
// arrows painted over the picture when it is shown. Colours are chosen to
// stay apart on the light and the dark squares and from the last-move tint.
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "board/qt/board_widget.h"

namespace {

QColor MarkColor(TMarkColor c, int alpha) {
    switch (c) {
        case TMarkColor::Red: return QColor(210, 30, 30, alpha);
        case TMarkColor::Green: return QColor(20, 150, 40, alpha);
        case TMarkColor::Blue: return QColor(20, 60, 210, alpha);
        case TMarkColor::Yellow: return QColor(240, 170, 0, alpha);
    }
    return QColor(20, 150, 40, alpha);
}

}  // namespace

void TBoardWidget::SetMarks(const TBoardMarks& marks) {
    if (marks == marks_) return;
    // Squares whose marks come or go are drawn again, whatever stands on them.
    for (const TBoardMarks* m : {static_cast<const TBoardMarks*>(&marks_), &marks})
        for (const TSquareMark& s : m->Squares)
            if (s.Square < 64) lastDrawn_[static_cast<size_t>(Index64ToSquare(s.Square))] = -100;
    const bool arrows = !marks.Arrows.empty() || !marks_.Arrows.empty();
    marks_ = marks;
    RedrawBoard(false);
    if (arrows) update();
}

void TBoardWidget::DrawSquareMarks(QPainter& painter, int q, bool dark) {
    for (const TSquareMark& m : marks_.Squares) {
        if (m.Square != q) continue;
        const QRect r = SquareRect(q);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        // A wash of the colour and a firm frame of it inside the square: the
        // frame tells a mark from the last-move tint.
        painter.fillRect(r, MarkColor(m.Color, dark ? 140 : 115));
        const int frame = std::max(2, cell_ / 11);
        const QColor edge = MarkColor(m.Color, 230);
        painter.fillRect(QRect(r.left(), r.top(), r.width(), frame), edge);
        painter.fillRect(QRect(r.left(), r.bottom() + 1 - frame, r.width(), frame), edge);
        painter.fillRect(QRect(r.left(), r.top() + frame, frame, r.height() - 2 * frame), edge);
        painter.fillRect(QRect(r.right() + 1 - frame, r.top() + frame, frame, r.height() - 2 * frame), edge);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
}

void TBoardWidget::DrawArrows(QPainter& painter) const {
    const qreal cell = cell_;
    const qreal shaft = std::max<qreal>(2, cell * 0.18) / 2;  // half widths
    const qreal head = std::max<qreal>(5, cell * 0.30);
    const qreal headLength = std::max<qreal>(6, cell * 0.45);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    for (const TArrowMark& a : marks_.Arrows) {
        if (a.From > 63 || a.To > 63 || a.From == a.To) continue;
        const QPointF from = QRectF(SquareRect(a.From)).center();
        const QPointF to = QRectF(SquareRect(a.To)).center();
        const qreal dx = to.x() - from.x(), dy = to.y() - from.y();
        const qreal length = std::hypot(dx, dy);
        if (length < 1) continue;
        // Along the arrow (u) and across it (v); the tip stands a little
        // short of the target square's middle, so that the piece stays seen.
        const QPointF u(dx / length, dy / length), v(-u.y(), u.x());
        const qreal tip = length - cell * 0.12;
        const qreal neck = std::max<qreal>(0, tip - headLength);
        auto at = [&](qreal along, qreal across) { return from + u * along + v * across; };
        QPainterPath path;
        path.moveTo(at(0, shaft));
        path.lineTo(at(neck, shaft));
        path.lineTo(at(neck, head));
        path.lineTo(at(tip, 0));
        path.lineTo(at(neck, -head));
        path.lineTo(at(neck, -shaft));
        path.lineTo(at(0, -shaft));
        path.closeSubpath();
        // One path per arrow: where its parts meet it is no darker.
        painter.fillPath(path, MarkColor(a.Color, 200));
    }
    painter.restore();
}

QImage TBoardWidget::Rendered() const {
    QImage image = picture_.copy();
    if (!marks_.Arrows.empty()) {
        QPainter painter(&image);
        DrawArrows(painter);
    }
    return image;
}
