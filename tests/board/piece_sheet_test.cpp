// The built-in piece sets: stream format, sheet layout and the art's rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "board/piece_sheet.h"

namespace {

std::vector<TPieceSet> BuiltInSets() {
    std::vector<TPieceSet> sets;
    for (int i = 1; i < kPieceSetCount; ++i) sets.push_back(static_cast<TPieceSet>(i));
    return sets;
}

TEST(PieceStreams, EveryColumnOfEverySetSumsToTwiceTheCellAndTheStreamIsConsumedExactly) {
    const int expectedCells[] = {32, 21, 25, 29, 33, 37, 40, 45, 49, 54, 58, 64, 72, 80};
    int i = 0;
    for (TPieceSet set : BuiltInSets()) {
        SCOPED_TRACE(std::string(PieceSetName(set)));
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
    EXPECT_TRUE(PieceRunStream(TPieceSet::User).empty());
    EXPECT_EQ(PieceCellSize(TPieceSet::User), 0);
}

// One piece cell of a decoded sheet: image and mask as views.
struct PieceCell {
    const TSheetBits& sheet;
    int s, column;  // column 0..11
    bool Mask(int x, int y) const {
        return x >= 0 && y >= 0 && x < s && y < s && sheet.At(column * s + x, s + y);
    }
    bool Image(int x, int y) const { return sheet.At(column * s + x, y); }
    // A pixel of the silhouette that touches the outside (4-way).
    bool Border(int x, int y) const {
        return !Mask(x - 1, y) || !Mask(x + 1, y) || !Mask(x, y - 1) || !Mask(x, y + 1);
    }
};

// Flood fill from (x0, y0) over pixels for which `in` holds; returns the count.
template <class In>
int Flood(int s, int x0, int y0, bool eightWay, In in, std::vector<uint8_t>& seen) {
    std::vector<std::pair<int, int>> stack{{x0, y0}};
    seen[static_cast<size_t>(y0) * s + x0] = 1;
    int n = 0;
    while (!stack.empty()) {
        auto [x, y] = stack.back();
        stack.pop_back();
        ++n;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || (!eightWay && dx != 0 && dy != 0)) continue;
                int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= s || ny >= s || seen[static_cast<size_t>(ny) * s + nx] || !in(nx, ny))
                    continue;
                seen[static_cast<size_t>(ny) * s + nx] = 1;
                stack.push_back({nx, ny});
            }
    }
    return n;
}

// What the board needs to draw a piece over any square (image white outside
// the silhouette, a closed dark outline), and what makes the pieces pleasant
// and recognisable at every size: solid one-piece silhouettes, white pieces
// white inside, black pieces with light detail lines but no specks, and a
// pawn that is visibly the smallest piece.
TEST(PieceStreams, EverySetFollowsTheSheetLayoutAndTheArtRules) {
    for (TPieceSet set : BuiltInSets()) {
        SCOPED_TRACE(std::string(PieceSetName(set)));
        const int s = PieceCellSize(set);
        TSheetBits sheet;
        ASSERT_TRUE(DecodeRunStream(PieceRunStream(set), s, sheet));
        ASSERT_EQ(sheet.width, 12 * s);
        ASSERT_EQ(sheet.height, 2 * s);
        double share[12] = {};  // black share of the image inside the silhouette
        int width[12] = {}, height[12] = {};
        for (int c = 0; c < 12; ++c) {
            SCOPED_TRACE("column " + std::to_string(c + 1));
            const PieceCell cell{sheet, s, c};
            int inside = 0, blackInside = 0, blackOutside = 0, specks = 0, light = 0;
            int top = s, bottom = -1, left = s, right = -1, firstX = 0, firstY = 0;
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x) {
                    if (!cell.Mask(x, y)) {
                        blackOutside += cell.Image(x, y);
                        continue;
                    }
                    if (inside++ == 0) firstX = x, firstY = y;
                    blackInside += cell.Image(x, y);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                    left = std::min(left, x), right = std::max(right, x);
                    if (cell.Border(x, y)) {
                        EXPECT_TRUE(cell.Image(x, y)) << "outline open at " << x << "," << y;
                    }
                    if (!cell.Image(x, y)) {
                        ++light;
                        bool alone = true;
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx)
                                if ((dx || dy) && cell.Mask(x + dx, y + dy) && !cell.Image(x + dx, y + dy)) alone = false;
                        specks += alone;
                    }
                }
            EXPECT_EQ(blackOutside, 0) << "image must be white outside the piece";
            ASSERT_GT(inside, s * s / 10);
            // Not touching the neighbouring cells, and standing on the square.
            EXPECT_GT(left, 0);
            EXPECT_LT(right, s - 1);
            EXPECT_GT(top, 0);
            EXPECT_GE(bottom - top + 1, s / 2) << "piece too small";
            width[c] = right - left + 1;
            height[c] = bottom - top + 1;
            share[c] = static_cast<double>(blackInside) / inside;
            // A solid silhouette: every pixel outside it reaches the cell's edge.
            std::vector<uint8_t> seen(static_cast<size_t>(s) * s, 0);
            int outside = 0;
            for (int k = 0; k < s; ++k)
                for (auto [x, y] : {std::pair{k, 0}, {k, s - 1}, {0, k}, {s - 1, k}})
                    if (!cell.Mask(x, y) && !seen[static_cast<size_t>(y) * s + x])
                        outside += Flood(s, x, y, false, [&](int a, int b) { return !cell.Mask(a, b); }, seen);
            EXPECT_EQ(outside + inside, s * s) << "holes in the mask";
            // One connected piece, also at the smallest size.
            std::fill(seen.begin(), seen.end(), 0);
            EXPECT_EQ(Flood(s, firstX, firstY, true, [&](int a, int b) { return cell.Mask(a, b); }, seen), inside)
                << "the silhouette falls apart";
            if (c >= 6) {
                EXPECT_EQ(specks, 0) << "isolated light pixels on a black piece";
                if (s >= 29 && c != 6) {
                    EXPECT_GE(light, s / 4) << "no light detail lines";
                }
            }
        }
        double whiteSum = 0;
        for (int c = 0; c < 6; ++c) {
            SCOPED_TRACE("column " + std::to_string(c + 1));
            whiteSum += 1 - share[c];
            EXPECT_GT(1 - share[c], 0.33) << "white piece mostly black inside";
            EXPECT_GT(share[c + 6], 0.7) << "black piece mostly white inside";
            // White and black pieces share their silhouettes.
            for (int y = 0; y < s; ++y)
                for (int x = 0; x < s; ++x) ASSERT_EQ((PieceCell{sheet, s, c}).Mask(x, y), (PieceCell{sheet, s, c + 6}).Mask(x, y));
        }
        EXPECT_GT(whiteSum / 6, 0.5);
        if (s >= 29) {
            for (int c = 1; c < 6; ++c) EXPECT_LT(width[0], width[c]) << "pawn not the narrowest, column " << c + 1;
            EXPECT_LE(height[0], 0.9 * height[5]) << "pawn not clearly shorter than the king";
        }
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
    for (TPieceSet set : {TPieceSet::WinboardF21, TPieceSet::F32, TPieceSet::WinboardF80}) {
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
    TPieceSet set{};
    EXPECT_TRUE(PieceSetFromName("WinboardF33", set));
    EXPECT_EQ(set, TPieceSet::WinboardF33);
    EXPECT_TRUE(PieceSetFromName("f32", set));
    EXPECT_EQ(set, TPieceSet::F32);
    EXPECT_FALSE(PieceSetFromName("WinboardF34", set));
    EXPECT_FALSE(PieceSetFromName("", set));
    for (int i = 0; i < kPieceSetCount; ++i) {
        auto s = static_cast<TPieceSet>(i);
        ASSERT_TRUE(PieceSetFromName(PieceSetName(s), set));
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
    EXPECT_EQ(NearestBuiltInSet(33), TPieceSet::WinboardF33);
    EXPECT_EQ(NearestBuiltInSet(32), TPieceSet::F32);
    EXPECT_EQ(NearestBuiltInSet(10), TPieceSet::WinboardF21);
    EXPECT_EQ(NearestBuiltInSet(99), TPieceSet::WinboardF80);
    EXPECT_EQ(NearestBuiltInSet(76), TPieceSet::WinboardF80);  // tie 72/80: the larger
}

}  // namespace
