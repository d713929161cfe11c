// The engine beside the board: the engine pane under the notation, the
// evaluation bar beside the board, Game > Analyse (Ctrl+E) to start and
// stop, Game > Engine settings, and the View switches of pane and bar. The
// pane is hidden until the first analysis (the window keeps its first-start
// layout); Analyse shows it.
//
// It follows the board: every position the notation shows (a step, a jump to
// a match, a click on a move, another game) is sent to the engine at once,
// and the pane drops the old position's lines in the same moment. The engine
// is started once (at the first Analyse) and kept; its output is read from a
// socket notifier, so the window never waits on it, and the pane is
// repainted at most ten times a second. A failing engine is one line in the
// pane; the viewer goes on without it.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <memory>

#include "app/engine_settings.h"
#include "engine/engine_position.h"

class QAction;
class QSocketNotifier;
class QTimer;
class QWidget;
class TBoardWidget;
class TEnginePane;
class TEvalBar;
class TNotation;
class TPanes;
class TUciEngine;
class TWindowMenus;

// What the engine's view is shown on and switched from.
struct TEngineControls {
    // The owner of the settings dialog.
    QWidget* Window = nullptr;
    // The position analysed: the notation's current one.
    TNotation* Notation = nullptr;
    // Shows a position of a line when one of its moves is clicked.
    TBoardWidget* Board = nullptr;
    // Places the pane under the notation and the bar beside the board.
    TPanes* Panes = nullptr;
    // Holds Analyse, the settings and the View switches.
    TWindowMenus* Menus = nullptr;
};

class TEngineController : public QObject {
    Q_OBJECT
public:
    TEngineController(const TEngineControls& controls, QObject* parent);
    ~TEngineController() override;

    TEnginePane* Pane() const { return pane_; }
    TEvalBar* Bar() const { return bar_; }
    QAction* AnalyseAction() const { return analyse_; }

    // The board shows the notation's current position.
    void MoveShown();
    // Starts or stops the analysis (Ctrl+E).
    void SetAnalysing(bool on);
    bool Analysing() const { return analysing_; }
    // New settings: a new program is started, new options go with the next position.
    void ApplySettings(const TEngineSettings& settings);

signals:
    // The board alone shows a position of a line (a click on one of its moves).
    void LinePositionShown();

private:
    void StartEngine();
    void EndEngine();
    void Read();
    void Refresh();
    void RefreshSoon();
    void Fault(const QString& text);
    void ShowLinePosition(int line, int move);
    void PlaceViews();

    TEngineControls controls_;
    TEngineSettings settings_;
    TEnginePane* pane_;
    TEvalBar* bar_;
    QAction* analyse_ = nullptr;
    QAction* paneSwitch_ = nullptr;
    QAction* barSwitch_ = nullptr;
    std::unique_ptr<TUciEngine> engine_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* tick_;
    QTimer* refresh_;
    QElapsedTimer lastRefresh_;
    TEnginePosition position_;
    int fullMove_ = 1;
    bool analysing_ = false;
    QString fault_;
    QString preview_;  // the head line while the board shows a position of a line
};
