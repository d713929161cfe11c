// The built-in piece sets: stream format, sheet layout and the art's rules.
#include <gtest/gtest.h>

#include <vector>

#include "board/piece_sheet.h"

namespace {

std::vector<TFigurenset> BuiltInSets() {
    std::vector<TFigurenset> sets;
    for (int i = 1; i < kFigurensetCount; ++i) sets.push_back(static_cast<TFigurenset>(i));
    return sets;
}

TEST(PieceStreams, EveryColumnOfEverySetSumsToTwiceTheCellAndTheStreamIsConsumedExactly) {
    const int expectedCells[] = {32, 21, 25, 29, 33, 37, 40, 45, 49, 54, 58, 64, 72, 80};
    int i = 0;
    for (TFigurenset set : BuiltInSets()) {
        SCOPED_TRACE(std::string(FigurensetName(set)));
        const int s = PieceCellSize(set);
        EXPECT_EQ(s, expectedCells[i++]);
        std::span<const uint8_t> stream = PieceRunStream(set);
        ASSERT_FALSE(stream.empty());
        // Walk the bytes by hand: columns, alternation from white, no zero runs.
        size_t pos = 0;
        for (int x = 0; x < 12 * s; ++x) {
            int sum = 0;
            while (sum < 2 * s) {
                ASSERT_LT(pos, stream.size()) << "column " << x;
                ASSERT_GT(stream[pos], 0) << "zero run in column " << x;
                sum += stream[pos++];
            }
            ASSERT_EQ(sum, 2 * s) << "column " << x;
        }
        EXPECT_EQ(pos, stream.size());
        EXPECT_EQ(ForEachRun(stream, s, nullptr), static_cast<long long>(stream.size()));
        // A few kilobytes each, never a ready bitmap.
        EXPECT_LT(stream.size(), static_cast<size_t>(12 * s * 2 * s / 4));
    }
    EXPECT_TRUE(PieceRunStream(TFigurenset::User).empty());
    EXPECT_EQ(PieceCellSize(TFigurenset::User), 0);
}

// Image white outside the silhouette, mask black inside it and white outside:
// the conditions under which the two raster operations leave the square
// untouched outside the piece.
TEST(PieceStreams, SheetsFollowTheLayoutTheBoardDrawsWith) {
    for (TFigurenset set : BuiltInSets()) {
        SCOPED_TRACE(std::string(FigurensetName(set)));
        const int s = PieceCellSize(set);
        TSheetBits sheet;
        ASSERT_TRUE(DecodeRunStream(PieceRunStream(set), s, sheet));
        ASSERT_EQ(sheet.width, 12 * s);
        ASSERT_EQ(sheet.height, 2 * s);
        double shares[12] = {};
        for (int c = 0; c < 12; ++c) {
            SCOPED_TRACE("column " + std::to_string(c + 1));
            int inside = 0, blackInside = 0, blackOutside = 0;
            int top = s, bottom = -1, left = s, right = -1;
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x) {
                    bool mask = sheet.At(c * s + x, s + y);
                    bool image = sheet.At(c * s + x, y);
                    if (mask) {
                        ++inside;
                        blackInside += image;
                        top = std::min(top, y);
                        bottom = std::max(bottom, y);
                        left = std::min(left, x);
                        right = std::max(right, x);
                    } else {
                        blackOutside += image;
                    }
                }
            EXPECT_EQ(blackOutside, 0) << "image must be white outside the piece";
            // A real piece: a good part of the cell, not touching its neighbours.
            EXPECT_GT(inside, s * s / 8);
            EXPECT_GT(left, 0);
            EXPECT_LT(right, s - 1);
            EXPECT_GT(top, 0);
            EXPECT_LT(bottom, s);
            EXPECT_GE(bottom - top + 1, s / 2) << "piece too small";
            shares[c] = static_cast<double>(blackInside) / inside;
            // A closed border: every mask pixel next to the outside is black
            // in the image too, so the piece never melts into a square.
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x) {
                    if (!sheet.At(c * s + x, s + y)) continue;
                    bool border = x == 0 || y == 0 || x == s - 1 || y == s - 1 ||
                                  !sheet.At(c * s + x - 1, s + y) || !sheet.At(c * s + x + 1, s + y) ||
                                  !sheet.At(c * s + x, s + y - 1) || !sheet.At(c * s + x, s + y + 1);
                    if (border) {
                        ASSERT_TRUE(sheet.At(c * s + x, y)) << x << "," << y;
                    }
                }
        }
        // Black pieces mostly black inside; a white piece clearly lighter than
        // its black counterpart, even where its outline is thick for the size.
        for (int c = 0; c < 6; ++c) {
            EXPECT_GT(shares[c + 6], 0.8) << "column " << c + 7;
            EXPECT_LT(shares[c], shares[c + 6] - 0.15) << "column " << c + 1;
        }
        // White and black pieces share their silhouettes.
        for (int c = 0; c < 6; ++c)
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x)
                    ASSERT_EQ(sheet.At(c * s + x, s + y), sheet.At((c + 6) * s + x, s + y));
    }
}

TEST(PieceStreams, MalformedStreamsAreRefused) {
    const int s = 10;
    std::vector<uint8_t> good(12 * s, static_cast<uint8_t>(2 * s));  // all white
    TSheetBits sheet;
    EXPECT_TRUE(DecodeRunStream(good, s, sheet));
    EXPECT_FALSE(sheet.At(0, 0));

    std::vector<uint8_t> zero = good;
    zero[5] = 0;
    EXPECT_FALSE(DecodeRunStream(zero, s, sheet));
    EXPECT_EQ(ForEachRun(zero, s, nullptr), -1);

    std::vector<uint8_t> over = good;
    over[3] = static_cast<uint8_t>(2 * s + 1);  // crosses into the next column
    EXPECT_FALSE(DecodeRunStream(over, s, sheet));

    std::vector<uint8_t> shortStream(good.begin(), good.end() - 1);
    EXPECT_FALSE(DecodeRunStream(shortStream, s, sheet));
    EXPECT_EQ(ForEachRun(shortStream, s, nullptr), -1);

    std::vector<uint8_t> trailing = good;
    trailing.push_back(1);
    EXPECT_FALSE(DecodeRunStream(trailing, s, sheet));
    EXPECT_EQ(ForEachRun(trailing, s, nullptr), static_cast<long long>(good.size()));

    EXPECT_FALSE(DecodeRunStream({}, s, sheet));
    EXPECT_FALSE(DecodeRunStream(good, 0, sheet));
    EXPECT_FALSE(DecodeRunStream(good, -3, sheet));
}

TEST(PieceStreams, EncodingRoundTripsAndRefusesColumnsStartingBlack) {
    for (TFigurenset set : {TFigurenset::WinboardF21, TFigurenset::F32, TFigurenset::WinboardF80}) {
        const int s = PieceCellSize(set);
        TSheetBits sheet;
        ASSERT_TRUE(DecodeRunStream(PieceRunStream(set), s, sheet));
        std::vector<uint8_t> again = EncodeRunStream(sheet);
        std::span<const uint8_t> stored = PieceRunStream(set);
        EXPECT_TRUE(std::equal(again.begin(), again.end(), stored.begin(), stored.end()));
    }
    TSheetBits bad;
    bad.width = 12;
    bad.height = 2;
    bad.black.assign(24, 0);
    bad.black[0] = 1;
    EXPECT_TRUE(EncodeRunStream(bad).empty());
}

TEST(PieceSets, NamesColumnsAndNearestSet) {
    TFigurenset set{};
    EXPECT_TRUE(FigurensetFromName("WinboardF33", set));
    EXPECT_EQ(set, TFigurenset::WinboardF33);
    EXPECT_TRUE(FigurensetFromName("f32", set));
    EXPECT_EQ(set, TFigurenset::F32);
    EXPECT_FALSE(FigurensetFromName("WinboardF34", set));
    EXPECT_FALSE(FigurensetFromName("", set));
    for (int i = 0; i < kFigurensetCount; ++i) {
        auto s = static_cast<TFigurenset>(i);
        ASSERT_TRUE(FigurensetFromName(FigurensetName(s), set));
        EXPECT_EQ(set, s);
    }
    EXPECT_EQ(SheetColumnOfPiece(1), 1);
    EXPECT_EQ(SheetColumnOfPiece(6), 6);
    EXPECT_EQ(SheetColumnOfPiece(-1), 7);
    EXPECT_EQ(SheetColumnOfPiece(-6), 12);
    EXPECT_EQ(SheetColumnOfPiece(0), 0);
    EXPECT_EQ(SheetColumnOfPiece(100), 0);
    EXPECT_EQ(SheetColumnOfPiece(-100), 0);
    EXPECT_EQ(SheetColumnOfPiece(7), 0);
    EXPECT_EQ(NearestBuiltInSet(33), TFigurenset::WinboardF33);
    EXPECT_EQ(NearestBuiltInSet(32), TFigurenset::F32);
    EXPECT_EQ(NearestBuiltInSet(10), TFigurenset::WinboardF21);
    EXPECT_EQ(NearestBuiltInSet(99), TFigurenset::WinboardF80);
    EXPECT_EQ(NearestBuiltInSet(76), TFigurenset::WinboardF80);  // tie 72/80: the larger
}

}  // namespace
