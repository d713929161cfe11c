#include "board/qt/board_widget.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "board/qt/promotion_button.h"
#include "board/user_sheet.h"
#include "platform/guarded.h"
#include "platform/platform.h"
#include "rules/fen.h"

namespace {

// Pen colours of the run streams.
constexpr QRgb kWhite = 0xffffffff;
constexpr QRgb kBlack = 0xff000000;

}  // namespace

TBoardWidget::TBoardWidget(QWidget* parent) : QWidget(parent) {
    // The picture is drawn stretched over the whole widget; patterns and
    // pieces are copied without smoothing so that masks stay exact.
    movesAllowed_ = true;
    startPosition_ = true;  // stored only: the position is set just below
    whiteColor_ = QColor(255, 255, 255);
    blackColor_ = QColor(192, 192, 192);
    // The move record gets its contents from StartPosition or ShowPosition;
    // until then it is all zero.
    move_ = TMoveRecord{};
    move_.Castling = 0;
    move_.Side = 0;
    squareSize_ = 32;
    setFixedSize(256, 256);
    picture_ = QImage(256, 256, QImage::Format_RGB32);
    picture_.fill(kWhite);
    draggedPiece_ = 0;
    dragBuffer_ = QImage(32, 32, QImage::Format_RGB32);
    ComputeSquareRects(32);
    position_ = InitialPosition;
    lastDrawn_ = InitialPosition;
    for (int q = 0; q < 64; ++q) lastDrawn_[static_cast<size_t>(Index64ToSquare(q))] = -100;
    userPieceSet_.clear();
    pieceSet_ = TPieceSet::User;
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TBoardWidget::~TBoardWidget() = default;

void TBoardWidget::ComputeSquareRects(int s) { rects_ = ::ComputeSquareRects(s, flipped_); }

QRect TBoardWidget::SquareRect(int index64) const {
    const TSquareRect& r = rects_[static_cast<size_t>(index64)];
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

QPoint TBoardWidget::ToPicture(const QPointF& p) const {
    // The picture fills the widget; with a widget of another size the point
    // is scaled back into picture pixels.
    if (width() <= 0 || height() <= 0) return p.toPoint();
    if (width() == picture_.width() && height() == picture_.height()) return p.toPoint();
    return QPoint(static_cast<int>(p.x() * picture_.width() / width()),
                  static_cast<int>(p.y() * picture_.height() / height()));
}

void TBoardWidget::UpdatePictureRect(const QRect& r) {
    if (width() == picture_.width() && height() == picture_.height()) {
        update(r);
    } else if (picture_.width() > 0 && picture_.height() > 0) {
        // A device-resolution picture: the same area in widget pixels.
        const qreal sx = qreal(width()) / picture_.width(), sy = qreal(height()) / picture_.height();
        update(QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy).toAlignedRect());
    }
}

void TBoardWidget::paintEvent(QPaintEvent*) {
    // Moved to a screen of another pixel ratio: redraw at its resolution.
    if (devicePixelRatioF() != ratio_) SetDeviceRatio(devicePixelRatioF());
    QPainter p(this);
    if (width() == picture_.width() && height() == picture_.height())
        p.drawImage(0, 0, picture_);
    else
        p.drawImage(rect(), picture_);
    if (marks_.Arrows.empty() || picture_.width() <= 0 || picture_.height() <= 0) return;
    // Arrows in picture pixels: at a device ratio above 1 they are drawn at
    // the screen's own resolution.
    p.scale(qreal(width()) / picture_.width(), qreal(height()) / picture_.height());
    DrawArrows(p);
}

// ---------------------------------------------------------------- drawing

const QImage& TBoardWidget::ScaledPattern(const QImage& pattern, QImage& scaled) {
    if (scaled.isNull() || scaled.width() != squareSize_ || scaled.height() != squareSize_)
        scaled = pattern.scaled(squareSize_, squareSize_, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                     .convertToFormat(QImage::Format_RGB32);
    return scaled;
}

void TBoardWidget::DrawSquareWith(QPainter& painter, int q) {
    const bool dark = IsDarkSquare(q);
    const QImage& pattern = dark ? blackPattern_ : whitePattern_;
    const QRect r = SquareRect(q);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (pattern.isNull()) {
        painter.fillRect(r, dark ? blackColor_ : whiteColor_);
    } else {
        QImage& scaled = dark ? blackPatternScaled_ : whitePatternScaled_;
        painter.drawImage(r.topLeft(), ScaledPattern(pattern, scaled));
    }
    const std::array<int, 2> marked = MarkedSquares();
    // An author's mark on the square stands alone, clear of the last-move tint.
    const bool authorMark = std::any_of(marks_.Squares.begin(), marks_.Squares.end(),
                                        [q](const TSquareMark& m) { return m.Square == q; });
    if ((q == marked[0] || q == marked[1]) && !authorMark) {
        // A warm tint over the square's own colour, lighter on light squares.
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(r, dark ? QColor(235, 190, 40, 150) : QColor(250, 215, 70, 130));
        painter.setCompositionMode(QPainter::CompositionMode_Source);
    }
    DrawSquareMarks(painter, q, dark);
    ++squaresDrawn_;
}

std::array<int, 2> TBoardWidget::MarkedSquares() const {
    if (!markLastMove_ || !IsRealSquare(move_.FromSq) || !IsRealSquare(move_.ToSq) || move_.FromSq == move_.ToSq)
        return {-1, -1};
    return {SquareToIndex64(move_.FromSq), SquareToIndex64(move_.ToSq)};
}

void TBoardWidget::DrawPieceInto(QPainter& painter, const QRect& target, int piece) {
    const int column = SheetColumnOfPiece(piece);
    if (column == 0 || sheet_.isNull()) return;
    const int cellWidth = sheet_.width() / 12;
    const int half = sheet_.height() / 2;
    if (cellWidth <= 0 || half <= 0) return;
    const QRect image((column - 1) * cellWidth, 0, cellWidth, half);
    const QRect mask((column - 1) * cellWidth, half, cellWidth, sheet_.height() - half);
    // A built-in cell a little smaller than the square is drawn pixel for
    // pixel in its middle: scaling two-colour art by a few percent makes it
    // ragged.
    QRect to = target;
    if (sheetBuiltIn_ && cellWidth == half && DrawCellUnscaled(cellWidth, target.width()) &&
        DrawCellUnscaled(half, target.height()))
        to = QRect(target.x() + (target.width() - cellWidth) / 2, target.y() + (target.height() - half) / 2,
                   cellWidth, half);
    // Mask (black inside, white outside) as source AND NOT destination: the
    // outside becomes the inverted background, the inside black. The image
    // (white outside) XORed on top turns the outside back and puts the piece
    // inside.
    painter.setCompositionMode(QPainter::RasterOp_SourceAndNotDestination);
    painter.drawImage(to, sheet_, mask);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawImage(to, sheet_, image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
}

void TBoardWidget::DrawSquare(int q) {
    if (PaintLocked || q < 0 || q > 63) return;
    QPainter painter(&picture_);
    DrawSquareWith(painter, q);
    UpdatePictureRect(SquareRect(q));
}

void TBoardWidget::DrawPiece(int q, int piece) {
    if (PaintLocked || q < 0 || q > 63) return;
    QPainter painter(&picture_);
    DrawPieceInto(painter, SquareRect(q), piece);
    UpdatePictureRect(SquareRect(q));
}

void TBoardWidget::RedrawBoard(bool force) {
    if (PaintLocked) return;
    {
        QPainter painter(&picture_);
        for (int q = 0; q < 64; ++q) {
            const size_t m = static_cast<size_t>(Index64ToSquare(q));
            if (!force && position_[m] == lastDrawn_[m]) continue;
            DrawSquareWith(painter, q);
            DrawPieceInto(painter, SquareRect(q), position_[m]);
            UpdatePictureRect(SquareRect(q));
        }
    }
    lastDrawn_ = position_;
}

void TBoardWidget::ShowPosition(const TBoard& position, const TMoveRecord& move) {
    const std::array<int, 2> before = MarkedSquares();
    position_ = position;
    move_ = move;
    // Squares whose last-move tint comes or goes are drawn again, whatever stands on them.
    const std::array<int, 2> after = MarkedSquares();
    if (before != after)
        for (int q : {before[0], before[1], after[0], after[1]})
            if (q >= 0) lastDrawn_[static_cast<size_t>(Index64ToSquare(q))] = -100;
    RedrawBoard(false);
    // What a screen reader says of the board: the position as FEN.
    if (QAccessible::isActive()) {
        const QString fen = QString::fromStdString(PositionToFEN(position_, move_, 1, CastlingRooks));
        setAccessibleDescription(QStringLiteral("%1 to move. FEN %2")
                                     .arg(SideToMove() > 0 ? QStringLiteral("White") : QStringLiteral("Black"), fen));
    }
}

void TBoardWidget::CopyFENToClipboard() {
    const std::string fen = PositionToFEN(position_, move_, 1, CastlingRooks);
    Platform::Get().SetClipboardText(QString::fromStdString(fen));
}

void TBoardWidget::CopyFENToClipboard(int moveNo, int halfMoveClock) {
    const std::string fen = WithHalfMoveClock(PositionToFEN(position_, move_, moveNo, CastlingRooks), halfMoveClock);
    Platform::Get().SetClipboardText(QString::fromStdString(fen));
}

// ---------------------------------------------------------------- interaction

void TBoardWidget::DoMoveDone(Qt::KeyboardModifiers shift) {
    if (!OnMoveDone) return;
    ctrlDown_ = shift.testFlag(Qt::ControlModifier);
    altDown_ = shift.testFlag(Qt::AltModifier);
    struct Reset {
        TBoardWidget* b;
        ~Reset() { b->ctrlDown_ = b->altDown_ = false; }
    } reset{this};
    OnMoveDone(this);
}

bool TBoardWidget::DoMoveTry(int from, int to) {
    bool legal = false;
    const int8_t savedFrom = move_.FromSq, savedTo = move_.ToSq, savedKind = move_.CastleKind;
    move_.FromSq = static_cast<int8_t>(from);
    move_.ToSq = static_cast<int8_t>(to);
    move_.CastleKind = 0;
    struct Restore {
        TMoveRecord& z;
        int8_t f, t, k;
        ~Restore() {
            z.FromSq = f;
            z.ToSq = t;
            z.CastleKind = k;
        }
    } restore{move_, savedFrom, savedTo, savedKind};
    if (OnMoveTry) OnMoveTry(this, legal);
    return legal;
}

int TBoardWidget::DoMovePart(int square) {
    uint8_t suggestion = 0;
    if (OnMovePart) OnMovePart(this, static_cast<uint8_t>(square), suggestion);
    return suggestion;
}

int TBoardWidget::AskPromotion(int side) {
    const int half = sheet_.height() / 2;
    // Without a sheet the buttons show letters at the square size.
    // Buttons in logical pixels; a device-resolution glyph keeps its detail.
    const int halfLogical = qRound(half / ratio_);
    const int r = half > 0 ? halfLogical + 5 : std::max(squareSize_, 24);
    QDialog chooser(this, Qt::Dialog | Qt::FramelessWindowHint);
    chooser.setFixedSize(4 * r, r);
    QPoint at = mapToGlobal(QPoint(2 * squareSize_, squareSize_ / 2 + 3 * squareSize_));
    if (QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        if (at.x() + 4 * r > area.right() + 1) at.setX(area.right() + 1 - 4 * r);
        if (at.y() + r > area.bottom() + 1) at.setY(area.bottom() + 1 - r);
    }
    chooser.move(at);
    const int cellWidth = sheet_.width() / 12;
    static const char* kLetters[4] = {"R", "B", "N", "Q"};
    TPromotionButton* queen = nullptr;
    for (int i = 0; i < 4; ++i) {
        const int column = side > 0 ? i + 2 : i + 8;
        auto* button = new TPromotionButton(static_cast<uint8_t>(column), &chooser);
        button->setGeometry(i * r, 0, r, r);
        if (half > 0 && cellWidth > 0) {
            QImage glyph = sheet_.copy((column - 1) * cellWidth, 0, cellWidth, half)
                               .scaled(half, half, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            QPixmap pixmap = QPixmap::fromImage(glyph);
            pixmap.setDevicePixelRatio(ratio_);
            button->setIcon(QIcon(pixmap));
            button->setIconSize(QSize(halfLogical, halfLogical));
        } else {
            button->setText(QString::fromLatin1(kLetters[i]));
        }
        queen = button;
    }
    queen->setDefault(true);
    queen->setFocus();
    board::PromotionChoice = 0;
    Platform::Get().ExecModal(&chooser);
    return board::PromotionChoice;
}

bool TBoardWidget::PlayMove(int from, int to) {
    const bool made = ApplyBoardMove(position_, move_, from, to, [this](int side) {
        board::PromotionChoice = 0;
        return AskPromotion(side);
    });
    if (!made) return false;
    // Every square the move touched differs from what is on screen (the
    // origin was painted empty at the press but is recorded with its piece).
    RedrawBoard(false);
    return true;
}

// No exception leaves a mouse handler: a failure is reported, after the
// undo (if any) has put the board right.
void TBoardWidget::mousePressEvent(QMouseEvent* event) {
    Guarded(this, [&] { MousePress(event); });
}

void TBoardWidget::mouseMoveEvent(QMouseEvent* event) {
    Guarded(this, [&] { MouseMove(event); });
}

void TBoardWidget::mouseReleaseEvent(QMouseEvent* event) {
    // A failing handler ends the drop: the origin square, painted empty at
    // the press, shows again what stands on it.
    Guarded(this, [&] { MouseRelease(event); },
            [this] {
                draggedPiece_ = 0;
                suggestedSquare_ = 0;
                DrawSquare(dragOrigin_);
                DrawPiece(dragOrigin_, position_[static_cast<size_t>(Index64ToSquare(dragOrigin_))]);
            });
}

void TBoardWidget::contextMenuEvent(QContextMenuEvent* event) {
    if (popupMenu_) popupMenu_->popup(event->globalPos());
}

void TBoardWidget::MousePress(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && popupMenu_) {
        // No context menu while the left button is down.
        savedPopupMenu_ = popupMenu_;
        popupMenu_ = nullptr;
    }
    QWidget::mousePressEvent(event);
    event->accept();
    if (!movesAllowed_ || event->button() != Qt::LeftButton) return;
    if (draggedPiece_ != 0) return;  // a drag is already under way
    const QPoint pt = ToPicture(event->position());
    const int q = SquareAt(rects_, pt.x(), pt.y());
    if (q < 0) return;
    suggestedSquare_ = 0;
    if (suggestMoves_) {
        const int s = DoMovePart(Index64ToSquare(q));
        suggestedSquare_ = IsRealSquare(s) ? s : 0;
        if (suggestedSquare_ != 0 && !PaintLocked) {
            const QRect r = SquareRect(SquareToIndex64(suggestedSquare_));
            QPainter p(&picture_);
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Qt::black, 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            // A 2-pixel frame inside the square.
            p.drawRect(QRectF(r.left() + 1, r.top() + 1, r.width() - 2, r.height() - 2));
            UpdatePictureRect(r);
        }
    }
    const int piece = position_[static_cast<size_t>(Index64ToSquare(q))];
    if (piece == 0 && suggestedSquare_ == 0) return;
    dragOrigin_ = q;
    if (piece * move_.Side <= 0) return;
    // Lift the piece: the square shows empty, the piece floats 2 pixels higher.
    lastMouseX_ = pt.x();
    lastMouseY_ = pt.y();
    draggedPiece_ = piece;
    DrawSquare(q);
    dragRect_ = SquareRect(q).translated(0, -qRound(2 * ratio_));
    dragBuffer_ = picture_.copy(dragRect_);
    if (!PaintLocked) {
        QPainter p(&picture_);
        DrawPieceInto(p, dragRect_, draggedPiece_);
    }
    UpdatePictureRect(dragRect_.united(SquareRect(q)));
}

void TBoardWidget::MouseMove(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    event->accept();
    // While painting is locked the floating piece simply stays where it is
    // drawn; the next move after unlocking catches up with the pointer.
    if (draggedPiece_ == 0 || PaintLocked) return;
    const QPoint pt = ToPicture(event->position());
    const QRect moved = dragRect_.translated(pt.x() - lastMouseX_, pt.y() - lastMouseY_);
    {
        QPainter p(&picture_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(dragRect_.topLeft(), dragBuffer_);
        dragBuffer_ = picture_.copy(moved);
        DrawPieceInto(p, moved, draggedPiece_);
    }
    UpdatePictureRect(dragRect_.united(moved));
    lastMouseX_ = pt.x();
    lastMouseY_ = pt.y();
    dragRect_ = moved;
}

void TBoardWidget::MouseRelease(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    event->accept();
    if (event->button() != Qt::LeftButton) return;
    if (savedPopupMenu_) {
        popupMenu_ = savedPopupMenu_;
        savedPopupMenu_ = nullptr;
    }
    if (!((movesAllowed_ && draggedPiece_ != 0) || suggestedSquare_ != 0)) {
        if (draggedPiece_ != 0) {
            // Dragging was switched off while a piece was in the air: the
            // piece goes back, and the board is idle again.
            if (!PaintLocked) {
                QPainter p(&picture_);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                p.drawImage(dragRect_.topLeft(), dragBuffer_);
                p.end();
                UpdatePictureRect(dragRect_);
            }
            DrawPiece(dragOrigin_, draggedPiece_);
            draggedPiece_ = 0;
        }
        return;
    }
    const bool lifted = draggedPiece_ != 0;
    QPoint drop = ToPicture(event->position());
    if (lifted)
        drop = QPoint(dragRect_.left() + dragRect_.width() / 2, dragRect_.top() + dragRect_.height() / 2);
    int t = SquareAt(rects_, drop.x(), drop.y());
    const int side = move_.Side;
    auto pieceOn = [this](int q) { return position_[static_cast<size_t>(Index64ToSquare(q))]; };
    auto redrawWithPiece = [this, &pieceOn](int q) {
        DrawSquare(q);
        DrawPiece(q, pieceOn(q));
    };

    if (suggestedSquare_ != 0) {
        const int suggested = SquareToIndex64(suggestedSquare_);
        redrawWithPiece(suggested);
        if (t == dragOrigin_) {
            if (event->modifiers() != Qt::ControlModifier) {
                if (!IsOwnPiece(pieceOn(dragOrigin_), side))
                    dragOrigin_ = suggested;
                else
                    t = suggested;
                draggedPiece_ = pieceOn(dragOrigin_);
            }
        } else if (t >= 0 && IsOwnPiece(pieceOn(t), side) && !IsOwnPiece(pieceOn(dragOrigin_), side)) {
            std::swap(t, dragOrigin_);
            draggedPiece_ = pieceOn(dragOrigin_);
        }
        if (draggedPiece_ == 0) {
            suggestedSquare_ = 0;
            return;
        }
    }
    if (lifted && !PaintLocked) {
        QPainter p(&picture_);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(dragRect_.topLeft(), dragBuffer_);
        p.end();
        UpdatePictureRect(dragRect_);
    }
    if (suggestedSquare_ != 0) {
        redrawWithPiece(SquareToIndex64(suggestedSquare_));
        suggestedSquare_ = 0;
    }
    const int piece = draggedPiece_;
    draggedPiece_ = 0;
    const bool refused = t < 0 || t == dragOrigin_ || IsOwnPiece(pieceOn(t), side) ||
                         !DoMoveTry(Index64ToSquare(dragOrigin_), Index64ToSquare(t)) ||
                         !PlayMove(Index64ToSquare(dragOrigin_), Index64ToSquare(t));
    if (refused) {
        // The square was painted empty at the press: put the piece back.
        DrawPiece(dragOrigin_, piece);
        return;
    }
    DoMoveDone(event->modifiers());
}
