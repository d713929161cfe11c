// Header checks of user piece-sheet files: sizes are known before decoding.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "board/user_sheet.h"

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xffff);
    Put16(b, at + 2, v >> 16);
}

std::vector<uint8_t> BmpHeader(int32_t w, int32_t h, uint32_t infoSize = 40) {
    std::vector<uint8_t> b(14 + 124, 0);  // room for the largest info header
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 14, infoSize);
    if (infoSize == 12) {
        Put16(b, 18, static_cast<uint32_t>(w));
        Put16(b, 20, static_cast<uint32_t>(h));
    } else {
        Put32(b, 18, static_cast<uint32_t>(w));
        Put32(b, 22, static_cast<uint32_t>(h));
    }
    return b;
}

std::vector<uint8_t> PngHeader(uint32_t w, uint32_t h) {
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (uint32_t v : {w, h})
        for (int k = 3; k >= 0; --k) b.push_back(static_cast<uint8_t>(v >> (8 * k)));
    return b;
}

TEST(UserSheetHeader, ReadsBmpOfEveryInfoHeaderVersionAndPng) {
    TImageHeader h;
    ASSERT_TRUE(ReadImageHeader(BmpHeader(240, 40), h));
    EXPECT_EQ(h.kind, TImageKind::Bmp);
    EXPECT_EQ(h.width, 240);
    EXPECT_EQ(h.height, 40);
    ASSERT_TRUE(ReadImageHeader(BmpHeader(240, -40), h));  // top-down
    EXPECT_EQ(h.height, 40);
    ASSERT_TRUE(ReadImageHeader(BmpHeader(300, 50, 124), h));  // V5 header
    EXPECT_EQ(h.width, 300);
    ASSERT_TRUE(ReadImageHeader(BmpHeader(240, 40, 12), h));  // OS/2 core header
    EXPECT_EQ(h.width, 240);
    EXPECT_EQ(h.height, 40);
    ASSERT_TRUE(ReadImageHeader(PngHeader(480, 80), h));
    EXPECT_EQ(h.kind, TImageKind::Png);
    EXPECT_EQ(h.width, 480);
    EXPECT_EQ(h.height, 80);
}

TEST(UserSheetHeader, RefusesWhatIsNoImageHeader) {
    TImageHeader h;
    std::string text = "[Event \"not a bitmap\"]\n";
    EXPECT_FALSE(ReadImageHeader(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()), h));
    EXPECT_EQ(h.kind, TImageKind::Unknown);
    EXPECT_FALSE(ReadImageHeader({}, h));
    std::vector<uint8_t> bm = {'B', 'M'};
    EXPECT_FALSE(ReadImageHeader(bm, h));  // truncated
    std::vector<uint8_t> cut = BmpHeader(240, 40);
    cut.resize(20);
    EXPECT_FALSE(ReadImageHeader(cut, h));
    EXPECT_FALSE(ReadImageHeader(BmpHeader(0, 40), h));
    EXPECT_FALSE(ReadImageHeader(BmpHeader(-240, 40), h));
    EXPECT_FALSE(ReadImageHeader(BmpHeader(240, 0), h));
    EXPECT_FALSE(ReadImageHeader(BmpHeader(240, 40, 7), h));  // unknown info header
    EXPECT_FALSE(ReadImageHeader(BmpHeader(240, 40, 0xffffffffu), h));
    std::vector<uint8_t> png = PngHeader(480, 80);
    png[12] = 'X';  // first chunk not IHDR
    EXPECT_FALSE(ReadImageHeader(png, h));
    EXPECT_FALSE(ReadImageHeader(PngHeader(0, 80), h));
    EXPECT_FALSE(ReadImageHeader(PngHeader(0x80000000u, 80), h));
    png = PngHeader(480, 80);
    png.resize(20);
    EXPECT_FALSE(ReadImageHeader(png, h));
}

TEST(UserSheetSize, HalfHeightTenToHundredAndTwelveCellsWide) {
    EXPECT_TRUE(UserSheetSizeOk(240, 40));
    EXPECT_FALSE(UserSheetSizeOk(239, 40));
    EXPECT_TRUE(UserSheetSizeOk(240, 41));  // half is truncated: 20
    EXPECT_FALSE(UserSheetSizeOk(120, 19));
    EXPECT_TRUE(UserSheetSizeOk(120, 20));
    EXPECT_TRUE(UserSheetSizeOk(1200, 201));
    EXPECT_FALSE(UserSheetSizeOk(1199, 201));
    EXPECT_FALSE(UserSheetSizeOk(1212, 202));
    EXPECT_FALSE(UserSheetSizeOk(0, 0));
    EXPECT_FALSE(UserSheetSizeOk(-240, 40));
    // A hostile header: refused before anything is allocated.
    EXPECT_FALSE(UserSheetSizeOk(100000, 100000));
    EXPECT_FALSE(UserSheetSizeOk(100000, 40));
    EXPECT_TRUE(UserSheetSizeOk(kMaxSheetWidth, 40));
    EXPECT_FALSE(UserSheetSizeOk(kMaxSheetWidth + 1, 40));
    EXPECT_FALSE(UserSheetSizeOk(INT64_MAX, 40));
}

}  // namespace

namespace {

TEST(UserSheetHeader, TellsTheLeastFileSizeOfAnUncompressedBitmap) {
    std::vector<uint8_t> b = BmpHeader(240, 40);
    Put32(b, 10, 54);   // pixel data offset
    Put16(b, 28, 24);   // bits per pixel
    TImageHeader h;
    ASSERT_TRUE(ReadImageHeader(b, h));
    EXPECT_EQ(h.minimumFileSize, 54 + 720 * 40);
    Put16(b, 28, 1);  // 1 bit: 240 bits = 30 bytes, padded to 32
    ASSERT_TRUE(ReadImageHeader(b, h));
    EXPECT_EQ(h.minimumFileSize, 54 + 32 * 40);
    Put32(b, 30, 1);  // RLE8: unknown
    ASSERT_TRUE(ReadImageHeader(b, h));
    EXPECT_EQ(h.minimumFileSize, 0);
    // The largest sizes a header can claim: the least file size stays the
    // largest number instead of overflowing (also for a top-down height of -2^31).
    for (int32_t height : {INT32_MAX, INT32_MIN}) {
        std::vector<uint8_t> big = BmpHeader(INT32_MAX, height);
        Put32(big, 10, 0xffffffffu);
        Put16(big, 28, 32);
        ASSERT_TRUE(ReadImageHeader(big, h));
        EXPECT_EQ(h.minimumFileSize, INT64_MAX);
        EXPECT_FALSE(UserSheetSizeOk(h.width, h.height));
    }
}

}  // namespace
