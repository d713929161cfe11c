#include <gtest/gtest.h>

#include <QApplication>
#include <QPainter>
#include <QTest>

#include "collection/qt/game_list.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace {

std::string Game(int i) {
    return "[Event \"E" + std::to_string(i) + "\"]\n[White \"W" + std::to_string(i) + "\"]\n\n1. e4 *\n\n";
}

struct ListFixture {
    RecordingPlatform platform;
    testdata::TempDir dir;
    TGameList list;
    std::vector<int> drawn;
    ListFixture() {
        list.resize(400, 129);
        list.OnRowRead = [this](int index, std::int32_t g, const TGameHeader& h) {
            EXPECT_EQ(h.White, "W" + std::to_string(g + 1));
            drawn.push_back(index);
        };
    }
    void Open(const std::string& bytes) {
        testdata::WriteFile(dir / "l.pgn", bytes);
        list.ScanFile((dir / "l.pgn").string());
    }
};

}  // namespace

TEST(GameList, EnterAndDoubleClickReportTheSelectedGame) {
    ListFixture f;
    f.Open(Game(1) + Game(2) + Game(3));
    ASSERT_EQ(f.list.GameCount(), 3);
    ASSERT_EQ(f.list.model()->rowCount(), 3);
    std::vector<std::pair<std::string, int>> chosen;
    QObject::connect(&f.list, &TGameList::GameChosen, [&](QObject* sender, const std::string& text, std::int32_t id) {
        EXPECT_EQ(sender, &f.list);
        chosen.emplace_back(text, id);
    });
    f.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.list));
    QTest::keyClick(&f.list, Qt::Key_Return);  // nothing selected yet
    EXPECT_TRUE(chosen.empty());

    f.list.SetItemIndex(1);
    QTest::keyClick(&f.list, Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1u);
    std::int32_t id = -1;
    std::string text;
    f.list.GetGame(1, id, text);
    EXPECT_EQ(chosen[0].first, text);
    EXPECT_EQ(chosen[0].second, 1);

    const QRect third = f.list.visualRect(f.list.model()->index(2, 0));
    QTest::mouseClick(f.list.viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(f.list.viewport(), Qt::LeftButton, {}, third.center());
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[1].second, 2);
    EXPECT_EQ(f.list.ItemIndex(), 2);
    EXPECT_FALSE(f.drawn.empty());

    // Home, End and the page keys select and load, as Enter does.
    for (const auto& [key, row] : {std::pair{Qt::Key_Home, 0}, {Qt::Key_End, 2}, {Qt::Key_PageUp, 0}, {Qt::Key_PageDown, 2}}) {
        QTest::keyClick(&f.list, key);
        EXPECT_EQ(chosen.back().second, row) << key;
    }
    EXPECT_EQ(chosen.size(), 6u);
}

// The Moves column: full moves from PlyCount, counted from the text without it.
TEST(GameList, MovesColumnCountsGamesWithoutPlyCount) {
    ListFixture f;
    f.list.OnRowRead = nullptr;
    f.Open(Game(1) + "[Event \"x\"]\n[PlyCount \"104\"]\n\n1. d4 *\n\n");
    const int moves = static_cast<int>(TGameColumn::Moves);
    f.list.setColumnHidden(moves, false);
    EXPECT_EQ(f.list.model()->index(0, moves).data().toString(), "1");
    EXPECT_EQ(f.list.model()->index(1, moves).data().toString(), "52");
}

TEST(GameList, EmptyOrClosedListReportsNothing) {
    ListFixture f;
    int chosen = 0;
    QObject::connect(&f.list, &TGameList::GameChosen, [&] { ++chosen; });
    f.list.show();
    QTest::keyClick(&f.list, Qt::Key_Return);
    f.Open("");
    EXPECT_EQ(f.list.model()->rowCount(), 0);
    f.list.SetItemIndex(0);
    EXPECT_EQ(f.list.ItemIndex(), -1);
    QTest::keyClick(&f.list, Qt::Key_Enter);
    EXPECT_EQ(chosen, 0);

    f.Open(Game(1));
    f.list.SetItemIndex(0);
    f.list.ScanFile("");  // closes the file: rows gone, nothing to report
    EXPECT_EQ(f.list.model()->rowCount(), 0);
    QTest::keyClick(&f.list, Qt::Key_Return);
    EXPECT_EQ(chosen, 0);
}

TEST(GameList, KeyDownHandlerRunsFirstAndMaySwallowTheKey) {
    ListFixture f;
    f.Open(Game(1) + Game(2));
    int chosen = 0, keys = 0;
    QObject::connect(&f.list, &TGameList::GameChosen, [&] { ++chosen; });
    QObject::connect(&f.list, &TGameList::KeyDown, [&](QObject*, int& key, Qt::KeyboardModifiers) {
        ++keys;
        if (key == Qt::Key_Return) key = 0;
    });
    f.list.show();
    f.list.SetItemIndex(0);
    QTest::keyClick(&f.list, Qt::Key_Return);
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(chosen, 0);
    QTest::keyClick(&f.list, Qt::Key_Down);
    EXPECT_EQ(f.list.ItemIndex(), 1);
}

TEST(GameList, KeysSeenByTheKeyDownHandlerDoNotReachTheParentAgain) {
    // The owner binds its own key handler to the list and to its window; a
    // key the list does not use itself (F5, Ctrl+D) must reach it only once.
    class Parent : public QWidget {
    public:
        int keys = 0;

    protected:
        void keyPressEvent(QKeyEvent* e) override {
            ++keys;
            e->accept();
        }
    };
    RecordingPlatform platform;
    Parent parent;
    auto* list = new TGameList(&parent);
    int seen = 0;
    const QMetaObject::Connection handler = QObject::connect(list, &TGameList::KeyDown, [&] { ++seen; });
    parent.show();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F5);
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_Q);
    EXPECT_GE(seen, 3);  // the Control key itself comes down too
    EXPECT_EQ(parent.keys, 0);

    // Without a handler the list leaves unused keys to its parent.
    QObject::disconnect(handler);
    QTest::keyClick(list, Qt::Key_F5);
    EXPECT_EQ(parent.keys, 1);
}

TEST(GameList, AListGoingAwayReportsNoSortGivenUp) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    testdata::WriteFile(dir / "l.pgn", Game(3) + Game(1) + Game(2));
    auto list = std::make_unique<TGameList>();
    list->ScanFile((dir / "l.pgn").string());
    std::vector<int> progress;
    QObject::connect(list.get(), &TGameList::SortProgress,
                     [&](TGameColumn, int percent) { progress.push_back(percent); });
    list->SortBy(TGameColumn::White, false);
    ASSERT_TRUE(list->Sorting());  // the new order is handed over by the event loop
    list.reset();
    EXPECT_EQ(progress, std::vector<int>{0});
}

TEST(GameList, HourglassDuringScanAndFetch) {
    ListFixture f;
    f.Open(Game(1) + Game(2));
    std::int32_t id;
    std::string text;
    f.list.GetGame(0, id, text);
    EXPECT_GT(f.platform.busyOn, 0);
    EXPECT_EQ(f.platform.busyOn, f.platform.busyOff);
}

TEST(GameList, AMillionGamesDrawOnlyTheVisibleRows) {
    ListFixture f;
    std::string bytes;
    const int games = 1000000;
    bytes.reserve(static_cast<std::size_t>(games) * 24);
    for (int i = 1; i <= games; ++i) bytes += "[Event \"\"]\n[White \"W" + std::to_string(i) + "\"]\n";
    f.Open(bytes);
    ASSERT_EQ(f.list.GameCount(), games);
    EXPECT_EQ(f.list.model()->rowCount(), games);
    f.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.list));
    f.list.setFocus();
    f.list.SetItemIndex(0);
    f.drawn.clear();
    f.list.RefreshRows();
    f.list.repaint();
    EXPECT_GT(f.drawn.size(), 0u);
    EXPECT_LE(f.drawn.size(), 9u);  // the rows in view, each read once
    QTest::keyClick(&f.list, Qt::Key_End);
    EXPECT_EQ(f.list.ItemIndex(), games - 1);
    f.drawn.clear();
    f.list.RefreshRows();
    f.list.repaint();
    EXPECT_LE(f.drawn.size(), 9u);  // the rows in view, each read once
    ASSERT_FALSE(f.drawn.empty());
    EXPECT_EQ(*std::max_element(f.drawn.begin(), f.drawn.end()), games - 1);
    QTest::keyClick(&f.list, Qt::Key_Home);
    EXPECT_EQ(f.list.ItemIndex(), 0);
    QTest::keyClick(&f.list, Qt::Key_PageDown);
    EXPECT_GT(f.list.ItemIndex(), 0);
}
