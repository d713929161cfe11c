// The browsing commands of the main window: the buttons, the key map, the
// mouse wheel over board and notation, the jumps between marked positions
// and the moves between games.
#include <QWheelEvent>

#include "app/main_window.h"

#include "app/comment_commands_view.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "app/window_layout.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/move_numbers.h"
#include "notation/qt/notation.h"
#include "platform/error_text.h"
#include "platform/platform.h"
#include "search/match_search.h"

void TForm1::Guarded(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& e) {
        Platform::Get().ShowMessage(this, TextFromBytes(UserErrorText(e)), TMessageKind::Error);
    } catch (...) {
        Platform::Get().ShowMessage(this, QString::fromLatin1(kUnexpectedErrorText), TMessageKind::Error);
    }
}

void TForm1::ZmenaTahu(QObject*, TZug& Zug, TSchachbrett& Stellung, bool) {
    Brett1->CastlingRooks = Notation1->Core().Game.CastlingRooks;
    Brett1->ShowPosition(Stellung, Zug);
    if (Commands) Commands->MoveShown();
    Panes->PositionShown();
}

void TForm1::ShowCurrentOnBoard() {
    // At the starting position there is no move: the start record stands in.
    const TZug* move = Notation1->CurrentMove();
    Brett1->ShowPosition(Notation1->CurrentPosition(), move ? *move : Notation1->Core().State);
    if (Commands) Commands->MoveShown();
    Panes->PositionShown();
}

bool TForm1::NextMatch() {
    return ::NextMatch(Notation1->Core(), [this](const TSchachbrett&, const TZug*) { ShowCurrentOnBoard(); },
                       Search->HitTest());
}

bool TForm1::PrevMatch() { return ::PrevMatch(Notation1->Core(), Search->HitTest()); }

bool TForm1::OpeningMatch() {
    return ::OpeningMatch(Notation1->Core(), [this](const TSchachbrett&, const TZug*) { ShowCurrentOnBoard(); },
                          Search->HitTest());
}

void TForm1::OpenFirstGame() {
    PGN1->SetItemIndex(0);
    std::int32_t gameID = 0;
    std::string text;
    // An empty list gives empty text, which loads as an empty game.
    LoadedGame = PGN1->RowCount() > 0 ? PGN1->GameIndexOfRow(0) : 0;
    PGN1->GetGame(LoadedGame, gameID, text);
    Notation1->LoadGame(text);
    GameShown();
    FocusList();
    OpeningMatch();
}

void TForm1::PGNDvojKlik(QObject*, const std::string& PGNGame, std::int32_t GameID) {
    Guarded([&] {
        LoadedGame = GameID;
        {
            // Loading moves through many positions: none of them is painted,
            // and the board is unlocked again whatever happens.
            struct Unlock {
                TBrett* board;
                ~Unlock() { board->PaintLocked = false; }
            } unlock{Brett1};
            Brett1->PaintLocked = true;
            Notation1->LoadGame(PGNGame);
        }
        GameShown();
        OpeningMatch();
    });
}

void TForm1::GoToGame(int step) {
    const int rows = PGN1->RowCount();
    int row = PGN1->ItemIndex();
    if (row < 0 && rows > 0) {
        row = 0;  // nothing selected: start from the first game
    } else if (step > 0) {
        if (row < rows - 1) ++row;
    } else if (row > 0) {
        --row;
    }
    if (row >= 0) PGN1->SetItemIndex(row);
    std::int32_t gameID = 0;
    std::string text;
    LoadedGame = row >= 0 ? PGN1->GameIndexOfRow(row) : 0;
    PGN1->GetGame(LoadedGame, gameID, text);
    Notation1->LoadGame(text);
    GameShown();
    FocusList();
    OpeningMatch();
}

TForm1::Command TForm1::CommandOfKey(int Key, Qt::KeyboardModifiers Shift) {
    // Keypad digits count only as keypad keys (with Num Lock on); the digits
    // of the main keyboard do nothing here.
    if (Shift & Qt::KeypadModifier) {
        switch (Key) {
        case Qt::Key_7: return Command::ToStart;
        case Qt::Key_4: return Command::StepBack;
        case Qt::Key_6: return Command::StepForward;
        case Qt::Key_5: return Command::StepForwardBranch;
        case Qt::Key_1: return Command::ToEnd;
        case Qt::Key_9: return Command::PrevMatch;
        case Qt::Key_3: return Command::NextMatch;
        case Qt::Key_8: return Command::PredGame;
        case Qt::Key_2: return Command::NextGame;
        default: break;
        }
    }
    switch (Key) {
    case Qt::Key_Q: return Command::ToStart;
    case Qt::Key_A: return Command::StepBack;
    case Qt::Key_D: return Command::StepForward;
    case Qt::Key_S: return Command::StepForwardBranch;
    case Qt::Key_Y:
    case Qt::Key_Z: return Command::ToEnd;  // both keyboard layouts
    case Qt::Key_E: return Command::PrevMatch;
    case Qt::Key_C: return Command::NextMatch;
    case Qt::Key_W: return Command::PredGame;
    case Qt::Key_X: return Command::NextGame;
    default: return Command::None;
    }
}

void TForm1::RunCommand(Command command) {
    switch (command) {
    case Command::None: break;
    case Command::ToStart: Notation1->ToStart(); break;
    case Command::StepBack: Notation1->StepBack(); break;
    case Command::StepForward:
        // StepForward raises no move change: the board is updated here.
        Notation1->StepForward();
        ShowCurrentOnBoard();
        break;
    case Command::StepForwardBranch: Notation1->StepForwardBranch(); break;
    case Command::ToEnd: Notation1->ToEnd(); break;
    case Command::PrevMatch: PrevMatch(); break;
    case Command::NextMatch: NextMatch(); break;
    case Command::PredGame: GoToGame(-1); break;
    case Command::NextGame: GoToGame(+1); break;
    }
}

void TForm1::Run(Command command) {
    Guarded([&] { RunCommand(command); });
    FocusList();
}

void TForm1::FlipBoard() {
    Brett1->SetFlipped(!Brett1->Flipped());
    Panes->PositionShown();
}

void TForm1::Klavesa(QObject*, int& Key, Qt::KeyboardModifiers Shift) {
    if (Search->HandleKey(Key, Shift)) {
        Key = 0;  // the search's own keys
        return;
    }
    // The arrows across and Home and End step through the game; Up and Down
    // stay the list's. Taken only without modifiers (Ctrl+Home still moves the list).
    if (!(Shift & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::KeypadModifier))) {
        Command step = Command::None;
        if (Key == Qt::Key_Left) step = Command::StepBack;
        if (Key == Qt::Key_Right) step = Command::StepForward;
        if (Key == Qt::Key_Home) step = Command::ToStart;
        if (Key == Qt::Key_End) step = Command::ToEnd;
        if (step != Command::None) {
            Guarded([&] { RunCommand(step); });
            Key = 0;
            return;
        }
    }
    // The key is left as it is: the list's own handling still sees it.
    const Command command = CommandOfKey(Key, Shift);
    if (command != Command::None) Guarded([&] { RunCommand(command); });
    if (IsFlipKey(Key, Shift)) FlipBoard();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over the board or the notation steps through the game, a
    // notch at a time: turned towards the user forward, as a page scrolls on.
    if (event->type() == QEvent::Wheel && (watched == Brett1 || watched == Notation1->Paintbox())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        wheelDelta_ += wheel->angleDelta().y();
        while (wheelDelta_ <= -120 || wheelDelta_ >= 120) {
            const bool forward = wheelDelta_ < 0;
            wheelDelta_ += forward ? 120 : -120;
            Guarded([&] { RunCommand(forward ? Command::StepForward : Command::StepBack); });
        }
        wheel->accept();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::ButtonStartClick() { Run(Command::ToStart); }
void TForm1::ButtonBackClick() { Run(Command::StepBack); }
void TForm1::NextWBranchClick() { Run(Command::StepForwardBranch); }
void TForm1::ButtonForwClick() { Run(Command::StepForward); }
void TForm1::ButtonEndClick() { Run(Command::ToEnd); }
void TForm1::PrevMatchBClick() { Run(Command::PrevMatch); }
void TForm1::NextMatchBClick() { Run(Command::NextMatch); }
void TForm1::PredGameClick() { Run(Command::PredGame); }
void TForm1::NextGameClick() { Run(Command::NextGame); }
void TForm1::ButtonClipPosClick() {
    Guarded([&] {
        // The true move number and half-move clock: the FEN goes to engines
        // and other programs, which read them.
        const TMoveNumbers numbers = CurrentMoveNumbers(Notation1->Core());
        Brett1->CopyFENToClipboard(numbers.FullMove, numbers.HalfMoveClock);
        Status->Tell(QStringLiteral("Position copied as FEN"));
    });
    FocusList();
}
void TForm1::ButtonClipPGNClick() {
    Guarded([&] {
        Notation1->CopyPGNToClipboard();
        Status->Tell(QStringLiteral("Game copied as PGN"));
    });
    FocusList();
}
