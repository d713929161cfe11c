// Opening files in a running viewer: the dialog at a start without a
// parameter, Ctrl+O, drops and recent files all replace the current file as a
// start with that parameter would.
#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "app/game_file.h"
#include "app/main_window.h"
#include "app/open_file.h"
#include "app/settings.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "support/ccf_writer.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

std::string Games(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += "[Event \"E\"]\n[White \"W" + std::to_string(i) + "\"]\n[Black \"B\"]\n[Result \"*\"]\n\n1. e4 e5 *\n\n";
    return text;
}

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

QString Title(const QString& path, int games) {
    return "Quarzel PGN Viewer 1.01   [" + path + "]   " + QString::number(games) + (games == 1 ? " game" : " games");
}

// The drag enters the window and drops the file, as a file manager does.
void Drop(QWidget* window, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window, &drop);
}

bool HasLockFile(const fs::path& dir) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().string().ends_with("tmp")) return true;
    return false;
}

}  // namespace

TEST(OpenFile, DialogDropAndRecentFilesReplaceTheFileAsAStartWould) {
    RecordingPlatform platform;
    QuarzelSettings()->clear();  // other tests of this program open files too
    testdata::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "db");
    const QString two = Q(dir / "a" / "two & more.pgn"), three = Q(dir / "three.pgn"), base = Q(dir / "db" / "g.ccf");
    testdata::WriteFile(two.toStdString(), Games(2));
    testdata::WriteFile(three.toStdString(), Games(3));
    ccf::Database d;
    ccf::CompactGame g;
    g.Text(ccf::CompactGame::White, "W").Text(ccf::CompactGame::Result, "1-0");
    d.Add(ccf::CompactRecord(g));
    d.Write(base.toStdString());

    // A start without a parameter opens what the dialog chose.
    platform.onChooseFile = [&] { return two; };
    TMainWindow form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.StartupDone(); }, 5000));
    EXPECT_EQ(form.windowTitle(), Title(two, 2));
    EXPECT_EQ(form.Opener->LastFolder(), Q(dir / "a"));

    // Ctrl+O starts in the last folder; a database opens and is locked.
    platform.onChooseFile = [&] { return base; };
    QTest::keyClick(form.GameList, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(platform.fileDialogs.size(), 2u);
    EXPECT_EQ(platform.fileDialogs[1].folder, Q(dir / "a"));
    EXPECT_EQ(platform.fileDialogs[1].caption, "Open a game file");
    EXPECT_EQ(form.windowTitle(), Title(base, 1));
    EXPECT_TRUE(HasLockFile(dir / "db"));

    // A dropped file replaces it: the database is closed and unlocked first.
    Drop(&form, three);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.windowTitle() == Title(three, 3); }, 5000));
    EXPECT_FALSE(HasLockFile(dir / "db"));
    EXPECT_EQ(form.GameList->model()->rowCount(), 3);
    EXPECT_EQ(form.GameList->ItemIndex(), 0);
    EXPECT_TRUE(form.GameList->hasFocus());

    // The same file dropped again is scanned again.
    testdata::WriteFile(three.toStdString(), Games(4));
    Drop(&form, three);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.windowTitle() == Title(three, 4); }, 5000));

    // Recent files, newest first, on Ctrl+1 ... and in the list's context menu.
    EXPECT_EQ(form.Opener->RecentFiles(), QStringList({three, base, two}));
    EXPECT_EQ(form.GameList->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(form.GameList->actions().contains(form.Opener->RecentActions()[2]));
    EXPECT_EQ(form.Opener->RecentActions()[2]->text(), "&3  " + QString(two).replace("&", "&&"));
    EXPECT_FALSE(form.Opener->RecentActions()[3]->isVisible());
    QTest::keyClick(form.GameList, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(form.windowTitle(), Title(two, 2));

    // A recent file that is gone: said so, and the window keeps its file.
    fs::remove(base.toStdString());
    form.Opener->RecentActions()[2]->trigger();
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "PGN file " + base + " does not exist");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), Title(two, 2));
    EXPECT_EQ(form.Opener->RecentFiles(), QStringList({two, three}));

    // A name that is not UTF-8 is kept byte for byte, and opens again from the list.
    const std::string latin1 = (dir / "caf\xE9.pgn").string();
    testdata::WriteFile(latin1, Games(5));
    form.OpenFile(ArgumentText(latin1.c_str()));
    ASSERT_FALSE(form.Opener->RecentFiles().isEmpty());
    EXPECT_EQ(GameFilePath(form.Opener->RecentFiles()[0]), latin1);
    QTest::keyClick(form.GameList, Qt::Key_2, Qt::ControlModifier);
    QTest::keyClick(form.GameList, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(form.GameList->GameCount(), 5);
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST(OpenFile, AFailedOpenKeepsTheFileAndPastedTextOpensInMemory) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    testdata::WriteFile(dir / "a.pgn", Games(3));
    std::string binary;
    for (int i = 0; i < 5000; ++i) binary += static_cast<char>((i * 131) % 251);
    testdata::WriteFile(dir / "binary.pgn", binary);
    // A database in use by another program (here: another open list).
    ccf::WriteOneGameDatabase((dir / "locked.ccf").string());
    TGameListCore holder;
    std::string error;
    ASSERT_TRUE(holder.OpenForReading((dir / "locked.ccf").string(), error)) << error;
    TMainWindow form({Q(dir / "a.pgn")});
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.StartupDone(); }, 5000));
    form.GameList->SetItemIndex(2);
    // Files that cannot be opened: one message each, the file, its rows and the selection stay.
    for (const char* name : {"binary.pgn", "locked.ccf", "missing.pgn"}) {
        platform.messages.clear();
        form.OpenFile(Q(dir / name));
        ASSERT_EQ(platform.messages.size(), 1u) << name;
        EXPECT_TRUE(platform.messages[0].text.contains(Q(dir / name))) << platform.messages[0].text.toStdString();
        EXPECT_EQ(form.windowTitle(), Title(Q(dir / "a.pgn"), 3)) << name;
        EXPECT_EQ(form.GameList->FileName(), (dir / "a.pgn").string());
        EXPECT_EQ(form.GameList->RowCount(), 3);
        EXPECT_EQ(form.GameList->ItemIndex(), 2);
    }
    EXPECT_EQ(testdata::ReadFile(dir / "binary.pgn"), binary);

    // Pasted text: PGN games, moves without tags, a FEN, and junk that opens nothing.
    struct Case {
        std::string text;
        int games;  // 0: refused with one message
        std::string white;
    };
    for (const Case& c : {Case{Games(2), 2, "W1"}, Case{"1. d4 d5 2. c4 *", 1, "?"},
                          Case{"  8/8/8/8/8/8/4k3/R3K3 w Q - 0 1\n", 1, "?"},
                          Case{"hello world, no chess here", 0, ""}, Case{"", 0, ""}}) {
        SCOPED_TRACE(c.text);
        platform.messages.clear();
        const QString before = form.windowTitle();
        form.OpenPastedText(QString::fromStdString(c.text));
        if (c.games == 0) {
            EXPECT_EQ(platform.messages.size(), 1u);
            EXPECT_EQ(form.windowTitle(), before);
            continue;
        }
        EXPECT_TRUE(platform.messages.empty()) << platform.messages[0].text.toStdString();
        EXPECT_EQ(form.windowTitle(), Title("pasted", c.games));
        EXPECT_EQ(form.GameList->GameCount(), c.games);
        EXPECT_EQ(form.Notation->Core().Game.Header.White, c.white == "?" ? "" : c.white);
    }
    // The FEN game before the junk shows its position; nothing pasted lies on a disc.
    EXPECT_EQ(form.Board->Position()[21], Rook);
    const std::string pasted = form.GameList->FileName();
    EXPECT_TRUE(pasted.ends_with("/pasted.pgn"));
    EXPECT_TRUE(fs::is_symlink(pasted));
    EXPECT_TRUE(fs::read_symlink(pasted).string().starts_with("/proc/"));
    // Another file closes the pasted games and their link.
    form.OpenFile(Q(dir / "a.pgn"));
    EXPECT_EQ(form.windowTitle(), Title(Q(dir / "a.pgn"), 3));
    EXPECT_FALSE(fs::exists(fs::path(pasted).parent_path()));
}
