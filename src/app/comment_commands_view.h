// What the window makes of the commands in the game's comments: the current
// move's arrows and coloured squares on the board, the evaluation and clock
// graph under the notation (shown when the game has clocks or evaluations
// and the View menu's switch is on; a click on it goes to that move), and
// the View menu's switches for clocks and evaluations in the notation. The
// switches are kept in the viewer's settings.
#pragma once

#include <QObject>

class QAction;
class TEvalGraph;
class TMainWindow;

class TCommandsView : public QObject {
    Q_OBJECT
public:
    explicit TCommandsView(TMainWindow* form);

    TEvalGraph* Graph() const { return graph_; }
    QAction* ClocksAction() const { return clocks_; }
    QAction* EvalsAction() const { return evals_; }
    QAction* GraphAction() const { return graphSwitch_; }

    // The notation's current move changed: board marks and the graph follow.
    void MoveShown();
    // A game was loaded: the graph reads its main line.
    void GameLoaded();

private:
    void GoToPoint(int index);
    void PlaceGraph();

    TMainWindow* form_;
    TEvalGraph* graph_;
    QAction* clocks_ = nullptr;
    QAction* evals_ = nullptr;
    QAction* graphSwitch_ = nullptr;
};
