// The viewer's one window: the header strip over the game list, the board
// and the notation side by side, and a row of browsing buttons.
#pragma once

#include <QFont>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "collection/event_data.h"
#include "rules/position.h"

class QHeaderView;
class QPushButton;
class TBrett;
class TFileOpener;
class TChessDatabase;
class TNotation;
class TPGN;
class TSearchController;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Params: the command-line parameters after the program name; the first
    // is the path of the game file, the others are ignored.
    explicit TForm1(const QStringList& Params = {}, QWidget* parent = nullptr);

    ~TForm1() override;

    // Controls, in creation order.
    TBrett* Brett1 = nullptr;
    TNotation* Notation1 = nullptr;
    TPGN* PGN1 = nullptr;
    // Linked to the notation but otherwise dormant: the list opens databases itself.
    std::unique_ptr<TChessDatabase> ChessDatabase1;
    QHeaderView* HeaderControl = nullptr;
    QPushButton* ButtonStart = nullptr;
    QPushButton* ButtonBack = nullptr;
    QPushButton* NextWBranch = nullptr;
    QPushButton* ButtonForw = nullptr;
    QPushButton* ButtonEnd = nullptr;
    QPushButton* PrevMatchB = nullptr;
    QPushButton* NextMatchB = nullptr;
    QPushButton* PredGame = nullptr;
    QPushButton* NextGame = nullptr;
    QPushButton* ButtonClipPos = nullptr;
    QPushButton* ButtonClipPGN = nullptr;
    // The file dialog, Ctrl+O, drops and the recent files.
    TFileOpener* Opener = nullptr;
    // Position and header search (Ctrl+F, Ctrl+T, Esc).
    std::unique_ptr<TSearchController> Search;
    // The game loaded in the notation (its index in the file), -1 for none.
    std::int32_t LoadedGame = -1;

    // The start-up sequence; runs at the first activation only.
    void Aktivuj(QObject* Sender);
    bool StartupDone() const { return started_; }
    // Opens path in place of the current file, exactly as a start with that
    // parameter would; a missing file is reported and the window stays.
    void OpenFile(const QString& path);
    // Scans the file at `file` (path bytes) into the list, names it in the
    // title and opens its first game; a file that cannot be opened leaves
    // the list empty and gets one message saying why.
    void OpenGameFile(const std::string& file);
    // Selects and loads the first game, gives the list the focus and goes to
    // the game's first marked position.
    void OpenFirstGame();

    // The list's row drawing: five columns under the header strip's sections.
    void PGN1PGNDrawItem(QWidget* Control, int Index, const QRect& Rect, const TEventData& GameHeader,
                         std::int32_t GameIndex);
    // A game number too wide for its column from x on (a million games and
    // more) moves left to the column's start and, if need be, is narrowed:
    // the number is never cut.
    static void FitNumber(QFont& font, const QRect& clip, const QString& text, int& x);
    // The column clip rectangles of a row for the given section widths.
    static std::array<QRect, 6> ColumnRects(const QRect& Rect, const std::array<int, 6>& widths);
    // Every text the row drawing puts out (for tests): column, clip, x, text, bold, struck out.
    struct TCellText {
        int column;
        QRect clip;
        int x;
        QString text;
        bool bold;
        bool strikeOut;
    };
    std::function<void(const TCellText&)> OnCellText;

    // A game was chosen in the list: load it with the board locked, then go
    // to its first marked position.
    void PGNDvojKlik(QObject* Sender, const std::string& PGNGame, std::int32_t GameID);
    // The key map of the window and the list. Key is a Qt key; keypad digits
    // carry Qt::KeypadModifier in Shift. The key is never consumed.
    void Klavesa(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);
    // The notation moved: the board follows.
    void ZmenaTahu(QObject* Sender, TZug& Zug, TSchachbrett& Stellung, bool NextMove);
    // Forward to the next move whose comment contains "MATCH" (or to the end
    // of the line), then show the position. True when a mark was found.
    bool NextMatch();
    // Back to the previous marked move (or to the start). True when a mark was found.
    bool PrevMatch();

    // The browsing command a key stands for; Command::None for other keys.
    enum class Command { None, ToStart, StepBack, StepForward, StepForwardBranch, ToEnd, PrevMatch, NextMatch,
                         PredGame, NextGame };
    static Command CommandOfKey(int Key, Qt::KeyboardModifiers Shift);

public slots:
    void ButtonStartClick();
    void ButtonBackClick();
    void NextWBranchClick();
    void ButtonForwClick();
    void ButtonEndClick();
    void PrevMatchBClick();
    void NextMatchBClick();
    void PredGameClick();
    void NextGameClick();
    void ButtonClipPosClick();
    void ButtonClipPGNClick();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QPushButton* MakeButton(const char* field, const char* caption, int left, int width, int tabOrder,
                            const char* hint, void (TForm1::*handler)());
    void FocusList();
    // Shows the notation's current position and move on the board.
    void ShowCurrentOnBoard();
    // Loads the game of the selected row after moving the selection by step.
    void GoToGame(int step);
    void RunCommand(Command command);
    // Runs a handler body; an exception ends it with a message instead of
    // reaching the event loop.
    template <typename F>
    void Guarded(F&& body);

    QStringList params_;
    bool started_ = false;
};
