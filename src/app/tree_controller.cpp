#include "app/tree_controller.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "app/settings.h"
#include "app/status_line.h"
#include "app/tree_pane.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/game_tree.h"
#include "notation/qt/notation.h"
#include "notation/san_resolve.h"
#include "platform/guarded.h"
#include "rules/position_key.h"
#include "search/opening_names.h"

namespace {

constexpr int kTickMs = 300;
constexpr char kSwitchKey[] = "view/openingTree";

// Plays the move written `san` on board and state (Side = the side to move);
// `shown` gets it as the game tree keeps a move. False when it is no move there.
bool PlaySan(TBoard& board, TMoveRecord& state, const std::string& san, const TCastlingRooks& rooks,
             TMoveRecord& shown) {
    std::string token;
    uint8_t signs = 0;
    san::ReadMoveWord(san, 0, token, signs);
    TMoveRecord move = state;
    move.Flags = signs;
    if (san::ClassifyMoveWord(token) != san::TWordKind::Move) return false;
    if (san::ReadMove(token, board, move, rooks, state.EpSquare) != san::TMoveReading::Move) return false;
    if (rooks.Active) UpdateRookFileRights(board, move, rooks);
    else san::UpdateCastlingRights(board, move);
    move.Side = static_cast<int8_t>(-move.Side);
    MakeMove(board, move);
    state.Castling = move.Castling;
    state.EpSquare = move.EpSquare;
    state.Side = move.Side;
    shown = move;
    return true;
}

bool SameMove(const TMoveRecord& a, const TMoveRecord& b) {
    return a.FromSq == b.FromSq && a.ToSq == b.ToSq && a.Promotion == b.Promotion && a.CastleKind == b.CastleKind;
}

}  // namespace

TTreeController::TTreeController(const TTreeControls& controls, QObject* parent)
    : QObject(parent), controls_(controls), settings_(TTreeSettings::Load()) {
    pane_ = new TTreePane;
    pane_->Clear(QStringLiteral("No file open"));
    connect(pane_, &TTreePane::MoveChosen, this, [this](int row) { Guarded(pane_, [&] { Choose(row); }); });
    connect(pane_, &TTreePane::ListChosen, this, [this](int row) { Guarded(pane_, [&] { ListRow(row); }); });
    tick_ = new QTimer(this);
    tick_->setInterval(kTickMs);
    connect(tick_, &QTimer::timeout, this, [this] {
        Guarded(pane_, [&] {
            if (Building() || controls_.GameList->Core().RowsVersion() != queriedVersion_) Query();
        });
    });

    // The list narrowed or widened (a search, a filter, Esc): asked again soon.
    listChanged_ = new QTimer(this);
    listChanged_->setSingleShot(true);
    listChanged_->setInterval(20);
    connect(listChanged_, &QTimer::timeout, this, [this] { Guarded(pane_, [&] { Query(); }); });
    QAbstractItemModel* rows = controls_.GameList->model();
    connect(rows, &QAbstractItemModel::modelReset, listChanged_, qOverload<>(&QTimer::start));
    connect(rows, &QAbstractItemModel::rowsInserted, listChanged_, qOverload<>(&QTimer::start));

    TWindowMenus& menus = *controls_.Menus;
    QMenu* view = menus.View();
    view->addSeparator();
    auto stored = QuarzelSettings()->value(QString::fromLatin1(kSwitchKey));
    chosen_ = stored.isValid();
    const bool on = chosen_ ? stored.toBool() : controls_.Window->width() >= kTreeAutoWidth;
    switch_ = menus.AddViewSwitch(QStringLiteral("&Opening tree"), on,
                                  [this](bool on) { Guarded(pane_, [&] { PlaceView(on); }); });
    // A flip by the user is kept; the width decides only until then.
    connect(switch_, &QAction::triggered, this, [this](bool on) {
        chosen_ = true;
        QuarzelSettings()->setValue(QString::fromLatin1(kSwitchKey), on);
    });
    QAction* edit = view->addAction(QStringLiteral("Opening &tree settings..."));
    connect(edit, &QAction::triggered, this, [this] {
        Guarded(pane_, [&] {
            TTreeSettings chosen = settings_;
            if (EditTreeSettings(controls_.Window, chosen)) settings_ = chosen;
        });
    });
    controls_.Panes->SetTreePane(pane_);
    QWidget::setTabOrder(controls_.Notation, pane_->Table());  // last, right of the notation
    controls_.Window->installEventFilter(this);
    PlaceView(on);
}

TTreeController::~TTreeController() {
    // No worker reports after this.
    tree_.reset();
}

bool TTreeController::eventFilter(QObject* watched, QEvent* event) {
    if (watched == controls_.Window && event->type() == QEvent::Resize && !chosen_) FollowWidth();
    return QObject::eventFilter(watched, event);
}

void TTreeController::FollowWidth() {
    const bool wide = controls_.Window->width() >= kTreeAutoWidth;
    if (switch_->isChecked() != wide) switch_->setChecked(wide);
}

void TTreeController::PlaceView(bool on) {
    controls_.Panes->ShowTreePane(on);
    if (on) {
        Query();
        tick_->start();
    } else {
        tick_->stop();
    }
}

void TTreeController::FileClosing() {
    tree_.reset();  // cancels and waits: the list's index may change now
    ++generation_;
    percent_ = -1;
    controls_.Status->TreeProgress(-1);
    subsetVersion_ = ~std::uint64_t{0};
    pane_->Clear(QStringLiteral("No file open"));
}

void TTreeController::FileShown() {
    TGameList& list = *controls_.GameList;
    if (tree_ || !list.FileOpen()) return;
    auto tree = std::make_unique<TOpeningTree>();
    const std::uint64_t generation = ++generation_;
    // The tree reports from its threads; what it says is handed to the GUI
    // thread and dropped there once another build has begun.
    auto post = [this, generation](auto fn) {
        QMetaObject::invokeMethod(
            this, [this, generation, fn]() { if (generation == generation_) Guarded(pane_, fn); },
            Qt::QueuedConnection);
    };
    tree->OnProgress = [post, this](std::int64_t read, std::int64_t total) {
        post([this, read, total] { Progress(read, total); });
    };
    tree->OnFinished = [post, this](bool complete) { post([this, complete] { Finished(complete); }); };
    std::string error;
    if (!tree->Start(list.Core(), settings_.CacheOptions(), error)) {
        pane_->Clear(QStringLiteral("No opening tree: ") + QString::fromStdString(error));
        return;
    }
    tree_ = std::move(tree);
    percent_ = 0;
    controls_.Status->TreeProgress(0);
    Query();
}

void TTreeController::Progress(std::int64_t read, std::int64_t total) {
    if (!tree_ || !tree_->Running()) return;
    percent_ = total > 0 ? static_cast<int>(read * 100 / total) : 0;
    controls_.Status->TreeProgress(percent_);
}

void TTreeController::Finished(bool complete) {
    percent_ = -1;
    controls_.Status->TreeProgress(-1);
    if (!complete && tree_)
        controls_.Status->Tell(QStringLiteral("The opening tree stopped: it counts only the games read so far"));
    Query();
}

bool TTreeController::Building() const { return tree_ && tree_->Running(); }
bool TTreeController::Complete() const { return tree_ && tree_->Complete(); }

bool TTreeController::FindPositions(const TSearchTarget& target, std::vector<TSearchHit>& hits,
                                    std::int64_t& unread) const {
    if (!tree_ || !tree_->Complete() || !tree_->FindPositions(target, hits)) return false;
    unread = tree_->UnreadGames();
    return true;
}

void TTreeController::MoveShown() { Query(); }

const std::vector<std::int32_t>* TTreeController::Subset() {
    if (!controls_.ListNarrowed || !controls_.ListNarrowed()) return nullptr;
    TGameListCore& core = controls_.GameList->Core();
    if (core.RowsVersion() != subsetVersion_ || static_cast<std::int32_t>(subset_.size()) != core.RowCount()) {
        subset_.clear();
        subset_.reserve(static_cast<size_t>(core.RowCount()));
        for (std::int32_t r = 0; r < core.RowCount(); ++r) subset_.push_back(core.GameIndexOfRow(r));
        std::sort(subset_.begin(), subset_.end());
        subsetVersion_ = core.RowsVersion();
    }
    return &subset_;
}

QString TTreeController::HeadText(const TTreeAnswer& answer) const {
    const TBoardWidget& board = *controls_.Board;
    QString head;
    if (const TOpeningName* name = OpeningOfPosition(PositionKey(board.Position(), board.Move())))
        head = QString::fromStdString(name->Eco + " " + name->Name) + QStringLiteral("   ");
    const bool narrowed = controls_.ListNarrowed && controls_.ListNarrowed();
    head += narrowed ? QStringLiteral("%1 of the listed games").arg(NumberText(answer.Games)) : GamesText(answer.Games);
    if (Building() && answer.GamesTotal > 0)
        head += QStringLiteral("   (from %1% of the file so far)").arg(answer.GamesRead * 100 / answer.GamesTotal);
    return head;
}

void TTreeController::Query() {
    if (pane_->isHidden()) return;
    queriedVersion_ = controls_.GameList->Core().RowsVersion();
    if (!tree_) {
        pane_->Clear(controls_.GameList->FileOpen() ? QStringLiteral("No opening tree") : QStringLiteral("No file open"));
        return;
    }
    const TBoardWidget& board = *controls_.Board;
    const TTreeAnswer answer = tree_->Tree(board.Position(), board.Move(), Subset());
    const std::uint64_t key = PositionKey(board.Position(), board.Move());
    pane_->SetAnswer(answer, HeadText(answer), key == shownKey_);
    shownKey_ = key;
}

bool TTreeController::BoardShowsGame() const {
    const TNotationCore& core = controls_.Notation->Core();
    return controls_.Board->Position() == core.Board && controls_.Board->Move().Side == core.State.Side &&
           controls_.Board->Move().Castling == core.State.Castling;
}

void TTreeController::Choose(int row) {
    const std::vector<TTreeMove>& moves = pane_->Answer().Moves;
    if (row < 0 || row >= static_cast<int>(moves.size())) return;
    const TTreeMove move = moves[static_cast<size_t>(row)];
    const TNotationCore& core = controls_.Notation->Core();
    if (BoardShowsGame()) {
        const TMoveNode* next = core.Current ? core.Current->Next : core.Root ? core.Root->FirstMove : nullptr;
        if (next && SameMove(next->Move, move.Move)) {
            emit StepWanted();
            return;
        }
    }
    TBoardWidget& board = *controls_.Board;
    TBoard position = board.Position();
    TMoveRecord state = board.Move(), shown;
    if (!PlaySan(position, state, move.San, board.CastlingRooks, shown)) return;
    // Only the board shows it: the game and its current move stay.
    board.ShowPosition(position, shown);
    controls_.Panes->PositionShown();
    controls_.Status->Tell(
        QStringLiteral("The board shows the position after %1, which the game does not reach (a step returns to the game)")
            .arg(QString::fromStdString(move.San)));
    Query();
}

void TTreeController::ListRow(int row) {
    const std::vector<TTreeMove>& moves = pane_->Answer().Moves;
    if (!tree_ || row < 0 || row >= static_cast<int>(moves.size()) || !controls_.ListGames) return;
    const TTreeMove& move = moves[static_cast<size_t>(row)];
    const TBoardWidget& board = *controls_.Board;
    // The games the row counts: of the listed ones when the list is narrowed.
    const std::vector<std::int32_t> games = tree_->GamesWith(board.Position(), board.Move(), move.Move, Subset());
    controls_.ListGames(games, QStringLiteral("opening tree, %1 here").arg(QString::fromStdString(move.San)));
    Query();
}
