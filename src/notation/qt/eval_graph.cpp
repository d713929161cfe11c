#include "notation/qt/eval_graph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "notation/comment_commands.h"

namespace {

constexpr int kMargin = 2;
const QColor kWhiteClock(60, 125, 215);
const QColor kBlackClock(215, 105, 25);
const QColor kMate(200, 30, 30);

QColor Blend(const QColor& a, const QColor& b) {
    return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

// A small label on a patch of the background, readable over the curves.
void Label(QPainter& p, const QRect& band, Qt::Alignment align, const QString& text, const QColor& color,
           const QColor& background) {
    QRect r = p.fontMetrics().boundingRect(band, int(align), text).adjusted(-1, 0, 1, 0);
    QColor patch = background;
    patch.setAlpha(200);
    p.fillRect(r, patch);
    p.setPen(color);
    p.drawText(band, int(align), text);
}

}  // namespace

TEvalGraph::TEvalGraph(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("EvalGraph"));
    setAccessibleName(QStringLiteral("Evaluation and clock graph"));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void TEvalGraph::SetSeries(TEvalSeries series) {
    series_ = std::move(series);
    current_ = -1;
    update();
}

void TEvalGraph::SetCurrent(int index) {
    if (index == current_) return;
    current_ = index;
    update();
}

double TEvalGraph::X(int index) const {
    const int n = std::max<int>(1, static_cast<int>(series_.Points.size()));
    return kMargin + (index + 0.5) * (width() - 2 * kMargin) / n;
}

int TEvalGraph::PointAt(int x) const {
    const int n = static_cast<int>(series_.Points.size());
    const int w = width() - 2 * kMargin;
    if (n == 0 || w <= 0) return -1;
    return std::clamp(static_cast<int>(std::floor(double(x - kMargin) * n / w)), 0, n - 1);
}

void TEvalGraph::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const int i = PointAt(qRound(event->position().x()));
    if (i >= 0 && OnPointClicked) OnPointClicked(i);
}

void TEvalGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QColor text = palette().color(QPalette::Text);
    p.setPen(Blend(text, palette().color(QPalette::Base)));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    if (!HasData()) {
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No clocks or evaluations in this game"));
        return;
    }
    const QRect inner = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    // Both: the evaluation takes the upper three fifths.
    QRect evalBand = inner, clockBand = inner;
    if (series_.AnyEval && series_.AnyClock) {
        evalBand.setBottom(inner.top() + inner.height() * 3 / 5 - 1);
        clockBand.setTop(evalBand.bottom() + 2);
        p.drawLine(inner.left(), evalBand.bottom() + 1, inner.right(), evalBand.bottom() + 1);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    if (series_.AnyEval) DrawEval(p, evalBand);
    if (series_.AnyClock) DrawClocks(p, clockBand);
    if (current_ >= 0 && current_ < static_cast<int>(series_.Points.size())) {
        p.setRenderHint(QPainter::Antialiasing, false);
        QColor mark = palette().color(QPalette::Highlight);
        p.setPen(QPen(mark, 2));
        const int x = qRound(X(current_));
        p.drawLine(x, inner.top(), x, inner.bottom());
    }
}

void TEvalGraph::DrawEval(QPainter& p, const QRect& band) const {
    const QColor text = palette().color(QPalette::Text);
    const double mid = band.top() + band.height() / 2.0;
    const double scale = (band.height() / 2.0 - 1) / kGraphPawns;
    auto y = [&](double pawns) { return mid - pawns * scale; };
    // The curve through the moves that have an evaluation; with more moves
    // than pixels, one point per half pixel.
    const auto& pts = series_.Points;
    QPainterPath curve;
    QPainterPath area;
    double firstX = 0, lastX = 0;
    bool started = false;
    for (size_t i = 0; i < pts.size(); ++i) {
        if (!pts[i].HasEval) continue;
        const QPointF at(X(static_cast<int>(i)), y(pts[i].Pawns));
        if (started && at.x() - lastX < 0.5) continue;
        if (!started) {
            curve.moveTo(at);
            area.moveTo(at.x(), mid);
            firstX = at.x();
            started = true;
        } else {
            curve.lineTo(at);
        }
        area.lineTo(at);
        lastX = at.x();
    }
    area.lineTo(lastX, mid);
    area.lineTo(firstX, mid);
    // White's advantage light, Black's dark, as the pieces.
    p.save();
    p.setPen(Qt::NoPen);
    p.setClipRect(QRectF(band.left(), band.top(), band.width(), mid - band.top()));
    p.fillPath(area, QColor(200, 200, 200, 150));
    p.setClipRect(QRectF(band.left(), mid, band.width(), band.bottom() + 1 - mid));
    p.fillPath(area, QColor(90, 90, 90, 150));
    p.restore();
    p.setPen(QPen(Blend(text, palette().color(QPalette::Base)), 1, Qt::DotLine));
    p.drawLine(QPointF(band.left(), mid), QPointF(band.right(), mid));
    p.setPen(QPen(text, 1.5));
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(kMate);
    for (size_t i = 0; i < pts.size(); ++i)
        if (pts[i].Mate) p.drawEllipse(QPointF(X(static_cast<int>(i)), y(pts[i].Pawns)), 2.5, 2.5);
    p.setBrush(Qt::NoBrush);
    const QColor base = palette().color(QPalette::Base);
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("+5"), Blend(text, base), base);
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignBottom, QString::fromUtf8("\u22125"),
          Blend(text, base), base);
}

void TEvalGraph::DrawClocks(QPainter& p, const QRect& band) const {
    const double max = std::max<double>(1, static_cast<double>(series_.MaxClockMs));
    auto y = [&](int64_t ms) { return band.bottom() - (band.height() - 2) * (ms / max); };
    const auto& pts = series_.Points;
    for (int side : {1, -1}) {
        QPainterPath line;
        bool started = false;
        double lastX = 0;
        for (size_t i = 0; i < pts.size(); ++i) {
            if (pts[i].Side != side || pts[i].ClockMs < 0) continue;
            const QPointF at(X(static_cast<int>(i)), y(pts[i].ClockMs));
            if (started && at.x() - lastX < 0.5) continue;
            if (started) line.lineTo(at);
            else line.moveTo(at);
            started = true;
            lastX = at.x();
        }
        p.setPen(QPen(side > 0 ? kWhiteClock : kBlackClock, 1.5));
        p.drawPath(line);
    }
    const QColor text = palette().color(QPalette::Text);
    const QColor base = palette().color(QPalette::Base);
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop,
          QString::fromStdString(ClockText(series_.MaxClockMs)), Blend(text, base), base);
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("0:00"), Blend(text, base),
          base);
    const QRect legend = band.adjusted(0, 0, -3, 0);
    // Clocks run down: the top right corner is the emptiest.
    Label(p, legend, Qt::AlignRight | Qt::AlignTop, QStringLiteral("White clock"), kWhiteClock, base);
    Label(p, legend.adjusted(0, p.fontMetrics().height(), 0, 0), Qt::AlignRight | Qt::AlignTop,
          QStringLiteral("Black clock"), kBlackClock, base);
}
