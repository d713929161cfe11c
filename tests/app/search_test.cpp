// The viewer's search: Ctrl+F on the position shown, Ctrl+T on the headers,
// the filtered list (numbers of the file, title "N of M games"), the match
// keys stopping at the hits, Esc cancelling and returning to every game.
#include <gtest/gtest.h>

#include <QInputDialog>
#include <QStatusBar>
#include <QTest>
#include <filesystem>

#include "app/main_window.h"
#include "app/tree_controller.h"
#include "app/search_controller.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "rules/fen.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace {

const std::string kQgd = "rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b";  // after 1.d4 d5 2.c4

// Game 1 reaches the position directly, game 2 by transposition and twice,
// game 3 never, game 4 starts there from a FEN; game 5 is a Latin-1 header.
std::string Games() {
    return "[Event \"a\"]\n[White \"Anand\"]\n\n1. d4 d5 2. c4 dxc4 3. e4 *\n\n"
           "[Event \"b\"]\n[White \"Carlsen\"]\n\n1. c4 d5 2. d4 Nf6 3. Nf3 Ng8 4. Ng1 e6 5. e3 *\n\n"
           "[Event \"c\"]\n[White \"Anand\"]\n\n1. e4 e5 *\n\n"
           "[Event \"d\"]\n[FEN \"rnbqkbnr/ppp1pppp/8/3p4/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2\"]\n\n2... e6 *\n\n"
           "[Event \"e\"]\n[White \"M\xFCller\"]\n[FEN \"4k3/8/8/8/8/8/8/4R2K w - - 0 1\"]\n\n*\n\n";
}

std::string NotationFen(TMainWindow& form) {
    const std::string fen = PositionToFEN(form.Notation->CurrentPosition(), form.Notation->Core().State, 1);
    return fen.substr(0, fen.find(' ', fen.find(' ') + 1));
}

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (dir_ / "games.pgn").string();
        testdata::WriteFile(path_, text_.empty() ? Games() : text_);
        form_ = std::make_unique<TMainWindow>(QStringList{QString::fromStdString(path_)});
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form_->StartupDone(); }, 5000));
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(F().GameList, Qt::Key(key), mods); }
    void Finish() { ASSERT_TRUE(QTest::qWaitFor([this] { return !F().Search->Running(); }, 10000)); }
    TMainWindow& F() { return *form_; }
    // Game numbers (from 1) the rows show.
    std::vector<int> Rows() {
        std::vector<int> rows;
        for (int r = 0; r < F().GameList->RowCount(); ++r) rows.push_back(F().GameList->GameIndexOfRow(r) + 1);
        return rows;
    }
    bool TitleEndsWith(const char* tail) { return F().windowTitle().endsWith(QString::fromUtf8(tail)); }

    RecordingPlatform platform_;
    testdata::TempDir dir_;
    std::string text_;
    std::string path_;
    std::unique_ptr<TMainWindow> form_;
};

TEST_F(Search, PositionHitsFilterTheListAndStopTheMatchKeys) {
    // Game 1 opens at its end; step to the position after 2.c4 and search it.
    Key(Qt::Key_Q);
    for (int i = 0; i < 3; ++i) Key(Qt::Key_D);
    ASSERT_EQ(NotationFen(F()), kQgd);
    Key(Qt::Key_F, Qt::ControlModifier);
    Finish();
    EXPECT_EQ(Rows(), (std::vector<int>{1, 2, 4}));
    EXPECT_TRUE(TitleEndsWith("   3 of 5 games")) << F().windowTitle().toStdString();
    EXPECT_EQ(F().GameList->ItemIndex(), 0);  // the current game's row
    EXPECT_EQ(NotationFen(F()), kQgd);    // the notation stays where it was

    // Next game: game 2 opens at its first hit; C and E walk its hits.
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    EXPECT_EQ(F().LoadedGame, 1);
    EXPECT_EQ(NotationFen(F()), kQgd);
    EXPECT_EQ(F().Notation->Core().Current->Move.ToSq, 54);  // 2.d4, the third ply
    Key(Qt::Key_C);
    EXPECT_EQ(NotationFen(F()), kQgd);  // again after 4.Ng1, the seventh ply
    EXPECT_EQ(F().Notation->Core().Current->Move.ToSq, 27);
    Key(Qt::Key_C);  // after its last hit: on to the next listed game with one, game 4
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    EXPECT_EQ(F().LoadedGame, 3);
    Key(Qt::Key_E);  // and back to the last hit of game 2
    EXPECT_EQ(F().GameList->ItemIndex(), 1);
    EXPECT_EQ(F().Notation->Core().Current->Move.ToSq, 27);
    Key(Qt::Key_E);
    EXPECT_EQ(F().Notation->Core().Current->Move.ToSq, 54);
    // The last row: game 4 (its number in the file), which starts at the hit.
    Key(Qt::Key_X);
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    EXPECT_EQ(F().LoadedGame, 3);
    Key(Qt::Key_X);  // the last row reloads the last game
    EXPECT_EQ(F().LoadedGame, 3);

    // Esc: every game again, the current one selected, the count in the title.
    Key(Qt::Key_Escape);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(F().GameList->ItemIndex(), 3);
    EXPECT_TRUE(TitleEndsWith("]   5 games")) << F().windowTitle().toStdString();
    EXPECT_TRUE(platform_.messages.empty());

    // Opening a file while the list is filtered starts afresh with every game.
    Key(Qt::Key_F, Qt::ControlModifier);
    F().OpenFile(QString::fromStdString(path_));
    EXPECT_FALSE(F().Search->Filtered());
    EXPECT_EQ(F().GameList->RowCount(), 5);
    EXPECT_TRUE(TitleEndsWith("]   5 games"));
}

TEST_F(Search, HeaderTextIllegalPositionsCancelAndRestart) {
    // Ctrl+T asks for the text; case and encoding do not matter.
    platform_.onModal = [](QDialog* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        if (!input) return 0;
        input->setTextValue(QStringLiteral("MÜLLER"));
        return int(QDialog::Accepted);
    };
    Key(Qt::Key_T, Qt::ControlModifier);
    Finish();
    EXPECT_EQ(Rows(), (std::vector<int>{5}));
    EXPECT_TRUE(TitleEndsWith("   1 of 5 games"));
    // Game 5: White to move with Black in check is no position to search.
    Key(Qt::Key_X);
    ASSERT_EQ(F().LoadedGame, 4);
    Key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(platform_.messages.size(), 1u);
    EXPECT_TRUE(platform_.messages[0].text.startsWith("This position cannot be searched"));
    EXPECT_EQ(Rows(), (std::vector<int>{5}));  // the list is as it was
    // Refused dialog: nothing happens.
    platform_.onModal = [](QDialog*) { return 0; };
    Key(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Rows(), (std::vector<int>{5}));
    Key(Qt::Key_Escape);
    EXPECT_EQ(F().GameList->RowCount(), 5);

    // Cancelled at once, the list holds a consistent prefix of the hits;
    // a new search then finds them all.
    Key(Qt::Key_W);  // game 4; its start position is a hit
    Key(Qt::Key_Q);
    ASSERT_EQ(NotationFen(F()), kQgd);
    F().Tree->FileClosing();  // the games are replayed: the opening tree's records would answer at once
    F().Search->SearchCurrentPosition();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(F().Search->Running());
    EXPECT_LE(F().GameList->RowCount(), 3);
    EXPECT_TRUE(TitleEndsWith("(search cancelled)"));
    QTest::qWait(50);  // late messages of the cancelled search change nothing
    EXPECT_LE(F().GameList->RowCount(), 3);
    Key(Qt::Key_F, Qt::ControlModifier);
    Finish();
    EXPECT_EQ(Rows(), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(F().GameList->ItemIndex(), 2);
    Key(Qt::Key_Escape);
    EXPECT_EQ(F().GameList->ItemIndex(), 3);
}

// A database is searched like a file (its deleted row never a hit, Esc shows
// every row again); a file that shrank under the viewer gives an incomplete
// search, and a database deleted under it a game that cannot be read, said
// in the title and the status bar.
TEST_F(Search, DatabasesAndFilesChangedUnderTheSearch) {
    std::filesystem::resize_file(path_, 60);  // game 1 and part of game 2
    F().Search->SearchText(QStringLiteral("anand"));
    Finish();
    EXPECT_EQ(Rows(), (std::vector<int>{1}));
    EXPECT_TRUE(TitleEndsWith("(search incomplete: the file changed)")) << F().windowTitle().toStdString();
    EXPECT_TRUE(F().statusBar()->currentMessage().startsWith("Search incomplete"));

    const std::string db = (dir_ / "s.ccf").string();
    testdata::WriteFile(db, testdata::ReadFile(testdata::FixtureDir() / "ccf_sample.ccf"));
    F().OpenFile(QString::fromStdString(db));
    ASSERT_EQ(F().GameList->RowCount(), 4);
    F().Search->SearchText(QStringLiteral("morphy"));
    Finish();
    EXPECT_EQ(Rows(), (std::vector<int>{2}));
    EXPECT_TRUE(TitleEndsWith("   1 of 3 games")) << F().windowTitle().toStdString();
    Key(Qt::Key_Escape);
    EXPECT_EQ(Rows(), (std::vector<int>{1, 2, 3, 4}));
    for (const auto& m : platform_.messages) ADD_FAILURE() << m.text.toStdString();
    // The database deleted under the viewer: the next game cannot be read,
    // which the title and the status bar say.
    std::filesystem::remove(db);
    Key(Qt::Key_X);
    EXPECT_TRUE(QTest::qWaitFor([this] { return TitleEndsWith("(incomplete: the file changed, open it again)"); }, 2000))
        << F().windowTitle().toStdString();
    EXPECT_TRUE(F().statusBar()->currentMessage().contains("changed since it was read"));
}

}  // namespace
