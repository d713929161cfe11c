#include "app/engine_controller.h"

#include <QAction>
#include <QMenu>
#include <QSocketNotifier>
#include <QTimer>

#include "app/engine_pane.h"
#include "app/eval_bar.h"
#include "app/settings.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "board/qt/board_widget.h"
#include "engine/uci_engine.h"
#include "notation/move_numbers.h"
#include "notation/qt/notation.h"
#include "platform/guarded.h"
#include "rules/chess960.h"

namespace {

constexpr int kRefreshMs = 100;  // at most ten repaints a second
constexpr char kPaneKey[] = "view/enginePane";
constexpr char kBarKey[] = "view/evaluationBar";

void Remember(const char* key, bool on) { QuarzelSettings()->setValue(QString::fromLatin1(key), on); }
bool Recall(const char* key, bool otherwise) {
    return QuarzelSettings()->value(QString::fromLatin1(key), otherwise).toBool();
}

const QString kOffText = QStringLiteral("Analysis off: Game > Analyse (Ctrl+E) starts it");

}  // namespace

TEngineController::TEngineController(const TEngineControls& controls, QObject* parent)
    : QObject(parent), controls_(controls), settings_(TEngineSettings::Load()) {
    pane_ = new TEnginePane;
    pane_->setObjectName(QStringLiteral("EnginePane"));
    pane_->SetRows(settings_.Lines);
    pane_->SetHead(kOffText);
    bar_ = new TEvalBar(controls_.Board);
    bar_->setObjectName(QStringLiteral("EvalBar"));
    connect(pane_, &TEnginePane::MoveClicked, this,
            [this](int line, int move) { Guarded(pane_, [&] { ShowLinePosition(line, move); }); });

    tick_ = new QTimer(this);
    tick_->setInterval(250);
    connect(tick_, &QTimer::timeout, this, [this] { Guarded(pane_, [&] { Read(); }); });
    refresh_ = new QTimer(this);
    refresh_->setSingleShot(true);
    connect(refresh_, &QTimer::timeout, this, [this] { Guarded(pane_, [&] { Refresh(); }); });
    lastRefresh_.start();

    TWindowMenus& menus = *controls_.Menus;
    QMenu* game = menus.Game();
    game->addSeparator();
    analyse_ = game->addAction(QStringLiteral("&Analyse"));
    analyse_->setCheckable(true);
    analyse_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    analyse_->setShortcutContext(Qt::WindowShortcut);
    controls_.Window->addAction(analyse_);
    connect(analyse_, &QAction::toggled, this, [this](bool on) { Guarded(pane_, [&] { SetAnalysing(on); }); });
    QAction* edit = game->addAction(QStringLiteral("Engine se&ttings..."));
    connect(edit, &QAction::triggered, this, [this] {
        TEngineSettings chosen = settings_;
        if (EditEngineSettings(controls_.Window, chosen)) Guarded(pane_, [&] { ApplySettings(chosen); });
    });
    QMenu* view = menus.View();
    view->addSeparator();
    paneSwitch_ = menus.AddViewSwitch(QStringLiteral("Engine &pane"), Recall(kPaneKey, false), [this](bool on) {
        Remember(kPaneKey, on);
        PlaceViews();
    });
    barSwitch_ = menus.AddViewSwitch(QStringLiteral("E&valuation bar"), Recall(kBarKey, true), [this](bool on) {
        Remember(kBarKey, on);
        PlaceViews();
    });
    controls_.Panes->SetEnginePane(pane_);
    controls_.Panes->SetEvalBar(bar_);
    PlaceViews();
}

TEngineController::~TEngineController() { EndEngine(); }

void TEngineController::PlaceViews() {
    pane_->setVisible(paneSwitch_->isChecked());
    bar_->setVisible(barSwitch_->isChecked());
    controls_.Panes->PlaceNotation();
    controls_.Panes->PositionShown();
}

void TEngineController::StartEngine() {
    fault_.clear();
    engine_ = std::make_unique<TUciEngine>(settings_.Program().toStdString());
    if (!engine_->Start()) {
        Fault(QString::fromStdString(engine_->Error()));
        return;
    }
    notifier_ = new QSocketNotifier(engine_->Descriptor(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Guarded(pane_, [&] { Read(); }); });
    tick_->start();
}

void TEngineController::EndEngine() {
    tick_->stop();
    if (notifier_) {
        // Off before the descriptor closes; deleted later, as this may run in its own signal.
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
    }
    engine_.reset();
}

void TEngineController::Fault(const QString& text) {
    fault_ = QStringLiteral("Engine: ") + text;
    EndEngine();
    pane_->SetHead(fault_);
    pane_->Clear(QString::fromStdString(position_.Fen));
    bar_->SetScore(std::nullopt);
}

void TEngineController::ApplySettings(const TEngineSettings& settings) {
    const bool newProgram = settings.Program() != settings_.Program();
    settings_ = settings;
    pane_->SetRows(settings_.Lines);
    controls_.Panes->PlaceNotation();
    if (newProgram || !fault_.isEmpty()) EndEngine();
    if (analysing_) {
        fault_.clear();
        position_ = TEnginePosition{};  // sent again, with the new options
        MoveShown();
    }
}

void TEngineController::SetAnalysing(bool on) {
    analysing_ = on;
    if (analyse_->isChecked() != on) analyse_->setChecked(on);
    if (on && !paneSwitch_->isChecked()) paneSwitch_->setChecked(true);
    if (!on && engine_) engine_->Stop();
    if (!on) {
        pane_->SetHead(kOffText);
        pane_->Clear(QString::fromStdString(position_.Fen));
        bar_->SetScore(std::nullopt);
        return;
    }
    fault_.clear();
    MoveShown();
}

void TEngineController::MoveShown() {
    const TNotationCore& core = controls_.Notation->Core();
    if (!analysing_) {
        // Nothing to send: the board's position only names what the pane has no lines for.
        position_ = TEnginePosition{};
        position_.Fen = PositionToFEN(core.Board, core.State, 1, core.Game.CastlingRooks);
        pane_->Clear(QString::fromStdString(position_.Fen));
        bar_->SetScore(std::nullopt);
        return;
    }
    preview_.clear();
    TEnginePosition position = EnginePositionOfGame(core);
    // The same position again (a game loaded and shown): its lines stay.
    if (position == position_ && engine_ && analysing_ && engine_->View().Fen == position_.Fen) return;
    position_ = std::move(position);
    fullMove_ = CurrentMoveNumbers(core).FullMove;
    // The old position's lines go at once, whatever the engine still says.
    pane_->Clear(QString::fromStdString(position_.Fen));
    bar_->SetScore(std::nullopt);
    if (!fault_.isEmpty()) return;
    if (!engine_) StartEngine();
    if (!engine_) return;
    engine_->SetOptions({settings_.Threads, settings_.HashMb, settings_.Lines});
    engine_->SetPieceLetters(core.English() ? kEnglishPieceLetters : kGermanPieceLetters);
    engine_->Analyse(position_);
    Read();
    Refresh();
}

void TEngineController::Read() {
    if (!engine_) return;
    if (!engine_->Poll()) {
        Fault(QString::fromStdString(engine_->Error()));
        return;
    }
    if (engine_->TakeChanged()) RefreshSoon();
}

void TEngineController::RefreshSoon() {
    const qint64 since = lastRefresh_.elapsed();
    // The first lines of a position come at once, later ones at the pace.
    const bool first = pane_->LineTexts().isEmpty() && engine_ && !engine_->View().Lines.empty();
    if (since >= kRefreshMs || first) Refresh();
    else if (!refresh_->isActive()) refresh_->start(static_cast<int>(kRefreshMs - since));
}

void TEngineController::Refresh() {
    lastRefresh_.restart();
    if (!engine_ || !analysing_) return;
    const TEngineView& view = engine_->View();
    if (view.Fen != position_.Fen) return;  // never another position's lines
    QString head = QString::fromStdString(engine_->Name().empty() ? std::string("Engine") : engine_->Name());
    if (view.Finished && view.LineCount == 0) {
        head += QStringLiteral(": no legal move in this position");
    } else if (!view.Lines.empty() && view.Lines[0].Depth > 0) {
        head += QStringLiteral("   depth %1   %2 kN/s").arg(view.Lines[0].Depth).arg(view.Nps / 1000);
    } else {
        head += QStringLiteral(": thinking...");
    }
    pane_->SetHead(preview_.isEmpty() ? head : preview_);
    pane_->SetLines(view, fullMove_, position_.State.Side != Black);
    if (!view.Lines.empty() && view.Lines[0].Depth > 0) bar_->SetScore(view.Lines[0].Score);
}

void TEngineController::ShowLinePosition(int line, int move) {
    if (!engine_ || engine_->View().Fen != position_.Fen) return;
    const auto& lines = engine_->View().Lines;
    if (line < 0 || line >= static_cast<int>(lines.size())) return;
    TMoveRecord last = position_.State;
    const TEnginePosition at = PositionAfterLine(position_, lines[static_cast<size_t>(line)].Uci,
                                                 static_cast<size_t>(move) + 1, last);
    const std::vector<std::string>& san = lines[static_cast<size_t>(line)].San;
    if (static_cast<size_t>(move) < san.size())
        preview_ = QStringLiteral("The board shows the line after %1 (a step returns to the game)")
                       .arg(QString::fromStdString(san[static_cast<size_t>(move)]));
    pane_->SetHead(preview_);
    // Only the board shows it: the game and its current move stay.
    controls_.Board->CastlingRooks = at.Rooks;
    controls_.Board->ShowPosition(at.Board, last);
    controls_.Panes->PositionShown();
    emit LinePositionShown();
}
