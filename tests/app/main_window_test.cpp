#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <map>

#include "app/main_window.h"
#include "app/game_file.h"
#include "board/qt/board_widget.h"
#include "notation/qt/notation.h"
#include "collection/pgn_core.h"
#include "collection/qt/game_list.h"
#include "support/ccf_writer.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace fs = std::filesystem;

namespace {

std::string Game(int i) {
    return "[Event \"Open\"]\n[Site \"Town\"]\n[Date \"2001.02.03\"]\n[White \"W" + std::to_string(i) +
           "\"]\n[Black \"B\"]\n[Result \"1/2-1/2\"]\n[ECO \"C42\"]\n\n1. e4 e5 {MATCH} 1/2-1/2\n\n";
}

void Start(TForm1& form) {
    form.show();
    form.activateWindow();
    // A window that closes during its start-up never stays active: wait for the start-up itself.
    ASSERT_TRUE(QTest::qWaitFor([&form] { return form.StartupDone(); }, 5000));
}

}  // namespace

TEST(MainWindow, StartClientSizePositionAndCaption) {
    RecordingPlatform platform;
    TForm1 form;
    EXPECT_EQ(form.size(), QSize(623, 482));
    // It may grow and be maximised, never shrink below the start layout.
    EXPECT_EQ(form.minimumSize(), QSize(623, 482));
    EXPECT_GT(form.maximumSize().width(), 4000);
    EXPECT_EQ(form.pos(), QPoint(278, 105));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quarzel PGN Viewer"));
    EXPECT_EQ(form.font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(form.StartupDone());  // nothing runs before the window is activated
}

TEST(MainWindow, ControlsHaveTheirBounds) {
    RecordingPlatform platform;
    TForm1 form;
    EXPECT_EQ(form.Brett1->geometry(), QRect(8, 168, 264, 264));
    EXPECT_EQ(form.Brett1->objectName(), "Brett1");
    EXPECT_EQ(form.Notation1->geometry(), QRect(288, 168, 329, 265));
    EXPECT_EQ(form.Notation1->objectName(), "Notation1");
    EXPECT_EQ(form.PGN1->geometry(), QRect(0, 16, 617, 129));
    EXPECT_EQ(form.PGN1->ItemHeight(), 16);
    const QString hint = "Use the numeric keys for intelligent browsing through games and moves";
    for (QWidget* w : {static_cast<QWidget*>(form.Brett1), static_cast<QWidget*>(form.Notation1),
                       static_cast<QWidget*>(form.PGN1)}) {
        EXPECT_EQ(w->property("Hint").toString(), hint);
        EXPECT_TRUE(w->toolTip().isEmpty());  // hint display off
    }

    QHeaderView* h = form.HeaderControl;
    EXPECT_EQ(h->geometry(), QRect(0, 0, 623, 17));
    EXPECT_EQ(h->font().pixelSize(), 12);
    ASSERT_EQ(h->count(), 6);
    const char* titles[6] = {"Number", "Player", "Source", "Year", "Result", " "};
    const int widths[6] = {50, 200, 150, 50, 50, 0};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(h->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
        EXPECT_EQ(h->sectionSize(i), widths[i]);
        EXPECT_EQ(h->sectionResizeMode(i), QHeaderView::Fixed);
    }
}

TEST(MainWindow, ButtonsCaptionsBoundsHintsAndTabOrder) {
    RecordingPlatform platform;
    TForm1 form;
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
        {form.NextWBranch, "NextWBranch", "brnch>", 112, 57, 12, "Also Numeric key 5 or s"},
        {form.ButtonForw, "ButtonForw", ">", 176, 49, 6, "Also Numeric key 6 or d"},
        {form.ButtonEnd, "ButtonEnd", ">>", 232, 41, 7, "Also Numeric key 1 or z"},
        {form.PrevMatchB, "PrevMatchB", "<Match", 288, 49, 13, "Also Numeric key 9 or e"},
        {form.NextMatchB, "NextMatchB", "Match>", 344, 49, 14, "Also Numeric key 3 or c"},
        {form.PredGame, "PredGame", "<Game", 400, 49, 10, "Also Numeric key 8 or w"},
        {form.NextGame, "NextGame", "Game>", 456, 49, 11, "Also Numeric key 2 or x"},
        {form.ButtonClipPos, "ButtonClipPos", "ClpFEN", 512, 49, 8, "FEN to Clipboard"},
        {form.ButtonClipPGN, "ButtonClipPGN", "ClpPGN", 568, 49, 9, "PGN to Clipboard"},
    };
    for (const B& b : buttons) {
        ASSERT_NE(b.b, nullptr) << b.field;
        EXPECT_EQ(b.b->objectName(), b.field);
        EXPECT_EQ(b.b->text(), b.caption);
        EXPECT_EQ(b.b->geometry(), QRect(b.left, 448, b.width, 25)) << b.field;
        EXPECT_EQ(b.b->toolTip(), b.hint);
        EXPECT_EQ(b.b->property("TabOrder").toInt(), b.tab);
    }
    // Tab walks the list, then the buttons by their tab numbers.
    const std::vector<QWidget*> chain = {form.PGN1, form.ButtonStart, form.ButtonBack, form.ButtonForw,
                                         form.ButtonEnd, form.ButtonClipPos, form.ButtonClipPGN, form.PredGame,
                                         form.NextGame, form.NextWBranch, form.PrevMatchB, form.NextMatchB};
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget* next = chain[i - 1]->nextInFocusChain();
        while (next && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
        EXPECT_EQ(next, chain[i]) << chain[i - 1]->objectName().toStdString();
    }
}

TEST(MainWindow, WithoutParameterAsksForAFileThenShowsOneMessageAndCloses) {
    RecordingPlatform platform;
    TForm1 form;
    Start(form);
    ASSERT_EQ(platform.fileDialogs.size(), 1u);  // cancelled
    EXPECT_TRUE(platform.fileDialogs[0].filters.startsWith("Game files (*.pgn *.PGN *.ccf *.CCF);;"));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "No params, I have to exit");
    EXPECT_EQ(platform.messages[0].kind, TMessageKind::Information);
    EXPECT_FALSE(form.isVisible());
}

TEST(MainWindow, MissingFileShowsItsPathAndCreatesNothing) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const QString path = QString::fromStdString((dir / "absent.pgn").string());
    TForm1 form({path, "ignored"});
    Start(form);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "PGN file " + path + " does not exist");
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(fs::exists(dir / "absent.pgn"));

    // A folder is not a game file either.
    RecordingPlatform again;
    const QString folder = QString::fromStdString(dir.path().string());
    TForm1 second({folder});
    Start(second);
    ASSERT_EQ(again.messages.size(), 1u);
    EXPECT_EQ(again.messages[0].text, "PGN file " + folder + " does not exist");
}

TEST(MainWindow, StartupListsTheGamesAndSelectsTheFirst) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "three.pgn").string();
    testdata::WriteFile(file, Game(1) + Game(2) + Game(3));
    const QString path = QString::fromStdString(file);
    TForm1 form({path});
    Start(form);
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_EQ(form.windowTitle(), "Quarzel PGN Viewer 1.01   [" + path + "]   3 games");
    EXPECT_EQ(form.PGN1->model()->rowCount(), 3);
    EXPECT_EQ(form.PGN1->ItemIndex(), 0);
    EXPECT_TRUE(form.PGN1->hasFocus());

    // Later activations (after a message box, say) do not start over.
    form.PGN1->SetItemIndex(2);
    form.Aktivuj(&form);
    QWidget other;
    other.show();
    other.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&other));
    form.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(form.PGN1->ItemIndex(), 2);
    EXPECT_TRUE(platform.messages.empty());

    // Every button gives the focus back to the list.
    form.ButtonForw->setFocus();
    form.ButtonForw->click();
    EXPECT_TRUE(form.PGN1->hasFocus());
}

TEST(MainWindow, OneGameAndEmptyFileTitles) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    testdata::WriteFile(dir / "one.pgn", Game(1));
    testdata::WriteFile(dir / "none.pgn", "");
    TForm1 one({QString::fromStdString((dir / "one.pgn").string())});
    Start(one);
    EXPECT_TRUE(one.windowTitle().endsWith("]   1 games"));
    TForm1 none({QString::fromStdString((dir / "none.pgn").string())});
    Start(none);
    EXPECT_TRUE(none.windowTitle().endsWith("]   0 games"));
    EXPECT_EQ(none.PGN1->ItemIndex(), -1);
    EXPECT_TRUE(platform.messages.empty());
}

TEST(MainWindow, RowColumnsLoseTwoPixelsEach) {
    const auto rects = TForm1::ColumnRects(QRect(0, 32, 613, 16), {50, 200, 150, 50, 50, 0});
    const std::pair<int, int> spans[6] = {{0, 48}, {50, 246}, {250, 394}, {400, 442}, {450, 490}, {500, 488}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rects[i].left(), spans[i].first) << i;
        EXPECT_EQ(rects[i].left() + rects[i].width(), spans[i].second) << i;
        EXPECT_EQ(rects[i].top(), 32);
        EXPECT_EQ(rects[i].height(), 16);
    }
}

TEST(MainWindow, RowDrawingPutsOutTheColumns) {
    RecordingPlatform platform;
    testdata::TempDir dir;
    const std::string file = (dir / "rows.pgn").string();
    testdata::WriteFile(file, Game(1) + "[Event \"?\"]\n[Site \"Somewhere\"]\n[White \"?\"]\n[Result \"1-0\"]\n\n1. d4 1-0\n" +
                                  "[Event \"E\"]\n[White \"" + std::string(80, 'M') + "\"]\n\n1. e4 *\n");
    TForm1 form({QString::fromStdString(file)});
    std::vector<TForm1::TCellText> cells;
    form.OnCellText = [&](const TForm1::TCellText& c) { cells.push_back(c); };
    Start(form);
    form.PGN1->repaint();
    ASSERT_GE(cells.size(), 12u);
    auto row = [&](int game) {
        std::vector<TForm1::TCellText> r;
        for (std::size_t i = 0; i + 6 <= cells.size(); i += 6)
            if (cells[i].text.trimmed() == QString::number(game + 1)) r.assign(cells.begin() + i, cells.begin() + i + 6);
        return r;
    };
    auto first = row(0);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first[0].text, "     1");
    EXPECT_EQ(first[0].x, 5);
    EXPECT_FALSE(first[0].bold);
    EXPECT_EQ(first[1].text, "W1 - B");
    EXPECT_TRUE(first[1].bold);
    EXPECT_EQ(first[1].x, 50);
    EXPECT_EQ(first[2].text, "Open, Town");
    EXPECT_FALSE(first[2].bold);
    EXPECT_EQ(first[3].text, "2001");
    EXPECT_EQ(first[4].text, "1/2");
    EXPECT_TRUE(first[4].bold);
    EXPECT_EQ(first[5].text, "C42");
    EXPECT_LE(first[5].clip.width(), 0);  // the opening code has no room in this window
    auto second = row(1);
    ASSERT_EQ(second.size(), 6u);
    EXPECT_EQ(second[1].text, " - N.N.");
    EXPECT_EQ(second[2].text, "Somewhere");
    EXPECT_EQ(second[3].text, "");
    EXPECT_EQ(second[4].text, "1-0");
    EXPECT_FALSE(second[0].strikeOut);

    // The pixels: the player column is bold, a long name stops at its
    // column's clip, and a number of a million games and more is whole.
    const QImage shot = form.PGN1->viewport()->grab().toImage();
    const QRect r0 = form.PGN1->visualRect(form.PGN1->model()->index(0, 0));
    auto ink = [&](const QImage& img, int x0, int x1, int top, int bottom) {
        const QRgb paper = img.pixel(49, (top + bottom) / 2);  // between two columns: never text
        int n = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = x0; x < x1; ++x) n += img.pixel(x, y) != paper;
        return n;
    };
    auto drawn = [&](bool bold) {
        QImage ref(shot.size(), shot.format());
        ref.fill(shot.pixel(49, r0.center().y()));
        QPainter p(&ref);
        QFont f = form.PGN1->font();
        f.setBold(bold);
        p.setFont(f);
        p.setPen(form.PGN1->palette().color(QPalette::Text));
        p.drawText(QRect(50, r0.top(), 4096, r0.height()), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, "W1 - B");
        return ink(ref, 50, 246, r0.top(), r0.bottom());
    };
    const int player = ink(shot, 50, 246, r0.top(), r0.bottom());
    EXPECT_LT(std::abs(player - drawn(true)), std::abs(player - drawn(false))) << "the player column is bold";
    const QRect r2 = form.PGN1->visualRect(form.PGN1->model()->index(2, 0));
    EXPECT_GT(ink(shot, 200, 246, r2.top(), r2.bottom()), 0);
    EXPECT_EQ(ink(shot, 246, 250, r2.top(), r2.bottom()), 0) << "the long name is clipped at its column";
    for (const char* number : {"999999", "1000000", "2147483647"}) {
        QFont f = form.PGN1->font();
        int x = 5;
        TForm1::FitNumber(f, first[0].clip, QString::fromLatin1(number).rightJustified(6), x);
        EXPECT_LE(x + QFontMetrics(f).horizontalAdvance(QString::fromLatin1(number).rightJustified(6)),
                  first[0].clip.left() + first[0].clip.width())
            << number;
    }
}

TEST(MainWindow, RefusedOrBrokenFilesLeaveAnEmptyUsableWindow) {
    testdata::TempDir dir;
    std::string binary;
    for (int i = 0; i < 50000; ++i) binary += static_cast<char>((i * 131) % 251);
    testdata::WriteFile(dir / "binary.pgn", binary);
    // A database in use by another program (here: another open list).
    ccf::Database d;
    ccf::CompactGame g;
    g.Text(ccf::CompactGame::White, "W").Add("e2", "e4");
    d.Add(ccf::CompactRecord(g));
    d.Write((dir / "locked.ccf").string());
    TPGNCore holder;
    std::string error;
    ASSERT_TRUE(holder.OpenForReading((dir / "locked.ccf").string(), error)) << error;
    // Once an empty "0 games" window without a word: now one message names
    // the file and the reason, and the empty window stays.
    for (const auto& [name, reason] : {std::pair{"binary.pgn", "not a PGN file"}, {"locked.ccf", "in use"}}) {
        RecordingPlatform platform;
        TForm1 form({QString::fromStdString((dir / name).string())});
        Start(form);
        ASSERT_EQ(platform.messages.size(), 1u) << name;
        EXPECT_TRUE(platform.messages[0].text.contains(QString::fromStdString((dir / name).string()))) << name;
        EXPECT_TRUE(platform.messages[0].text.contains(reason)) << platform.messages[0].text.toStdString();
        EXPECT_EQ(platform.messages[0].kind, TMessageKind::Error);
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.windowTitle().endsWith("]   0 games"));
        EXPECT_EQ(form.PGN1->model()->rowCount(), 0);
        QTest::keyClick(form.PGN1, Qt::Key_Return);
        QTest::keyClick(form.PGN1, Qt::Key_End);
        form.PGN1->repaint();
        EXPECT_EQ(platform.messages.size(), 1u);
    }
    EXPECT_EQ(testdata::ReadFile(dir / "binary.pgn"), binary);  // only read, never written

    // A file that shrinks after the scan: rows of lost games draw as errors.
    RecordingPlatform second;
    const std::string file = (dir / "shrinks.pgn").string();
    testdata::WriteFile(file, Game(1) + Game(2) + Game(3));
    TForm1 shrink({QString::fromStdString(file)});
    std::vector<TForm1::TCellText> cells;
    shrink.OnCellText = [&](const TForm1::TCellText& c) { cells.push_back(c); };
    Start(shrink);
    testdata::WriteFile(file, Game(1));
    cells.clear();
    shrink.PGN1->viewport()->repaint();
    bool sawError = false;
    for (const auto& c : cells) sawError |= c.text == "Error - ...";
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
        TForm1 form({param});
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
    ccf::Database d;
    for (int i = 0; i < 3; ++i) {
        if (i == 1) {
            d.AddDeleted();
            continue;
        }
        ccf::CompactGame g;
        g.Text(ccf::CompactGame::White, "W" + std::to_string(i)).Text(ccf::CompactGame::Result, "1-0");
        g.Add("e2", "e4");
        d.Add(ccf::CompactRecord(g));
    }
    const std::string file = (dir / "games.ccf").string();
    d.Write(file);
    TForm1 form({QString::fromStdString(file)});
    std::vector<TForm1::TCellText> cells;
    form.OnCellText = [&](const TForm1::TCellText& c) { cells.push_back(c); };
    Start(form);
    EXPECT_TRUE(form.windowTitle().endsWith("]   2 games"));
    cells.clear();
    form.PGN1->viewport()->repaint();
    std::map<QString, bool> struck;
    for (std::size_t i = 0; i + 6 <= cells.size(); i += 6) {
        for (std::size_t k = i; k < i + 6; ++k) EXPECT_EQ(cells[k].strikeOut, cells[i].strikeOut);
        struck[cells[i].text.trimmed()] = cells[i].strikeOut;
    }
    ASSERT_EQ(struck.size(), 3u);
    EXPECT_FALSE(struck["1"]);
    EXPECT_TRUE(struck["2"]);
    EXPECT_FALSE(struck["3"]);
    // On screen: the struck-out row carries a line through its number field.
    const QImage shot = form.PGN1->viewport()->grab().toImage();
    auto longestRun = [&](int row) {
        const QRect r = form.PGN1->visualRect(form.PGN1->model()->index(row, 0));
        const QRgb paper = shot.pixel(49, r.center().y());
        int best = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = 0, run = 0; x < 48; ++x) best = std::max(best, run = shot.pixel(x, y) != paper ? run + 1 : 0);
        return best;
    };
    EXPECT_GE(longestRun(1), 20);
    EXPECT_LT(longestRun(0), 15);
}
