// The browsing commands of the main window: the buttons, the key map, the
// mouse wheel over board and notation, the jumps between marked positions
// and the moves between games.
#include <QPushButton>
#include <QWheelEvent>

#include "app/engine_controller.h"
#include "app/main_window.h"

#include "app/autoplay.h"
#include "app/comment_commands_view.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "app/tree_controller.h"
#include "app/window_layout.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/move_numbers.h"
#include "notation/qt/notation.h"
#include "platform/guarded.h"
#include "search/match_search.h"

void TMainWindow::OnMoveChanged(QObject*, TMoveRecord& Move, TBoard& Position, bool) {
    Board->CastlingRooks = Notation->Core().Game.CastlingRooks;
    Board->ShowPosition(Position, Move);
    if (Commands) Commands->MoveShown();
    if (Engine) Engine->MoveShown();
    Panes->PositionShown();
    if (Tree) Tree->MoveShown();
}

void TMainWindow::ShowCurrentOnBoard() {
    // At the starting position there is no move: the start record stands in.
    const TMoveRecord* move = Notation->CurrentMove();
    Board->ShowPosition(Notation->CurrentPosition(), move ? *move : Notation->Core().State);
    if (Commands) Commands->MoveShown();
    if (Engine) Engine->MoveShown();
    Panes->PositionShown();
    if (Tree) Tree->MoveShown();
}

// After the last match of a game the match keys go on to the first match of
// the next game that has one, before the first back to the last match of
// the previous one; the status bar says so.
bool TMainWindow::NextMatch() {
    const TShowPositionFn show = [this](const TBoard&, const TMoveRecord*) { ShowCurrentOnBoard(); };
    if (::NextMatch(Notation->Core(), show, Search->HitTest())) return true;
    const int row = RowWithMatch(+1);
    if (row < 0) return false;
    LoadRowForMatch(row);
    const bool at = OpeningMatch();
    Status->Tell(QStringLiteral("Game %1: first match").arg(NumberText(LoadedGame + 1)));
    return at;
}

bool TMainWindow::PrevMatch() {
    if (::PrevMatch(Notation->Core(), Search->HitTest())) return true;
    const int row = RowWithMatch(-1);
    if (row < 0) return false;
    LoadRowForMatch(row);
    // Its stops counted from the start, then the last one taken.
    TNotationCore& core = Notation->Core();
    const THitTest hit = Search->HitTest();
    const TShowPositionFn none = [](const TBoard&, const TMoveRecord*) {};
    int stops = ::OpeningMatch(core, none, hit) ? 1 : 0;
    while (::NextMatch(core, none, hit)) ++stops;
    core.ToStart();
    bool at = ::OpeningMatch(core, none, hit);
    for (int i = 1; i < stops; ++i) at = ::NextMatch(core, none, hit);
    ShowCurrentOnBoard();
    Status->Tell(QStringLiteral("Game %1: last match").arg(NumberText(LoadedGame + 1)));
    return at;
}

int TMainWindow::RowWithMatch(int step) {
    const int from = GameList->RowOfGame(LoadedGame);
    if (from < 0) return -1;
    std::string text;
    for (int r = from + step; r >= 0 && r < GameList->RowCount(); r += step) {
        const std::int32_t game = GameList->GameIndexOfRow(r);
        if (Search->GameHasHits(game)) return r;
        std::int32_t id = 0;
        GameList->GetGame(game, id, text);
        if (text.find("MATCH") != std::string::npos) return r;
    }
    return -1;
}

void TMainWindow::LoadRowForMatch(int row) {
    GameList->SetItemIndex(row);
    std::int32_t gameID = 0;
    std::string text;
    LoadedGame = GameList->GameIndexOfRow(row);
    GameList->GetGame(LoadedGame, gameID, text);
    Notation->LoadGame(text);
    GameShown();
}

bool TMainWindow::OpeningMatch() {
    return ::OpeningMatch(Notation->Core(), [this](const TBoard&, const TMoveRecord*) { ShowCurrentOnBoard(); },
                          Search->HitTest());
}

void TMainWindow::OpenFirstGame() {
    GameList->SetItemIndex(0);
    std::int32_t gameID = 0;
    std::string text;
    // An empty list gives empty text, which loads as an empty game.
    LoadedGame = GameList->RowCount() > 0 ? GameList->GameIndexOfRow(0) : 0;
    GameList->GetGame(LoadedGame, gameID, text);
    Notation->LoadGame(text);
    GameShown();
    FocusList();
    OpeningMatch();
}

void TMainWindow::OnGameListDoubleClick(QObject*, const std::string& PGNGame, std::int32_t GameID) {
    Guarded(this, [&] {
        LoadedGame = GameID;
        {
            // Loading moves through many positions: none of them is painted,
            // and the board is unlocked again whatever happens.
            struct Unlock {
                TBoardWidget* board;
                ~Unlock() { board->PaintLocked = false; }
            } unlock{Board};
            Board->PaintLocked = true;
            Notation->LoadGame(PGNGame);
        }
        GameShown();
        OpeningMatch();
    });
}

void TMainWindow::GoToGame(int step) {
    const int rows = GameList->RowCount();
    int row = GameList->ItemIndex();
    if (row < 0 && rows > 0) {
        row = 0;  // nothing selected: start from the first game
    } else if (step > 0) {
        if (row < rows - 1) ++row;
    } else if (row > 0) {
        --row;
    }
    if (row >= 0) GameList->SetItemIndex(row);
    std::int32_t gameID = 0;
    std::string text;
    LoadedGame = row >= 0 ? GameList->GameIndexOfRow(row) : 0;
    GameList->GetGame(LoadedGame, gameID, text);
    Notation->LoadGame(text);
    GameShown();
    FocusList();
    OpeningMatch();
}

TMainWindow::Command TMainWindow::CommandOfKey(int Key, Qt::KeyboardModifiers Shift) {
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
        case Qt::Key_8: return Command::PrevGame;
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
    case Qt::Key_W: return Command::PrevGame;
    case Qt::Key_X: return Command::NextGame;
    case Qt::Key_P: return Command::Autoplay;
    default: return Command::None;
    }
}

void TMainWindow::RunCommand(Command command) {
    // Any other command ends autoplay.
    if (command != Command::Autoplay && command != Command::None && Autoplay) Autoplay->Stop();
    switch (command) {
    case Command::None: break;
    case Command::Autoplay:
        if (Autoplay) Autoplay->Toggle();
        break;
    // A step that cannot move still brings the board back to the game from
    // a position shown there alone (an engine line's, the opening tree's).
    case Command::ToStart:
        if (!Notation->ToStart()) ShowCurrentOnBoard();
        break;
    case Command::StepBack:
        if (!Notation->StepBack()) ShowCurrentOnBoard();
        break;
    case Command::StepForward:
        // StepForward raises no move change: the board is updated here.
        Notation->StepForward();
        ShowCurrentOnBoard();
        break;
    case Command::StepForwardBranch: Notation->StepForwardBranch(); break;
    case Command::ToEnd:
        if (!Notation->ToEnd()) ShowCurrentOnBoard();
        break;
    case Command::PrevMatch: PrevMatch(); break;
    case Command::NextMatch: NextMatch(); break;
    case Command::PrevGame: GoToGame(-1); break;
    case Command::NextGame: GoToGame(+1); break;
    }
}

void TMainWindow::Run(Command command) {
    Guarded(this, [&] { RunCommand(command); });
    FocusList();
}

void TMainWindow::FlipBoard() { Panes->FlipBoard(); }

void TMainWindow::OnKey(QObject* sender, int& Key, Qt::KeyboardModifiers Shift) {
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
        // In the game list Home and End go to the first and last game (and load it).
        const bool inList = sender == GameList;
        if (Key == Qt::Key_Home && !inList) step = Command::ToStart;
        if (Key == Qt::Key_End && !inList) step = Command::ToEnd;
        if (step != Command::None) {
            Guarded(this, [&] { RunCommand(step); });
            Key = 0;
            return;
        }
    }
    // The key is left as it is: the list's own handling still sees it.
    const Command command = CommandOfKey(Key, Shift);
    if (command != Command::None) Guarded(this, [&] { RunCommand(command); });
    if (IsFlipKey(Key, Shift)) FlipBoard();
}

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The wheel over the board or the notation steps through the game, a
    // notch at a time: turned towards the user forward, as a page scrolls on.
    if (event->type() == QEvent::Wheel && (watched == Board || watched == Notation->Paintbox())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        wheelDelta_ += wheel->angleDelta().y();
        while (wheelDelta_ <= -120 || wheelDelta_ >= 120) {
            const bool forward = wheelDelta_ < 0;
            wheelDelta_ += forward ? 120 : -120;
            Guarded(this, [&] { RunCommand(forward ? Command::StepForward : Command::StepBack); });
        }
        wheel->accept();
        return true;
    }
    // On a button Left and Right step through the game, not along the buttons.
    if (event->type() == QEvent::KeyPress && qobject_cast<QPushButton*>(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Left || key->key() == Qt::Key_Right) && key->modifiers() == Qt::NoModifier) {
            keyPressEvent(key);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainWindow::ButtonStartClick() { Run(Command::ToStart); }
void TMainWindow::ButtonBackClick() { Run(Command::StepBack); }
void TMainWindow::ButtonNextBranchClick() { Run(Command::StepForwardBranch); }
void TMainWindow::ButtonForwardClick() { Run(Command::StepForward); }
void TMainWindow::ButtonEndClick() { Run(Command::ToEnd); }
void TMainWindow::ButtonPrevMatchClick() { Run(Command::PrevMatch); }
void TMainWindow::ButtonNextMatchClick() { Run(Command::NextMatch); }
void TMainWindow::ButtonPrevGameClick() { Run(Command::PrevGame); }
void TMainWindow::ButtonNextGameClick() { Run(Command::NextGame); }
void TMainWindow::ButtonClipPosClick() {
    Guarded(this, [&] {
        // The true move number and half-move clock: the FEN goes to engines
        // and other programs, which read them.
        const TMoveNumbers numbers = CurrentMoveNumbers(Notation->Core());
        Board->CopyFENToClipboard(numbers.FullMove, numbers.HalfMoveClock);
        Status->Tell(QStringLiteral("Position copied as FEN"));
    });
    FocusList();
}
void TMainWindow::ButtonClipPGNClick() {
    Guarded(this, [&] {
        Notation->CopyPGNToClipboard();
        Status->Tell(QStringLiteral("Game copied as PGN"));
    });
    FocusList();
}
