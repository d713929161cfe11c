// The window at other sizes: where the controls go, that the board takes the
// largest square size that fits, and the remembered geometry.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QToolButton>

#include "app/main_window.h"
#include "app/window_layout.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

TEST(WindowLayout, TheBoardTakesTheLargestSquareThatFitsAndNothingOverlaps) {
    struct Case {
        QSize client;
        int square;
    };
    // Start size; wider only (height limits); taller only (width limits);
    // both; huge (capped at 99); below the minimum (start layout).
    for (const Case& c : {Case{{623, 482}, 33}, Case{{1400, 482}, 33}, Case{{623, 1200}, 33}, Case{{1024, 768}, 68},
                          Case{{1920, 1080}, 99}, Case{{3000, 2000}, 99}, Case{{300, 200}, 33}}) {
        SCOPED_TRACE(std::to_string(c.client.width()) + "x" + std::to_string(c.client.height()));
        const TWindowLayout l = ComputeWindowLayout(c.client);
        const QSize client = c.client.expandedTo(kStartClientSize);
        EXPECT_EQ(l.square, c.square);
        EXPECT_EQ(l.board.size(), QSize(8 * l.square, 8 * l.square));
        // The next size would not fit beside a notation of the start width and above the buttons.
        if (l.square < 99 && l.square > 33) {
            EXPECT_TRUE(8 * (l.square + 1) > client.width() - 359 || 8 * (l.square + 1) > client.height() - 218);
        }
        const QRect buttons(8, l.buttonTop, 609, 25);
        EXPECT_EQ(l.buttonTop + 25 + 9, client.height());
        const QRect all(QPoint(0, 0), client);
        for (const QRect& r : {l.header, l.list, l.board, l.notation, l.flipButton, buttons})
            EXPECT_TRUE(all.contains(r)) << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
        const QRect parts[] = {l.list, l.board, l.notation, l.flipButton, buttons};
        for (size_t i = 0; i < std::size(parts); ++i)
            for (size_t j = i + 1; j < std::size(parts); ++j) EXPECT_FALSE(parts[i].intersects(parts[j])) << i << " " << j;
        EXPECT_GE(l.notation.width(), 329);
        EXPECT_EQ(l.notation.top(), l.board.top());
    }
    const TWindowLayout start = ComputeWindowLayout(kStartClientSize);
    EXPECT_EQ(start.board, QRect(8, 168, 264, 264));
    EXPECT_EQ(start.notation, QRect(288, 168, 329, 265));
    EXPECT_EQ(start.list, QRect(0, 16, 617, 129));
    EXPECT_EQ(start.header, QRect(0, 0, 623, 17));
    EXPECT_EQ(start.buttonTop, 448);
}

TEST(WindowLayout, AResizedWindowPlacesItsControlsAndPaintsTheBoardOnce) {
    RecordingPlatform platform;
    TForm1 form;
    form.show();
    form.resize(1024, 768);
    const TWindowLayout l = ComputeWindowLayout({1024, 768});
    EXPECT_EQ(form.Brett1->geometry(), l.board);
    EXPECT_EQ(form.Brett1->Groesse(), 68);
    EXPECT_EQ(form.Brett1->Figuren(), TFigurenset::WinboardF64);  // drawn 1:1, centred
    EXPECT_EQ(form.Notation1->geometry(), l.notation);
    EXPECT_EQ(form.PGN1->geometry(), l.list);
    EXPECT_EQ(form.HeaderControl->geometry(), l.header);
    EXPECT_EQ(form.ButtonClipPGN->geometry(), QRect(568, l.buttonTop, 49, 25));
    EXPECT_EQ(form.ButtonStart->geometry(), QRect(8, l.buttonTop, 41, 25));
    // One full repaint per size change, none for a size that changes nothing.
    form.Brett1->ResetDrawCounter();
    form.resize(1030, 768);
    form.resize(1031, 768);
    EXPECT_EQ(form.Brett1->SquaresDrawn(), 0);
    form.resize(1200, 900);
    EXPECT_EQ(form.Brett1->SquaresDrawn(), 64);
    // Back to the start: the fixed layout again.
    form.resize(kStartClientSize);
    EXPECT_EQ(form.Brett1->geometry(), QRect(8, 168, 264, 264));
    EXPECT_EQ(form.Brett1->Figuren(), TFigurenset::WinboardF33);
    EXPECT_EQ(form.ButtonStart->geometry(), QRect(8, 448, 41, 25));
    // The flip control sits between the list and the board; F and the control turn the board.
    auto* flip = form.findChild<QToolButton*>("FlipButton");
    ASSERT_NE(flip, nullptr);
    EXPECT_FALSE(flip->geometry().intersects(form.PGN1->geometry()));
    EXPECT_FALSE(flip->geometry().intersects(form.Brett1->geometry()));
    flip->click();
    EXPECT_TRUE(form.Brett1->Flipped());
    int key = Qt::Key_F;
    form.Klavesa(&form, key, Qt::NoModifier);
    EXPECT_FALSE(form.Brett1->Flipped());
    form.Klavesa(&form, key, Qt::ControlModifier);
    EXPECT_FALSE(form.Brett1->Flipped());
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
        TForm1 form;
        form.move(40, 30);
        form.resize(700, 520);
        SaveWindowGeometry(form);
    }
    {
        TForm1 form;
        RestoreWindowGeometry(form);
        EXPECT_EQ(form.size(), QSize(700, 520));
        EXPECT_EQ(form.pos(), QPoint(40, 30));
    }
    {
        TForm1 form;
        form.move(-9000, -9000);
        SaveWindowGeometry(form);
    }
    TForm1 form;
    RestoreWindowGeometry(form);
    EXPECT_EQ(form.size(), kStartClientSize);
    // The start place, moved onto the (test) screen if it would stick out.
    EXPECT_EQ(form.pos(), KeepInside(QRect(278, 105, 623, 482), form.screen()->availableGeometry()).topLeft());
}
