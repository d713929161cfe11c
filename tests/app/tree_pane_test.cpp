// The opening tree pane in the window over tests/data/tree_sample.pgn (five
// games; the third reaches 1. e4 c5 2. Nf3 by 1. Nf3 c5 2. e4): the rows of
// positions reached through the pane itself, a row played in the game or on
// the board alone, a row's games listed until Esc, and Ctrl+F answered from
// the tree's records.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QTableView>
#include <QTest>

#include "app/main_window.h"
#include "app/search_controller.h"
#include "app/settings.h"
#include "app/tree_controller.h"
#include "app/tree_pane.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "rules/fen.h"
#include "support/qt/recording_platform.h"

namespace {

std::string BoardFen(const TMainWindow& form) {
    const std::string fen = PositionToFEN(form.Board->Position(), form.Board->Move(), 1);
    return fen.substr(0, fen.find(' ') + 2);
}

class TreePane : public ::testing::Test {
protected:
    void SetUp() override {
        auto settings = QuarzelSettings();
        settings->setValue(QStringLiteral("view/openingTree"), true);
        settings->setValue(QStringLiteral("openingTree/keepCache"), false);
        settings.reset();
        form_ = std::make_unique<TMainWindow>(QStringList{QStringLiteral(QUARZEL_TEST_DATA_DIR "/tree_sample.pgn")});
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form_->StartupDone(); }, 5000));
        ASSERT_TRUE(QTest::qWaitFor([this] { return form_->Tree->Complete(); }, 10000));
        QTest::keyClick(form_->GameList, Qt::Key_Q);  // game 1 at its start
    }
    void TearDown() override { QuarzelSettings()->clear(); }

    QAbstractItemModel* Model() const { return form_->Tree->Pane()->Table()->model(); }
    QString Cell(int row, int column) const { return Model()->index(row, column).data().toString(); }
    int RowOf(const QString& san) const {
        for (int r = 0; r < Model()->rowCount(); ++r)
            if (Cell(r, 0) == san) return r;
        return -1;
    }
    // Enter on the row of that move.
    void Play(const QString& san) {
        QTableView* table = form_->Tree->Pane()->Table();
        const int row = RowOf(san);
        ASSERT_GE(row, 0) << san.toStdString();
        table->setCurrentIndex(Model()->index(row, 0));
        QTest::keyClick(table, Qt::Key_Return);
    }

    RecordingPlatform platform_;
    std::unique_ptr<TMainWindow> form_;
};

TEST_F(TreePane, RowsOfThePositionsOnTheBoard) {
    // Moves from the start of each line, the row, then games, W / D / B and
    // the score of the side to move.
    const struct {
        std::vector<QString> path;
        QString move, games, results, score;
    } cases[] = {
        {{}, "e4", "3", "1 / 2 / 0", "67%"},
        {{}, "Nf3", "1", "0 / 0 / 1", "0%"},
        {{}, "d4", "1", "1 / 0 / 0", "100%"},
        {{"e4"}, "c5", "2", "1 / 1 / 0", "25%"},
        {{"e4"}, "e5", "1", "0 / 1 / 0", "50%"},
        // Reached by games 1 and 2 and, through the other order, game 3.
        {{"e4", "c5", "Nf3"}, "d6", "2", "1 / 0 / 1", "50%"},
        {{"Nf3", "c5", "e4"}, "Nc6", "1", "0 / 1 / 0", "50%"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.move.toStdString());
        QTest::keyClick(form_->GameList, Qt::Key_Q);
        for (const QString& san : c.path) Play(san);
        const int row = RowOf(c.move);
        ASSERT_GE(row, 0) << form_->Tree->Pane()->Head().toStdString();
        EXPECT_EQ(Cell(row, 1), c.games);
        EXPECT_EQ(Cell(row, 3), c.results);
        EXPECT_EQ(Cell(row, 2), c.score);
    }
    QTest::keyClick(form_->GameList, Qt::Key_Q);
    EXPECT_TRUE(form_->Tree->Pane()->Head().endsWith(QStringLiteral("5 games"))) << form_->Tree->Pane()->Head().toStdString();
    EXPECT_EQ(Cell(RowOf("e4"), 4), QStringLiteral("2550"));  // White's average Elo of games 1 and 2
    EXPECT_EQ(Cell(RowOf("e4"), 6), QStringLiteral("2001"));
    EXPECT_EQ(Cell(RowOf("e4"), 7), QStringLiteral("2010"));
}

TEST_F(TreePane, EnterPlaysTheMoveInTheGameOrOnTheBoard) {
    Play("e4");  // game 1 goes on with it: a step in the game
    ASSERT_NE(form_->Notation->CurrentMove(), nullptr);
    EXPECT_EQ(BoardFen(*form_), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b");
    Play("e5");  // game 1 plays c5: the board alone shows it
    EXPECT_EQ(BoardFen(*form_), "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w");
    EXPECT_EQ(form_->Notation->Core().Current->Next->Move.ToSq, 63);  // the game still stands after 1. e4 (c5 next)
    EXPECT_GE(RowOf("Nf3"), 0);  // the rows follow the board
    QTest::keyClick(form_->Tree->Pane()->Table(), Qt::Key_D);  // a step returns to the game; the pane leaves D to the window
    EXPECT_EQ(BoardFen(*form_), "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w");
}

TEST_F(TreePane, ARowsGamesAreListedUntilEsc) {
    Play("e4");
    form_->Tree->ListRow(RowOf("c5"));
    ASSERT_EQ(form_->GameList->RowCount(), 2);
    EXPECT_EQ(form_->GameList->GameIndexOfRow(0), 0);
    EXPECT_EQ(form_->GameList->GameIndexOfRow(1), 1);
    // The tree follows the list: only those two games count.
    EXPECT_TRUE(QTest::qWaitFor([this] { return RowOf("e5") < 0; }, 2000));
    EXPECT_EQ(Cell(RowOf("c5"), 1), QStringLiteral("2"));
    QTest::keyClick(form_->Tree->Pane()->Table(), Qt::Key_Escape);  // the window's Esc, also in the pane
    EXPECT_EQ(form_->GameList->RowCount(), 5);
    EXPECT_TRUE(QTest::qWaitFor([this] { return RowOf("e5") >= 0; }, 2000));
}

}  // namespace

TEST_F(TreePane, PositionSearchIsAnsweredFromTheRecordsAtOnce) {
    Play("e4");
    Play("c5");
    Play("Nf3");  // games 1 and 2 in this order, game 3 by transposition
    QTest::keyClick(form_->GameList, Qt::Key_F, Qt::ControlModifier);
    EXPECT_FALSE(form_->Search->Running());  // no replay running
    ASSERT_EQ(form_->GameList->RowCount(), 3);
    EXPECT_TRUE(form_->Search->GameHasHits(2));
    EXPECT_TRUE(form_->windowTitle().endsWith(QStringLiteral("3 of 5 games"))) << form_->windowTitle().toStdString();
}

// Until the user flips it, the switch follows the window's width; then it stays.
TEST(TreePaneSwitch, FollowsTheWidthUntilChosen) {
    RecordingPlatform platform;
    QuarzelSettings()->clear();
    TMainWindow form;
    form.show();
    QAction* on = form.Tree->Switch();
    EXPECT_FALSE(on->isChecked());  // 623 pixels at the first start
    form.resize(kTreeAutoWidth + 100, form.height());
    EXPECT_TRUE(on->isChecked());
    EXPECT_TRUE(form.Tree->Pane()->isVisible());
    form.resize(kTreeAutoWidth - 100, form.height());
    EXPECT_FALSE(form.Tree->Pane()->isVisible());
    on->trigger();  // the user's choice
    form.resize(kTreeAutoWidth - 50, form.height());
    EXPECT_TRUE(on->isChecked());
    EXPECT_TRUE(QuarzelSettings()->value(QStringLiteral("view/openingTree")).toBool());
    QuarzelSettings()->clear();
}
