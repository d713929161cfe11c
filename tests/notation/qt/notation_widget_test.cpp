#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QListWidget>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>

#include <string>
#include <vector>

#include "notation/qt/notation.h"
#include "notation/qt/qt_measure.h"
#include "notation/qt/variation_chooser.h"
#include "notation/shown_text.h"
#include "support/qt/recording_platform.h"
#include "support/replay_path.h"
#include "support/test_data.h"

namespace {

const char* kGame =
    "[Event \"Club\"]\n[White \"Adams\"]\n[Black \"Brown\"]\n[Result \"*\"]\n\n"
    "1. e4 e5 2. Nf3 {a comment on the knight} Nc6 3. Bb5 (3. Bc4 Bc5 (3... Nf6 4. Ng5) 4. c3) 3... a6 4. Ba4 Nf6 *\n";

void Flush() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

std::vector<TMoveNode*> MainLine(TNotationCore& core) {
    std::vector<TMoveNode*> line;
    for (TMoveNode* b = core.Root && core.Root->FirstMove ? core.Root->FirstMove : nullptr; b; b = b->Next)
        line.push_back(b);
    return line;
}

// The loader reads only games that start with a tag line.
std::string Game(const std::string& moves) { return "[Event \"t\"]\n\n" + moves + "\n"; }

int Sq(const char* name) { return (name[1] - '1') * 10 + (name[0] - 'a') + 21; }

// A long game of knight moves back and forth.
std::string KnightShuffle(int fullMoves) {
    std::string s;
    s.reserve(static_cast<size_t>(fullMoves) * 24);
    for (int i = 0; i < fullMoves; ++i) {
        s += std::to_string(i + 1);
        s += (i % 2 == 0) ? ". Nf3 Nf6 " : ". Ng1 Ng8 ";
    }
    return s + "*";
}

class NotationWidget : public ::testing::Test {
protected:
    void SetUp() override {
        w.resize(400, 200);
        w.SetEnglish(true);
        w.show();
        Flush();
    }
    // Counts relayouts by wrapping the layout hook.
    void CountRelayouts() {
        auto inner = w.Core().Hooks.Relayout;
        w.Core().Hooks.Relayout = [this, inner] {
            ++relayouts;
            inner();
        };
    }
    int PaintsAfter(const std::function<void()>& fn) {
        Flush();
        const int before = w.PaintCount();
        fn();
        Flush();
        return w.PaintCount() - before;
    }

    RecordingPlatform platform;
    TNotation w;
    int relayouts = 0;
};

// ---- properties ----

TEST_F(NotationWidget, DefaultsAndWritesThatOnlyActOnChangedValues) {
    TNotation fresh;
    EXPECT_FALSE(fresh.Headline());
    EXPECT_FALSE(fresh.English());
    EXPECT_EQ(fresh.Indent0Var(), 2);
    EXPECT_EQ(fresh.Indent1Var(), 10);
    EXPECT_EQ(fresh.Indent2Var(), 18);
    EXPECT_TRUE(fresh.AutoBold());
    EXPECT_EQ(fresh.LineSpacing(), 3);
    EXPECT_EQ(fresh.BevelOuter(), TBevelKind::Lowered);
    EXPECT_EQ(fresh.BevelInner(), TBevelKind::None);
    EXPECT_EQ(fresh.NotationBevelWidth(), 1);
    EXPECT_EQ(fresh.NotationBorderWidth(), 0);

    CountRelayouts();
    w.SetIndent0Var(2);
    w.SetIndent1Var(10);
    w.SetIndent2Var(18);
    w.SetLineSpacing(3);
    w.SetEnglish(true);
    w.SetAutoBold(false);
    EXPECT_EQ(relayouts, 0);
    EXPECT_FALSE(w.AutoBold());
    w.SetIndent1Var(30);
    EXPECT_EQ(relayouts, 1);
    EXPECT_EQ(w.Indent1Var(), 30);
    // The headline setting relayouts even when unchanged.
    w.SetHeadline(false);
    EXPECT_EQ(relayouts, 2);
}

TEST_F(NotationWidget, AGameTooLargeToShowIsSaidOncePerLoad) {
    w.Core().MaxGameBytes = 100;  // stands in for the real limit
    EXPECT_EQ(w.LoadGame(kGame), lgTooLarge);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, "Game too large.");
    EXPECT_FALSE(w.Core().HasGame());
    EXPECT_EQ(w.LoadGame(Game("1. e4 *")), lgLoaded);
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(NotationWidget, BevelAndBorderPlaceThePaintBox) {
    w.SetNotationBevelWidth(0);  // ignored
    EXPECT_EQ(w.NotationBevelWidth(), 1);
    EXPECT_EQ(w.Paintbox()->x(), 1);
    w.SetNotationBevelWidth(3);
    w.SetNotationBorderWidth(2);
    EXPECT_EQ(w.Paintbox()->geometry().topLeft(), QPoint(5, 5));
    EXPECT_EQ(w.Paintbox()->height(), w.height() - 10);
    EXPECT_EQ(w.Scrollbar()->x(), w.Paintbox()->x() + w.Paintbox()->width());
    EXPECT_EQ(w.Scrollbar()->height(), w.Paintbox()->height());
    EXPECT_EQ(w.Scrollbar()->x() + w.Scrollbar()->width(), w.width() - 5);
}

TEST_F(NotationWidget, LineHeightFollowsTheMainFontAndSpacing) {
    EXPECT_EQ(w.LineHeight(), QFontMetrics(w.Font0Var()).height() + 3);
    w.SetLineSpacing(10);
    EXPECT_EQ(w.LineHeight(), QFontMetrics(w.Font0Var()).height() + 10);
    QFont big = w.Font0Var();
    big.setPixelSize(30);
    w.SetFont0Var(big);
    EXPECT_EQ(w.LineHeight(), QFontMetrics(big).height() + 10);
    EXPECT_GT(w.LineHeight(), 30);
    // The large change of the scroll bar is a window of rows less one.
    EXPECT_EQ(w.Scrollbar()->pageStep(), std::max(1, w.Scrollbar()->height() / w.LineHeight() - 1));
}

TEST_F(NotationWidget, FontSizesKeepCommentsNoLargerThanMoves) {
    QFont f = w.Font0Var();
    f.setPixelSize(14);
    w.SetFont0Var(f);
    // The variation fonts follow the main font's family and size.
    EXPECT_EQ(w.Font1Var().pixelSize(), 14);
    EXPECT_EQ(w.Font2Var().pixelSize(), 14);
    QFont comment = f;
    comment.setPixelSize(40);
    w.SetFontComment(comment);
    EXPECT_EQ(w.FontComment().pixelSize(), 14);
    // A smaller main font shrinks the comment font with it.
    comment.setPixelSize(12);
    w.SetFontComment(comment);
    EXPECT_EQ(w.FontComment().pixelSize(), 12);
    f.setPixelSize(10);
    w.SetFont0Var(f);
    EXPECT_EQ(w.FontComment().pixelSize(), 10);
    // Font1Var takes only the style of what it is given.
    QFont other = f;
    other.setPixelSize(50);
    other.setItalic(true);
    w.SetFont1Var(other);
    EXPECT_TRUE(w.Font1Var().italic());
    EXPECT_EQ(w.Font1Var().pixelSize(), 10);
}

// ---- layout and painting ----

// Checks with the Qt fonts themselves that no row of several words is wider
// than the paint box less its indent (trailing blanks aside); returns the
// number of rows checked.
int CheckRowWidths(TNotation& w) {
    const TNotationDisplay& d = w.Display();
    EXPECT_EQ(d.PaintWidth, w.Paintbox()->width());
    auto fontOf = [&](TNotationFont f) {
        switch (f) {
            case TNotationFont::HeadLine: return w.FontHeadLine();
            case TNotationFont::Comment: return w.FontComment();
            case TNotationFont::Var0Bold: {
                QFont b = w.Font0Var();
                b.setBold(true);
                return b;
            }
            case TNotationFont::Var1: return w.Font1Var();
            case TNotationFont::Var2: return w.Font2Var();
            default: return w.Font0Var();
        }
    };
    int checked = 0;
    for (int i = 0; i + 1 < d.RowCount(); ++i) {
        const TNotationFont rowFont = d.Rows[static_cast<size_t>(i)].Font;
        const QFontMetrics rowMetrics(fontOf(rowFont));
        const QFontMetrics commentMetrics(w.FontComment());
        std::string row = d.RowText(i);
        while (!row.empty() && row.back() == ' ') row.pop_back();
        if (row.find(' ') == std::string::npos) continue;
        int width = 0;
        const int start = d.RowStart(i);
        for (size_t k = 0; k < row.size(); ++k) {
            const char c = row[k];
            if (c == '{' || c == '}') continue;
            const bool inComment = d.CommentAt(start + static_cast<int>(k)) >= 0;
            width += (inComment ? commentMetrics : rowMetrics).horizontalAdvance(QLatin1Char(c));
        }
        EXPECT_LE(width, d.PaintWidth - d.IndentOfFont(rowFont)) << row;
        ++checked;
    }
    return checked;
}

TEST_F(NotationWidget, RowsAreBrokenByTheWidthOfTheQtFonts) {
    ASSERT_EQ(w.LoadGame(kGame), 0);
    w.resize(160, 300);
    Flush();
    const int narrowSmall = w.Display().RowCount();
    EXPECT_GT(CheckRowWidths(w), 3);
    QFont big = w.Font0Var();
    big.setPixelSize(20);
    w.SetFont0Var(big);
    const int narrowBig = w.Display().RowCount();
    EXPECT_GT(narrowBig, narrowSmall);
    CheckRowWidths(w);
    w.resize(2000, 300);
    Flush();
    EXPECT_LT(w.Display().RowCount(), narrowBig);
}

int CountColour(const QImage& img, const QRect& area, bool (*match)(QRgb)) {
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (match(img.pixel(x, y))) ++n;
    return n;
}
bool Reddish(QRgb p) { return qRed(p) > 150 && qGreen(p) < 110 && qBlue(p) < 110; }
bool Bluish(QRgb p) { return qBlue(p) > 150 && qRed(p) < 110 && qGreen(p) < 110; }
bool Black(QRgb p) { return qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40; }

TEST_F(NotationWidget, RowsArePaintedInTheirFontsAndTheCurrentMoveInverse) {
    w.resize(600, 400);
    w.SetFontColor(TNotationFont::Comment, Qt::red);
    w.SetFontColor(TNotationFont::Var1, Qt::blue);
    w.SetColor(Qt::white);
    ASSERT_EQ(w.LoadGame(kGame), 0);
    Flush();
    const TNotationDisplay& d = w.Display();
    int commentRow = -1, varRow = -1;
    for (int i = 0; i < d.RowCount(); ++i) {
        if (commentRow < 0 && d.RowText(i).find("knight") != std::string::npos) commentRow = i;
        if (varRow < 0 && d.Rows[static_cast<size_t>(i)].Font == TNotationFont::Var1) varRow = i;
    }
    ASSERT_GE(commentRow, 0);
    ASSERT_GE(varRow, 0);
    const int lh = w.LineHeight();
    QImage img = w.Paintbox()->grab().toImage();
    const QRect commentBand(0, commentRow * lh, img.width(), lh);
    const QRect varBand(0, varRow * lh, img.width(), lh);
    EXPECT_GT(CountColour(img, commentBand, Reddish), 0);
    EXPECT_EQ(CountColour(img, commentBand, Bluish), 0);
    EXPECT_GT(CountColour(img, varBand, Bluish), 0);
    EXPECT_EQ(CountColour(img, varBand, Reddish), 0);
    // The indent of a variation row shows as blank space on its left.
    EXPECT_EQ(CountColour(img, QRect(0, varRow * lh, w.Indent1Var(), lh), Bluish), 0);

    // At the start nothing is inverse; after a step the move is, in the
    // palette's selection colours (black here, as the viewer's light theme
    // has it; a dark theme's own colour below).
    QPalette pal = w.palette();
    pal.setColor(QPalette::Highlight, Qt::black);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    w.setPalette(pal);
    const QRect before = w.MoveRect(MainLine(w.Core())[0]);
    ASSERT_TRUE(before.width() > 0);
    EXPECT_LT(CountColour(img, before, Black), before.width() * before.height() / 2);
    ASSERT_TRUE(w.StepForward());
    Flush();
    img = w.Paintbox()->grab().toImage();
    EXPECT_GT(CountColour(img, before, Black), before.width() * before.height() / 2);
    EXPECT_EQ(w.HighlightedMove(), w.Core().Current);
    pal.setColor(QPalette::Highlight, QColor(40, 60, 200));
    w.setPalette(pal);
    w.Paintbox()->update();
    Flush();
    img = w.Paintbox()->grab().toImage();
    EXPECT_GT(CountColour(img, before, Bluish), before.width() * before.height() / 2);
    // A dark palette: the default colours follow it, those set apart stay.
    pal.setColor(QPalette::Window, QColor(30, 30, 30));
    pal.setColor(QPalette::WindowText, QColor(230, 230, 230));
    w.setPalette(pal);
    EXPECT_EQ(w.Color(), QColor(Qt::white));
    EXPECT_EQ(w.FontColor(TNotationFont::Var1), QColor(Qt::blue));
    EXPECT_EQ(w.FontColor(TNotationFont::Var0), QColor(230, 230, 230));
    EXPECT_EQ(w.MarkColor(), TNotation::MatchBackground(true));
}

TEST_F(NotationWidget, StepsRedrawOnlyTheOldAndNewHighlight) {
    w.resize(600, 400);
    ASSERT_EQ(w.LoadGame(kGame), 0);
    Flush();
    ASSERT_TRUE(w.StepForward());
    Flush();
    const auto line = MainLine(w.Core());
    const QRect first = w.MoveRect(line[0]);
    EXPECT_EQ(PaintsAfter([&] { ASSERT_TRUE(w.StepForward()); }), 1);
    const QRect second = w.MoveRect(line[1]);
    const QRegion painted = w.LastPaintRegion();
    EXPECT_TRUE(painted.contains(first.center()));
    EXPECT_TRUE(painted.contains(second.center()));
    EXPECT_LE(painted.boundingRect().height(), 2 * w.LineHeight());
    EXPECT_LT(painted.boundingRect().width(), w.Paintbox()->width() / 2);
    EXPECT_FALSE(painted.contains(QPoint(w.Paintbox()->width() - 2, w.Paintbox()->height() - 2)));
    // A step back erases the second and draws the first again.
    EXPECT_EQ(PaintsAfter([&] { ASSERT_TRUE(w.StepBack()); }), 1);
    EXPECT_TRUE(w.LastPaintRegion().contains(second.center()));
    EXPECT_TRUE(w.LastPaintRegion().contains(first.center()));
    // The image then equals a full repaint.
    QImage partial = w.Paintbox()->grab().toImage();
    w.Paintbox()->update();
    Flush();
    EXPECT_EQ(partial, w.Paintbox()->grab().toImage());
}

// ---- scrolling ----

TEST_F(NotationWidget, TheCurrentMoveIsKeptInTheWindow) {
    w.resize(160, 120);
    ASSERT_EQ(w.LoadGame(Game(KnightShuffle(120))), 0);
    Flush();
    const TNotationDisplay& d = w.Display();
    ASSERT_GT(d.RowCount(), 20);
    EXPECT_EQ(w.Scrollbar()->minimum(), 0);
    EXPECT_EQ(w.Scrollbar()->maximum(), d.RowCount() - w.Paintbox()->height() / w.LineHeight());
    EXPECT_EQ(w.Scrollbar()->value(), 0);
    int scrolled = 0;
    for (;;) {
        const int before = w.Scrollbar()->value();
        if (!w.StepForward()) break;
        const int row = d.RowOfMove(w.Core().Current) + 1;
        Flush();
        EXPECT_GE(row, w.FirstVisibleRow());
        EXPECT_LE(row, w.LastVisibleRow());
        EXPECT_LE((row - w.FirstVisibleRow() + 1) * w.LineHeight(), w.Paintbox()->height()) << "fully drawn";
        if (w.Scrollbar()->value() != before) {
            // Brought back into the middle of the window.
            ++scrolled;
            if (w.Scrollbar()->value() < w.Scrollbar()->maximum()) {
                EXPECT_EQ(row, w.FirstVisibleRow() + (w.LastVisibleRow() - w.FirstVisibleRow()) / 2);
            }
        }
    }
    EXPECT_GT(scrolled, 0);
    EXPECT_GT(w.Scrollbar()->value(), 0);
    EXPECT_TRUE(w.ToStart());
    Flush();
    EXPECT_EQ(w.Scrollbar()->value(), 0);
    // A move that leaves the window comes back into its middle.
    EXPECT_TRUE(w.ToEnd());
    Flush();
    const int first = w.FirstVisibleRow(), last = w.LastVisibleRow();
    const int row = d.RowOfMove(w.Core().Current);
    EXPECT_GE(row + 1, first);
    EXPECT_LE(row + 1, last);
    EXPECT_LE(d.RowCount(), last) << "the result row shows with the last move";
    // The wheel over the notation scrolls it.
    const int beforeWheel = w.Scrollbar()->value();
    QWheelEvent wheel(QPointF(10, 10), w.Paintbox()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w.Paintbox(), &wheel);
    EXPECT_LT(w.Scrollbar()->value(), beforeWheel);
    // Scrolling by hand repaints.
    EXPECT_EQ(PaintsAfter([&] { w.Scrollbar()->setValue(0); }), 1);
    EXPECT_EQ(w.FirstVisibleRow(), 1);
}

// ---- variation chooser ----

TEST_F(NotationWidget, TheChooserListsTheMovesAndItsAnswerIsPlayed) {
    ASSERT_EQ(w.LoadGame(Game("1. e4 (1. d4 d5) (1. c4) e5 2. Nf3 *")), 0);
    QStringList seen;
    QString title;
    platform.onModal = [&](QDialog* dlg) {
        auto* list = dlg->findChild<QListWidget*>();
        for (int i = 0; list && i < list->count(); ++i) seen << list->item(i)->text();
        title = dlg->windowTitle();
        // Opened below the notation, inside the screen.
        const QRect screen = w.screen()->geometry();
        QPoint expected = w.mapToGlobal(QPoint(0, w.height()));
        expected.setX(std::min(expected.x(), screen.right() + 1 - dlg->width()));
        expected.setY(std::min(expected.y(), screen.bottom() + 1 - dlg->height()));
        EXPECT_EQ(dlg->pos(), expected);
        EXPECT_EQ(list ? list->currentRow() : -1, 0);
        list->setCurrentRow(2);
        return int(QDialog::Accepted);
    };
    int events = 0;
    bool nextMove = false;
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard& board, bool next) {
        ++events;
        nextMove = next;
        EXPECT_EQ(board[Sq("c4")], Pawn);
    };
    EXPECT_TRUE(w.StepForwardBranch());
    EXPECT_EQ(seen, (QStringList{"A) 1.e4", "B) 1.d4", "C) 1.c4"}));
    EXPECT_EQ(title, "Select move");
    EXPECT_EQ(events, 1);
    EXPECT_TRUE(nextMove);
    ASSERT_NE(w.CurrentMove(), nullptr);
    EXPECT_EQ(w.CurrentMove()->FromSq, Sq("c2"));

    // Cancelled at the start: nothing moves, nothing is raised.
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard&, bool) { ++events; };
    w.ToStart();
    events = 0;
    w.SetEnglish(false);
    platform.onModal = [&](QDialog* dlg) {
        title = dlg->windowTitle();
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(w.StepForwardBranch());
    EXPECT_EQ(w.Core().Current, nullptr);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(title, QString::fromUtf8("Variante w\xC3\xA4hlen"));
}

TEST_F(NotationWidget, TheChooserAnswersToItsKeys) {
    QListWidget* list = nullptr;
    for (int key : {int(Qt::Key_Return), int(Qt::Key_Space), int(Qt::Key_Right), int(Qt::Key_Escape), int(Qt::Key_Left)}) {
        TVariationChooser chooser(&w, {"A) 1.e4", "B) 1.d4"}, true);
        list = chooser.List();
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_EQ(chooser.size(), QSize(255, 147));
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(list->currentRow(), 1);
        chooser.setResult(-5);
        QTest::keyClick(&chooser, Qt::Key(key));
        const bool accepted = key == Qt::Key_Return || key == Qt::Key_Space || key == Qt::Key_Right;
        EXPECT_EQ(chooser.result(), accepted ? int(QDialog::Accepted) : int(QDialog::Rejected)) << key;
    }
    // Near the screen's corner it is kept on the screen.
    const QRect screen = w.screen()->geometry();
    w.move(screen.right() - 100, screen.bottom() - 60);
    Flush();
    {
        TVariationChooser cornered(&w, {"A) 1.e4"}, true);
        EXPECT_EQ(cornered.pos(), QPoint(screen.right() + 1 - 255, screen.bottom() + 1 - 147));
    }
    w.move(0, 0);
    Flush();
    // A click on an item chooses it.
    TVariationChooser chooser(&w, {"A) 1.e4", "B) 1.d4", "C) 1.c4"}, true);
    chooser.show();
    Flush();
    const QRect r = chooser.List()->visualItemRect(chooser.List()->item(2));
    QTest::mouseClick(chooser.List()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(chooser.result(), int(QDialog::Accepted));
    EXPECT_EQ(chooser.List()->currentRow(), 2);
}

// ---- keys ----

TEST_F(NotationWidget, KeysNavigate) {
    ASSERT_EQ(w.LoadGame(kGame), 0);
    int events = 0;
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard&, bool) { ++events; };
    const auto line = MainLine(w.Core());
    QTest::keyClick(&w, Qt::Key_End);
    EXPECT_EQ(w.Core().Current, line.back());
    QTest::keyClick(&w, Qt::Key_Left);
    EXPECT_EQ(w.Core().Current, line[line.size() - 2]);
    QTest::keyClick(&w, Qt::Key_Home);
    EXPECT_EQ(w.Core().Current, nullptr);
    QTest::keyClick(&w, Qt::Key_Right);
    EXPECT_EQ(w.Core().Current, line[0]);
    QTest::keyClick(&w, Qt::Key_PageDown);
    EXPECT_EQ(w.Core().Current, line[3]);  // before 3.Bb5, which has an alternative
    QTest::keyClick(&w, Qt::Key_PageUp);
    EXPECT_EQ(w.Core().Current, nullptr);
    EXPECT_EQ(events, 6);
    // The owner's key handler runs first and may swallow a key.
    w.OnKeyDown = [](TNotation&, int& key, Qt::KeyboardModifiers) {
        if (key == Qt::Key_End) key = 0;
    };
    QTest::keyClick(&w, Qt::Key_End);
    EXPECT_EQ(w.Core().Current, nullptr);
    EXPECT_EQ(events, 6);
}

TEST_F(NotationWidget, RowUpAndDownMoveBetweenRows) {
    w.resize(120, 300);
    ASSERT_EQ(w.LoadGame(Game(KnightShuffle(30))), 0);
    Flush();
    const TNotationDisplay& d = w.Display();
    ASSERT_GT(d.RowCount(), 6);
    ASSERT_TRUE(w.StepForward());
    int events = 0;
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard&, bool next) {
        ++events;
        EXPECT_FALSE(next);
    };
    const int row0 = d.RowOfMove(w.Core().Current);
    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_EQ(d.RowOfMove(w.Core().Current), row0 + 1);
    EXPECT_EQ(events, 1);
    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_EQ(d.RowOfMove(w.Core().Current), row0 + 2);
    QTest::keyClick(&w, Qt::Key_Up);
    EXPECT_EQ(d.RowOfMove(w.Core().Current), row0 + 1);
    EXPECT_EQ(events, 3);
    // The board follows the move reached: the event carries its position.
    TBoard raised{};
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard& position, bool) { raised = position; };
    QTest::keyClick(&w, Qt::Key_Down);
    EXPECT_EQ(raised, ReplayedPositionAfter(w.Core(), w.Core().Current));
    // Down and down again walks row by row to the last row of moves and stays there.
    int lastMoveRow = -1;
    for (TMoveNode* m : MainLine(w.Core())) lastMoveRow = std::max(lastMoveRow, d.RowOfMove(m));
    for (int i = 0; i < d.RowCount() + 5; ++i) {
        const int before = d.RowOfMove(w.Core().Current);
        QTest::keyClick(&w, Qt::Key_Down);
        const int after = d.RowOfMove(w.Core().Current);
        EXPECT_TRUE(after == before || after == before + 1) << before << " -> " << after;
    }
    EXPECT_EQ(d.RowOfMove(w.Core().Current), lastMoveRow);
    for (int i = 0; i < d.RowCount() + 5; ++i) QTest::keyClick(&w, Qt::Key_Up);
    EXPECT_EQ(d.RowOfMove(w.Core().Current), 0);
    // Disabled: the arrow rows do nothing.
    w.setEnabled(false);
    const TMoveNode* here = w.Core().Current;
    w.RowDown();
    EXPECT_EQ(w.Core().Current, here);
}

TEST_F(NotationWidget, TheEndOfAVariationJumpsOnAndShowsTheMove) {
    w.resize(140, 90);
    std::string moves = "1. e4 (1. d4 Nf6 ";
    for (int i = 2; i < 40; ++i) moves += std::to_string(i) + (i % 2 ? ". Ng1 Nf6 " : ". Nf3 Ng8 ");
    moves += ") 1... e5 2. Nf3 *";
    ASSERT_EQ(w.LoadGame(Game(moves)), 0);
    Flush();
    TMoveNode* e4 = MainLine(w.Core())[0];
    TMoveNode* last = e4->Variations->FirstMove;
    while (last->Next) last = last->Next;
    w.Core().SetCurrent(last);
    w.Relayout();
    Flush();
    ASSERT_GT(w.Scrollbar()->value(), 0);
    w.Scrollbar()->setValue(0);  // the user scrolled away
    Flush();
    int events = 0;
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord&, TBoard&, bool next) {
        ++events;
        EXPECT_FALSE(next);
    };
    EXPECT_FALSE(w.StepForwardBranch());
    EXPECT_EQ(w.Core().Current, MainLine(w.Core())[1]);
    EXPECT_EQ(platform.beeps, 1);
    EXPECT_EQ(events, 1);
    Flush();
    const int row = w.Display().RowOfMove(w.Core().Current) + 1;
    EXPECT_GE(row, w.FirstVisibleRow());
    EXPECT_LE(row, w.LastVisibleRow());
    EXPECT_GT(w.MoveRect(w.Core().Current).width(), 0);
}

// ---- mouse ----

TEST_F(NotationWidget, AClickOnAMoveMakesItCurrent) {
    w.resize(600, 400);
    ASSERT_EQ(w.LoadGame(kGame), 0);
    Flush();
    const auto line = MainLine(w.Core());
    int events = 0;
    bool nextMove = true;
    int knightOn = 0;
    w.Core().OnMoveChange = [&](TNotationCore&, TMoveRecord& move, TBoard& board, bool next) {
        ++events;
        nextMove = next;
        knightOn = board[move.ToSq];
    };
    const QRect nf3 = w.MoveRect(line[2]);
    ASSERT_GT(nf3.width(), 0);
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, nf3.center());
    EXPECT_EQ(w.Core().Current, line[2]);
    EXPECT_EQ(events, 1);
    EXPECT_FALSE(nextMove);
    EXPECT_EQ(knightOn, Knight);
    EXPECT_EQ(w.Core().Board[Sq("f3")], Knight);
    EXPECT_EQ(w.Core().Board[Sq("g1")], 0);

    // Comments, blank space below the rows and the right button change nothing.
    const TNotationDisplay& d = w.Display();
    int commentRow = -1;
    for (int i = 0; i < d.RowCount(); ++i)
        if (d.RowText(i).find("knight") != std::string::npos) commentRow = i;
    ASSERT_GE(commentRow, 0);
    const QRect after = w.MoveRect(line[3]);
    const QPoint onComment(nf3.right() + 20, commentRow * w.LineHeight() + w.LineHeight() / 2);
    ASSERT_LT(onComment.x(), after.left());
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, onComment);
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, QPoint(5, w.Paintbox()->height() - 2));
    QTest::mouseClick(w.Paintbox(), Qt::RightButton, {}, w.MoveRect(line[0]).center());
    // Blank space right of a row's end is no move of the next row.
    const int lastRowY = (d.RowOfMove(line.back()) + 1) * w.LineHeight() - w.LineHeight() / 2;
    ASSERT_LT(lastRowY, w.Paintbox()->height());
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, QPoint(w.Paintbox()->width() - 3, w.LineHeight() / 2));
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, QPoint(w.Paintbox()->width() - 3, lastRowY));
    EXPECT_EQ(w.Core().Current, line[2]);
    EXPECT_EQ(events, 1);

    // With the headline on, a click on it goes back to the start.
    w.SetHeadline(true);
    Flush();
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, QPoint(w.Indent0Var() + 3, w.LineHeight() / 2));
    EXPECT_EQ(w.Core().Current, nullptr);
    EXPECT_EQ(events, 2);
}

TEST_F(NotationWidget, AClickInsideAVariationEntersIt) {
    w.resize(600, 400);
    ASSERT_EQ(w.LoadGame(kGame), 0);
    Flush();
    const auto line = MainLine(w.Core());
    TMoveNode* bc4 = line[4]->Variations->FirstMove;
    ASSERT_NE(bc4, nullptr);
    TMoveNode* bc5 = bc4->Next;
    QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, w.MoveRect(bc5).center());
    EXPECT_EQ(w.Core().Current, bc5);
    EXPECT_EQ(w.Core().Board[Sq("c5")], -Bishop);
    EXPECT_EQ(w.Core().Board[Sq("c4")], Bishop);
}

// ---- hostile sizes ----

TEST_F(NotationWidget, AHundredThousandNestedVariationsPaintAndScroll) {
    const int depth = 100'000;
    std::string text = "1. e4 ";
    for (int i = 0; i < depth; ++i) text += "(1. d4 ";
    for (int i = 0; i < depth; ++i) text += ") ";
    text += "1... e5 2. Nf3 *";
    ASSERT_EQ(w.LoadGame(Game(text)), 0);
    Flush();
    EXPECT_GT(w.Display().RowCount(), 1000);
    EXPECT_TRUE(w.ToEnd());
    Flush();
    w.Scrollbar()->setValue(w.Scrollbar()->maximum() / 2);
    Flush();
    QTest::keyClick(&w, Qt::Key_Home);
    QTest::keyClick(&w, Qt::Key_Down);
    w.Scrollbar()->setValue(w.Scrollbar()->maximum());
    Flush();
    QImage img = w.Paintbox()->grab().toImage();
    EXPECT_FALSE(img.isNull());
    w.LoadGame(Game("1. e4 *"));
    Flush();
    EXPECT_EQ(w.Scrollbar()->maximum(), 0);
}

TEST_F(NotationWidget, ATwentyThousandMoveGameStepsThroughWithPartialRedraws) {
    w.resize(300, 200);
    ASSERT_EQ(w.LoadGame(Game(KnightShuffle(10'000))), 0);
    Flush();
    EXPECT_GT(w.Display().RowCount(), 1000);
    const int paints = w.PaintCount();
    int steps = 0;
    while (w.StepForward() && steps < 20'000) {
        ++steps;
        if (steps % 500 == 0) Flush();
    }
    Flush();
    EXPECT_EQ(steps, 20'000);
    EXPECT_EQ(w.Display().RowOfMove(w.Core().Current) + 1 <= w.LastVisibleRow(), true);
    EXPECT_LT(w.PaintCount() - paints, 200);
    QTest::keyClick(&w, Qt::Key_Home);
    QTest::keyClick(&w, Qt::Key_End);
    QTest::keyClick(&w, Qt::Key_Up);
    Flush();
    EXPECT_GT(w.Scrollbar()->value(), 0);
}

}  // namespace

namespace {

// The games of a PGN file, split where a line starts with "[Event ".
std::vector<std::string> SplitGames(const std::string& file, size_t most) {
    std::vector<std::string> games;
    size_t start = std::string::npos;
    for (size_t pos = 0; pos < file.size() && games.size() < most;) {
        const size_t eol = std::min(file.find('\n', pos), file.size());
        if (file.compare(pos, 7, "[Event ") == 0) {
            if (start != std::string::npos) games.push_back(file.substr(start, pos - start));
            start = pos;
        }
        pos = eol + 1;
    }
    if (start != std::string::npos && games.size() < most) games.push_back(file.substr(start));
    return games;
}

TEST_F(NotationWidget, RealGamesAClickOnEveryDrawnMoveFindsThatMove) {
    REQUIRE_SHARED_PGN();
    w.resize(330, 260);
    w.SetHeadline(true);
    Flush();
    long clicked = 0;
    int files = 0;
    for (const auto& path : testdata::SharedPgnFiles()) {
        if (++files > 25) break;
        for (const std::string& game : SplitGames(testdata::ReadFile(path), 4)) {
            if (w.LoadGame(game) != 0) continue;
            std::vector<TMoveNode*> nodes;
            ForEachNode(w.Core().Root, [&](TMoveNode* b) {
                if (nodes.size() < 150) nodes.push_back(b);
            });
            for (TMoveNode* node : nodes) {
                if (node->TextPos <= 0) continue;
                w.Core().SetCurrent(node);
                w.Relayout();
                const QRect r = w.MoveRect(node);
                ASSERT_GT(r.width(), 0) << path << ": a current move is always drawn";
                w.Core().SetCurrent(nullptr);
                QTest::mouseClick(w.Paintbox(), Qt::LeftButton, {}, QPoint(r.left() + 1, r.center().y()));
                ASSERT_EQ(w.Core().Current, node) << path << " at text position " << node->TextPos;
                ++clicked;
            }
        }
    }
    EXPECT_GT(clicked, 500);
}

}  // namespace

TEST_F(NotationWidget, AMoveRunEndsBeforeTheCommentThatFollowsIt) {
    // The layout adds up single character widths; the painted run must not
    // reach into the comment after it, or the blank between them vanishes.
    w.resize(900, 200);
    // Unhinted text has fractional advances: drawn as a whole, a run is
    // wider than the sum of its rounded character widths.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setHintingPreference(QFont::PreferNoHinting);
    w.SetFont0Var(font);
    w.SetFontComment(font);
    w.SetFontColor(TNotationFont::Comment, Qt::red);
    w.SetFontColor(TNotationFont::Var1, Qt::blue);
    w.SetColor(Qt::white);
    ASSERT_EQ(w.LoadGame(Game("1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 (3... Nf6 4. Ng5 d5 5. exd5 Na5 6. Bb5+ c6 7. dxc6 "
                              "bxc6 8. Be2 h6 9. Nf3 e4 10. Ne5 Bd6 {the usual reply}) 4. c3 *")),
              0);
    Flush();
    const TNotationDisplay& d = w.Display();
    int varRow = -1;
    for (int i = 0; i < d.RowCount(); ++i)
        if (varRow < 0 && d.Rows[static_cast<size_t>(i)].Font == TNotationFont::Var1) varRow = i;
    ASSERT_GE(varRow, 0);
    const int lh = w.LineHeight();
    const QImage img = w.Paintbox()->grab().toImage();
    const int top = varRow * lh, bottom = std::min((varRow + 1) * lh, img.height());
    int firstRed = img.width();
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < img.width(); ++x)
            if (Reddish(img.pixel(x, y))) firstRed = std::min(firstRed, x);
    ASSERT_LT(firstRed, img.width());
    int lastBlue = -1;  // of the moves before the comment (the closing bracket comes after it)
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < firstRed; ++x)
            if (Bluish(img.pixel(x, y))) lastBlue = std::max(lastBlue, x);
    ASSERT_GE(lastBlue, 0);
    // At least a blank's width of white between the last move and the comment.
    EXPECT_GE(firstRed - lastBlue, 3);
}

TEST_F(NotationWidget, SymbolsCommentsMarksAndErrorsShowAsMeant) {
    w.resize(900, 700);
    w.SetColor(Qt::white);
    w.SetFontColor(TNotationFont::Comment, Qt::darkGreen);
    w.SetMarkColor(QColor(255, 230, 120));
    w.SetErrorColor(Qt::red);
    // Every glyph with a symbol on a move of its own, joined comments, marks
    // on the main line and in a variation, UTF-8 comments.
    const std::vector<int> glyphs = {7, 8, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19,
                                     20, 21, 22, 32, 36, 40, 44, 132, 138, 140, 142, 146};
    std::string moves = "{\xD0\x9E\xD0\xBF\xD1\x8B\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87 \xC2\xBD} {Intro} 1. e4 {Sicilian} {Scandinavian} "
                        "e5 {MATCH} (1... c5 2. Nf3 {MATCH in a variation}) ";
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (i % 2 == 0) moves += std::to_string(i / 2 + 2) + ". ";
        moves += (i % 4 == 0 ? "Nf3" : i % 4 == 1 ? "Nf6" : i % 4 == 2 ? "Ng1" : "Ng8");
        moves += " $" + std::to_string(glyphs[i]) + " ";
    }
    std::vector<std::string> symbols;
    for (int n : glyphs) symbols.emplace_back(GlyphSymbol(n));
    // Two abutting comments keep a blank where their braces stood.
    symbols.insert(symbols.end(), {"Sicilian | Scandinavian", "\xD0\x9E\xD0\xBF\xD1\x8B\xD1\x82 \xE4\xB8\xAD\xE6\x96\x87 \xC2\xBD Intro"});
    // A Latin-1 comment (one byte per sign) in a game cut by a reading error.
    const std::string latin1 = "{\xBD \xB0 \xA7 \xB1 caf\xE9} 1. e4 e5 2. Nf3 Qxh9 3. Nc3 *";

    QFont bold = w.Font0Var();
    bold.setBold(true);
    TQtMeasure measure([&](TNotationFont f) -> const QFont& {
        switch (f) {
            case TNotationFont::HeadLine: return w.FontHeadLine();
            case TNotationFont::Comment: return w.FontComment();
            case TNotationFont::Var0Bold: return bold;
            case TNotationFont::Var1: return w.Font1Var();
            case TNotationFont::Var2: return w.Font2Var();
            default: return w.Font0Var();
        }
    });
    auto dark = [](QRgb p) { return qGray(p) < 170; };
    for (const auto& [text, pieces] :
         {std::pair{Game(moves + "*"), symbols},
          std::pair{Game(latin1), std::vector<std::string>{"\xC2\xBD \xC2\xB0 \xC2\xA7 \xC2\xB1 caf\xC3\xA9",
                                                           "Error reading moves."}}}) {
        w.LoadGame(text);
        Flush();
        const TNotationDisplay& d = w.Display();
        ASSERT_LE(d.RowCount(), w.LastVisibleRow());
        const QImage img = w.Paintbox()->grab().toImage();
        const int lh = w.LineHeight();
        std::string shown;
        for (int row = 0; row < d.RowCount(); ++row) {
            shown += ShownRowText(d, row) + "\n";
            // Each drawn character has a box of its own, and its ink is in it.
            const TNotationFont rowFont = d.Rows[static_cast<size_t>(row)].Font;
            int x = d.IndentOfFont(rowFont);
            ForEachShownChar(d, d.RowStart(row), d.RowEnd(row), rowFont, [&](const TShownChar& c, TNotationFont f) {
                const int cw = ShownWidth(measure, f, c);
                if (c.Count > 0 && c.Cp[0] != U' ') {
                    EXPECT_GT(cw, 0) << "row " << row << " position " << c.Pos;
                    int ink = 0;
                    for (int y = row * lh; y < (row + 1) * lh && y < img.height(); ++y)
                        for (int px = x; px < x + cw && px < img.width(); ++px) ink += dark(img.pixel(px, y));
                    EXPECT_GT(ink, 0) << "row " << row << " position " << c.Pos << " U+" << std::hex
                                      << static_cast<unsigned>(c.Cp[0]);
                }
                x += cw;
            });
        }
        EXPECT_EQ(shown.find_first_of("{}"), std::string::npos) << shown;
        for (const std::string& piece : pieces) EXPECT_NE(shown.find(piece), std::string::npos) << piece << "\n" << shown;
        // The kept notation text still holds its glyph characters and braces.
        EXPECT_NE(d.Text.find('{'), std::string::npos);
    }
    // The reading error: its own row after the last move read, in the error colour.
    const TNotationDisplay& d = w.Display();
    ASSERT_GT(d.ErrorRow.Len, 0);
    const int errorRow = d.RowOfPosition(d.ErrorRow.Pos);
    EXPECT_EQ(ShownRowText(d, errorRow), "Error reading moves. ");
    EXPECT_GT(errorRow, d.RowOfMove(MainLine(w.Core()).back()));
    QImage img = w.Paintbox()->grab().toImage();
    EXPECT_GT(CountColour(img, QRect(0, errorRow * w.LineHeight(), img.width(), w.LineHeight()), Reddish), 0);

    // Marks: the moves whose comment holds "MATCH", in a variation too, on the mark colour.
    w.LoadGame(Game(moves + "*"));
    Flush();
    img = w.Paintbox()->grab().toImage();
    auto marked = [](QRgb p) { return qRed(p) == 255 && qGreen(p) == 230 && qBlue(p) == 120; };
    TMoveNode* e4 = MainLine(w.Core())[0];
    for (const TMoveNode* move : {MainLine(w.Core())[1], static_cast<TMoveNode*>(MainLine(w.Core())[1]->Variations->FirstMove->Next)}) {
        const QRect r = w.MoveRect(move);
        ASSERT_GT(r.width(), 0);
        EXPECT_GT(CountColour(img, r, marked), r.width() * r.height() / 3);
    }
    EXPECT_EQ(CountColour(img, w.MoveRect(e4), marked), 0);
}
