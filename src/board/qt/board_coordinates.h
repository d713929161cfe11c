// The board's coordinates drawn beside it, never on its squares: the rank
// numbers in a strip on the left, the file letters in a strip below, each
// label centred on its square's row or column. The viewer's board pane and
// `quarzel-cli board --coords` draw them the same way.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;

// Draws the labels into strip, which stands beside a board whose squares
// are `square` pixels and whose first (top or left) square starts at
// `along` pixels along the strip. ranks: the numbers (a strip left of the
// board), else the letters (a strip below it). The font fits the strip.
void DrawCoordinateStrip(QPainter& painter, const QRect& strip, int along, int square, bool ranks, bool flipped,
                         const QColor& color);

// The margin the CLI's picture gives the labels for a square size.
int CoordinateMargin(int square);
// A board picture with the labels in margins left of it and below it.
QImage WithCoordinates(const QImage& board, int square, bool flipped, const QColor& background, const QColor& ink);
