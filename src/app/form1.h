// The viewer's one window: the header strip over the game list, the board
// and the notation side by side, and a row of browsing buttons.
#pragma once

#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "collection/event_data.h"

class QFrame;
class QHeaderView;
class QPushButton;
class TPGN;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // Params: the command-line parameters after the program name; the first
    // is the path of the game file, the others are ignored.
    explicit TForm1(const QStringList& Params = {}, QWidget* parent = nullptr);

    // Controls, in creation order. The board and the notation are plain
    // placeholders of their final bounds until those controls are wired in.
    QFrame* Brett1 = nullptr;
    QFrame* Notation1 = nullptr;
    TPGN* PGN1 = nullptr;
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

    // The start-up sequence; runs at the first activation only.
    void Aktivuj(QObject* Sender);
    bool StartupDone() const { return started_; }
    // Selects the first game and gives the list the focus.
    void OpenFirstGame();

    // The list's row drawing: five columns under the header strip's sections.
    void PGN1PGNDrawItem(QWidget* Control, int Index, const QRect& Rect, const TEventData& GameHeader,
                         std::int32_t GameIndex);
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

    // A game was chosen in the list.
    void PGNDvojKlik(QObject* Sender, const std::string& PGNGame, std::int32_t GameID);
    // The key map of the window and the list.
    void Klavesa(QObject* Sender, int& Key, Qt::KeyboardModifiers Shift);

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

    QStringList params_;
    bool started_ = false;
};
