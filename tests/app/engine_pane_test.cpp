// The engine pane in the window, with the scripted engine of the engine
// tests: faults as one line in the pane (the viewer goes on, no process is
// left), a click on a line's move, and Ctrl+E.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>
#include <cerrno>
#include <cstdlib>
#include <sys/wait.h>

#include "app/engine_controller.h"
#include "app/engine_pane.h"
#include "app/main_window.h"
#include "board/qt/board_widget.h"
#include "collection/qt/game_list.h"
#include "notation/qt/notation.h"
#include "rules/fen.h"
#include "support/qt/recording_platform.h"
#include "app/settings.h"
#include "support/test_data.h"

namespace {

std::string BoardFen(const TMainWindow& form) { return PositionToFEN(form.Board->Position(), form.Board->Move(), 1); }

const std::string kFake = std::string(QUARZEL_TEST_DATA_DIR) + "/../engine/fake_engine.py";

class EnginePane : public ::testing::Test {
protected:
    // What the window remembers (the pane switched on) does not follow into
    // the next test.
    ~EnginePane() override {
        form_.reset();
        QuarzelSettings()->clear();
    }
    void Open(const char* mode, const std::string& engine) {
        setenv("FAKE_ENGINE_MODE", mode, 1);
        const std::string path = (dir_ / "game.pgn").string();
        testdata::WriteFile(path, "[Event \"E\"]\n\n1. e4 e5 2. Nf3 *\n");
        form_ = std::make_unique<TMainWindow>(QStringList{QString::fromStdString(path)});
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([this] { return form_->StartupDone(); }, 5000));
        form_->Engine->ApplySettings({QString::fromStdString(engine), 1, 16, 3});
    }
    QString Description() const { return form_->Engine->Pane()->accessibleDescription(); }
    QString Head() const { return Description().section(QLatin1Char('\n'), 1, 1); }

    RecordingPlatform platform_;
    testdata::TempDir dir_;
    std::unique_ptr<TMainWindow> form_;
};

TEST_F(EnginePane, FaultsAreOneLineAndTheViewerGoesOn) {
    const struct {
        const char* mode;
        std::string path;
        const char* text;
    } cases[] = {
        {"good", "/no/such/engine", "Engine: engine not found: /no/such/engine"},
        {"good", "/bin/true", "Engine: /bin/true is not a UCI engine"},
        {"garbage", kFake, "is not a UCI engine (no answer to \"uci\")"},
        {"crash", kFake, "Engine: the engine ended unexpectedly"},
        {"hang", kFake, "Engine: the engine does not answer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode + (" " + c.path));
        Open(c.mode, c.path);
        QTest::keyClick(form_.get(), Qt::Key_E, Qt::ControlModifier);
        EXPECT_TRUE(form_->Engine->Analysing());
        EXPECT_TRUE(QTest::qWaitFor([&] { return Head().contains(QString::fromLatin1(c.text)); }, 12000))
            << Head().toStdString();
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
        // The viewer still browses.
        QTest::keyClick(form_->GameList, Qt::Key_Q);
        const std::string before = BoardFen(*form_);
        QTest::keyClick(form_->GameList, Qt::Key_D);
        EXPECT_NE(BoardFen(*form_), before);
        form_.reset();
    }
}

TEST_F(EnginePane, AClickOnAMoveShowsItsPositionOnTheBoardOnly) {
    Open("good", kFake);
    QTest::keyClick(form_->GameList, Qt::Key_Q);  // the start position
    form_->Engine->AnalyseAction()->trigger();
    TEnginePane* pane = form_->Engine->Pane();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pane->LineTexts().size() == 3; }, 5000)) << Description().toStdString();
    EXPECT_TRUE(Description().startsWith(QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\n")));
    EXPECT_EQ(pane->LineTexts()[0], QStringLiteral("#3 d2 1. Nf3"));
    EXPECT_EQ(pane->LineTexts()[1], QStringLiteral("-0.02 d2 1. Nc3"));
    // "1." is at the line's start after the score and depth: click its move.
    const int row = pane->fontMetrics().height() + 3;
    bool shown = false;
    for (int x = 40; x < pane->width() && !shown; x += 3) {
        QTest::mouseClick(pane, Qt::LeftButton, {}, QPoint(x, 2 + 2 * row + row / 2));
        shown = BoardFen(*form_).rfind("rnbqkbnr/pppppppp/8/8/8/2N5/PPPPPPPP/R1BQKBNR b", 0) == 0;
    }
    EXPECT_TRUE(shown) << BoardFen(*form_);
    EXPECT_EQ(form_->Notation->CurrentMove(), nullptr);  // the game stays at its start
    EXPECT_TRUE(Head().contains(QStringLiteral("the line after Nc3"))) << Head().toStdString();
    // New settings go with the position at once.
    form_->Engine->ApplySettings({QString::fromStdString(kFake), 1, 16, 2});
    EXPECT_TRUE(QTest::qWaitFor([&] { return pane->LineTexts().size() == 2; }, 5000));
    // Ctrl+E stops; the lines go.
    QTest::keyClick(form_.get(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_FALSE(form_->Engine->Analysing());
    EXPECT_TRUE(pane->LineTexts().isEmpty());
}

}  // namespace
