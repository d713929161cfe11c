// quarzel-cli board: the diagram export, driven as a user runs it.
#include <QImage>
#include <QProcess>

#include <filesystem>
#include <gtest/gtest.h>

#include "support/test_data.h"

namespace {

struct CliRun {
    int code = -1;
    std::string err;
};

const std::string& Cli() {
    static const std::string path = std::string(QUARZEL_BIN_DIR) + "/quarzel-cli";
    return path;
}

CliRun Board(const QStringList& args, const QString& scaleFactor = {}) {
    QProcess p;
    if (!scaleFactor.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_SCALE_FACTOR", scaleFactor);
        p.setProcessEnvironment(env);
    }
    p.start(QString::fromStdString(Cli()), QStringList{"board"} + args);
    CliRun r;
    if (!p.waitForFinished(60000)) return r;
    r.code = p.exitCode();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

#define REQUIRE_CLI()                                                               \
    do {                                                                            \
        if (!std::filesystem::exists(Cli())) GTEST_SKIP() << Cli() << " not built"; \
    } while (0)

const QString kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(CliBoard, WritesTheDiagramAtTheAskedSizeWithTheViewersColours) {
    REQUIRE_CLI();
    testdata::TempDir dir;
    const QString out = QString::fromStdString((dir / "board.png").string());
    CliRun r = Board({kStart, out});
    ASSERT_EQ(r.code, 0) << r.err;
    QImage img(out);
    ASSERT_EQ(img.size(), QSize(264, 264));
    const QImage single = img.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixel(1, 262) & 0xffffff, 0xa6caf0u);  // a1: dark, sky blue
    EXPECT_EQ(img.pixel(262, 262) & 0xffffff, 0xffffffu);
    // Pieces on ranks 1, 2, 7, 8 only.
    auto blackIn = [&img](int rankFromTop) {
        int n = 0;
        for (int y = rankFromTop * 33; y < rankFromTop * 33 + 33; ++y)
            for (int x = 0; x < 264; ++x) n += (img.pixel(x, y) & 0xffffff) == 0;
        return n;
    };
    EXPECT_GT(blackIn(0), 0);
    EXPECT_GT(blackIn(7), 0);
    EXPECT_EQ(blackIn(3), 0);

    ASSERT_EQ(Board({kStart, out, "--size", "45"}).code, 0);
    EXPECT_EQ(QImage(out).size(), QSize(360, 360));
    ASSERT_EQ(Board({kStart, out, "--set", "WinboardF80"}).code, 0);
    EXPECT_EQ(QImage(out).size(), QSize(640, 640));
    ASSERT_EQ(Board({kStart, out, "--set", "f32", "--size", "20"}).code, 0);
    EXPECT_EQ(QImage(out).size(), QSize(160, 160));
    // A bare placement field is enough.
    ASSERT_EQ(Board({"8/8/8/4k3/8/8/8/4K3", out}).code, 0);

    // Black's view: a1 (dark) top-right, the black pieces at the bottom.
    ASSERT_EQ(Board({kStart, out, "--flip"}).code, 0);
    QImage flipped(out);
    EXPECT_EQ(flipped.pixel(262, 1) & 0xffffff, 0xa6caf0u);
    EXPECT_EQ(flipped.pixel(1, 1) & 0xffffff, 0xffffffu);  // h1 light
    img = flipped;  // blackIn() reads `img`: the dark black pieces now stand in the bottom row
    EXPECT_GT(blackIn(7), blackIn(0) * 3 / 2);
    // Device resolution: twice the pixels, drawn from the 64-pixel set, not the 1x picture doubled.
    ASSERT_EQ(Board({kStart, out}, "2").code, 0);
    QImage twice(out);
    ASSERT_EQ(twice.size(), QSize(528, 528));
    EXPECT_FALSE(twice.convertToFormat(QImage::Format_RGB32) ==
                 single.scaled(528, 528));
}

TEST(CliBoard, WrongUsageAndBadInputGetTheirExitCodes) {
    REQUIRE_CLI();
    testdata::TempDir dir;
    const QString out = QString::fromStdString((dir / "board.png").string());
    EXPECT_EQ(Board({}).code, 2);
    EXPECT_EQ(Board({kStart}).code, 2);
    EXPECT_EQ(Board({kStart, out, "--size"}).code, 2);
    EXPECT_EQ(Board({kStart, out, "--size", "big"}).code, 2);
    EXPECT_EQ(Board({kStart, out, "--colour", "red"}).code, 2);
    CliRun r = Board({"not a position", out});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not a valid FEN"), std::string::npos) << r.err;
    EXPECT_EQ(Board({kStart, out, "--size", "9"}).code, 1);
    EXPECT_EQ(Board({kStart, out, "--size", "100"}).code, 1);
    EXPECT_EQ(Board({kStart, out, "--set", "WinboardF34"}).code, 1);
    EXPECT_EQ(Board({kStart, out, "--set", "User"}).code, 1);
    r = Board({kStart, QString::fromStdString((dir / "no" / "such" / "dir.png").string())});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "board.png"));
}

// The arrows and coloured squares of a game's move: each colour unlike its
// square and unlike the others, on light and on dark squares; gone at the
// next move and with --no-marks.
TEST(CliBoard, GameMoveWithArrowsAndColouredSquares) {
    REQUIRE_CLI();
    testdata::TempDir dir;
    const QString out = QString::fromStdString((dir / "board.png").string());
    const QString pgn = QString::fromStdString((dir / "marks.pgn").string());
    testdata::WriteFile(dir / "marks.pgn",
                        "[Event \"t\"]\n\n1. e4 {[%cal Ra1a8,Gb1b8,Bh1h4,Yd1d8] [%csl Re4,Rf6,Gd4,Gf5,Be5,Bg6,Yd5,Yg5]} "
                        "e5 {good} *\n");
    ASSERT_EQ(Board({"--game", pgn, "1", "--ply", "1", out}).code, 0);
    const QImage marked(out);
    ASSERT_EQ(marked.size(), QSize(264, 264));
    // Inside a square's frame, clear of its piece; the middle of a square.
    auto inside = [](const QImage& img, int file, int rank) { return QColor(img.pixel(file * 33 + 6, (7 - rank) * 33 + 6)); };
    auto middle = [](const QImage& img, int file, int rank) { return QColor(img.pixel(file * 33 + 16, (7 - rank) * 33 + 16)); };
    auto apart = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue()) > 60;
    };
    const QColor light(255, 255, 255), dark(166, 202, 240);
    // Red, green, blue, yellow: e4 f6, f5 d4, g6 e5, d5 g5 (light, dark).
    const int lightSquares[4][2] = {{4, 3}, {5, 4}, {6, 5}, {3, 4}};
    const int darkSquares[4][2] = {{5, 5}, {3, 3}, {4, 4}, {6, 4}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(apart(inside(marked, lightSquares[i][0], lightSquares[i][1]), light)) << i;
        EXPECT_TRUE(apart(inside(marked, darkSquares[i][0], darkSquares[i][1]), dark)) << i;
        for (int j = 0; j < i; ++j) {
            EXPECT_TRUE(apart(inside(marked, lightSquares[i][0], lightSquares[i][1]),
                              inside(marked, lightSquares[j][0], lightSquares[j][1]))) << i << j;
            EXPECT_TRUE(apart(inside(marked, darkSquares[i][0], darkSquares[i][1]),
                              inside(marked, darkSquares[j][0], darkSquares[j][1]))) << i << j;
        }
    }
    // The arrows' shafts: a4 red, b4 green, d3 yellow, h3 blue.
    const QColor a4 = middle(marked, 0, 3), b4 = middle(marked, 1, 3), d3 = middle(marked, 3, 2),
                 h3 = middle(marked, 7, 2);
    EXPECT_GT(a4.red(), a4.blue() + 80);
    EXPECT_GT(b4.green(), b4.red() + 60);
    EXPECT_GT(h3.blue(), h3.red() + 80);
    EXPECT_GT(d3.red(), d3.blue() + 80);
    EXPECT_GT(d3.green(), d3.blue() + 60);
    // The head, near the tip in a8, is well wider than the shaft (in a5).
    auto reddish = [&](int y) {
        int n = 0;
        for (int x = 0; x < 33; ++x) {
            const QColor c(marked.pixel(x, y));
            n += c.red() > c.blue() + 60;
        }
        return n;
    };
    int head = 0;
    for (int y = 16; y < 45; ++y) head = std::max(head, reddish(y));
    EXPECT_GE(head, 2 * reddish(3 * 33 + 16) + 4);

    for (const QStringList& plain : {QStringList{"--game", pgn, "1", "--ply", "1", "--no-marks", out},
                                     QStringList{"--game", pgn, "1", out}}) {
        ASSERT_EQ(Board(plain).code, 0);
        const QImage img(out);
        EXPECT_EQ(middle(img, 0, 3), light);
        EXPECT_EQ(inside(img, 3, 3), dark);
    }
    EXPECT_EQ(Board({"--game", pgn, "1", "--ply", "3", out}).code, 1);
    EXPECT_EQ(Board({"--game", pgn, "0", out}).code, 2);
    EXPECT_EQ(Board({kStart, out, "--no-marks"}).code, 2);
}

TEST(CliBoard, UserSheetsAreCheckedAndTheirMessagesPrinted) {
    REQUIRE_CLI();
    testdata::TempDir dir;
    const QString out = QString::fromStdString((dir / "board.png").string());
    CliRun r = Board({kStart, out, "--user", QString::fromStdString((dir / "missing.bmp").string())});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("File not found."), std::string::npos) << r.err;
    testdata::WriteFile(dir / "text.bmp", "1. e4 e5 2. Nf3 *\n");
    r = Board({kStart, out, "--user", QString::fromStdString((dir / "text.bmp").string())});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Bitmap konnte nicht geladen werden."), std::string::npos) << r.err;
    QImage small(239, 40, QImage::Format_RGB32);
    small.fill(Qt::white);
    ASSERT_TRUE(small.save(QString::fromStdString((dir / "small.bmp").string()), "BMP"));
    r = Board({kStart, out, "--user", QString::fromStdString((dir / "small.bmp").string())});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Ungültige Maße der Bitmap."), std::string::npos) << r.err;
    QImage sheet(240, 40, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    ASSERT_TRUE(sheet.save(QString::fromStdString((dir / "sheet.bmp").string()), "BMP"));
    r = Board({kStart, out, "--user", QString::fromStdString((dir / "sheet.bmp").string()), "--size", "20"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(QImage(out).size(), QSize(160, 160));
    EXPECT_EQ(Board({kStart, out, "--user", "a.bmp", "--set", "F32"}).code, 1);
}

}  // namespace
