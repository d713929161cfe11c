#include "app/window_layout.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <algorithm>

#include "app/form1.h"
#include "app/settings.h"
#include "board/qt/brett.h"
#include "notation/qt/notation.h"
#include "collection/qt/pgn.h"

namespace {

// Fixed parts of the start layout: the board's left margin and top, the gap
// between board and notation, the notation's right margin, and what lies
// below the board (gap, buttons, bottom margin).
constexpr int kBoardLeft = 8;
constexpr int kBoardTop = 168;
constexpr int kGap = 16;
constexpr int kRightMargin = 6;
constexpr int kNotationMinWidth = 329;
constexpr int kBelowBoard = 50;
constexpr int kMaxSquare = 99;

}  // namespace

TWindowLayout ComputeWindowLayout(QSize client) {
    const int w = std::max(client.width(), kStartClientSize.width());
    const int h = std::max(client.height(), kStartClientSize.height());
    const int availW = w - kBoardLeft - kGap - kNotationMinWidth - kRightMargin;
    const int availH = h - kBoardTop - kBelowBoard;
    TWindowLayout l;
    l.square = std::clamp(std::min(availW, availH) / 8, 33, kMaxSquare);
    const int boardPx = 8 * l.square;
    // Height the board cannot use goes to the list; width to the notation.
    const int spareH = std::max(0, availH - boardPx);
    const int top = kBoardTop + spareH;
    l.header = QRect(0, 0, w, 17);
    l.list = QRect(0, 16, w - kRightMargin, 129 + spareH);
    l.board = QRect(kBoardLeft, top, boardPx, boardPx);
    const int notationLeft = kBoardLeft + boardPx + kGap;
    l.notation = QRect(notationLeft, top, w - notationLeft - kRightMargin, boardPx + 1);
    l.flipButton = QRect(kBoardLeft + boardPx - 20, top - 20, 20, 18);
    l.buttonTop = h - 34;
    return l;
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

TWindowLayoutKeeper::TWindowLayoutKeeper(TForm1* form) : QObject(form), form_(form) {
    flip_ = new QToolButton(form);
    flip_->setObjectName(QStringLiteral("FlipButton"));
    flip_->setText(QString(QChar(0x21C5)));  // up and down arrows
    flip_->setToolTip(QStringLiteral("Flip the board (F)"));
    flip_->setFocusPolicy(Qt::NoFocus);  // the list keeps the focus and the key map
    flip_->setAutoRaise(true);
    connect(flip_, &QToolButton::clicked, form, [form] { form->Brett1->SetFlipped(!form->Brett1->Flipped()); });
    form->installEventFilter(this);
    Apply();
}

bool TWindowLayoutKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == form_ && event->type() == QEvent::Resize) Apply();
    return QObject::eventFilter(watched, event);
}

void TWindowLayoutKeeper::Apply() {
    // Once per size: dragging the window edge relayouts the notation and
    // repaints the board only when the size really changed.
    if (form_->size() == applied_) return;
    applied_ = form_->size();
    const TWindowLayout l = ComputeWindowLayout(applied_);
    form_->HeaderControl->setGeometry(l.header);
    form_->PGN1->setGeometry(l.list);
    TBrett* board = form_->Brett1;
    board->move(l.board.topLeft());
    if (board->Groesse() != l.square) {
        // Set and size change together, painted once.
        const bool locked = board->PaintLocked;
        board->PaintLocked = true;
        if (board->Figuren() != TFigurenset::User) board->SetFiguren(BuiltInSetForSquare(l.square));
        board->SetGroesse(l.square);
        board->PaintLocked = locked;
        board->RedrawBoard(false);
    }
    form_->Notation1->setGeometry(l.notation);
    flip_->setGeometry(l.flipButton);
    for (QPushButton* b : {form_->ButtonStart, form_->ButtonBack, form_->NextWBranch, form_->ButtonForw,
                           form_->ButtonEnd, form_->PrevMatchB, form_->NextMatchB, form_->PredGame, form_->NextGame,
                           form_->ButtonClipPos, form_->ButtonClipPGN})
        b->move(b->x(), l.buttonTop);
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
    const QSize size = settings->value(QStringLiteral("window/size")).toSize().expandedTo(kStartClientSize);
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
