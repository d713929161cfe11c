// The window at other sizes: where the controls go, that the board takes the
// largest square size that fits, and the remembered geometry.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QToolButton>

#include "app/header_panel.h"
#include "app/main_window.h"
#include "app/window_layout.h"
#include "collection/game_sort.h"
#include <QSplitter>
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

TEST(WindowLayout, PanesGiveTheBoardTheLargestSquareAndNothingOverlaps) {
    RecordingPlatform platform;
    TMainWindow form;
    form.show();
    auto inClient = [&](QWidget* w) { return QRect(w->mapTo(form.Client, QPoint(0, 0)), w->size()); };
    struct Case {
        QSize client;
        int minSquare;
    };
    for (const Case& c : {Case{{1024, 768}, 50}, Case{{1600, 960}, 70}, Case{{623, 482}, 33}}) {
        form.resize(form.size() + c.client - form.Client->size());
        SCOPED_TRACE(std::to_string(c.client.width()) + "x" + std::to_string(c.client.height()));
        ASSERT_EQ(form.Client->size(), c.client);
        const int square = form.Board->SquareSize();
        EXPECT_GE(square, c.minSquare);
        EXPECT_EQ(form.Board->size(), QSize(8 * square, 8 * square));
        EXPECT_EQ(square, SquareForPane(form.Board->parentWidget()->size()));
        const QRect buttons(8, form.ButtonStart->y(), 609, 25);
        EXPECT_EQ(buttons.bottom() + 1 + 9, c.client.height());
        const QRect all(QPoint(0, 0), c.client);
        const QRect parts[] = {inClient(form.GameList), inClient(form.Board), inClient(form.HeaderPanel),
                               inClient(form.Notation), buttons, inClient(form.Panes->SideMarker()),
                               inClient(form.Panes->FlipButton())};
        for (std::size_t i = 0; i < std::size(parts); ++i) {
            EXPECT_TRUE(all.contains(parts[i])) << i;
            for (std::size_t j = i + 1; j < std::size(parts); ++j) EXPECT_FALSE(parts[i].intersects(parts[j])) << i << " " << j;
        }
        EXPECT_GE(form.Notation->width(), 190);
    }
    // Back at the start size: the fixed layout again.
    EXPECT_EQ(inClient(form.Board), QRect(8, 168, 264, 264));
    EXPECT_EQ(form.Board->PieceSet(), TPieceSet::WinboardF33);
    EXPECT_EQ(form.ButtonStart->geometry(), QRect(8, 448, 41, 25));
    // F and the flip control turn the board; the side marker goes to the other edge.
    const int markerY = form.Panes->SideMarker()->y();
    form.Panes->FlipButton()->click();
    EXPECT_TRUE(form.Board->Flipped());
    EXPECT_NE(form.Panes->SideMarker()->y(), markerY);
    int key = Qt::Key_F;
    form.OnKey(&form, key, Qt::NoModifier);
    EXPECT_FALSE(form.Board->Flipped());
    form.OnKey(&form, key, Qt::ControlModifier);
    EXPECT_FALSE(form.Board->Flipped());
}

TEST(WindowLayout, SettingsComeBackAtTheNextStart) {
    testdata::TempDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
    RecordingPlatform platform;
    QByteArray columns;
    QList<int> sizes;
    {
        TMainWindow form;
        form.show();
        form.resize(form.size() + QSize(300, 200));
        form.Panes->Vertical()->setSizes({250, 400});
        sizes = form.Panes->Vertical()->sizes();
        form.GameList->setColumnHidden(static_cast<int>(TGameColumn::WhiteElo), false);
        form.GameList->setColumnHidden(static_cast<int>(TGameColumn::Opening), false);
        form.GameList->setColumnWidth(static_cast<int>(TGameColumn::White), 171);
        form.HeaderControl->moveSection(form.HeaderControl->visualIndex(static_cast<int>(TGameColumn::ECO)), 1);
        form.GameList->SortBy(TGameColumn::Black, true);
        form.Board->SetCoordinates(false);
        form.Panes->SetNotationFontPixels(14);
        columns = form.GameList->ColumnState();
        form.Panes->SaveSettings();
        SaveWindowGeometry(form);
    }
    TMainWindow form;
    RestoreWindowGeometry(form);
    form.show();
    EXPECT_EQ(form.Panes->Vertical()->sizes(), sizes);
    EXPECT_EQ(form.GameList->ColumnState(), columns);
    EXPECT_FALSE(form.GameList->isColumnHidden(static_cast<int>(TGameColumn::WhiteElo)));
    EXPECT_EQ(form.GameList->columnWidth(static_cast<int>(TGameColumn::White)), 171);
    EXPECT_EQ(form.HeaderControl->visualIndex(static_cast<int>(TGameColumn::ECO)), 1);
    EXPECT_EQ(form.GameList->SortColumn(), TGameColumn::Black);
    EXPECT_TRUE(form.GameList->SortDescending());
    EXPECT_FALSE(form.Board->Coordinates());
    EXPECT_EQ(form.Panes->NotationFontPixels(), 14);
    EXPECT_EQ(form.Notation->Font0Var().pixelSize(), 14);
    EXPECT_FALSE(form.GameList->isColumnHidden(static_cast<int>(TGameColumn::Opening)));
    // Settings saved before the Opening column (without the count of columns at their end) keep it hidden.
    form.GameList->RestoreColumnState(columns.chopped(4));
    EXPECT_TRUE(form.GameList->isColumnHidden(static_cast<int>(TGameColumn::Opening)));
    EXPECT_FALSE(form.GameList->isColumnHidden(static_cast<int>(TGameColumn::WhiteElo)));
    // Settings of another shape (an older table) leave the first-run columns.
    form.GameList->RestoreColumnState(QByteArray("junk"));
    EXPECT_FALSE(form.GameList->isColumnHidden(static_cast<int>(TGameColumn::White)));
}

TEST(WindowLayout, RememberedGeometryIsRestoredUnlessItIsOffEveryScreen) {
    const std::vector<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    EXPECT_TRUE(GeometryOnScreens(QRect(278, 105, 623, 482), screens));
    EXPECT_TRUE(GeometryOnScreens(QRect(3100, 900, 623, 482), screens));   // partly on the second
    EXPECT_FALSE(GeometryOnScreens(QRect(3180, 100, 623, 482), screens));  // 20 pixels showing
    EXPECT_FALSE(GeometryOnScreens(QRect(-5000, -5000, 623, 482), screens));
    EXPECT_FALSE(GeometryOnScreens(QRect(0, 1100, 623, 482), screens));
    EXPECT_FALSE(GeometryOnScreens(QRect(), screens));
    EXPECT_EQ(KeepInside(QRect(278, 105, 623, 482), QRect(0, 0, 960, 540)), QRect(278, 58, 623, 482));
    EXPECT_EQ(KeepInside(QRect(278, 105, 623, 482), QRect(0, 0, 500, 400)).topLeft(), QPoint(0, 0));

    testdata::TempDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.path().string()));
    RecordingPlatform platform;
    {
        TMainWindow form;
        form.move(40, 30);
        form.resize(700, 620);
        SaveWindowGeometry(form);
    }
    {
        TMainWindow form;
        RestoreWindowGeometry(form);
        EXPECT_EQ(form.size(), QSize(700, 620));
        EXPECT_EQ(form.pos(), QPoint(40, 30));
    }
    {
        TMainWindow form;
        form.move(-9000, -9000);
        SaveWindowGeometry(form);
    }
    TMainWindow form;
    const QSize start = form.size();
    RestoreWindowGeometry(form);
    EXPECT_EQ(form.size(), start);
    // The start place, moved onto the (test) screen if it would stick out.
    EXPECT_EQ(form.pos(), KeepInside(QRect(278, 105, 623, 482), form.screen()->availableGeometry()).topLeft());
}
