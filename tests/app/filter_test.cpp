// The viewer's filter (Ctrl+Shift+F) and File > Save listed games (Ctrl+S).
#include <gtest/gtest.h>

#include <QDialog>
#include <QLineEdit>
#include <QTest>

#include "app/main_window.h"
#include "app/search_controller.h"
#include "app/status_line.h"
#include "collection/qt/game_list.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace {

// Games 1 and 3 are Anand's, 3 a copy of 1's moves (other text).
const std::string kGames[] = {"[White \"Anand\"]\n[Black \"X\"]\n\n1. d4 d5 2. c4 *\n",
                              "[White \"Carlsen\"]\n\n1. c4 *\n",
                              "[White \"ANAND\"]\n[Black \"x\"]\n\n1.d4 {!} d5 2.c4 *\n"};

TEST(Filter, DialogFiltersStatusCountsEscRestoresCtrlSSaves) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string path = (dir.path() / "games.pgn").string();
    testdata::WriteFile(path, kGames[0] + "\n" + kGames[1] + "\n" + kGames[2]);
    TMainWindow form(QStringList{QString::fromStdString(path)});
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.StartupDone(); }, 5000));
    auto rows = [&] {
        std::vector<int> out;
        for (int r = 0; r < form.GameList->RowCount(); ++r) out.push_back(form.GameList->GameIndexOfRow(r) + 1);
        return out;
    };
    platform.onModal = [](QDialog* d) {
        d->findChild<QLineEdit*>(QStringLiteral("White"))->setText(QStringLiteral("anand"));
        d->findChild<QLineEdit*>(QStringLiteral("Opening"))->setText(QStringLiteral("queen's gambit"));
        return int(QDialog::Accepted);
    };
    QTest::keyClick(form.GameList, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.Search->Running(); }, 10000));
    EXPECT_EQ(rows(), (std::vector<int>{1, 3}));
    EXPECT_TRUE(form.Status->LastMessage().startsWith(QStringLiteral("Filter (White: anand, opening: queen's gambit): 2 games pass")))
        << form.Status->LastMessage().toStdString();

    // Ctrl+S: never over the open file; another name gets the listed games as written.
    platform.onChooseFile = [&] { return QString::fromStdString(path); };
    QTest::keyClick(form.GameList, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(testdata::ReadFile(path), kGames[0] + "\n" + kGames[1] + "\n" + kGames[2]);
    ASSERT_FALSE(platform.messages.empty());
    const std::string out = (dir.path() / "anand.pgn").string();
    platform.onChooseFile = [&] { return QString::fromStdString(out); };
    QTest::keyClick(form.GameList, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(testdata::ReadFile(out), kGames[0] + "\n" + kGames[2]);

    QTest::keyClick(form.GameList, Qt::Key_Escape);
    EXPECT_EQ(rows(), (std::vector<int>{1, 2, 3}));
}

}  // namespace
