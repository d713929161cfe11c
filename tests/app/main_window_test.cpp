#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QToolTip>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <map>

#include "app/key_help.h"
#include "app/comment_commands_view.h"
#include "app/game_file.h"
#include "app/header_panel.h"
#include "app/main_window.h"
#include "app/notation_events.h"
#include "app/settings.h"
#include "board/qt/board_widget.h"
#include "collection/game_list_core.h"
#include "collection/game_sort.h"
#include "collection/qt/game_list.h"
#include "notation/qt/eval_graph.h"
#include "notation/qt/notation.h"
#include "support/ccf_writer.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

std::string Game(int i) {
    return "[Event \"Open\"]\n[Site \"Town\"]\n[Date \"2001.02.03\"]\n[White \"W" + std::to_string(i) +
           "\"]\n[Black \"B\"]\n[Result \"1/2-1/2\"]\n[ECO \"C42\"]\n\n1. e4 e5 {MATCH} 1/2-1/2\n\n";
}

void Start(TMainWindow& form) {
    form.show();
    form.activateWindow();
    // A window that closes during its start-up never stays active: wait for the start-up itself.
    ASSERT_TRUE(QTest::qWaitFor([&form] { return form.StartupDone(); }, 5000));
}

}  // namespace

TEST(MainWindow, StartClientSizePositionAndCaption) {
    RecordingPlatform platform;
    TMainWindow form;
    form.show();
    // The client area under the menus keeps the fixed layout's start size;
    // the window may grow and be maximised, never shrink below it.
    EXPECT_EQ(form.Client->size(), QSize(623, 482));
    EXPECT_EQ(form.Client->minimumSize(), QSize(623, 482));
    EXPECT_GT(form.maximumSize().width(), 4000);
    EXPECT_EQ(form.pos(), QPoint(278, 105));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quarzel PGN Viewer"));
    EXPECT_EQ(form.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_FALSE(form.StartupDone());  // nothing runs before the window is activated
    // Help, About: the version and the licence.
    EXPECT_TRUE(AboutHtml().contains("Quarzel PGN Viewer 1.01") && AboutHtml().contains("GPL-3.0-or-later"));
}

TEST(MainWindow, ControlsHaveTheirBounds) {
    RecordingPlatform platform;
    TMainWindow form;
    form.show();
    auto inClient = [&](QWidget* w) { return QRect(w->mapTo(form.Client, QPoint(0, 0)), w->size()); };
    EXPECT_EQ(inClient(form.Board), QRect(8, 168, 264, 264));
    EXPECT_EQ(form.Board->objectName(), "Board");
    // The header panel and the notation share the notation's place.
    EXPECT_EQ(inClient(form.HeaderPanel).united(inClient(form.Notation)), QRect(296, 168, 321, 265));
    EXPECT_EQ(inClient(form.HeaderPanel).bottom() + 1, inClient(form.Notation).top());
    EXPECT_EQ(form.Notation->objectName(), "Notation");
    // The table with its header strip where the strip and the list stood.
    EXPECT_EQ(inClient(form.GameList), QRect(0, 0, 617, 145));
    EXPECT_EQ(form.GameList->ItemHeight(), 16);
    const QString hint = "Use the numeric keys for intelligent browsing through games and moves";
    for (QWidget* w : {static_cast<QWidget*>(form.Board), static_cast<QWidget*>(form.Notation),
                       static_cast<QWidget*>(form.GameList)}) {
        EXPECT_EQ(w->property("Hint").toString(), hint);
        EXPECT_TRUE(w->toolTip().isEmpty());  // hint display off
        EXPECT_FALSE(w->accessibleName().isEmpty());
    }
    QHeaderView* h = form.HeaderControl;
    EXPECT_EQ(h->font().pixelSize(), 12);
    ASSERT_EQ(h->count(), 13);
    for (const char* title : {"Number", "White", "Black", "Result", "Date", "Event", "ECO"}) {
        int shown = -1;
        for (int i = 0; i < h->count(); ++i)
            if (h->model()->headerData(i, Qt::Horizontal).toString() == title) shown = i;
        ASSERT_GE(shown, 0) << title;
        EXPECT_FALSE(h->isSectionHidden(shown)) << title;
    }
}

TEST(MainWindow, ButtonsCaptionsBoundsHintsAndTabOrder) {
    RecordingPlatform platform;
    TMainWindow form;
    struct B {
        QPushButton* b;
        const char* field;
        const char* caption;
        int left, width, tab;
        const char* hint;
    };
    const std::vector<B> buttons = {
        {form.ButtonStart, "ButtonStart", "<<", 8, 41, 4, "Also Numeric key 7 or q"},
        {form.ButtonBack, "ButtonBack", "<", 56, 49, 5, "Also Numeric key 4 or a"},
        {form.ButtonNextBranch, "ButtonNextBranch", "Var >", 112, 57, 12, "Also Numeric key 5 or s"},
        {form.ButtonForward, "ButtonForward", ">", 176, 49, 6, "Also Numeric key 6 or d"},
        {form.ButtonEnd, "ButtonEnd", ">>", 232, 41, 7, "Also Numeric key 1 or z"},
        {form.ButtonPrevMatch, "ButtonPrevMatch", "<Match", 288, 49, 13, "Also Numeric key 9 or e"},
        {form.ButtonNextMatch, "ButtonNextMatch", "Match>", 344, 49, 14, "Also Numeric key 3 or c"},
        {form.ButtonPrevGame, "ButtonPrevGame", "<Game", 400, 49, 10, "Also Numeric key 8 or w"},
        {form.ButtonNextGame, "ButtonNextGame", "Game>", 456, 49, 11, "Also Numeric key 2 or x"},
        {form.ButtonClipPos, "ButtonClipPos", "FEN", 512, 49, 8, "FEN to Clipboard"},
        {form.ButtonClipPGN, "ButtonClipPGN", "PGN", 568, 49, 9, "PGN to Clipboard"},
    };
    for (const B& b : buttons) {
        ASSERT_NE(b.b, nullptr) << b.field;
        EXPECT_EQ(b.b->objectName(), b.field);
        EXPECT_EQ(b.b->text(), b.caption);
        EXPECT_EQ(b.b->geometry(), QRect(b.left, 448, b.width, 25)) << b.field;
        EXPECT_TRUE(b.b->toolTip().endsWith(QStringLiteral("(") + b.hint + ")")) << b.field;
        EXPECT_EQ(b.b->property("Hint").toString(), b.hint);
        EXPECT_FALSE(b.b->accessibleName().isEmpty());
        EXPECT_EQ(b.b->property("TabOrder").toInt(), b.tab);
    }
    // Tab walks the screen: the list, the board, the buttons left to right, the notation.
    const std::vector<QWidget*> chain = {form.GameList, form.Board, form.ButtonStart, form.ButtonBack,
                                         form.ButtonNextBranch, form.ButtonForward, form.ButtonEnd,
                                         form.ButtonPrevMatch, form.ButtonNextMatch, form.ButtonPrevGame,
                                         form.ButtonNextGame, form.ButtonClipPos, form.ButtonClipPGN, form.Notation};
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget* next = chain[i - 1]->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
        EXPECT_EQ(next, chain[i]) << chain[i - 1]->objectName().toStdString();
    }
}

TEST(MainWindow, WithoutParameterAsksForAFileThenShowsOneMessageAndCloses) {
    RecordingPlatform platform;
    TMainWindow form;
    Start(form);
    ASSERT_EQ(platform.fileDialogs.size(), 1u);  // cancelled
    EXPECT_TRUE(platform.fileDialogs[0].filters.startsWith("Game files (*.pgn *.PGN *.ccf *.CCF *.gz *.bz2 *.xz *.zst *.zip);;"));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "No params, I have to exit");
    EXPECT_EQ(platform.messages[0].kind, TMessageKind::Information);
    EXPECT_FALSE(form.isVisible());
}

TEST(MainWindow, MissingFileShowsItsPathAndCreatesNothing) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const QString path = QString::fromStdString((dir / "absent.pgn").string());
    TMainWindow form({path, "ignored"});
    Start(form);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "PGN file " + path + " does not exist");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(dir / "absent.pgn"));

    // A folder is not a game file either, and is said to be a folder.
    RecordingPlatform again;
    const QString folder = QString::fromStdString(dir.path().string());
    TMainWindow second({folder});
    Start(second);
    ASSERT_EQ(again.messages.size(), 1u);
    EXPECT_EQ(again.messages[0].text, folder + " is a folder, not a game file");
}

TEST(MainWindow, StartupListsTheGamesAndSelectsTheFirst) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "three.pgn").string();
    testdata::WriteFile(file, Game(1) + Game(2) + Game(3));
    const QString path = QString::fromStdString(file);
    TMainWindow form({path});
    Start(form);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(form.windowTitle(), "Quarzel PGN Viewer 1.01   [" + path + "]   3 games");
    EXPECT_EQ(form.GameList->model()->rowCount(), 3);
    EXPECT_EQ(form.GameList->ItemIndex(), 0);
    EXPECT_TRUE(form.GameList->hasFocus());

    // Later activations (after a message box, say) do not start over.
    form.GameList->SetItemIndex(2);
    form.Activate(&form);
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.GameList->ItemIndex(), 2);
    EXPECT_TRUE(platform.messages.empty());

    // Every button gives the focus back to the list.
    form.ButtonForward->setFocus();
    form.ButtonForward->click();
    EXPECT_TRUE(form.GameList->hasFocus());
}

TEST(MainWindow, OneGameAndEmptyFileTitles) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    testdata::WriteFile(dir / "one.pgn", Game(1));
    testdata::WriteFile(dir / "none.pgn", "");
    TMainWindow one({QString::fromStdString((dir / "one.pgn").string())});
    Start(one);
    EXPECT_TRUE(one.windowTitle().endsWith("]   1 game"));
    TMainWindow none({QString::fromStdString((dir / "none.pgn").string())});
    Start(none);
    EXPECT_TRUE(none.windowTitle().endsWith("]   0 games"));
    EXPECT_EQ(none.GameList->ItemIndex(), -1);
    EXPECT_TRUE(platform.messages.empty());
}

TEST(MainWindow, TableCellsTheirFontsAndTooltips) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "rows.pgn").string();
    testdata::WriteFile(file, Game(1) + "[Event \"?\"]\n[Site \"Somewhere\"]\n[White \"?\"]\n[Result \"1-0\"]\n[WhiteElo \"2710\"]\n\n1. d4 1-0\n" +
                                  "[Event \"E\"]\n[White \"" + std::string(80, 'M') + "\"]\n\n1. e4 *\n");
    TMainWindow form({QString::fromStdString(file)});
    Start(form);
    // The header names the opening the moves reach, not the ECO tag's (C42).
    EXPECT_EQ(form.HeaderPanel->Lines().value(2), QString::fromUtf8("C20 King's Pawn Game"));
    QAbstractItemModel* m = form.GameList->model();
    auto cell = [&](int row, TGameColumn c, int role = Qt::DisplayRole) { return m->data(m->index(row, static_cast<int>(c)), role); };
    struct Case {
        int row;
        TGameColumn column;
        const char* text;
        bool bold;
    };
    for (const Case& c : {Case{0, TGameColumn::Number, "1", false}, Case{0, TGameColumn::White, "W1", true},
                          Case{0, TGameColumn::Black, "B", true}, Case{0, TGameColumn::Event, "Open", false},
                          Case{0, TGameColumn::Site, "Town", false}, Case{0, TGameColumn::Date, "2001.02.03", false},
                          Case{0, TGameColumn::Result, "1/2", true}, Case{0, TGameColumn::ECO, "C42", false},
                          Case{1, TGameColumn::White, "", true}, Case{1, TGameColumn::Black, "N.N.", true},
                          Case{1, TGameColumn::Event, "", false}, Case{1, TGameColumn::WhiteElo, "2710", false},
                          Case{1, TGameColumn::Date, "", false}, Case{1, TGameColumn::Result, "1-0", true},
                          Case{0, TGameColumn::Opening, "King's Pawn Game", false},
                          Case{1, TGameColumn::Opening, "Queen's Pawn Game", false}}) {
        EXPECT_EQ(cell(c.row, c.column).toString(), c.text) << c.row << " " << int(c.column);
        EXPECT_EQ(cell(c.row, c.column, Qt::FontRole).value<QFont>().bold(), c.bold) << c.row << " " << int(c.column);
        EXPECT_FALSE(cell(c.row, c.column, Qt::FontRole).value<QFont>().strikeOut());
    }
    // A cut name ends with "..." on screen and shows whole in a tooltip; a short one has none.
    auto tip = [&](int row) {
        QToolTip::hideText();  // whatever an earlier test left showing
        const QRect r = form.GameList->visualRect(m->index(row, static_cast<int>(TGameColumn::White)));
        QHelpEvent help(QEvent::ToolTip, r.center(), form.GameList->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(form.GameList->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_TRUE(tip(0).isEmpty());
    EXPECT_EQ(tip(2), QString(80, 'M'));
    QToolTip::hideText();
}

TEST(MainWindow, RefusedOrBrokenFilesLeaveAnEmptyUsableWindow) {
    testdata::TempDir dir;
    std::string binary;
    for (int i = 0; i < 50000; ++i) binary += static_cast<char>((i * 131) % 251);
    testdata::WriteFile(dir / "binary.pgn", binary);
    // A database in use by another program (here: another open list).
    ccf::WriteOneGameDatabase((dir / "locked.ccf").string());
    TGameListCore holder;
    std::string error;
    ASSERT_TRUE(holder.OpenForReading((dir / "locked.ccf").string(), error)) << error;
    // Once an empty "0 games" window without a word: now one message names
    // the file and the reason, and the empty window stays.
    for (const auto& [name, reason] : {std::pair{"binary.pgn", "not a PGN file"}, {"locked.ccf", "in use"}}) {
        RecordingPlatform platform;
        TMainWindow form({QString::fromStdString((dir / name).string())});
        Start(form);
        ASSERT_EQ(platform.messages.size(), 1u) << name;
        EXPECT_TRUE(platform.messages[0].text.contains(QString::fromStdString((dir / name).string()))) << name;
        EXPECT_TRUE(platform.messages[0].text.contains(reason)) << platform.messages[0].text.toStdString();
        EXPECT_EQ(platform.messages[0].kind, TMessageKind::Error);
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.windowTitle().endsWith("]   0 games"));
        EXPECT_EQ(form.GameList->model()->rowCount(), 0);
        QTest::keyClick(form.GameList, Qt::Key_Return);
        QTest::keyClick(form.GameList, Qt::Key_End);
        form.GameList->repaint();
        EXPECT_EQ(platform.messages.size(), 1u);
    }
    EXPECT_EQ(testdata::ReadFile(dir / "binary.pgn"), binary);  // only read, never written

    // A file that shrinks after the scan: rows of lost games draw as errors.
    RecordingPlatform second;
    const std::string file = (dir / "shrinks.pgn").string();
    testdata::WriteFile(file, Game(1) + Game(2) + Game(3));
    TMainWindow shrink({QString::fromStdString(file)});
    bool sawError = false;
    shrink.GameList->OnRowRead = [&](int, std::int32_t, const TGameHeader& h) { sawError |= h.White == "Error"; };
    Start(shrink);
    testdata::WriteFile(file, Game(1));
    shrink.GameList->RefreshRows();
    shrink.GameList->viewport()->repaint();
    EXPECT_TRUE(sawError);
    EXPECT_TRUE(second.messages.empty());
}

TEST(MainWindow, NamesThatAreNotUtf8AndFileUrisOpen) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string latin1 = (dir / "caf\xE9.pgn").string();  // "café" in Latin-1
    testdata::WriteFile(latin1, Game(1) + Game(2));
    const std::string uri = "file://" + QByteArray::fromStdString(latin1).toPercentEncoding("/").toStdString();
    for (const QString& param : {ArgumentText(latin1.c_str()), QString::fromStdString(uri)}) {
        TMainWindow form({param});
        Start(form);
        EXPECT_TRUE(platform.messages.empty()) << param.toStdString();
        EXPECT_EQ(GameFilePath(param), latin1);
        EXPECT_TRUE(form.windowTitle().endsWith(QString::fromUtf8("caf\u00e9.pgn]   2 games")))
            << form.windowTitle().toStdString();
    }
}

TEST(MainWindow, DeletedGamesOfADatabaseAreStruckOut) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "games.ccf").string();
    ccf::GamesWithSecondDeleted(3).Write(file);
    TMainWindow form({QString::fromStdString(file)});
    Start(form);
    EXPECT_TRUE(form.windowTitle().endsWith("]   2 games"));
    QAbstractItemModel* m = form.GameList->model();
    for (int row = 0; row < 3; ++row)
        for (int c = 0; c < kGameColumnCount; ++c)
            EXPECT_EQ(m->data(m->index(row, c), Qt::FontRole).value<QFont>().strikeOut(), row == 1) << row << " " << c;
    // On screen: the struck-out row carries a line through its number.
    const int number = static_cast<int>(TGameColumn::Number);
    form.GameList->setColumnWidth(number, 150);
    form.GameList->SetItemIndex(-1);
    form.GameList->clearFocus();
    const QImage shot = form.GameList->viewport()->grab().toImage();
    auto longestRun = [&](int row) {
        const QRect r = form.GameList->visualRect(m->index(row, number));
        const QRgb paper = shot.pixel(r.left() + 2, r.center().y());
        int best = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(), run = 0; x < r.right(); ++x) best = std::max(best, run = shot.pixel(x, y) != paper ? run + 1 : 0);
        return best;
    };
    EXPECT_GT(longestRun(1), longestRun(2));
}

// Commands in comments: the move's marks on the board, clocks in the
// notation, the graph for games that have clocks; the View switches.
TEST(MainWindow, CommentCommandsOnBoardNotationAndGraph) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "clocks.pgn").string();
    testdata::WriteFile(file, "[Event \"a\"]\n\n1. e4 {[%clk 0:03:00] [%cal Ge2e4]} e5 {[%clk 0:02:59] [%csl Rd4]} *\n\n" +
                                  Game(2));
    TMainWindow form({QString::fromStdString(file)});
    Start(form);
    const std::string& text = form.Notation->Display().Text;
    ASSERT_NE(form.Commands, nullptr);
    EXPECT_EQ(form.Board->Marks().Squares, (std::vector<TSquareMark>{{27, TMarkColor::Red}}));  // at e5, the end
    EXPECT_NE(text.find("{2:59}"), std::string::npos) << text;
    EXPECT_EQ(text.find("[%"), std::string::npos);
    EXPECT_FALSE(form.Commands->Graph()->isHidden());
    const int tall = form.Notation->height();
    form.ButtonBack->click();
    EXPECT_EQ(form.Board->Marks().Arrows.size(), 1u);
    EXPECT_EQ(form.Commands->Graph()->Current(), 0);

    form.Commands->ClocksAction()->trigger();
    EXPECT_EQ(form.Notation->Display().Text.find("3:00"), std::string::npos);
    EXPECT_FALSE(QuarzelSettings()->value("view/clocks").toBool());
    form.Commands->ClocksAction()->trigger();
    form.Commands->GraphAction()->trigger();
    EXPECT_TRUE(form.Commands->Graph()->isHidden());
    EXPECT_GT(form.Notation->height(), tall);
    form.Commands->GraphAction()->trigger();

    form.ButtonNextGame->click();  // no commands: no marks, no graph
    EXPECT_TRUE(form.Board->Marks().Empty());
    EXPECT_TRUE(form.Commands->Graph()->isHidden());
}

// The notation's events reach their receivers while the relay lives; once it
// is gone the notation's hooks call nothing.
TEST(MainWindow, NotationEventsEndWithTheirRelay) {
    RecordingPlatform platform;
    TNotation notation;
    auto events = std::make_unique<TNotationEvents>(notation);
    int loaded = 0, moved = 0;
    QObject::connect(events.get(), &TNotationEvents::GameLoaded, [&] { ++loaded; });
    QObject::connect(events.get(), &TNotationEvents::MoveChanged, [&](TMoveRecord&, TBoard&, bool) { ++moved; });
    notation.LoadGame("1. e4 e5 *");
    notation.ToEnd();
    EXPECT_EQ(loaded, 1);
    EXPECT_GT(moved, 0);
    const int movesSeen = moved;
    events.reset();
    notation.LoadGame("1. d4 d5 *");
    notation.ToEnd();
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(moved, movesSeen);
}
