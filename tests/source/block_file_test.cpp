// Small routines of the game file: progress percentages, extensions.
#include <gtest/gtest.h>

#include <cstdint>

#include "source/block_file.h"

TEST(BlockFile, PercentTruncates) {
    EXPECT_EQ(Percent(0, 0), 0);
    EXPECT_EQ(Percent(5, 0), 0);
    EXPECT_EQ(Percent(1, 3), 33);
    EXPECT_EQ(Percent(2, 3), 66);
    EXPECT_EQ(Percent(3, 1), 300);
    EXPECT_EQ(Percent(std::int64_t{1} << 40, std::int64_t{1} << 40), 100);
}

TEST(BlockFile, UpperExtension) {
    EXPECT_EQ(UpperExtension("/a/b.pgn.gz"), ".GZ");
    EXPECT_EQ(UpperExtension("/a.b/c"), "");
    EXPECT_EQ(UpperExtension("games.Pgn"), ".PGN");
}
