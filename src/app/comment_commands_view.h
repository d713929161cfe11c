// What the window makes of the commands in the game's comments: the current
// move's arrows and coloured squares on the board, the evaluation and clock
// graph under the notation (shown when the game has clocks or evaluations
// and the View menu's switch is on; a click on it goes to that move), and
// the View menu's switches for clocks and evaluations in the notation. The
// switches are kept in the viewer's settings.
#pragma once

#include <QObject>

class QAction;
class TBoardWidget;
class TEvalGraph;
class TNotation;
class TPanes;
class TWindowMenus;

// What the commands are shown on and switched from.
struct TCommandsControls {
    TNotation* Notation = nullptr;
    TBoardWidget* Board = nullptr;
    // Places the graph under the notation.
    TPanes* Panes = nullptr;
    // Holds the View menu's switches.
    TWindowMenus* Menus = nullptr;
};

class TCommandsView : public QObject {
    Q_OBJECT
public:
    TCommandsView(const TCommandsControls& controls, QObject* parent);

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

    TCommandsControls controls_;
    TEvalGraph* graph_;
    QAction* clocks_ = nullptr;
    QAction* evals_ = nullptr;
    QAction* graphSwitch_ = nullptr;
};
