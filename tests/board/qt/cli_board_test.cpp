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
