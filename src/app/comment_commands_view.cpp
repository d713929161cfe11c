#include "app/comment_commands_view.h"

#include <QAction>
#include <QMenu>

#include "app/main_window.h"
#include "app/settings.h"
#include "app/window_layout.h"
#include "app/window_menus.h"
#include "board/qt/board_widget.h"
#include "notation/comment_commands.h"
#include "notation/qt/eval_graph.h"
#include "notation/qt/notation.h"

namespace {

constexpr char kClocksKey[] = "view/clocks";
constexpr char kEvalsKey[] = "view/evaluations";
constexpr char kGraphKey[] = "view/graph";

void Remember(const char* key, bool on) { QuarzelSettings()->setValue(QString::fromLatin1(key), on); }

}  // namespace

TCommandsView::TCommandsView(TMainWindow* form) : QObject(form), form_(form) {
    graph_ = new TEvalGraph;
    graph_->hide();
    graph_->OnPointClicked = [this](int index) { GoToPoint(index); };
    form->Panes->SetGraph(graph_);

    auto settings = QuarzelSettings();
    TNotation* n = form->Notation;
    n->SetShowClocks(settings->value(QString::fromLatin1(kClocksKey), true).toBool());
    n->SetShowEvals(settings->value(QString::fromLatin1(kEvalsKey), true).toBool());
    const bool graphOn = settings->value(QString::fromLatin1(kGraphKey), true).toBool();

    QMenu* view = form->Menus->View();
    view->addSeparator();
    clocks_ = form->Menus->AddViewSwitch(QStringLiteral("C&locks in the notation"), n->ShowClocks(), [n](bool on) {
        n->SetShowClocks(on);
        Remember(kClocksKey, on);
    });
    evals_ = form->Menus->AddViewSwitch(QStringLiteral("&Evaluations in the notation"), n->ShowEvals(), [n](bool on) {
        n->SetShowEvals(on);
        Remember(kEvalsKey, on);
    });
    graphSwitch_ = form->Menus->AddViewSwitch(QStringLiteral("Evaluation and clock &graph"), graphOn, [this](bool on) {
        Remember(kGraphKey, on);
        PlaceGraph();
    });
}

void TCommandsView::PlaceGraph() {
    const bool show = graphSwitch_->isChecked() && graph_->HasData();
    if (show == !graph_->isHidden()) return;
    graph_->setVisible(show);
    form_->Panes->PlaceNotation();
}

void TCommandsView::MoveShown() {
    const TNotationCore& core = form_->Notation->Core();
    form_->Board->SetMarks(CurrentMarks(core));
    graph_->SetCurrent(graph_->Series().IndexOf(core.Current));
}

void TCommandsView::GameLoaded() {
    const TNotationCore& core = form_->Notation->Core();
    graph_->SetSeries(MainLineSeries(core));
    graph_->SetCurrent(graph_->Series().IndexOf(core.Current));
    PlaceGraph();
}

void TCommandsView::GoToPoint(int index) {
    const auto& points = graph_->Series().Points;
    if (index < 0 || index >= static_cast<int>(points.size())) return;
    TNotationCore& core = form_->Notation->Core();
    core.SetCurrent(points[static_cast<size_t>(index)].Move);
    core.ShowCurrentMove();
    core.RaiseMoveChange(false);
}
