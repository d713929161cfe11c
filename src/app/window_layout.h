// The main window's layout at any size. At its start size of 623 x 482 the
// controls stand exactly where the fixed layout puts them; a larger window
// gives the board the largest square size that fits (up to 99 pixels), the
// list and the notation the rest, and keeps the button row at the bottom.
// The window's size and position are remembered between runs.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>
#include <vector>

class QToolButton;
class QWidget;
class TForm1;

inline constexpr QSize kStartClientSize{623, 482};

struct TWindowLayout {
    QRect header;
    QRect list;
    QRect board;
    QRect notation;
    QRect flipButton;
    int square = 33;     // board square size in pixels
    int buttonTop = 448;
};

// The layout for a client area of `client` (never smaller than the start size).
TWindowLayout ComputeWindowLayout(QSize client);

// Whether a remembered window frame is still worth restoring: a good part of
// it (at least 100 x 50 pixels, or all of a smaller frame) lies on one of the
// screens' available areas.
bool GeometryOnScreens(const QRect& frame, const std::vector<QRect>& screens);
// `frame` moved (not resized) so that as much of it as possible lies in `area`,
// its top-left corner always inside.
QRect KeepInside(const QRect& frame, const QRect& area);

// The key that turns the board: F, without Ctrl, Alt or Meta.
bool IsFlipKey(int key, Qt::KeyboardModifiers modifiers);

// Lays out the window's controls whenever the window changes size, and owns
// the small flip button above the board's top-right corner.
class TWindowLayoutKeeper : public QObject {
    Q_OBJECT
public:
    explicit TWindowLayoutKeeper(TForm1* form);
    QToolButton* FlipButton() const { return flip_; }
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TForm1* form_;
    QToolButton* flip_;
    QSize applied_;
};

// The remembered geometry for the next start, and its restoring: a geometry
// off every current screen is ignored; without one the window keeps its
// start place, moved onto the screen where it would stick out.
void SaveWindowGeometry(const QWidget& window);
void RestoreWindowGeometry(QWidget& window);
