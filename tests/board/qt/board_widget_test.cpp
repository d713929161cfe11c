// Pixel tests of the board widget: what lands in its picture, and when.
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>

#include "board/qt/board_widget.h"
#include "board/qt/promotion_button.h"
#include "board/user_sheet.h"
#include "rules/fen.h"
#include "rules/legality.h"
#include "support/qt/recording_platform.h"
#include "support/test_data.h"

namespace {

constexpr int Sq(const char* name) { return 21 + (name[0] - 'a') + 10 * (name[1] - '1'); }
constexpr int Ix(const char* name) { return (name[0] - 'a') + 8 * (name[1] - '1'); }

TBoard Fen(const char* fen, TMoveRecord* state = nullptr) {
    TBoard b = EmptyBoard;
    TMoveRecord z = FreshState();
    uint16_t n = 1;
    EXPECT_TRUE(FENToPosition(fen, b, z, n)) << fen;
    if (state) *state = z;
    return b;
}

// The board as the viewer sets it up: 33-pixel set at 33 pixels.
struct BoardTest : ::testing::Test {
    RecordingPlatform platform;
    TBoardWidget board;
    BoardTest() {
        board.SetPieceSet(TPieceSet::WinboardF33);
        board.SetSquareSize(33);
        board.SetStartPosition(true);
    }
    QRect Rect(int q) const {
        const TSquareRect& r = board.SquareRects()[static_cast<size_t>(q)];
        return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    }
    QPoint Centre(int q) const { return Rect(q).center(); }
};

// Expected pixels of piece p drawn over a square whose pixels are `under`,
// for a sheet whose cells have the square's size: outside the mask the
// square, inside it the image.
QImage Composite(const QImage& under, const QImage& sheet, int piece, int s) {
    const int c = piece > 0 ? piece : 6 - piece;
    QImage out = under.copy();
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            QRgb mask = sheet.pixel((c - 1) * s + x, s + y);
            if (qGray(mask) < 128) out.setPixel(x, y, sheet.pixel((c - 1) * s + x, y));
        }
    return out;
}

bool SameRgb(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff)) return false;
    return true;
}

TEST_F(BoardTest, MaskedDrawingKeepsTheSquareOutsideThePieceOnPlainAndPatternedSquares) {
    const QImage& sheet = board.PieceSheet();
    ASSERT_EQ(sheet.width(), 12 * 33);
    // A checkered pattern with colours that no raster-op mistake could produce.
    QImage pattern(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) pattern.setPixel(x, y, (x + y) % 2 ? qRgb(200, 30, 90) : qRgb(20, 160, 60));
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            board.SetBlackSquarePattern(&pattern);
            board.SetWhiteSquarePattern(&pattern);
        }
        for (int piece : {1, 2, 3, 4, 5, 6, -1, -2, -3, -4, -5, -6}) {
            for (int q : {Ix("d4"), Ix("e4")}) {  // dark and light
                SCOPED_TRACE("piece " + std::to_string(piece) + " square " + std::to_string(q) + " round " +
                             std::to_string(round));
                board.DrawSquare(q);
                QImage under = board.Picture().copy(Rect(q));
                board.DrawPiece(q, piece);
                QImage drawn = board.Picture().copy(Rect(q));
                EXPECT_TRUE(SameRgb(drawn, Composite(under, sheet, piece, 33)));
                // The piece really is there: the drawing changed the square.
                EXPECT_FALSE(SameRgb(drawn, under));
            }
        }
    }
    // Empty and off-board values draw nothing.
    board.DrawSquare(0);
    QImage before = board.Picture();
    board.DrawPiece(0, 0);
    board.DrawPiece(0, OffBoard);
    board.DrawPiece(0, -100);
    EXPECT_TRUE(SameRgb(before, board.Picture()));
}

TEST_F(BoardTest, StretchedCellsStillLeaveTheOutsideUntouched) {
    // The 21-pixel set on 64-pixel squares: the corners of every square hold
    // no piece and must keep the square colour exactly.
    board.SetPieceSet(TPieceSet::WinboardF21);
    board.SetSquareSize(64);
    board.ShowPosition(InitialPosition, FreshState());
    const QRgb light = board.WhiteSquareColor().rgb() & 0xffffff;
    const QRgb dark = board.BlackSquareColor().rgb() & 0xffffff;
    for (int q = 0; q < 64; ++q) {
        QRect r = Rect(q);
        QRgb want = IsDarkSquare(q) ? dark : light;
        for (QPoint p : {r.topLeft(), r.topRight(), QPoint(r.left(), r.top() + 3), QPoint(r.right() - 2, r.top() + 1)})
            ASSERT_EQ(board.Picture().pixel(p) & 0xffffff, want) << q;
        // Occupied squares show black somewhere, empty ones only the colour.
        bool anyBlack = false;
        for (int y = r.top(); y <= r.bottom() && !anyBlack; ++y)
            for (int x = r.left(); x <= r.right() && !anyBlack; ++x) anyBlack = (board.Picture().pixel(x, y) & 0xffffff) == 0;
        EXPECT_EQ(anyBlack, InitialPosition[static_cast<size_t>(Index64ToSquare(q))] != 0) << q;
    }
}

TEST_F(BoardTest, A1IsDarkAndBottomLeftWithWhiteAtTheBottom) {
    board.SetBlackSquareColor(QColor(166, 202, 240));
    const QImage& pic = board.Picture();
    ASSERT_EQ(pic.size(), QSize(264, 264));
    EXPECT_EQ(pic.pixel(1, 262), QColor(166, 202, 240).rgb());  // a1 corner, no piece there
    EXPECT_EQ(pic.pixel(262, 262) & 0xffffff, 0xffffffu);       // h1 light
    EXPECT_EQ(pic.pixel(262, 1), QColor(166, 202, 240).rgb());  // h8 dark
    // The white king (e1) is drawn in the bottom row, the black king (e8) in the top row.
    QImage e1 = pic.copy(Rect(Ix("e1")));
    QImage e8 = pic.copy(Rect(Ix("e8")));
    EXPECT_EQ(Rect(Ix("e1")).top(), 7 * 33);
    QImage k = Composite(e1, board.PieceSheet(), King, 33);
    EXPECT_TRUE(SameRgb(e1, k));
    int blackE1 = 0, blackE8 = 0;
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 33; ++x) {
            blackE1 += (e1.pixel(x, y) & 0xffffff) == 0;
            blackE8 += (e8.pixel(x, y) & 0xffffff) == 0;
        }
    EXPECT_GT(2 * blackE8, 3 * blackE1);  // the black king is clearly the darker one
}

TEST_F(BoardTest, TheWidgetShowsItsPicture) {
    board.ShowPosition(InitialPosition, FreshState());
    QImage shot = board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(SameRgb(shot, board.Picture()));
    board.SetSquareSize(21);
    EXPECT_EQ(board.size(), QSize(168, 168));
    shot = board.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(SameRgb(shot, board.Picture()));
}

// A high-resolution screen gets the set of its own square size, drawn pixel
// for pixel, never the 1x picture blown up; clicks still hit their squares.
TEST_F(BoardTest, AtDeviceRatioTwoTheBoardUsesTheSetOfTheDeviceSquareSize) {
    board.ShowPosition(InitialPosition, FreshState());
    const QImage single = board.Picture();
    board.SetDeviceRatio(2);
    EXPECT_EQ(board.size(), QSize(264, 264));
    ASSERT_EQ(board.Picture().size(), QSize(528, 528));
    EXPECT_EQ(board.SquarePixels(), 66);
    EXPECT_EQ(board.PieceSet(), TPieceSet::WinboardF33);
    EXPECT_EQ(board.PieceSheet().size(), QSize(12 * 64, 2 * 64));
    const QImage doubled = single.scaled(528, 528, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    EXPECT_FALSE(SameRgb(doubled, board.Picture()));
    // The 64-pixel king in the middle of the 66-pixel e1, one pixel of square around it.
    const QRect e1 = Rect(Ix("e1"));
    ASSERT_EQ(e1, QRect(4 * 66, 7 * 66, 66, 66));
    QImage under(64, 64, QImage::Format_RGB32);
    under.fill(board.BlackSquareColor());
    EXPECT_TRUE(SameRgb(board.Picture().copy(e1.adjusted(1, 1, -1, -1)), Composite(under, board.PieceSheet(), King, 64)));
    EXPECT_EQ(board.Picture().pixel(e1.topLeft()), board.BlackSquareColor().rgb());
    // Logical widget points land on the device squares.
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e2")) / 2);
    EXPECT_EQ(board.DraggedPiece(), Pawn);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e2")) / 2);
    board.SetDeviceRatio(0.5);  // ignored
    board.SetDeviceRatio(1);
    EXPECT_TRUE(SameRgb(single, board.Picture()));
}

TEST(BoardCreation, FirstRedrawPaintsAllSquaresAndNothingIsDrawnBefore) {
    RecordingPlatform platform;
    TBoardWidget board;
    EXPECT_EQ(board.SquareSize(), 32);
    EXPECT_EQ(board.Picture().size(), QSize(256, 256));
    EXPECT_EQ(board.PieceSet(), TPieceSet::User);
    EXPECT_TRUE(board.PieceSheet().isNull());
    EXPECT_TRUE(board.MovesAllowed());
    EXPECT_TRUE(board.StartPosition());
    EXPECT_EQ(board.WhiteSquareColor(), QColor(255, 255, 255));
    EXPECT_EQ(board.BlackSquareColor(), QColor(192, 192, 192));
    EXPECT_EQ(board.Position(), InitialPosition);
    EXPECT_EQ(board.SquaresDrawn(), 0);
    // Showing the very position it holds still paints every square once.
    board.ShowPosition(InitialPosition, FreshState());
    EXPECT_EQ(board.SquaresDrawn(), 64);
    EXPECT_EQ(board.LastDrawn(), InitialPosition);
    board.ResetDrawCounter();
    board.ShowPosition(InitialPosition, FreshState());
    EXPECT_EQ(board.SquaresDrawn(), 0);
}

TEST_F(BoardTest, ShowPositionRepaintsOnlyTheSquaresAMoveChanged) {
    struct Step {
        const char* fen;
        int squares;
    } steps[] = {
        {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 2},
        {"rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR w KQkq d6 0 2", 2},
        {"rnbqkbnr/ppp1pppp/8/3P4/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2", 2},  // capture
        {"rnbqkbnr/ppp1pppp/8/3P4/8/5N2/PPPP1PPP/RNBQKB1R b KQkq - 0 2", 2},
    };
    for (const Step& s : steps) {
        TMoveRecord z;
        TBoard b = Fen(s.fen, &z);
        board.ResetDrawCounter();
        board.ShowPosition(b, z);
        EXPECT_EQ(board.SquaresDrawn(), s.squares) << s.fen;
        EXPECT_EQ(board.LastDrawn(), b);
        EXPECT_EQ(board.Position(), b);
        EXPECT_EQ(board.Move(), z);
    }
    // Castling touches four squares, en passant three.
    TMoveRecord z;
    board.ShowPosition(Fen("4k3/8/8/3pP3/8/8/8/4K2R w K d6 0 1", &z), z);
    board.ResetDrawCounter();
    board.ShowPosition(Fen("4k3/8/8/3pP3/8/8/8/5RK1 b - - 0 1", &z), z);
    EXPECT_EQ(board.SquaresDrawn(), 4);
    board.ResetDrawCounter();
    board.ShowPosition(Fen("4k3/8/3P4/8/8/8/8/5RK1 b - - 0 1", &z), z);
    EXPECT_EQ(board.SquaresDrawn(), 3);
    // The picture equals a board that drew everything from scratch.
    TBoardWidget fresh;
    fresh.SetPieceSet(TPieceSet::WinboardF33);
    fresh.SetSquareSize(33);
    fresh.ShowPosition(board.Position(), z);
    EXPECT_TRUE(SameRgb(fresh.Picture(), board.Picture()));
}

TEST_F(BoardTest, PaintLockedPaintsNothingAndTheNextShowCatchesUp) {
    const QImage before = board.Picture();
    const TBoard drawn = board.LastDrawn();
    board.PaintLocked = true;
    board.ResetDrawCounter();
    TMoveRecord z;
    board.ShowPosition(Fen("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", &z), z);
    board.ShowPosition(Fen("rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq c6 0 2", &z), z);
    board.RedrawBoard(true);
    board.DrawSquare(0);
    board.DrawPiece(0, King);
    EXPECT_EQ(board.SquaresDrawn(), 0);
    EXPECT_EQ(board.LastDrawn(), drawn);
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    board.PaintLocked = false;
    board.ShowPosition(Fen("rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 0 2", &z), z);
    EXPECT_EQ(board.SquaresDrawn(), 6);  // e2 e4 c7 c5 g1 f3
    // A new size or a flip while locked leaves a picture that shows nothing
    // yet: the next show paints every square, not only the changed ones.
    board.PaintLocked = true;
    board.SetSquareSize(40);
    board.SetFlipped(true);
    board.PaintLocked = false;
    board.ResetDrawCounter();
    board.ShowPosition(board.Position(), board.Move());
    EXPECT_EQ(board.SquaresDrawn(), 64);
}

TEST_F(BoardTest, PropertyWritesStoreChangesAndIgnoreOutOfRangeSizes) {
    board.SetSquareSize(-40);
    EXPECT_EQ(board.SquareSize(), 40);
    EXPECT_EQ(board.Picture().size(), QSize(320, 320));
    EXPECT_EQ(board.size(), QSize(320, 320));
    for (int bad : {9, 100, -100, 0, 1000, -5, -9, 99 + 256 * 256, INT_MIN, INT_MAX}) {
        board.SetSquareSize(bad);
        EXPECT_EQ(board.SquareSize(), 40) << bad;
    }
    board.SetSquareSize(-99);
    EXPECT_EQ(board.SquareSize(), 99);
    board.SetSquareSize(10);
    EXPECT_EQ(board.SquareSize(), 10);
    EXPECT_EQ(board.size(), QSize(80, 80));
    board.SetSquareSize(40);
    board.ResetDrawCounter();
    board.SetSquareSize(40);
    board.SetPieceSet(TPieceSet::WinboardF33);  // same set: no rebuild, no repaint
    board.SetBlackSquareColor(board.BlackSquareColor());
    EXPECT_EQ(board.SquaresDrawn(), 0);
    board.SetBlackSquareColor(QColor(1, 2, 3));
    EXPECT_EQ(board.SquaresDrawn(), 64);
    EXPECT_EQ(board.Picture().pixel(0, 319) & 0xffffff, 0x010203u);
    // Writing User only records the name: the sheet keeps its images.
    const QImage sheet = board.PieceSheet();
    board.SetPieceSet(TPieceSet::User);
    EXPECT_EQ(board.PieceSet(), TPieceSet::User);
    EXPECT_TRUE(SameRgb(sheet, board.PieceSheet()));
    board.SetPieceSet(TPieceSet::WinboardF80);
    EXPECT_EQ(board.PieceSheet().size(), QSize(960, 160));
    EXPECT_EQ(platform.busyOn, platform.busyOff);
    EXPECT_GT(platform.busyOn, 0);
    // No such set: ignored.
    board.SetPieceSet(static_cast<TPieceSet>(kPieceSetCount));
    board.SetPieceSet(static_cast<TPieceSet>(200));
    EXPECT_EQ(board.PieceSet(), TPieceSet::WinboardF80);
    EXPECT_EQ(board.PieceSheet().size(), QSize(960, 160));
}

TEST_F(BoardTest, StartPositionFalseEmptiesTheBoardAndResetsTheRecord) {
    int calls = 0, zValue = 0;
    board.OnNewPosition = [&](TBoardWidget* sender, TBoard& b, TMoveRecord& z, int n) {
        EXPECT_EQ(sender, &board);
        ++calls;
        zValue = n;
        EXPECT_EQ(b, EmptyBoard);
        EXPECT_EQ(z.Castling, 31);
        EXPECT_EQ(z.Side, White);
    };
    board.ResetDrawCounter();
    board.SetStartPosition(false);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(zValue, 1);
    EXPECT_EQ(board.Position(), EmptyBoard);
    EXPECT_EQ(board.SquaresDrawn(), 32);
    EXPECT_FALSE(board.StartPosition());
}

TEST_F(BoardTest, PatternsOfAnySizeAreDrawnScaledToTheSquare) {
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(qRgb(10, 20, 30));
    board.SetBlackSquarePattern(&one);
    const QRect a1 = Rect(0);
    EXPECT_EQ(board.Picture().pixel(a1.topLeft()) & 0xffffff, 0x0a141eu);
    EXPECT_EQ(board.Picture().pixel(a1.left() + 2, a1.bottom()) & 0xffffff, 0x0a141eu);
    QImage huge(4000, 4000, QImage::Format_RGB32);
    huge.fill(qRgb(250, 0, 0));
    for (int y = 2000; y < 4000; ++y)
        for (int x = 0; x < 4000; ++x) huge.setPixel(x, y, qRgb(0, 0, 250));
    board.SetWhiteSquarePattern(&huge);
    const QRect h1 = Rect(7);
    EXPECT_EQ(board.Picture().pixel(h1.right(), h1.top()) & 0xffffff, 0xfa0000u);     // upper half red
    EXPECT_EQ(board.Picture().pixel(h1.right(), h1.bottom()) & 0xffffff, 0x0000fau);  // lower half blue
    // Patterns with transparency are flattened on white, then drawn.
    QImage clear(3, 3, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    board.SetWhiteSquarePattern(&clear);
    EXPECT_EQ(board.Picture().pixel(h1.right(), h1.top()) & 0xffffff, 0xffffffu);
    board.SetBlackSquarePattern(nullptr);
    EXPECT_TRUE(board.BlackSquarePattern().isNull());
    EXPECT_EQ(board.Picture().pixel(a1.topLeft()), board.BlackSquareColor().rgb());
    // The owned pattern handed back to itself changes nothing.
    board.ResetDrawCounter();
    board.SetWhiteSquarePattern(&board.WhiteSquarePattern());
    EXPECT_EQ(board.SquaresDrawn(), 0);
}

TEST_F(BoardTest, CopiesTheShownPositionAsFenWithMoveNumberOne) {
    TMoveRecord z;
    TBoard b = Fen("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 37", &z);
    board.ShowPosition(b, z);
    board.CopyFENToClipboard();
    EXPECT_EQ(platform.clipboardWrites, 1);
    EXPECT_EQ(platform.clipboard, QString("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1"));
}

// --------------------------------------------------------------- user sheets

void WriteBmp(const std::filesystem::path& path, int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    // Mask and image: a black block in each cell's lower half.
    for (int c = 0; c < 12; ++c)
        for (int y = h / 2 + 2; y < h - 2; ++y)
            for (int x = c * (w / 12) + 2; x < (c + 1) * (w / 12) - 2; ++x) img.setPixel(x, y, qRgb(0, 0, 0));
    ASSERT_TRUE(img.save(QString::fromStdString(path.string()), "BMP"));
}

TEST_F(BoardTest, UserBitmapSizeChecksAcceptAndRefuseAtTheirLimits) {
    testdata::TempDir dir;
    struct Case {
        int w, h;
        bool ok;
    } cases[] = {{240, 40, true}, {239, 40, false}, {120, 19, false}, {1200, 201, true}, {1212, 202, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        auto path = dir / ("board_sheet_" + std::to_string(c.w) + "x" + std::to_string(c.h) + ".bmp");
        WriteBmp(path, c.w, c.h);
        board.SetPieceSet(TPieceSet::WinboardF45);
        platform.messages.clear();
        board.SetUserPieceSet(QString::fromStdString(path.string()));
        if (c.ok) {
            EXPECT_TRUE(platform.messages.empty());
            EXPECT_EQ(board.PieceSet(), TPieceSet::User);
            EXPECT_EQ(board.UserPieceSet(), QString::fromStdString(path.string()));
            EXPECT_EQ(board.PieceSheet().size(), QSize(c.w, c.h));
        } else {
            ASSERT_EQ(platform.messages.size(), 1u);
            EXPECT_EQ(platform.messages[0].text, QString::fromUtf8("Ungültige Maße der Bitmap."));
            EXPECT_EQ(platform.messages[0].kind, TMessageKind::Error);
            EXPECT_EQ(board.PieceSet(), TPieceSet::WinboardF33);
            EXPECT_EQ(board.PieceSheet().size(), QSize(12 * 33, 66));
            EXPECT_TRUE(board.UserPieceSet().isEmpty());
        }
    }
}

TEST_F(BoardTest, BadUserFilesGiveTheirMessageAndNeverCrash) {
    testdata::TempDir dir;
    auto put = [&](const std::string& name, const std::string& bytes) {
        testdata::WriteFile(dir / name, bytes);
        return QString::fromStdString((dir / name).string());
    };
    auto le32 = [](uint32_t v) {
        std::string s(4, '\0');
        for (int k = 0; k < 4; ++k) s[static_cast<size_t>(k)] = static_cast<char>(v >> (8 * k));
        return s;
    };
    // Header of a 24-bit bitmap claiming w x h pixels, followed by `data` bytes.
    auto bmp = [&](uint32_t w, uint32_t h, size_t data) {
        std::string s = "BM" + le32(static_cast<uint32_t>(54 + data)) + le32(0) + le32(54) + le32(40) + le32(w) +
                        le32(h) + std::string("\x01\x00\x18\x00", 4) + le32(0) + le32(0) + le32(0) + le32(0) +
                        le32(0) + le32(0);
        return s + std::string(data, '\x7f');
    };
    auto png = [](uint32_t w, uint32_t h) {
        std::string s("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
        for (uint32_t v : {w, h})
            for (int k = 3; k >= 0; --k) s += static_cast<char>(v >> (8 * k));
        return s + std::string("\x08\x02\0\0\0\0\0\0\0", 9);
    };
    // A named pipe nobody writes to: opening it for reading would wait forever.
    auto fifo = [&](const std::string& name) {
        EXPECT_EQ(::mkfifo((dir / name).c_str(), 0600), 0);
        return QString::fromStdString((dir / name).string());
    };
    struct Case {
        QString file;
        const char* message;
    } cases[] = {
        {put("board_text.bmp", "[Event \"x\"]\n1. e4 e5 *\n"), kMsgBitmapNotLoaded},
        {put("board_empty.bmp", ""), kMsgBitmapNotLoaded},
        // Cut-off bitmaps do not load, whatever size they claim.
        {put("board_huge.bmp", bmp(100000, 100000, 64)), kMsgBitmapNotLoaded},
        {put("board_wide.bmp", bmp(2000000000u, 40, 64)), kMsgBitmapNotLoaded},
        {put("board_largest.bmp", bmp(0x7fffffffu, 0x7fffffffu, 64)), kMsgBitmapNotLoaded},
        {put("board_short_wrong_size.bmp", bmp(239, 40, 100)), kMsgBitmapNotLoaded},
        {put("board_truncated.bmp", bmp(240, 40, 100)), kMsgBitmapNotLoaded},
        // A header whose size is refused before any pixel is decoded.
        {put("board_huge.png", png(100000, 100000)), kMsgInvalidSize},
        {fifo("board_fifo.bmp"), kMsgBitmapNotLoaded},
        {put("board_cut_header.bmp", bmp(240, 40, 0).substr(0, 20)), kMsgBitmapNotLoaded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        board.SetPieceSet(TPieceSet::WinboardF45);
        platform.messages.clear();
        board.SetUserPieceSet(c.file);
        EXPECT_EQ(board.PieceSheet().size(), QSize(12 * 33, 66));
        ASSERT_EQ(platform.messages.size(), 1u);
        EXPECT_EQ(platform.messages[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(board.PieceSet(), TPieceSet::WinboardF33);
    }
    // A missing file: the board's English message, and nothing changes.
    board.SetPieceSet(TPieceSet::WinboardF45);
    platform.messages.clear();
    board.SetUserPieceSet(QString::fromStdString((dir / "board_missing.bmp").string()));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, QString("File not found."));
    EXPECT_EQ(board.PieceSet(), TPieceSet::WinboardF45);
    EXPECT_TRUE(board.UserPieceSet().isEmpty());
    // The loader itself, asked directly about a missing file.
    platform.messages.clear();
    EXPECT_FALSE(board.LoadPieceBitmap(QString::fromStdString((dir / "board_missing.bmp").string())));
    EXPECT_EQ(platform.messages.at(0).text, QString::fromUtf8("Datei wurde nicht gefunden."));
}

TEST_F(BoardTest, AUserSheetOfAnyCellSizeIsDrawnStretched) {
    testdata::TempDir dir;
    auto path = dir / "board_user.png";
    // 12 cells of 25 x 25: image white with a black dot, mask a centred block.
    QImage img(300, 50, QImage::Format_RGB32);
    img.fill(Qt::white);
    for (int c = 0; c < 12; ++c)
        for (int y = 5; y < 20; ++y)
            for (int x = 5; x < 20; ++x) {
                img.setPixel(c * 25 + x, 25 + y, qRgb(0, 0, 0));
                if (x >= 10 && x < 15 && y >= 10 && y < 15) img.setPixel(c * 25 + x, y, qRgb(0, 0, 0));
            }
    ASSERT_TRUE(img.save(QString::fromStdString(path.string()), "PNG"));
    board.SetUserPieceSet(QString::fromStdString(path.string()));
    ASSERT_TRUE(platform.messages.empty());
    // 25-pixel cells on 33-pixel squares: the square's edges keep their colour,
    // the mask inside shows white, the dot black.
    const QRect e1 = Rect(Ix("e1"));  // dark square
    const QImage& pic = board.Picture();
    EXPECT_EQ(pic.pixel(e1.topLeft()), board.BlackSquareColor().rgb());
    EXPECT_EQ(pic.pixel(e1.left() + 9, e1.top() + 9) & 0xffffff, 0xffffffu);
    EXPECT_EQ(pic.pixel(e1.center()) & 0xffffff, 0u);
    const QRect d1 = Rect(Ix("d1"));  // light square
    EXPECT_EQ(pic.pixel(d1.topLeft()) & 0xffffff, 0xffffffu);
    EXPECT_EQ(pic.pixel(d1.center()) & 0xffffff, 0u);
    // Squares without a piece stay as they were.
    const QRect e3 = Rect(Ix("e3"));  // dark, empty
    EXPECT_EQ(pic.pixel(e3.left() + 9, e3.top() + 9), board.BlackSquareColor().rgb());
}

// --------------------------------------------------------------- interaction

struct DragTest : BoardTest {
    int tries = 0;
    int done = 0;
    void Accept(bool legalOnly) {
        board.OnMoveTry = [this, legalOnly](TBoardWidget* sender, bool& legal) {
            ++tries;
            legal = !legalOnly || IsLegalMove(sender->Position(), sender->Move());
        };
        board.OnMoveDone = [this](TBoardWidget*) { ++done; };
    }
    void Drag(int from, int to, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QPoint a = Centre(from), b = Centre(to);
        QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, a);
        QMouseEvent move(QEvent::MouseMove, QPointF((a + b) / 2), QPointF(board.mapToGlobal((a + b) / 2)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&board, &move);
        QMouseEvent move2(QEvent::MouseMove, QPointF(b), QPointF(board.mapToGlobal(b)), Qt::NoButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&board, &move2);
        QTest::mouseRelease(&board, Qt::LeftButton, mods, b);
    }
    void Show(const char* fen) {
        TMoveRecord z;
        TBoard b = Fen(fen, &z);
        board.ShowPosition(b, z);
    }
};

TEST_F(DragTest, WithoutAHandlerEveryDropIsRefusedAndTheBoardIsRestoredPixelExactly) {
    board.ShowPosition(InitialPosition, FreshState());
    const QImage before = board.Picture();
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e2")));
    EXPECT_EQ(board.DraggedPiece(), Pawn);
    EXPECT_FALSE(SameRgb(before, board.Picture()));  // lifted: 2 pixels higher
    Drag(Ix("e2"), Ix("e4"));
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    EXPECT_EQ(board.Position(), InitialPosition);
    EXPECT_EQ(board.Move(), FreshState());
    EXPECT_EQ(board.DraggedPiece(), 0);
    // A drop outside the board and a drop on the origin are refused too.
    Drag(Ix("g1"), Ix("g1"));
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("b1")));
    QMouseEvent out(QEvent::MouseMove, QPointF(400, 400), QPointF(board.mapToGlobal(QPoint(400, 400))),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&board, &out);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, QPoint(263, 263));
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    EXPECT_EQ(board.Position(), InitialPosition);
}

TEST_F(DragTest, OnlyTheLeftButtonLiftsAndOnlyPiecesOfTheSideToMove) {
    board.ShowPosition(InitialPosition, FreshState());
    Accept(false);
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e7")));
    EXPECT_EQ(board.DraggedPiece(), 0);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e5")));
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e4")));
    EXPECT_EQ(board.DraggedPiece(), 0);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e4")));
    QTest::mousePress(&board, Qt::RightButton, Qt::NoModifier, Centre(Ix("e2")));
    EXPECT_EQ(board.DraggedPiece(), 0);
    QTest::mouseRelease(&board, Qt::RightButton, Qt::NoModifier, Centre(Ix("e4")));
    EXPECT_EQ(tries, 0);
    EXPECT_EQ(board.Position(), InitialPosition);
    board.SetMovesAllowed(false);
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e2")));
    EXPECT_EQ(board.DraggedPiece(), 0);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e4")));
    // Dragging switched off while a piece is in the air: the release puts it
    // back and the board is idle again, ready for the next lift.
    board.SetMovesAllowed(true);
    const QImage before = board.Picture();
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("d2")));
    ASSERT_EQ(board.DraggedPiece(), Pawn);
    QMouseEvent move(QEvent::MouseMove, QPointF(Centre(Ix("d4"))), QPointF(board.mapToGlobal(Centre(Ix("d4")))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&board, &move);
    board.SetMovesAllowed(false);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("d4")));
    EXPECT_EQ(board.DraggedPiece(), 0);
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    EXPECT_EQ(tries, 0);
    board.SetMovesAllowed(true);
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("d2")));
    EXPECT_EQ(board.DraggedPiece(), Pawn);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("d2")));
    EXPECT_TRUE(SameRgb(before, board.Picture()));
}

TEST_F(DragTest, ThePopupMenuIsDetachedOnlyWhileTheLeftButtonIsDown) {
    QMenu menu;
    board.SetPopupMenu(&menu);
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e2")));
    EXPECT_EQ(board.PopupMenu(), nullptr);
    // A right release during the drag changes nothing.
    QTest::mouseRelease(&board, Qt::RightButton, Qt::NoModifier, Centre(Ix("e3")));
    EXPECT_EQ(board.PopupMenu(), nullptr);
    EXPECT_EQ(board.DraggedPiece(), Pawn);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("e4")));
    EXPECT_EQ(board.PopupMenu(), &menu);
    QTest::mousePress(&board, Qt::RightButton, Qt::NoModifier, Centre(Ix("e2")));
    EXPECT_EQ(board.PopupMenu(), &menu);
    QTest::mouseRelease(&board, Qt::RightButton, Qt::NoModifier, Centre(Ix("e2")));
}

TEST_F(DragTest, AnAcceptedMoveIsMadeDrawnAndReportedWithTheModifiers) {
    board.ShowPosition(InitialPosition, FreshState());
    Accept(true);
    bool ctrl = false;
    board.OnMoveDone = [&](TBoardWidget* sender) {
        ++done;
        ctrl = sender->CtrlDown();
    };
    board.OnMoveTry = [&](TBoardWidget* sender, bool& legal) {
        ++tries;
        // The proposed move sits in the record while the handler runs.
        EXPECT_EQ(sender->Move().FromSq, Sq("e2"));
        legal = IsLegalMove(sender->Position(), sender->Move());
    };
    Drag(Ix("e2"), Ix("e5"));  // illegal: refused by the handler
    EXPECT_EQ(tries, 1);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(board.Move().FromSq, 0);  // the record is put back
    Drag(Ix("e2"), Ix("e4"), Qt::ControlModifier);
    EXPECT_EQ(tries, 2);
    EXPECT_EQ(done, 1);
    EXPECT_TRUE(ctrl);
    EXPECT_FALSE(board.CtrlDown());
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("e4"))], Pawn);
    EXPECT_EQ(board.Move().EpSquare, Sq("e3"));
    EXPECT_EQ(board.Move().Side, Black);
    EXPECT_EQ(board.LastDrawn(), board.Position());
    TBoardWidget fresh;
    fresh.SetPieceSet(TPieceSet::WinboardF33);
    fresh.SetSquareSize(33);
    fresh.ShowPosition(board.Position(), board.Move());
    EXPECT_TRUE(SameRgb(fresh.Picture(), board.Picture()));
}

TEST_F(DragTest, CastlingAndEnPassantByDragUpdatePositionAndRecord) {
    Accept(true);
    Show("r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1");
    Drag(Ix("e1"), Ix("g1"));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("f1"))], Rook);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("g1"))], King);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("h1"))], 0);
    EXPECT_EQ(board.Move().CastleKind, 1);
    EXPECT_EQ(board.Move().Castling & (CastleWK | CastleWQ), 0);
    Drag(Ix("e8"), Ix("c8"));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("d8"))], -Rook);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("c8"))], -King);
    EXPECT_EQ(board.Move().CastleKind, 2);

    Show("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
    Drag(Ix("e5"), Ix("d6"));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("d5"))], 0);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("d6"))], Pawn);
    EXPECT_EQ(board.Move().EpVictim, Sq("d5"));
    EXPECT_EQ(board.Move().Captured, -Pawn);
    EXPECT_EQ(done, 3);
    TBoardWidget fresh;
    fresh.SetPieceSet(TPieceSet::WinboardF33);
    fresh.SetSquareSize(33);
    fresh.ShowPosition(board.Position(), board.Move());
    EXPECT_TRUE(SameRgb(fresh.Picture(), board.Picture()));
}

TEST_F(DragTest, PromotionAsksWithFourButtonsQueenFocusedAndTakesTheChoice) {
    Accept(true);
    Show("8/1P2k3/8/8/8/8/8/4K3 w - - 0 1");
    std::vector<int> columns;
    bool queenFocused = false, queenDefault = false;
    platform.onModal = [&](QDialog* dialog) {
        auto buttons = dialog->findChildren<TPromotionButton*>();
        columns.clear();
        for (TPromotionButton* b : buttons) columns.push_back(b->Column());
        queenFocused = dialog->focusWidget() == buttons.at(3);
        queenDefault = buttons.at(3)->isDefault();
        EXPECT_EQ(dialog->size(), QSize(4 * 38, 38));  // cell 33 + 5
        EXPECT_FALSE(buttons.at(2)->icon().isNull());
        buttons.at(2)->click();  // the knight
        return dialog->result();
    };
    Drag(Ix("b7"), Ix("b8"));
    EXPECT_EQ(columns, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_TRUE(queenFocused);
    EXPECT_TRUE(queenDefault);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("b8"))], Knight);
    EXPECT_EQ(board.Move().Promotion, Knight);
    EXPECT_EQ(done, 1);

    Show("8/4k3/8/8/8/8/2p5/4K3 b - - 0 1");
    platform.onModal = [&](QDialog* dialog) {
        auto buttons = dialog->findChildren<TPromotionButton*>();
        columns.clear();
        for (TPromotionButton* b : buttons) columns.push_back(b->Column());
        buttons.at(3)->click();
        return dialog->result();
    };
    Drag(Ix("c2"), Ix("c1"));
    EXPECT_EQ(columns, (std::vector<int>{8, 9, 10, 11}));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("c1"))], -Queen);
    EXPECT_EQ(done, 2);
}

TEST_F(DragTest, ClosingTheChooserWithoutAChoiceTakesTheMoveBack) {
    Accept(true);
    Show("8/1P2k3/8/8/8/8/8/4K3 w - - 0 1");
    const QImage before = board.Picture();
    const TBoard position = board.Position();
    platform.onModal = [](QDialog*) { return 0; };
    Drag(Ix("b7"), Ix("b8"));
    EXPECT_EQ(platform.modals, 1);
    EXPECT_EQ(board.Position(), position);
    EXPECT_EQ(done, 0);
    EXPECT_TRUE(SameRgb(before, board.Picture()));
}

TEST_F(DragTest, ADropCentredOnASharedEdgeCountsForTheLowerSquare) {
    board.ShowPosition(InitialPosition, FreshState());
    std::vector<int> targets;
    board.OnMoveTry = [&](TBoardWidget* sender, bool& legal) {
        targets.push_back(sender->Move().ToSq);
        legal = false;
    };
    // Lift e2 at its centre and move so that the floating square's centre
    // lies exactly on the e3/e4 edge (the piece floats 2 pixels high).
    const QPoint start = Centre(Ix("e2"));
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, start);
    const QRect lifted = Rect(Ix("e2")).translated(0, -2);
    const int centreY = lifted.top() + 33 / 2;
    const int edgeY = Rect(Ix("e4")).top() + 33;  // bottom edge of e4 = top of e3
    const QPoint to(start.x(), start.y() + (edgeY - centreY));
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(board.mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&board, &move);
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, to);
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0], Sq("e3"));
}

TEST_F(DragTest, ASuggestionCompletesAClickAndIsFramedWhileTheButtonIsDown) {
    board.ShowPosition(InitialPosition, FreshState());
    board.SetSuggestMoves(true);
    Accept(true);
    board.OnMovePart = [](TBoardWidget*, uint8_t square, uint8_t& suggestion) {
        if (square == Sq("g1")) suggestion = static_cast<uint8_t>(Sq("f3"));
        if (square == Sq("c3")) suggestion = static_cast<uint8_t>(Sq("b1"));
    };
    // Click on g1: the knight goes to the suggested f3.
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("g1")));
    EXPECT_EQ(board.SuggestedSquare(), Sq("f3"));
    const QRect f3 = Rect(Ix("f3"));
    EXPECT_EQ(board.Picture().pixel(f3.left() + 1, f3.top() + 1) & 0xffffff, 0u);  // the frame
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("g1")));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("f3"))], Knight);
    EXPECT_EQ(board.SuggestedSquare(), 0);
    EXPECT_EQ(done, 1);
    // Black to move: a click on the empty c6... is no suggestion; a click on an
    // empty target with a suggested origin completes the move from there.
    board.OnMovePart = [](TBoardWidget*, uint8_t square, uint8_t& suggestion) {
        if (square == Sq("c6")) suggestion = static_cast<uint8_t>(Sq("b8"));
    };
    QTest::mousePress(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("c6")));
    QTest::mouseRelease(&board, Qt::LeftButton, Qt::NoModifier, Centre(Ix("c6")));
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("c6"))], -Knight);
    EXPECT_EQ(board.Position()[static_cast<size_t>(Sq("b8"))], 0);
    EXPECT_EQ(done, 2);
    TBoardWidget fresh;
    fresh.SetPieceSet(TPieceSet::WinboardF33);
    fresh.SetSquareSize(33);
    fresh.ShowPosition(board.Position(), board.Move());
    EXPECT_TRUE(SameRgb(fresh.Picture(), board.Picture()));
}

TEST_F(DragTest, AThrowingHandlerIsReportedNotPropagated) {
    board.ShowPosition(InitialPosition, FreshState());
    const QImage before = board.Picture();
    board.OnMoveTry = [](TBoardWidget*, bool&) { throw std::runtime_error("handler failed"); };
    Drag(Ix("e2"), Ix("e4"));
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].text, QString("handler failed"));
    EXPECT_EQ(board.Position(), InitialPosition);
    EXPECT_EQ(board.DraggedPiece(), 0);
    EXPECT_EQ(board.Move(), FreshState());
    // The pawn is back on its square, pixel for pixel.
    EXPECT_TRUE(SameRgb(before, board.Picture()));
    // Something that is no exception class is caught too.
    board.OnMoveTry = [](TBoardWidget*, bool&) { throw 42; };
    Drag(Ix("d2"), Ix("d4"));
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].text, QString("Unexpected error."));
    EXPECT_EQ(board.Position(), InitialPosition);
    EXPECT_TRUE(SameRgb(before, board.Picture()));
}

}  // namespace

// Seen from Black's side: h8 bottom-left. Drags, the squares a move repaints
// and the copied position all follow the flipped board.
TEST_F(DragTest, AFlippedBoardMapsClicksDragsAndPartialRepaints) {
    Accept(true);
    board.ShowPosition(InitialPosition, FreshState());
    board.ResetDrawCounter();
    board.SetFlipped(true);
    board.SetFlipped(true);
    EXPECT_EQ(board.SquaresDrawn(), 64);
    EXPECT_EQ(Rect(Ix("a1")), QRect(7 * 33, 0, 33, 33));
    EXPECT_EQ(Rect(Ix("h8")), QRect(0, 7 * 33, 33, 33));
    Drag(Ix("e2"), Ix("e4"));
    EXPECT_EQ(done, 1);
    EXPECT_EQ(board.Position()[Sq("e4")], Pawn);
    Show("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2");
    board.ResetDrawCounter();
    Show("rnbqkbnr/pppp1ppp/8/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2");
    EXPECT_EQ(board.SquaresDrawn(), 2);
    TBoardWidget fresh;
    fresh.SetPieceSet(TPieceSet::WinboardF33);
    fresh.SetSquareSize(33);
    fresh.SetFlipped(true);
    fresh.ShowPosition(board.Position(), board.Move());
    EXPECT_TRUE(SameRgb(fresh.Picture(), board.Picture()));
    // Black to move drags from the bottom of the flipped board.
    Drag(Ix("g8"), Ix("f6"));
    EXPECT_EQ(board.Position()[Sq("f6")], -Knight);
    board.CopyFENToClipboard();
    EXPECT_TRUE(platform.clipboard.startsWith("rnbqkb1r/pppp1ppp/5n2/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq -"))
        << platform.clipboard.toStdString();
    board.SetFlipped(false);
    EXPECT_EQ(Rect(Ix("a1")), QRect(0, 7 * 33, 33, 33));
}
