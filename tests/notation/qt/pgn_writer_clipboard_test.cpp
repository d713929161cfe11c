#include <gtest/gtest.h>

#include "notation/layout.h"
#include "notation/pgn_writer.h"
#include "notation/qt/pgn_clipboard.h"
#include "support/qt/recording_platform.h"

TEST(PgnClipboard, TheWrittenGameGoesToTheClipboard) {
    RecordingPlatform platform;
    TNotationCore core;
    AttachLayout(core);
    core.SetEnglish(true);
    core.LoadGame("[Event \"Caf\xC3\xA9\"]\n\n1. e4 {fine} e5 {[%clk 1:30:58]  [%cal Ge2e4,\nRd1d8] [%x y]} *\n");
    std::string expected;
    ASSERT_EQ(WritePGN(core, false, expected, false), 0);
    CopyPGNToSystemClipboard(core);
    EXPECT_EQ(platform.clipboardWrites, 1);
    EXPECT_EQ(platform.clipboard, QString::fromUtf8(expected.data(), static_cast<qsizetype>(expected.size())));
    EXPECT_TRUE(platform.clipboard.contains(QString::fromUtf8("Caf\xC3\xA9")));
    // Commands as written (a line end reads as a blank), known or not.
    EXPECT_TRUE(platform.clipboard.contains(QStringLiteral("{[%clk 1:30:58]  [%cal Ge2e4, Rd1d8] [%x y]}")))
        << platform.clipboard.toStdString();
    EXPECT_FALSE(core.PgnMode);
}
