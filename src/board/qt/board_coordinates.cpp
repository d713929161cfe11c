#include "board/qt/board_coordinates.h"

#include <QFont>
#include <QPainter>
#include <algorithm>

void DrawCoordinateStrip(QPainter& painter, const QRect& strip, int along, int square, bool ranks, bool flipped,
                         const QColor& color) {
    if (strip.width() <= 0 || strip.height() <= 0 || square <= 0) return;
    QFont font(QStringLiteral("DejaVu Sans"));
    // As large as the strip's thickness allows, and no larger than a third of a square.
    const int thickness = ranks ? strip.width() : strip.height();
    font.setPixelSize(std::clamp(std::min(thickness + 1, square / 3), 7, 16));
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(font);
    painter.setPen(color);
    for (int i = 0; i < 8; ++i) {
        // Rank numbers from the top: 8 down to 1 (1 up to 8 when flipped); files a to h (h to a).
        const int index = flipped ? i : 7 - i;
        const QChar label = ranks ? QChar(u'1' + index) : QChar(u'a' + (flipped ? 7 - i : i));
        const QRect cell = ranks ? QRect(strip.left(), strip.top() + along + i * square, strip.width(), square)
                                 : QRect(strip.left() + along + i * square, strip.top(), square, strip.height());
        painter.drawText(cell, Qt::AlignCenter, QString(label));
    }
    painter.restore();
}

int CoordinateMargin(int square) { return std::clamp(square * 3 / 10, 10, 24); }

QImage WithCoordinates(const QImage& board, int square, bool flipped, const QColor& background, const QColor& ink) {
    const qreal ratio = board.devicePixelRatio();
    const int margin = CoordinateMargin(square);
    const int w = qRound(board.width() / ratio), h = qRound(board.height() / ratio);
    QImage out(qRound((w + margin) * ratio), qRound((h + margin) * ratio), QImage::Format_RGB32);
    out.setDevicePixelRatio(ratio);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(QRect(margin, 0, w, h), board);
    DrawCoordinateStrip(p, QRect(0, 0, margin, h), 0, square, true, flipped, ink);
    DrawCoordinateStrip(p, QRect(margin, h, w, margin), 0, square, false, flipped, ink);
    return out;
}
