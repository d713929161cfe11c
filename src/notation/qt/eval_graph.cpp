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

// Darker or lighter with the palette: the clock colours stay readable on a dark base.
bool DarkBase(const QPalette& palette) { return palette.color(QPalette::Base).lightness() < 128; }

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
    QRect inner = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    // The move numbers along the bottom, when there is room for them.
    const int axisHeight = p.fontMetrics().height();
    QRect axis;
    if (inner.height() >= 4 * axisHeight) {
        axis = QRect(inner.left(), inner.bottom() - axisHeight + 1, inner.width(), axisHeight);
        inner.setBottom(axis.top() - 1);
    }
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
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!axis.isNull()) DrawMoveAxis(p, axis);
    if (current_ >= 0 && current_ < static_cast<int>(series_.Points.size())) {
        QColor mark = palette().color(QPalette::Highlight);
        p.setPen(QPen(mark, 2));
        const int x = qRound(X(current_));
        p.drawLine(x, inner.top(), x, inner.bottom());
    }
}

void TEvalGraph::DrawMoveAxis(QPainter& p, const QRect& strip) const {
    const auto& pts = series_.Points;
    if (pts.empty()) return;
    const QColor text = palette().color(QPalette::Text);
    const QColor quiet = Blend(text, palette().color(QPalette::Base));
    const int offset = pts.front().Side < 0 ? 1 : 0;  // a first move by Black
    const double perMove = 2.0 * strip.width() / static_cast<double>(pts.size());
    const int labelWidth = p.fontMetrics().horizontalAdvance(QStringLiteral("999")) + 8;
    int step = 1;
    for (int s : {1, 2, 5, 10, 20, 25, 50, 100, 200, 500, 1000, 2000, 5000}) {
        step = s;
        if (s * perMove >= labelWidth) break;
    }
    p.setPen(quiet);
    p.drawLine(strip.left(), strip.top(), strip.right(), strip.top());
    for (size_t i = 0; i < pts.size(); ++i) {
        const int ply = static_cast<int>(i) + offset;
        const int moveNo = series_.FirstMoveNo + ply / 2;
        if (ply % 2 != 0 || moveNo % step != 0) continue;
        const int x = qRound(X(static_cast<int>(i)));
        p.drawLine(x, strip.top(), x, strip.top() + 2);
        const QRect at(x - labelWidth / 2, strip.top(), labelWidth, strip.height());
        if (at.left() < strip.left() || at.right() > strip.right()) continue;
        p.drawText(at, Qt::AlignHCenter | Qt::AlignBottom, QString::number(moveNo));
    }
}

void TEvalGraph::DrawEval(QPainter& p, const QRect& band) const {
    const QColor text = palette().color(QPalette::Text);
    const double mid = band.top() + band.height() / 2.0;
    const double range = std::max(1.0, series_.Range);
    const double scale = (band.height() / 2.0 - 1) / range;
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
    const QString pawns = QString::number(static_cast<int>(range));
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("+") + pawns, Blend(text, base),
          base);
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("\u2212") + pawns,
          Blend(text, base), base);
}

QColor TEvalGraph::WhiteClockColor() const { return DarkBase(palette()) ? kWhiteClock.lighter(150) : kWhiteClock; }
QColor TEvalGraph::BlackClockColor() const { return DarkBase(palette()) ? kBlackClock.lighter(130) : kBlackClock; }

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
        p.setPen(QPen(side > 0 ? WhiteClockColor() : BlackClockColor(), 1.5));
        p.drawPath(line);
    }
    const QColor text = palette().color(QPalette::Text);
    const QColor base = palette().color(QPalette::Base);
    // The clock's scale on the right, apart from the evaluation's labels on
    // the left; the legend in the bottom left corner, empty while the clocks
    // are still full.
    const QRect right = band.adjusted(0, 0, -3, 0);
    Label(p, right, Qt::AlignRight | Qt::AlignTop, QString::fromStdString(ClockText(series_.MaxClockMs)),
          Blend(text, base), base);
    Label(p, right, Qt::AlignRight | Qt::AlignBottom, QStringLiteral("0:00"), Blend(text, base), base);
    const QString white = QStringLiteral("White clock");
    Label(p, band.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignBottom, white, WhiteClockColor(), base);
    Label(p, band.adjusted(2 + p.fontMetrics().horizontalAdvance(white + QStringLiteral("  ")), 0, 0, 0),
          Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("Black clock"), BlackClockColor(), base);
}
