#include "app/comment_commands_view.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

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

TCommandsView::TCommandsView(const TCommandsControls& controls, QObject* parent)
    : QObject(parent), controls_(controls) {
    graph_ = new TEvalGraph;
    graph_->hide();
    // The graph belongs to the notation's pane, not to this object: its clicks
    // reach this object only while it lives.
    graph_->OnPointClicked = [self = QPointer<TCommandsView>(this)](int index) {
        if (self) self->GoToPoint(index);
    };
    controls_.Panes->SetGraph(graph_);

    auto settings = QuarzelSettings();
    TNotation* n = controls_.Notation;
    n->SetShowClocks(settings->value(QString::fromLatin1(kClocksKey), true).toBool());
    n->SetShowEvals(settings->value(QString::fromLatin1(kEvalsKey), true).toBool());
    const bool graphOn = settings->value(QString::fromLatin1(kGraphKey), true).toBool();

    TWindowMenus& menus = *controls_.Menus;
    QMenu* view = menus.View();
    view->addSeparator();
    clocks_ = menus.AddViewSwitch(QStringLiteral("C&locks in the notation"), n->ShowClocks(), [n](bool on) {
        n->SetShowClocks(on);
        Remember(kClocksKey, on);
    });
    evals_ = menus.AddViewSwitch(QStringLiteral("&Evaluations in the notation"), n->ShowEvals(), [n](bool on) {
        n->SetShowEvals(on);
        Remember(kEvalsKey, on);
    });
    graphSwitch_ = menus.AddViewSwitch(QStringLiteral("Evaluation and clock &graph"), graphOn, [this](bool on) {
        Remember(kGraphKey, on);
        PlaceGraph();
    });
}

void TCommandsView::PlaceGraph() {
    const bool show = graphSwitch_->isChecked() && graph_->HasData();
    if (show == !graph_->isHidden()) return;
    graph_->setVisible(show);
    controls_.Panes->PlaceNotation();
}

void TCommandsView::MoveShown() {
    const TNotationCore& core = controls_.Notation->Core();
    controls_.Board->SetMarks(CurrentMarks(core));
    graph_->SetCurrent(graph_->Series().IndexOf(core.Current));
}

void TCommandsView::GameLoaded() {
    const TNotationCore& core = controls_.Notation->Core();
    graph_->SetSeries(MainLineSeries(core));
    graph_->SetCurrent(graph_->Series().IndexOf(core.Current));
    PlaceGraph();
}

void TCommandsView::GoToPoint(int index) {
    const auto& points = graph_->Series().Points;
    if (index < 0 || index >= static_cast<int>(points.size())) return;
    TNotationCore& core = controls_.Notation->Core();
    core.SetCurrent(points[static_cast<size_t>(index)].Move);
    core.ShowCurrentMove();
    core.RaiseMoveChange(false);
}
