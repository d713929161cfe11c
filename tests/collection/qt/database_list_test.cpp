// The game list widget on a ".ccf" chess database: rows for every index
// entry, deleted games marked for strike-out, Enter reports the game, and
// the database's messages go to error boxes.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>

#include "collection/qt/game_list.h"
#include "support/ccf_writer.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace {

ccf::Database Games(int count) { return ccf::GamesWithSecondDeleted(count); }

struct DbList {
    RecordingPlatform platform;
    testdata::TempDir dir;
    TGameList list;
    std::map<int, bool> deletedRows;
    DbList() {
        list.resize(400, 200);
        list.OnRowRead = [this](int index, std::int32_t g, const TGameHeader& h) {
            EXPECT_EQ(index, g) << "in database mode a row shows the game of its own number";
            deletedRows[index] = h.Deleted;
        };
    }
    std::string Path() const { return (dir / "games.ccf").string(); }
};

}  // namespace

TEST(DatabaseListWidget, RowsDeletedMarksAndEnter) {
    DbList f;
    Games(5).Write(f.Path());
    f.list.ScanFile(f.Path());
    ASSERT_TRUE(f.list.FileOpen());
    EXPECT_EQ(f.list.model()->rowCount(), 5);
    EXPECT_EQ(f.list.GameCount(), 4);
    f.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.list));
    f.list.viewport()->repaint();
    ASSERT_EQ(f.deletedRows.count(1), 1u);
    EXPECT_TRUE(f.deletedRows[1]);
    EXPECT_FALSE(f.deletedRows[0]);

    std::vector<std::pair<std::string, int>> chosen;
    QObject::connect(&f.list, &TGameList::GameChosen,
                     [&](QObject*, const std::string& text, std::int32_t id) { chosen.emplace_back(text, id); });
    f.list.SetItemIndex(3);
    QTest::keyClick(&f.list, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1u);
    EXPECT_EQ(chosen[0].second, 3);
    EXPECT_NE(chosen[0].first.find("[White \"W3\"]"), std::string::npos);
    EXPECT_TRUE(f.platform.messages.empty());
}

TEST(DatabaseListWidget, RebuildNoticeAndProgressWithoutRowDrawing) {
    DbList f;
    Games(300).Write(f.Path());
    // A wrong live count; the stride of 1 (300 entries / 200) still walks every entry.
    std::string index = Games(300).Index();
    index[16] = 0;
    testdata::WriteFile(f.dir / "games.ccfidx", index);
    int traces = 0;
    bool drawnDuringTrace = false;
    f.list.OnPGNTrace = [&](TGameListCore&, std::int32_t, TCancelMode&) {
        ++traces;
        const size_t before = f.deletedRows.size();
        f.list.viewport()->repaint();
        drawnDuringTrace |= f.deletedRows.size() != before;
    };
    f.list.show();
    f.list.ScanFile(f.Path());
    ASSERT_TRUE(f.list.FileOpen());
    ASSERT_EQ(f.platform.messages.size(), 1u);
    EXPECT_EQ(f.platform.messages[0].text,
              "Error in database. Index file will be recreated - it could take a longer while.");
    EXPECT_EQ(f.platform.messages[0].kind, TMessageKind::Error);
    EXPECT_GT(traces, 1);
    EXPECT_FALSE(drawnDuringTrace);
    EXPECT_EQ(f.platform.busyOn, f.platform.busyOff);
    EXPECT_GE(f.platform.busyOn, 1);
}

TEST(DatabaseListWidget, LockedDatabaseLeavesTheListAsItWas) {
    DbList f;
    Games(3).Write(f.Path());
    TGameList other;
    other.ScanFile(f.Path());
    ASSERT_TRUE(other.FileOpen());
    f.list.ScanFile(f.Path());
    EXPECT_FALSE(f.list.FileOpen());
    EXPECT_EQ(f.list.model()->rowCount(), 0);
}
