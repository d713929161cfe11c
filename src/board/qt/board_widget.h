// TBoardWidget: the chess-board widget. It keeps its own copy of one position and
// one move record, draws squares and pieces into its own memory image (the
// picture) and repaints only the squares that changed since the last draw.
// With the left button the user drags pieces of the side to move; the owner
// decides through OnMoveTry whether a drop is a move.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

#include "board/board_logic.h"
#include "board/board_marks.h"
#include "board/piece_sheet.h"
#include "rules/chess960.h"
#include "rules/position.h"

class QMenu;

class TBoardWidget : public QWidget {
    Q_OBJECT
public:
    using TNewPositionEvent = std::function<void(TBoardWidget* Sender, TBoard& Position, TMoveRecord& Move, int z)>;
    using TNotifyEvent = std::function<void(TBoardWidget* Sender)>;
    using TMovetryEvent = std::function<void(TBoardWidget* Sender, bool& legal)>;
    using TMovePartEvent = std::function<void(TBoardWidget* Sender, uint8_t Square, uint8_t& Suggestion)>;

    explicit TBoardWidget(QWidget* parent = nullptr);
    ~TBoardWidget() override;

    // Events, raised only when set.
    TNewPositionEvent OnNewPosition;
    TNotifyEvent OnMoveDone;
    TMovetryEvent OnMoveTry;
    TMovePartEvent OnMovePart;

    // Published properties.
    TPieceSet PieceSet() const { return pieceSet_; }
    void SetPieceSet(TPieceSet value);
    const QString& UserPieceSet() const { return userPieceSet_; }
    void SetUserPieceSet(const QString& name);
    int SquareSize() const { return squareSize_; }
    void SetSquareSize(int value);  // absolute value, 10..99; anything else is ignored
    bool StartPosition() const { return startPosition_; }
    void SetStartPosition(bool value);
    bool MovesAllowed() const { return movesAllowed_; }
    void SetMovesAllowed(bool value) { movesAllowed_ = value; }
    QColor WhiteSquareColor() const { return whiteColor_; }
    void SetWhiteSquareColor(const QColor& c);
    QColor BlackSquareColor() const { return blackColor_; }
    void SetBlackSquareColor(const QColor& c);
    // Square textures, drawn stretched to the square; an empty image means
    // the plain colour. The board keeps its own copy; nullptr clears.
    const QImage& WhiteSquarePattern() const { return whitePattern_; }
    void SetWhiteSquarePattern(const QImage* pattern);
    const QImage& BlackSquarePattern() const { return blackPattern_; }
    void SetBlackSquarePattern(const QImage* pattern);
    bool SuggestMoves() const { return suggestMoves_; }
    void SetSuggestMoves(bool v) { suggestMoves_ = v; }

    // The board seen from Black's side: h8 bottom-left. Clicks, drags and
    // partial repaints follow the flipped squares.
    bool Flipped() const { return flipped_; }
    void SetFlipped(bool value);
    // Whether file letters and rank numbers are wanted (following the flip):
    // the host draws them beside the board (board_coordinates.h), never on
    // the squares; off by default.
    bool Coordinates() const { return coordinates_; }
    void SetCoordinates(bool value);
    // The two squares of the move that led to the shown position, tinted.
    bool MarkLastMove() const { return markLastMove_; }
    void SetMarkLastMove(bool value);
    // Arrows and coloured squares an author drew for the shown position:
    // squares tinted under the pieces, arrows translucent over them. They
    // stay until the next SetMarks.
    const TBoardMarks& Marks() const { return marks_; }
    void SetMarks(const TBoardMarks& marks);
    // The picture as shown: squares and pieces with the arrows over them.
    QImage Rendered() const;
    // The side to move of the shown position: +1 White, -1 Black.
    int SideToMove() const { return move_.Side < 0 ? -1 : 1; }
    // Device pixels per logical pixel. Above 1 the picture has device
    // resolution and a built-in set is drawn from the set of the device
    // square size, not scaled up. Follows the screen by itself when shown;
    // settable for offscreen renders. Values outside 1..8 are ignored.
    qreal DeviceRatio() const { return ratio_; }
    void SetDeviceRatio(qreal ratio);
    // Square size in picture (device) pixels.
    int SquarePixels() const { return cell_; }

    // While true, no square or piece is drawn and LastDrawn stays as it is.
    bool PaintLocked = false;
    // The castling rooks of the shown game: a Chess960 game's copied FEN
    // names its rights by rook file, as the game's own FEN did.
    TCastlingRooks CastlingRooks;

    // Shows a position and its move record, repainting only changed squares.
    void ShowPosition(const TBoard& position, const TMoveRecord& move);
    // The shown position as FEN (move number 1) on the clipboard.
    void CopyFENToClipboard();
    // The same with the true move number and half-move clock of the position.
    void CopyFENToClipboard(int moveNo, int halfMoveClock);

    void RedrawBoard(bool force);
    void DrawSquare(int index64);
    void DrawPiece(int index64, int piece);
    void ComputeSquareRects(int s);

    // What a host (an OnMoveTry handler, a test) reads.
    const TBoard& Position() const { return position_; }
    const TMoveRecord& Move() const { return move_; }
    const TBoard& LastDrawn() const { return lastDrawn_; }
    const TSquareRects& SquareRects() const { return rects_; }
    const QImage& Picture() const { return picture_; }
    const QImage& PieceSheet() const { return sheet_; }
    int DraggedPiece() const { return draggedPiece_; }
    int SuggestedSquare() const { return suggestedSquare_; }
    bool CtrlDown() const { return ctrlDown_; }
    bool AltDown() const { return altDown_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

    // Drawing statistics: squares painted by DrawSquare since the last reset.
    long long SquaresDrawn() const { return squaresDrawn_; }
    void ResetDrawCounter() { squaresDrawn_ = 0; }

    // Builds the sheet of a built-in set; false (sheet unchanged) for User.
    bool BuildPieceSheet(TPieceSet set);
    // Loads a user sheet file after checking its size; shows the message and
    // returns false when it cannot be used (the current sheet stays).
    bool LoadPieceBitmap(const QString& name);

protected:
    virtual void DoMoveDone(Qt::KeyboardModifiers shift);
    virtual bool DoMoveTry(int from, int to);
    virtual int DoMovePart(int square);
    // The promotion chooser: a signed piece code, 0 when closed without a choice.
    virtual int AskPromotion(int side);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QRect SquareRect(int index64) const;
    QPoint ToPicture(const QPointF& widgetPoint) const;
    void DrawSquareWith(QPainter& painter, int index64);
    // Index64 squares tinted as the last move (-1: none).
    std::array<int, 2> MarkedSquares() const;
    // The coloured-square marks of square q, drawn over its colour.
    void DrawSquareMarks(QPainter& painter, int index64, bool dark);
    // The arrows, on a painter in picture pixels.
    void DrawArrows(QPainter& painter) const;
    void DrawPieceInto(QPainter& painter, const QRect& target, int piece);
    void SetSquarePattern(QImage& owned, QImage& scaled, const QImage* pattern);
    const QImage& ScaledPattern(const QImage& pattern, QImage& scaled);
    void UpdatePictureRect(const QRect& r);
    void MousePress(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseRelease(QMouseEvent* event);
    bool PlayMove(int from, int to);
    // The built-in set drawn for `set` at the current device ratio.
    TPieceSet DeviceSet(TPieceSet set) const;
    // A new picture for the current size and ratio, every square repainted.
    void RebuildPicture();
    // Every square repainted now, or at the next redraw while painting is locked.
    void RepaintAll();

    TSquareRects rects_{};
    int draggedPiece_ = 0;
    QImage dragBuffer_;
    int lastMouseX_ = 0;
    int lastMouseY_ = 0;
    QRect dragRect_;
    QImage sheet_;
    int dragOrigin_ = 0;
    int suggestedSquare_ = 0;
    TBoard lastDrawn_{};
    TPieceSet pieceSet_ = TPieceSet::User;
    QString userPieceSet_;
    int squareSize_ = 0;
    bool startPosition_ = false;
    bool movesAllowed_ = false;
    QColor whiteColor_;
    QColor blackColor_;
    QImage whitePattern_;
    QImage blackPattern_;
    QImage whitePatternScaled_;
    QImage blackPatternScaled_;
    bool suggestMoves_ = false;
    TBoard position_{};
    TMoveRecord move_{};
    QMenu* popupMenu_ = nullptr;
    QMenu* savedPopupMenu_ = nullptr;
    bool ctrlDown_ = false;
    bool altDown_ = false;

    QImage picture_;
    long long squaresDrawn_ = 0;
    bool flipped_ = false;
    qreal ratio_ = 1;
    int cell_ = 32;             // squareSize_ in device pixels
    bool sheetBuiltIn_ = false;  // the sheet holds a built-in set (drawn 1:1 where it fits)
    bool coordinates_ = false;
    bool markLastMove_ = false;
    TBoardMarks marks_;
};
