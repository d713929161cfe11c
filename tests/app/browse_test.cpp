// Browsing the games of a file from the main window: the key map, the
// buttons, the jumps between marked positions, moving between games, loading
// a chosen game and the two clipboard commands.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QKeyEvent>
#include <QTest>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/autoplay.h"
#include "app/status_line.h"
#include "app/main_window.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "notation/qt/variation_chooser.h"
#include "rules/fen.h"
#include "support/ccf_writer.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

// Placement and side to move of the positions the tests visit.
const std::string kInitial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w";
const std::string kEmpty = "8/8/8/8/8/8/8/8";
const std::string kG1AfterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b";
const std::string kG1AfterE5 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w";
const std::string kG1Match1 = "rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b";  // after 2. Nf3
const std::string kG1Match2 = "r1bqkbnr/1ppp1ppp/p1n5/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R b";  // after 4. Ba4
const std::string kG1End = "r1bqk2r/1pppbppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQ1RK1 w";
const std::string kG2Match = "rnbqkbnr/ppp2ppp/4p3/3p4/2PP4/2N5/PP2PPPP/R1BQKBNR b";  // after 3. Nc3
const std::string kG3End = "rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w";

std::string Header(int n) {
    return "[Event \"E" + std::to_string(n) + "\"]\n[Site \"S\"]\n[White \"W" + std::to_string(n) +
           "\"]\n[Black \"B\"]\n[Result \"*\"]\n\n";
}

// Game 1: marks after 2. Nf3 and 4. Ba4; a lower-case "match" after 5. O-O is no mark.
std::string Game1() {
    return Header(1) +
           "1. e4 e5 2. Nf3 {MATCH} Nc6 3. Bb5 a6 4. Ba4 {a MATCH again} Nf6 5. O-O {match} Be7 *\n\n";
}
// Game 2: one mark after 3. Nc3.
std::string Game2() { return Header(2) + "1. d4 d5 2. c4 e6 3. Nc3 {MATCH} Nf6 *\n\n"; }
// Game 3: the only mark stands in a variation, which the search does not enter.
std::string Game3() {
    return Header(3) + "1. e4 c5 (1... e5 2. Nf3 {MATCH inside a variation}) 2. Nf3 d6 *\n\n";
}

// Placement and side to move of a position.
std::string Fen2(const TBoard& board, const TMoveRecord& move) {
    const std::string fen = PositionToFEN(board, move, 1);
    const auto space = fen.find(' ');
    return fen.substr(0, fen.find(' ', space + 1));
}

std::string BoardFen(TMainWindow& form) { return Fen2(form.Board->Position(), form.Board->Move()); }

std::string NotationFen(TMainWindow& form) {
    const TMoveRecord* move = form.Notation->CurrentMove();
    return Fen2(form.Notation->CurrentPosition(), move ? *move : form.Notation->Core().State);
}

// The board shows what the notation stands on, and has painted it.
void ExpectInStep(TMainWindow& form, const std::string& fen) {
    EXPECT_EQ(NotationFen(form), fen);
    EXPECT_EQ(BoardFen(form), fen);
    EXPECT_FALSE(form.Board->PaintLocked);
    EXPECT_TRUE(form.Board->LastDrawn() == form.Board->Position()) << "the board did not paint the position";
}

class Browse : public ::testing::Test {
protected:
    void Open(const std::string& text, const std::string& name = "games.pgn") {
        path_ = (dir_ / name).string();
        testdata::WriteFile(path_, text);
        form_ = std::make_unique<TMainWindow>(QStringList{QString::fromStdString(path_)});
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form_->StartupDone(); }, 5000));
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(form_->GameList, Qt::Key(key), mods); }
    void Pad(int digit) { Key(Qt::Key_0 + digit, Qt::KeypadModifier); }
    TMainWindow& F() { return *form_; }

    RecordingPlatform platform_;
    testdata::TempDir dir_;
    std::string path_;
    std::unique_ptr<TMainWindow> form_;
};

}  // namespace

TEST_F(Browse, StartupOpensTheFirstGameAtItsFirstMark) {
    Open(Game1() + Game2() + Game3());
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    EXPECT_TRUE(F().GameList->hasFocus());
    EXPECT_EQ(F().Notation->CurrentComment(), "MATCH");
    ExpectInStep(F(), kG1Match1);
    EXPECT_TRUE(platform_.messages.empty());
    // The board is the laid-out one: 33-pixel squares, sky blue dark squares.
    EXPECT_EQ(F().Board->mapTo(F().Client, QPoint(0, 0)), QPoint(8, 168));
    EXPECT_EQ(F().Board->SquareSize(), 33);
    EXPECT_EQ(F().Board->PieceSet(), TPieceSet::WinboardF33);
    EXPECT_EQ(F().Board->BlackSquareColor(), QColor(166, 202, 240));
    EXPECT_TRUE(F().Board->SuggestMoves());
    EXPECT_FALSE(F().Board->StartPosition());
    EXPECT_EQ(F().Notation->mapTo(F().Client, QPoint(0, F().Notation->height())), QPoint(296, 168 + 265));
    EXPECT_TRUE(F().Notation->English());
    EXPECT_FALSE(F().Notation->Headline());
    EXPECT_EQ(F().Notation->Indent1Var(), 10);
    EXPECT_EQ(F().Notation->LineSpacing(), 3);
}

TEST_F(Browse, AGameOpensAtItsFirstMarkInAVariationTooWithoutMarksAtTheEnd) {
    Open(Game3());
    ExpectInStep(F(), kG1Match1);  // the mark inside the variation
    Open(Header(4) + "1. e4 c5 2. Nf3 d6 *\n\n");
    ExpectInStep(F(), kG3End);
}

TEST_F(Browse, MatchSearchForwardAndBack) {
    Open(Game1() + Game2());
    // C on a mark goes to the next one (the lower-case word is no mark);
    // after the last one on to the first mark of the next game that has one.
    Key(Qt::Key_C);
    ExpectInStep(F(), kG1Match2);
    EXPECT_EQ(F().Notation->CurrentComment(), "a MATCH again");
    Key(Qt::Key_C);
    ExpectInStep(F(), kG2Match);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    EXPECT_EQ(F().Status->LastMessage(), "Game 2: first match");
    Key(Qt::Key_C);  // no game after it: to the end, and stays
    Key(Qt::Key_C);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    // E before the first mark of a game: back to the last mark of the previous one.
    Key(Qt::Key_E);
    ExpectInStep(F(), kG2Match);
    Key(Qt::Key_E);
    ExpectInStep(F(), kG1Match2);
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    EXPECT_EQ(F().Status->LastMessage(), "Game 1: last match");
    Key(Qt::Key_E);
    ExpectInStep(F(), kG1Match1);
    Key(Qt::Key_E);
    ExpectInStep(F(), kInitial);
    EXPECT_EQ(F().Notation->CurrentMove(), nullptr);
    Key(Qt::Key_E);  // at the start of the first game: stays
    ExpectInStep(F(), kInitial);
    // Keypad 3 and 9 do the same; so do the buttons.
    Pad(3);
    ExpectInStep(F(), kG1Match1);
    Pad(3);
    ExpectInStep(F(), kG1Match2);
    Pad(9);
    ExpectInStep(F(), kG1Match1);
    F().ButtonNextMatch->click();
    ExpectInStep(F(), kG1Match2);
    F().ButtonPrevMatch->click();
    ExpectInStep(F(), kG1Match1);
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    EXPECT_EQ(platform_.beeps, 0);
    EXPECT_TRUE(platform_.messages.empty());
}

// P plays the game on by itself to its end; another command stops it.
TEST_F(Browse, AutoplayStepsToTheEndAndStopsOnACommand) {
    Open(Game1());
    Key(Qt::Key_Q);
    F().Autoplay->SetIntervalMs(TAutoplay::kMinIntervalMs);
    Key(Qt::Key_P);
    EXPECT_TRUE(F().Autoplay->Running());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !F().Autoplay->Running(); }, 10000));
    ExpectInStep(F(), kG1End);
    Key(Qt::Key_Q);
    Key(Qt::Key_P);
    Key(Qt::Key_A);  // back at the start: no move, and autoplay ends
    EXPECT_FALSE(F().Autoplay->Running());
    ExpectInStep(F(), kInitial);
}

TEST_F(Browse, MoveKeysLettersAndKeypad) {
    Open(Game1());
    struct Step {
        int key;
        bool keypad;
        std::string fen;
    };
    const std::vector<Step> steps = {
        {Qt::Key_Q, false, kInitial},    {Qt::Key_D, false, kG1AfterE4}, {Qt::Key_D, false, kG1AfterE5},
        {Qt::Key_A, false, kG1AfterE4},  {Qt::Key_Z, false, kG1End},     {Qt::Key_Q, false, kInitial},
        {Qt::Key_Y, false, kG1End},      {Qt::Key_7, true, kInitial},    {Qt::Key_6, true, kG1AfterE4},
        {Qt::Key_6, true, kG1AfterE5},   {Qt::Key_4, true, kG1AfterE4},  {Qt::Key_1, true, kG1End},
        {Qt::Key_S, false, kG1End},      {Qt::Key_7, true, kInitial},    {Qt::Key_5, true, kG1AfterE4},
        {Qt::Key_S, false, kG1AfterE5},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Key(steps[i].key, steps[i].keypad ? Qt::KeypadModifier : Qt::NoModifier);
        SCOPED_TRACE(i);
        ExpectInStep(F(), steps[i].fen);
    }
    // Shift is not looked at.
    Key(Qt::Key_Q, Qt::ShiftModifier);
    ExpectInStep(F(), kInitial);
    // Letter keys act by their physical key: under a Cyrillic layout the
    // keys of Z and Q give "я" and "й", under a Greek one "ζ" and ";".
    auto physical = [&](int key, const char* text, quint32 scanCode) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, scanCode, 0, 0, QString::fromUtf8(text));
        QCoreApplication::sendEvent(F().GameList, &press);
    };
    physical(0x42F, "\u044F", 52);
    ExpectInStep(F(), kG1End);
    physical(0x419, "\u0439", 24);
    ExpectInStep(F(), kInitial);
    physical(0x396, "\u03B6", 52);
    ExpectInStep(F(), kG1End);
    physical(Qt::Key_Semicolon, ";", 24);
    ExpectInStep(F(), kInitial);
    // At the ends nothing moves.
    Key(Qt::Key_A);
    Key(Qt::Key_Q);
    ExpectInStep(F(), kInitial);
    Key(Qt::Key_Z);
    Key(Qt::Key_D);
    Pad(6);
    ExpectInStep(F(), kG1End);
    // The digits of the main keyboard and other letters are not browsing keys.
    Key(Qt::Key_Q);
    for (int k : {Qt::Key_6, Qt::Key_3, Qt::Key_1, Qt::Key_B, Qt::Key_F, Qt::Key_M, Qt::Key_Space})
        Key(k);
    ExpectInStep(F(), kInitial);
    EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(Browse, EachKeyActsOnce) {
    // The list and the window both see keys; a key must not step twice.
    Open(Game1());
    Key(Qt::Key_Q);
    Key(Qt::Key_D);
    ExpectInStep(F(), kG1AfterE4);
    // With the focus on the window itself, its own key handler does the work.
    F().setFocus();
    QTest::keyClick(&F(), Qt::Key_D);
    ExpectInStep(F(), kG1AfterE5);
    // With the focus in the notation: its own keys move it and the board
    // follows; the browsing letters reach the window once.
    F().Notation->setFocus();
    QTest::keyClick(F().Notation, Qt::Key_Left);
    ExpectInStep(F(), kG1AfterE4);
    QTest::keyClick(F().Notation, Qt::Key_Right);
    ExpectInStep(F(), kG1AfterE5);
    // On a button and on the board Left and Right step through the game too.
    QTest::keyClick(F().ButtonPrevGame, Qt::Key_Left);
    ExpectInStep(F(), kG1AfterE4);
    QTest::keyClick(F().Board, Qt::Key_Right);
    ExpectInStep(F(), kG1AfterE5);
    QTest::keyClick(F().Notation, Qt::Key_A);
    ExpectInStep(F(), kG1AfterE4);
    QTest::keyClick(F().Notation, Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 0);  // the only game, reloaded
    ExpectInStep(F(), kG1Match1);
}

TEST_F(Browse, AFailingHandlerShowsItsMessageAndUnlocksTheBoard) {
    Open(Game1() + Game2());
    F().Notation->SetOnMoveChange([](TNotationCore&, TMoveRecord&, TBoard&, bool) {
        throw std::runtime_error("board update failed");
    });
    Key(Qt::Key_A);
    ASSERT_EQ(platform_.messages.size(), 1u);
    EXPECT_EQ(platform_.messages[0].text, "board update failed");
    EXPECT_EQ(platform_.messages[0].kind, TMessageKind::Error);
    F().ButtonStart->click();
    EXPECT_EQ(platform_.messages.size(), 2u);
    EXPECT_TRUE(F().GameList->hasFocus());
    // Loading raises the event with the board locked: the lock is released.
    Key(Qt::Key_Down);
    Key(Qt::Key_Return);
    EXPECT_EQ(platform_.messages.size(), 3u);
    EXPECT_FALSE(F().Board->PaintLocked);
    // With the board handler back, everything works again.
    F().Notation->SetOnMoveChange([this](TNotationCore&, TMoveRecord& z, TBoard& st, bool n) {
        F().OnMoveChanged(F().Notation, z, st, n);
    });
    Key(Qt::Key_Return);
    ExpectInStep(F(), kG2Match);
    EXPECT_EQ(platform_.messages.size(), 3u);
}

TEST_F(Browse, BranchStepAsksAtAVariationAndTheSearchFollowsTheChosenLine) {
    Open(Game3());
    Key(Qt::Key_Q);
    Key(Qt::Key_D);
    ExpectInStep(F(), kG1AfterE4);
    // Cancelled: nothing moves.
    Key(Qt::Key_S);
    EXPECT_EQ(platform_.modals, 1);
    ExpectInStep(F(), kG1AfterE4);
    // The alternative 1... e5 chosen with the button.
    platform_.onModal = [](QDialog* d) {
        auto* chooser = dynamic_cast<TVariationChooser*>(d);
        if (!chooser) return 0;
        chooser->List()->setCurrentRow(1);
        return int(QDialog::Accepted);
    };
    F().ButtonNextBranch->click();
    EXPECT_EQ(platform_.modals, 2);
    ExpectInStep(F(), kG1AfterE5);
    EXPECT_TRUE(F().GameList->hasFocus());
    // Inside the variation the search finds its mark, then stops at its end.
    Key(Qt::Key_C);
    ExpectInStep(F(), kG1Match1);
    EXPECT_EQ(F().Notation->CurrentComment(), "MATCH inside a variation");
    Key(Qt::Key_C);
    ExpectInStep(F(), kG1Match1);
    // Back: no earlier mark, so to the start.
    Key(Qt::Key_E);
    ExpectInStep(F(), kInitial);
    EXPECT_EQ(platform_.modals, 2);
    EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(Browse, ButtonsDoTheirCommandAndGiveTheFocusBack) {
    Open(Game1() + Game2());
    struct Click {
        QPushButton* button;
        std::string fen;
    };
    const std::vector<Click> clicks = {
        {F().ButtonStart, kInitial}, {F().ButtonForward, kG1AfterE4}, {F().ButtonForward, kG1AfterE5},
        {F().ButtonBack, kG1AfterE4}, {F().ButtonEnd, kG1End},     {F().ButtonForward, kG1End},
        {F().ButtonStart, kInitial}, {F().ButtonBack, kInitial},   {F().ButtonNextBranch, kG1AfterE4},
        {F().ButtonNextMatch, kG1Match1}, {F().ButtonEnd, kG1End},      {F().ButtonPrevMatch, kG1Match2},
    };
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        SCOPED_TRACE(i);
        clicks[i].button->setFocus();
        QTest::mouseClick(clicks[i].button, Qt::LeftButton);
        ExpectInStep(F(), clicks[i].fen);
        EXPECT_TRUE(F().GameList->hasFocus());
    }
    // The keys work at once after a click.
    Key(Qt::Key_D);
    EXPECT_EQ(NotationFen(F()), "r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R w");
    for (QPushButton* b : {F().ButtonPrevGame, F().ButtonNextGame, F().ButtonClipPos, F().ButtonClipPGN}) {
        b->setFocus();
        b->click();
        EXPECT_TRUE(F().GameList->hasFocus()) << b->objectName().toStdString();
    }
}

TEST_F(Browse, NextAndPreviousGame) {
    Open(Game1() + Game2() + Game3());
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    ExpectInStep(F(), kG2Match);
    Pad(2);
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    ExpectInStep(F(), kG1Match1);
    // On the last game: reloaded, at its first mark (inside a variation), selection kept.
    Key(Qt::Key_Q);
    F().ButtonNextGame->click();
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    ExpectInStep(F(), kG1Match1);
    Key(Qt::Key_W);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    ExpectInStep(F(), kG2Match);
    Pad(8);
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    ExpectInStep(F(), kG1Match1);
    // On the first game: reloaded from the start, at its first mark again.
    Key(Qt::Key_C);
    F().ButtonPrevGame->click();
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    ExpectInStep(F(), kG1Match1);
    EXPECT_TRUE(F().GameList->hasFocus());
    EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(Browse, ArrowsSelectAndEnterOrDoubleClickLoadsWithTheBoardLocked) {
    Open(Game1() + Game2() + Game3());
    std::vector<bool> lockedDuringLoad;
    F().Notation->SetOnMoveChange([&](TNotationCore&, TMoveRecord& z, TBoard& s, bool n) {
        lockedDuringLoad.push_back(F().Board->PaintLocked);
        F().OnMoveChanged(F().Notation, z, s, n);
    });
    Key(Qt::Key_Down);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    ExpectInStep(F(), kG1Match1);  // arrows only move the selection
    EXPECT_TRUE(lockedDuringLoad.empty());
    const TBoard before = F().Board->Position();
    F().Board->ResetDrawCounter();
    Key(Qt::Key_Return);
    ExpectInStep(F(), kG2Match);
    ASSERT_FALSE(lockedDuringLoad.empty());
    EXPECT_TRUE(lockedDuringLoad.front());
    // Nothing was painted during the load; the search's one update painted
    // exactly the squares that differ from what was on screen.
    int differing = 0;
    for (int q = 0; q < 64; ++q)
        differing += before[static_cast<size_t>(Index64ToSquare(q))] !=
                     F().Board->Position()[static_cast<size_t>(Index64ToSquare(q))];
    EXPECT_EQ(F().Board->SquaresDrawn(), differing);

    // A double click on a row loads that game.
    lockedDuringLoad.clear();
    const QRect row = F().GameList->visualRect(F().GameList->model()->index(2, 0));
    QTest::mouseDClick(F().GameList->viewport(), Qt::LeftButton, Qt::NoModifier, row.center());
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    ExpectInStep(F(), kG1Match1);
    ASSERT_FALSE(lockedDuringLoad.empty());
    EXPECT_TRUE(lockedDuringLoad.front());

    // The handler itself, as the list calls it.
    F().OnGameListDoubleClick(F().GameList, Game1(), 0);
    ExpectInStep(F(), kG1Match1);
}

TEST_F(Browse, ClipboardCommands) {
    Open(Game1() + Game2() +
         "[Event \"E3\"]\n[FEN \"r1k4r/8/8/8/8/8/8/R5KR w HAha - 0 1\"]\n\n1. O-O {MATCH} O-O-O *\n\n");
    F().ButtonClipPos->click();
    // The true clock and move number: after 2. Nf3 one ply since the pawn move.
    EXPECT_EQ(platform_.clipboard.toStdString(), kG1Match1 + " KQkq - 1 2");
    Key(Qt::Key_Q);
    F().ButtonClipPos->click();
    EXPECT_EQ(platform_.clipboard.toStdString(), kInitial + " KQkq - 0 1");
    F().ButtonClipPGN->click();
    const std::string pgn = platform_.clipboard.toStdString();
    EXPECT_NE(pgn.find("[White \"W1\"]"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("Nf3"), std::string::npos) << pgn;
    EXPECT_NE(pgn.find("MATCH"), std::string::npos) << pgn;
    EXPECT_EQ(pgn.find("W2"), std::string::npos) << pgn;
    EXPECT_EQ(platform_.clipboardWrites, 3);
    EXPECT_TRUE(platform_.messages.empty());

    // A Chess960 game: the king stayed on g1, the rook came from h1, and the
    // rights are named by rook file as in the game's own FEN.
    Key(Qt::Key_X);
    Key(Qt::Key_X);
    F().ButtonClipPos->click();
    EXPECT_EQ(platform_.clipboard.toStdString(), "r1k4r/8/8/8/8/8/8/R4RK1 b ha - 1 1");  // castling moves the clock on
}

TEST_F(Browse, AnEmptyFileLeavesTheWindowUsable) {
    Open("");
    EXPECT_EQ(F().GameList->ItemIndex(), -1);
    EXPECT_EQ(F().Notation->CurrentMove(), nullptr);
    for (int k : {Qt::Key_Q, Qt::Key_A, Qt::Key_D, Qt::Key_S, Qt::Key_Z, Qt::Key_E, Qt::Key_C, Qt::Key_W, Qt::Key_X,
                  Qt::Key_Return, Qt::Key_Down})
        Key(k);
    for (int d = 1; d <= 9; ++d) Pad(d);
    for (QPushButton* b : {F().ButtonStart, F().ButtonBack, F().ButtonNextBranch, F().ButtonForward, F().ButtonEnd,
                           F().ButtonPrevMatch, F().ButtonNextMatch, F().ButtonPrevGame, F().ButtonNextGame, F().ButtonClipPos,
                           F().ButtonClipPGN})
        b->click();
    EXPECT_EQ(F().GameList->ItemIndex(), -1);
    EXPECT_EQ(F().Notation->CurrentMove(), nullptr);
    EXPECT_TRUE(platform_.messages.empty());
    EXPECT_TRUE(F().isVisible());
    EXPECT_TRUE(F().GameList->hasFocus());
}

TEST_F(Browse, BrokenGamesAndAVanishingFileLeaveTheWindowUsable) {
    // Game 2 breaks off at an impossible move, game 3 is binary noise.
    std::string noise;
    for (int i = 0; i < 3000; ++i) noise += static_cast<char>((i * 97 + 13) % 256);
    Open(Game1() + Header(2) + "1. e4 e5 2. Kxe8 {MATCH} Nf6 *\n\n" + Header(3) + noise + "\n\n" + Game2());
    ASSERT_EQ(F().GameList->RowCount(), 4);
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    // What could be read stands; the board agrees with the notation.
    EXPECT_EQ(BoardFen(F()), NotationFen(F()));
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    EXPECT_EQ(BoardFen(F()), NotationFen(F()));
    for (int k : {Qt::Key_Q, Qt::Key_D, Qt::Key_S, Qt::Key_Z, Qt::Key_E, Qt::Key_C}) Key(k);
    F().ButtonClipPGN->click();
    Key(Qt::Key_X);
    ExpectInStep(F(), kG2Match);
    EXPECT_TRUE(platform_.messages.empty());  // reading errors of a game are not reported

    // The file goes away under the window: the games cannot be read, nothing breaks.
    fs::remove(path_);
    Key(Qt::Key_W);
    Key(Qt::Key_W);
    Key(Qt::Key_Return);
    EXPECT_TRUE(F().isVisible());
    EXPECT_EQ(BoardFen(F()), NotationFen(F()));
    EXPECT_FALSE(F().Board->PaintLocked);
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(Browse, GamesOfADatabaseBrowseLikeAFile) {
    ccf::Database d;
    d.Add(ccf::PgnRecord(Game1()));
    d.AddDeleted();
    d.Add(ccf::PgnRecord(Game2()));
    path_ = (dir_ / "games.ccf").string();
    d.Write(path_);
    form_ = std::make_unique<TMainWindow>(QStringList{QString::fromStdString(path_)});
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([this] { return form_->StartupDone(); }, 5000));
    ASSERT_EQ(F().GameList->RowCount(), 3);
    ExpectInStep(F(), kG1Match1);
    Key(Qt::Key_X);  // the deleted game's row
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    EXPECT_EQ(BoardFen(F()), NotationFen(F()));
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    ExpectInStep(F(), kG2Match);
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    ExpectInStep(F(), kG2Match);
    Key(Qt::Key_W);
    Key(Qt::Key_W);
    EXPECT_EQ(F().GameList->ItemIndex(), 0);
    ExpectInStep(F(), kG1Match1);
    F().ButtonClipPGN->click();
    EXPECT_NE(platform_.clipboard.indexOf("W1"), -1);
    EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(Browse, KeyMapTable) {
    using C = TMainWindow::Command;
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_Q, {}), C::ToStart);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_7, pad), C::ToStart);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_A, {}), C::StepBack);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_4, pad), C::StepBack);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_D, {}), C::StepForward);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_6, pad), C::StepForward);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_S, {}), C::StepForwardBranch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_5, pad), C::StepForwardBranch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_Y, {}), C::ToEnd);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_Z, {}), C::ToEnd);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_1, pad), C::ToEnd);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_E, {}), C::PrevMatch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_9, pad), C::PrevMatch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_C, Qt::ControlModifier), C::NextMatch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_3, pad), C::NextMatch);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_W, {}), C::PrevGame);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_8, pad), C::PrevGame);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_X, {}), C::NextGame);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_2, pad), C::NextGame);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_P, {}), C::Autoplay);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_0, pad), C::None);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_7, {}), C::None);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_Left, {}), C::None);
    EXPECT_EQ(TMainWindow::CommandOfKey(Qt::Key_Home, pad), C::None);
}

TEST_F(Browse, RealMarkedFiles) {
    REQUIRE_SHARED_PGN();
    const fs::path marked = testdata::SharedPgnDir() / "marked";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(marked)) {
        if (entry.path().extension() != ".pgn") continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        TMainWindow form({QString::fromStdString(entry.path().string())});
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&form] { return form.StartupDone(); }, 30000));
        ASSERT_GT(form.GameList->RowCount(), 0);
        // The first game stands on a mark or at the end of its main line.
        const bool onMark = form.Notation->CurrentComment().find("MATCH") != std::string::npos;
        if (!onMark) {
            EXPECT_FALSE(form.Notation->Core().Current && form.Notation->Core().Current->Next);
        }
        // Walk the marks of the first games; the board follows every jump.
        for (int game = 0; game < 5 && game < form.GameList->RowCount(); ++game) {
            for (int jump = 0; jump < 50; ++jump) {
                QTest::keyClick(form.GameList, Qt::Key_C);
                EXPECT_EQ(BoardFen(form), NotationFen(form));
                if (form.Notation->CurrentComment().find("MATCH") == std::string::npos) break;
            }
            QTest::keyClick(form.GameList, Qt::Key_E);
            EXPECT_EQ(BoardFen(form), NotationFen(form));
            QTest::keyClick(form.GameList, Qt::Key_X);
        }
        EXPECT_TRUE(platform_.messages.empty());
    }
    if (files == 0) {
        GTEST_SKIP() << "no marked PGN files in " << marked;
    }
}
