#include "app/window_layout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "app/header_panel.h"
#include "app/settings.h"
#include "board/qt/board_coordinates.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"

namespace {

// The start layout: the board's left margin and its distance from the top
// of its pane, the room under it, the notation's right margin, the height of
// the button row with its margins, and the start sizes of the panes.
constexpr int kBoardLeft = 8;
constexpr int kPaneTop = 17;
constexpr int kBoardBottom = 13;
constexpr int kRightMargin = 6;
constexpr int kButtonRow = 37;
constexpr int kStartListHeight = 145;
constexpr int kStartBoardPaneWidth = 280;
constexpr int kNotationMinWidth = 200;
constexpr int kMinSquare = 16;
constexpr int kMaxSquare = 99;

// The right margin of the board's pane, where the side-to-move marker stands.
int MarkerRoom(int square) { return std::max(16, square / 3); }

// A disc in the colour of the side to move, beside the board's edge of that side.
class TSideMarker final : public QWidget {
public:
    explicit TSideMarker(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("SideToMove"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        Set(1);
    }
    void Set(int side) {
        side_ = side;
        setAccessibleName(side > 0 ? QStringLiteral("White to move") : QStringLiteral("Black to move"));
        setToolTip(accessibleName());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        // Outlined in the other colour, then grey: it shows on a light and a dark window.
        const qreal d = std::min(width(), height()) - 3.0;
        p.setPen(QPen(side_ > 0 ? QColor(40, 40, 40) : QColor(235, 235, 235), 1.5));
        p.setBrush(side_ > 0 ? QColor(250, 250, 250) : QColor(20, 20, 20));
        p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
    }

private:
    int side_ = 1;
};

// The rank numbers (left of the board) or file letters (below it), drawn
// while the board's coordinates are on; never over the squares.
class TCoordinateStrip final : public QWidget {
public:
    TCoordinateStrip(QWidget* parent, const TBoardWidget* board, bool ranks)
        : QWidget(parent), board_(board), ranks_(ranks) {
        setObjectName(ranks ? QStringLiteral("RankNumbers") : QStringLiteral("FileLetters"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!board_->Coordinates()) return;
        QPainter p(this);
        DrawCoordinateStrip(p, rect(), 0, board_->SquareSize(), ranks_, board_->Flipped(),
                            palette().color(QPalette::WindowText));
    }

private:
    const TBoardWidget* board_;
    bool ranks_;
};

}  // namespace

int SquareForPane(QSize pane) {
    const int byWidth = (pane.width() - kBoardLeft - 8) / 8;
    const int byHeight = (pane.height() - kPaneTop - kBoardBottom) / 8;
    return std::clamp(std::min(byWidth, byHeight), kMinSquare, kMaxSquare);
}

bool GeometryOnScreens(const QRect& frame, const std::vector<QRect>& screens) {
    if (!frame.isValid()) return false;
    const int needW = std::min(100, frame.width()), needH = std::min(50, frame.height());
    return std::any_of(screens.begin(), screens.end(), [&](const QRect& s) {
        const QRect on = frame.intersected(s);
        return on.width() >= needW && on.height() >= needH;
    });
}

QRect KeepInside(const QRect& frame, const QRect& area) {
    QRect r = frame;
    if (r.right() > area.right()) r.moveRight(area.right());
    if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
    if (r.left() < area.left()) r.moveLeft(area.left());
    if (r.top() < area.top()) r.moveTop(area.top());
    return r;
}

bool IsFlipKey(int key, Qt::KeyboardModifiers modifiers) {
    return key == Qt::Key_F && !(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

TPanes::TPanes(TPaneControls controls, QObject* parent) : QObject(parent), controls_(std::move(controls)) {
    QWidget* client = controls_.Client;
    client->setMinimumSize(kStartClientSize);
    outer_ = new QSplitter(Qt::Horizontal, client);
    outer_->setObjectName(QStringLiteral("TreeSplitter"));
    outer_->setChildrenCollapsible(false);
    outer_->setHandleWidth(6);
    vertical_ = new QSplitter(Qt::Vertical, outer_);
    vertical_->setObjectName(QStringLiteral("PaneSplitter"));
    vertical_->setChildrenCollapsible(false);
    vertical_->setHandleWidth(6);
    listPane_ = new QWidget(vertical_);
    controls_.GameList->setParent(listPane_);
    horizontal_ = new QSplitter(Qt::Horizontal, vertical_);
    horizontal_->setObjectName(QStringLiteral("BoardSplitter"));
    horizontal_->setChildrenCollapsible(false);
    horizontal_->setHandleWidth(8);
    boardPane_ = new QWidget(horizontal_);
    notationPane_ = new QWidget(horizontal_);
    controls_.Board->setParent(boardPane_);
    controls_.Notation->setParent(notationPane_);
    controls_.HeaderPanel->setParent(notationPane_);
    listPane_->setMinimumHeight(60);
    boardPane_->setMinimumSize(8 * kMinSquare + 16, 8 * kMinSquare + kPaneTop + kBoardBottom);
    notationPane_->setMinimumWidth(kNotationMinWidth);
    vertical_->setStretchFactor(0, 1);
    vertical_->setStretchFactor(1, 2);
    horizontal_->setStretchFactor(0, 0);
    horizontal_->setStretchFactor(1, 1);
    vertical_->setSizes({kStartListHeight, kStartClientSize.height() - kButtonRow - kStartListHeight - 6});
    horizontal_->setSizes({kStartBoardPaneWidth, kStartClientSize.width() - kStartBoardPaneWidth - 8});

    flip_ = new QToolButton(boardPane_);
    flip_->setObjectName(QStringLiteral("FlipButton"));
    flip_->setText(QString(QChar(0x21C5)));  // up and down arrows
    flip_->setToolTip(QStringLiteral("Flip the board (F)"));
    flip_->setAccessibleName(QStringLiteral("Flip the board"));
    flip_->setFocusPolicy(Qt::NoFocus);  // the list keeps the focus and the key map
    flip_->setAutoRaise(true);
    connect(flip_, &QToolButton::clicked, this, &TPanes::FlipBoard);
    marker_ = new TSideMarker(boardPane_);
    ranks_ = new TCoordinateStrip(boardPane_, controls_.Board, true);
    files_ = new TCoordinateStrip(boardPane_, controls_.Board, false);

    for (QWidget* w : {client, listPane_, boardPane_, notationPane_, static_cast<QWidget*>(horizontal_)})
        w->installEventFilter(this);
    for (QWidget* w : {client, listPane_, boardPane_, notationPane_}) w->resize(w->size());
    client->resize(kStartClientSize);
    PlaceClient();
}

bool TPanes::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        if (watched == controls_.Client) PlaceClient();
        else if (watched == listPane_)
            controls_.GameList->setGeometry(0, 0, listPane_->width() - kRightMargin, listPane_->height());
        else if (watched == boardPane_) PlaceBoard();
        else if (watched == notationPane_) PlaceNotation();
        else if (watched == horizontal_) FitBoardPane();
    }
    return QObject::eventFilter(watched, event);
}

void TPanes::PlaceClient() {
    QWidget* client = controls_.Client;
    const int buttonTop = client->height() - kButtonRow + 3;
    outer_->setGeometry(0, 0, client->width(), client->height() - kButtonRow);
    for (QPushButton* b : controls_.Buttons) b->move(b->x(), buttonTop);
}

void TPanes::FitBoardPane() {
    // Taller panes: the board's pane takes the width its larger board needs.
    const int height = horizontal_->height();
    if (height == lastBottomHeight_) return;
    lastBottomHeight_ = height;
    const int total = horizontal_->width() - horizontal_->handleWidth();
    const int square = std::clamp((height - kPaneTop - kBoardBottom) / 8, kMinSquare, kMaxSquare);
    const int want = std::min(kBoardLeft + 8 * square + MarkerRoom(square), total - kNotationMinWidth);
    if (want > 0 && horizontal_->sizes().value(0) != want) horizontal_->setSizes({want, total - want});
}

void TPanes::PlaceBoard() {
    TBoardWidget* board = controls_.Board;
    const int square = SquareForPane(boardPane_->size());
    if (board->SquareSize() != square) {
        // Set and size change together, painted once.
        const bool locked = board->PaintLocked;
        board->PaintLocked = true;
        if (board->PieceSet() != TPieceSet::User) board->SetPieceSet(BuiltInSetForSquare(square));
        board->SetSquareSize(square);
        board->PaintLocked = locked;
        board->RedrawBoard(false);
    }
    board->move(kBoardLeft, kPaneTop);
    const int boardPx = 8 * square;
    flip_->setGeometry(kBoardLeft + boardPx - 20, 0, 20, kPaneTop - 1);
    ranks_->setGeometry(0, kPaneTop, kBoardLeft, boardPx);
    files_->setGeometry(kBoardLeft, kPaneTop + boardPx, boardPx, kBoardBottom - 1);
    PositionShown();
}

void TPanes::PositionShown() {
    TBoardWidget* board = controls_.Board;
    const int square = board->SquareSize();
    const int room = MarkerRoom(square);
    const int d = std::min(room - 2, std::max(12, square / 3));
    const bool atBottom = (board->SideToMove() > 0) != board->Flipped();
    const int rowTop = kPaneTop + (atBottom ? 7 * square : 0);
    marker_->setGeometry(kBoardLeft + 8 * square + (room - d) / 2, rowTop + (square - d) / 2, d, d);
    static_cast<TSideMarker*>(marker_)->Set(board->SideToMove());
    if (evalBar_) {
        // Right of the board, between the rows where the side-to-move disc
        // stands (the coordinates take the left margin).
        evalBar_->setGeometry(kBoardLeft + 8 * square + (room - 6) / 2, kPaneTop + square, 6, 6 * square);
        evalBar_->update();
    }
    for (QWidget* strip : {ranks_, files_})
        if (strip) strip->update();  // a flip or the coordinates switched
}

void TPanes::FlipBoard() {
    controls_.Board->SetFlipped(!controls_.Board->Flipped());
    PositionShown();
}

void TPanes::PlaceNotation() {
    // The header panel and the notation stand level with the board, the
    // notation ending a pixel below it.
    const int top = kPaneTop;
    const int width = notationPane_->width() - kRightMargin;
    const int bottom = std::max(top + 40, notationPane_->height() - kBoardBottom + 1);
    const int headerHeight = controls_.HeaderPanel->PanelHeight();
    controls_.HeaderPanel->setGeometry(0, top, width, headerHeight);
    int graphHeight = 0;
    if (graph_ && !graph_->isHidden()) {
        // At most a third of the notation's room, and never under 40 pixels.
        graphHeight = std::clamp((bottom - top - headerHeight) / 3, 40, graph_->sizeHint().height());
        graph_->setGeometry(0, bottom - graphHeight, width, graphHeight);
        graphHeight += 4;
    }
    int paneHeight = 0;
    if (enginePane_ && !enginePane_->isHidden()) {
        // At most half the notation's room.
        paneHeight = std::min(enginePane_->sizeHint().height(), (bottom - top - headerHeight - graphHeight) / 2);
        enginePane_->setGeometry(0, bottom - graphHeight - paneHeight, width, paneHeight);
        paneHeight += 4;
    }
    controls_.Notation->setGeometry(0, top + headerHeight, width,
                                    bottom - top - headerHeight - graphHeight - paneHeight);
}

void TPanes::SetGraph(QWidget* graph) {
    graph_ = graph;
    graph->setParent(notationPane_);
    PlaceNotation();
}

void TPanes::SetEnginePane(QWidget* pane) {
    enginePane_ = pane;
    pane->setParent(notationPane_);
    PlaceNotation();
}

void TPanes::SetEvalBar(QWidget* bar) {
    evalBar_ = bar;
    bar->setParent(boardPane_);
    PositionShown();
}

void TPanes::SetTreePane(QWidget* pane) {
    treePane_ = pane;
    pane->hide();
    outer_->addWidget(pane);
    outer_->setStretchFactor(0, 1);
    outer_->setStretchFactor(1, 0);
    auto settings = QuarzelSettings();
    outer_->restoreState(settings->value(QStringLiteral("panes/tree")).toByteArray());
    pane->hide();  // shown by its switch
}

void TPanes::ShowTreePane(bool on) {
    if (!treePane_ || treePane_->isVisibleTo(controls_.Client) == on) return;
    treePane_->setVisible(on);
    outer_->refresh();  // the other panes take or give the room now, not at the next layout pass
    lastBottomHeight_ = -1;  // and the board's pane is fitted to its new room
    FitBoardPane();
    // Sized once the window has its size (a restored window gets it after the panes are made).
    if (on) QTimer::singleShot(0, this, &TPanes::SizeTreePane);
}

void TPanes::SizeTreePane() {
    if (!treePane_ || treePane_->isHidden() || outer_->sizes().value(1) >= 300) return;
    // Room for its columns, taken from the other panes down to what they need.
    const int total = outer_->width() - outer_->handleWidth();
    const int want = std::min(std::clamp(total * 2 / 5, 300, 560), total - vertical_->minimumSizeHint().width());
    if (want <= 0) return;
    outer_->setSizes({total - want, want});
    lastBottomHeight_ = -1;  // the board's pane fitted to its new room
    FitBoardPane();
}

void TPanes::SetNotationFontPixels(int pixels) {
    pixels = std::clamp(pixels, 8, 40);
    fontPixels_ = pixels;
    TNotation* n = controls_.Notation;
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(pixels);
    n->SetFontHeadLine(font);
    n->SetFontComment(font);
    n->SetFont0Var(font);
    n->SetFont1Var(font);
    n->SetFont2Var(font);
    controls_.HeaderPanel->setFont(font);
    PlaceNotation();
}

void TPanes::SaveSettings() const {
    auto settings = QuarzelSettings();
    settings->setValue(QStringLiteral("panes/vertical"), vertical_->saveState());
    settings->setValue(QStringLiteral("panes/horizontal"), horizontal_->saveState());
    if (treePane_ && treePane_->isVisibleTo(controls_.Client))
        settings->setValue(QStringLiteral("panes/tree"), outer_->saveState());
    settings->setValue(QStringLiteral("gameTable/columns"), controls_.GameList->ColumnState());
    settings->setValue(QStringLiteral("view/coordinates"), controls_.Board->Coordinates());
    settings->setValue(QStringLiteral("view/notationFontPixels"), fontPixels_);
}

void TPanes::RestoreSettings() {
    auto settings = QuarzelSettings();
    vertical_->restoreState(settings->value(QStringLiteral("panes/vertical")).toByteArray());
    horizontal_->restoreState(settings->value(QStringLiteral("panes/horizontal")).toByteArray());
    controls_.GameList->RestoreColumnState(settings->value(QStringLiteral("gameTable/columns")).toByteArray());
    controls_.Board->SetCoordinates(settings->value(QStringLiteral("view/coordinates"), true).toBool());
    PositionShown();
    const int pixels = settings->value(QStringLiteral("view/notationFontPixels"), 11).toInt();
    if (pixels != fontPixels_) SetNotationFontPixels(pixels);
}

void SaveWindowGeometry(const QWidget& window) {
    auto settings = QuarzelSettings();
    const QRect normal = window.isMaximized() || window.isFullScreen() ? window.normalGeometry() : window.geometry();
    // Position of the frame, size of the client area: what move() and resize() take.
    settings->setValue(QStringLiteral("window/position"), window.isMaximized() ? normal.topLeft() : window.pos());
    settings->setValue(QStringLiteral("window/size"), normal.size());
    settings->setValue(QStringLiteral("window/maximized"), window.isMaximized());
}

void RestoreWindowGeometry(QWidget& window) {
    std::vector<QRect> screens;
    for (QScreen* s : QGuiApplication::screens()) screens.push_back(s->availableGeometry());
    auto settings = QuarzelSettings();
    const QPoint pos = settings->value(QStringLiteral("window/position")).toPoint();
    const QSize size = settings->value(QStringLiteral("window/size")).toSize().expandedTo(window.minimumSizeHint());
    if (settings->contains(QStringLiteral("window/size")) && GeometryOnScreens(QRect(pos, size), screens)) {
        window.move(pos);
        window.resize(size);
        if (settings->value(QStringLiteral("window/maximized")).toBool()) window.setWindowState(Qt::WindowMaximized);
        return;
    }
    // The start place must not push the window off a small (or highly
    // scaled, so logically small) screen.
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (screen) window.move(KeepInside(QRect(window.pos(), window.size()), screen->availableGeometry()).topLeft());
}
