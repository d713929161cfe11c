// The viewer's one window. It only wires: the game table over the board and
// the notation (in panes the user can resize, window_layout.h), a header
// panel above the notation, a row of browsing buttons, the menus
// (window_menus.h) and the status bar (status_line.h). What the window does
// lives in files of their own: the engine pane (engine_controller.h), the start-up and opening of files
// (file_opening.cpp), the browsing commands and the key map
// (browse_commands.cpp), the search (search_controller.h), the opening tree
// (tree_controller.h) and pasting games (pasted_games.h).
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <string>

#include "app/browse_command.h"
#include "rules/position.h"

class QHeaderView;
class QPushButton;
class TBoardWidget;
class TAutoplay;
class TCommandsView;
class TEngineController;
class TFileOpener;
class THeaderPanel;
class TNotation;
class TNotationEvents;
class TGameList;
class TPanes;
class TPastedGames;
class TSearchController;
class TStatusLine;
class TTreeController;
class TWindowMenus;

class TMainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Params: the command-line parameters after the program name; the first
    // is the path of the game file, the others are ignored.
    explicit TMainWindow(const QStringList& Params = {}, QWidget* parent = nullptr);
    ~TMainWindow() override;

    // The client area under the menus and above the status bar: 623 x 482 at
    // the first start, the controls placed as the fixed layout places them.
    QWidget* Client = nullptr;
    // Controls, in creation order.
    TBoardWidget* Board = nullptr;
    TNotation* Notation = nullptr;
    TGameList* GameList = nullptr;
    // The table's header: column titles, sorting, the column menu.
    QHeaderView* HeaderControl = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonBack = nullptr;
    QPushButton* ButtonNextBranch = nullptr;
    QPushButton* ButtonForward = nullptr;
    QPushButton* ButtonEnd = nullptr;
    QPushButton* ButtonPrevMatch = nullptr;
    QPushButton* ButtonNextMatch = nullptr;
    QPushButton* ButtonPrevGame = nullptr;
    QPushButton* ButtonNextGame = nullptr;
    QPushButton* ButtonClipPos = nullptr;
    QPushButton* ButtonClipPGN = nullptr;
    // The players, event and opening of the loaded game, above the notation.
    THeaderPanel* HeaderPanel = nullptr;
    TPanes* Panes = nullptr;
    TWindowMenus* Menus = nullptr;
    // Clocks, evaluations, arrows and squares from the comments: board marks,
    // the graph pane and their View switches.
    TCommandsView* Commands = nullptr;
    // The game stepping on by itself (P, Game menu).
    TAutoplay* Autoplay = nullptr;
    TStatusLine* Status = nullptr;
    // The engine's lines for the board's position, the evaluation bar, Ctrl+E.
    TEngineController* Engine = nullptr;
    // The opening tree pane for the board's position, its build and its View switch.
    TTreeController* Tree = nullptr;
    // The file dialog, Ctrl+O, drops and the recent files.
    TFileOpener* Opener = nullptr;
    // Position and header search (Ctrl+F, Ctrl+T, Esc).
    std::unique_ptr<TSearchController> Search;
    // Games pasted with Ctrl+V or dropped as text.
    std::unique_ptr<TPastedGames> Pasted;
    // The game loaded in the notation (its index in the file), -1 for none.
    std::int32_t LoadedGame = -1;

    // ---- start-up and files (file_opening.cpp) ----
    // The start-up sequence; runs at the first activation only.
    void Activate(QObject* Sender);
    bool StartupDone() const { return started_; }
    // Opens path in place of the current file, exactly as a start with that
    // parameter would. A file that is missing or cannot be opened is
    // reported once, and the window keeps the file it has.
    void OpenFile(const QString& path);
    // Scans `file` (path bytes) into the list, names it in the title (as
    // `shownName` when given) and opens its first game. False, after one
    // message saying why, when it cannot be opened.
    bool OpenGameFile(const std::string& file, const QString& shownName = {});
    // The file name that stands for standard input.
    static constexpr const char* kStandardInput = "-";
    // Opens the games (or the FEN position) of a text: Ctrl+V, a text drop.
    void OpenPastedText(const QString& text);
    // Selects and loads the first game, gives the list the focus and goes to
    // the game's first marked position.
    void OpenFirstGame();

    // ---- browsing (browse_commands.cpp) ----
    // A game was chosen in the list: load it with the board locked, then go
    // to its first marked position.
    void OnGameListDoubleClick(QObject* Sender, const std::string& PGNGame, std::int32_t GameID);
    // The key map of the window and the list. Key is a Qt key; keypad digits
    // carry Qt::KeypadModifier in Shift. A key-map key is never consumed;
    // the arrows Left and Right and Home and End step through the game and are.
    void OnKey(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    // The notation moved: the board follows.
    void OnMoveChanged(QObject* Sender, TMoveRecord& Move, TBoard& Position, bool NextMove);
    // Forward to the next move whose comment contains "MATCH" (or to the end
    // of the line), then show the position. True when a mark was found.
    bool NextMatch();
    // The jump when a game has been opened: stays at a start that is a stop.
    bool OpeningMatch();
    // Back to the previous marked move (or to the start). True when a mark was found.
    bool PrevMatch();
    // The match keys beyond the loaded game: the next (step 1) or previous
    // (-1) row whose game has a "MATCH" comment or a position-search hit, -1
    // for none; and loading a row's game at its start.
    int RowWithMatch(int step);
    void LoadRowForMatch(int row);

    // The browsing command a key stands for; Command::None for other keys.
    using Command = TBrowseCommand;
    static Command CommandOfKey(int Key, Qt::KeyboardModifiers Shift);
    // Runs a command as its key does, a failure ending in a message.
    void Run(Command command);
    // Flips the board (F).
    void FlipBoard();
    // The loaded game changed: header panel and status bar follow.
    void GameShown();

public slots:
    void ButtonStartClick();
    void ButtonBackClick();
    void ButtonNextBranchClick();
    void ButtonForwardClick();
    void ButtonEndClick();
    void ButtonPrevMatchClick();
    void ButtonNextMatchClick();
    void ButtonPrevGameClick();
    void ButtonNextGameClick();
    void ButtonClipPosClick();
    void ButtonClipPGNClick();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* MakeButton(const char* field, const char* caption, const char* name, int left, int width,
                            int tabOrder, const char* hint, void (TMainWindow::*handler)());
    void FocusList();
    // Shows the notation's current position and move on the board.
    void ShowCurrentOnBoard();
    // Loads the game of the selected row after moving the selection by step.
    void GoToGame(int step);
    void RunCommand(Command command);
    // "-": the games come from standard input.
    bool OpenStandardInput();
    // A file is open: title, status and first game.
    void Opened(const QString& shownPath);
    // Reading `file` failed with text (said once); true when it stays open
    // with the games found before the fault.
    bool ReadingFailed(const QString& text, const std::string& file, const QString& shownPath);
    // The same once the text has been said: the games before the fault stay
    // open, and the status bar names the fault.
    bool KeepGamesBeforeFault(const QString& text, const std::string& file, const QString& shownPath);

    // The notation's events; going with the window's own members, before
    // Qt deletes the controls.
    std::unique_ptr<TNotationEvents> notationEvents_;
    QStringList params_;
    bool started_ = false;
    int wheelDelta_ = 0;  // wheel turns not yet taken as a move step
};
