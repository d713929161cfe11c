// The main window's panes: the game table above, the board and the notation
// (with the game's header panel) side by side below, in splitters the user
// drags; the button row at the bottom. At the first start the client area is
// 623 x 482 and every control stands where the fixed layout puts it (table
// 617 x 145 at the top, board 8, 168 with 33-pixel squares, notation pane
// 288, 168, 329 x 265, buttons at 448). The board takes the largest square
// size its pane allows (16 to 99 pixels); when the panes' height changes the
// board's pane is widened or narrowed to fit it. Pane sizes, the table's
// columns and the view settings are kept between runs, and so is the
// window's size and place.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QPushButton;
class QSplitter;
class QToolButton;
class QWidget;
class TBoardWidget;
class TGameList;
class THeaderPanel;
class TNotation;

inline constexpr QSize kStartClientSize{623, 482};

// The board's square size for a board pane of this size.
int SquareForPane(QSize pane);

// Whether a remembered window frame is still worth restoring: a good part of
// it (at least 100 x 50 pixels, or all of a smaller frame) lies on one of the
// screens' available areas.
bool GeometryOnScreens(const QRect& frame, const std::vector<QRect>& screens);
// `frame` moved (not resized) so that as much of it as possible lies in `area`,
// its top-left corner always inside.
QRect KeepInside(const QRect& frame, const QRect& area);

// The key that turns the board: F, without Ctrl, Alt or Meta.
bool IsFlipKey(int key, Qt::KeyboardModifiers modifiers);

// The controls the panes place: the window's client area and what stands in it.
struct TPaneControls {
    QWidget* Client = nullptr;
    TGameList* GameList = nullptr;
    TBoardWidget* Board = nullptr;
    TNotation* Notation = nullptr;
    THeaderPanel* HeaderPanel = nullptr;
    // The button row at the bottom of the client area.
    std::vector<QPushButton*> Buttons;
};

class TPanes : public QObject {
    Q_OBJECT
public:
    TPanes(TPaneControls controls, QObject* parent);

    QSplitter* Vertical() const { return vertical_; }
    QSplitter* Horizontal() const { return horizontal_; }
    QToolButton* FlipButton() const { return flip_; }
    // The small disc beside the board that shows the side to move.
    QWidget* SideMarker() const { return marker_; }

    // A position was shown or the board turned: the side marker follows.
    void PositionShown();
    // Turns the board (F, the flip button); the side marker follows.
    void FlipBoard();
    // The notation's font size in pixels (8 to 40; 11 at the start).
    int NotationFontPixels() const { return fontPixels_; }
    void SetNotationFontPixels(int pixels);

    // The evaluation and clock graph, under the notation while it is not hidden.
    void SetGraph(QWidget* graph);
    // The engine's lines, under the notation (above the graph) while not hidden.
    void SetEnginePane(QWidget* pane);
    // The evaluation bar, in the margin left of the board while not hidden.
    void SetEvalBar(QWidget* bar);
    // The opening tree, right of the other panes over their whole height;
    // shown or hidden (it takes its width from them, and gives it back; the
    // window keeps its size).
    void SetTreePane(QWidget* pane);
    void ShowTreePane(bool on);
    void PlaceNotation();
    // Pane sizes, table columns, coordinates and font size to and from the settings.
    void SaveSettings() const;
    void RestoreSettings();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceClient();
    void PlaceBoard();
    void FitBoardPane();
    void SizeTreePane();

    TPaneControls controls_;
    QSplitter* outer_;  // the panes left, the opening tree right
    QSplitter* vertical_;
    QSplitter* horizontal_;
    QWidget* listPane_;
    QWidget* boardPane_;
    QWidget* notationPane_;
    QToolButton* flip_;
    QWidget* marker_;
    QWidget* ranks_ = nullptr;  // the coordinates beside the board: rank numbers left of it
    QWidget* files_ = nullptr;  // and file letters below it
    QWidget* graph_ = nullptr;
    QWidget* enginePane_ = nullptr;
    QWidget* evalBar_ = nullptr;
    QWidget* treePane_ = nullptr;
    int fontPixels_ = 11;
    int lastBottomHeight_ = -1;
};

// The remembered geometry for the next start, and its restoring: a geometry
// off every current screen is ignored; without one the window keeps its
// start place, moved onto the screen where it would stick out.
void SaveWindowGeometry(const QWidget& window);
void RestoreWindowGeometry(QWidget& window);
