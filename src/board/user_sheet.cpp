#include "board/user_sheet.h"

#include <algorithm>
#include <cstdint>

namespace {

uint32_t Le16(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8;
}
uint32_t Le32(std::span<const uint8_t> b, size_t at) {
    return Le16(b, at) | Le16(b, at + 2) << 16;
}
uint32_t Be32(std::span<const uint8_t> b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | static_cast<uint32_t>(b[at + 3]);
}

}  // namespace

bool ReadImageHeader(std::span<const uint8_t> head, TImageHeader& header) {
    header = {};
    static constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
    if (head.size() >= 2 && head[0] == 'B' && head[1] == 'M') {
        // BITMAPFILEHEADER (14 bytes), then the info header with its own size.
        if (head.size() < 14 + 12) return false;
        uint32_t infoSize = Le32(head, 14);
        int64_t w = 0, h = 0;
        uint32_t bpp = 0, compression = 0;
        if (infoSize == 12) {  // OS/2 core header: 16-bit unsigned sizes
            w = Le16(head, 18);
            h = Le16(head, 20);
            bpp = Le16(head, 24);
        } else if (infoSize >= 40 && infoSize <= 1024) {
            if (head.size() < 14 + 20) return false;
            w = static_cast<int32_t>(Le32(head, 18));
            h = static_cast<int32_t>(Le32(head, 22));
            if (h < 0) h = -h;  // top-down bitmap
            bpp = Le16(head, 28);
            compression = Le32(head, 30);
        } else {
            return false;
        }
        if (w <= 0 || h <= 0) return false;
        header = {TImageKind::Bmp, w, h, 0};
        // Uncompressed rows (BI_RGB, BI_BITFIELDS) are padded to 4 bytes.
        const bool known = bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
        if (known && (compression == 0 || compression == 3)) {
            // w and h are below 2^31 and row below 2^34: their product could
            // pass 2^63, so a size no file can reach is kept at the maximum.
            const int64_t row = (w * bpp + 31) / 32 * 4;
            const int64_t offset = static_cast<int64_t>(Le32(head, 10));
            header.minimumFileSize =
                row > (INT64_MAX - offset) / h ? INT64_MAX : offset + row * h;
        }
        return true;
    }
    if (head.size() >= 8 && std::equal(kPng, kPng + 8, head.begin())) {
        // The first chunk is IHDR: length 13, type, width, height (big-endian).
        if (head.size() < 24) return false;
        if (Be32(head, 8) != 13 || head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R')
            return false;
        int64_t w = Be32(head, 16), h = Be32(head, 20);
        if (w <= 0 || h <= 0 || w > 0x7fffffff || h > 0x7fffffff) return false;
        header = {TImageKind::Png, w, h, 0};
        return true;
    }
    return false;
}

bool UserSheetSizeOk(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return false;
    int64_t half = height / 2;
    return half >= 10 && half <= 100 && width >= 12 * half && width <= kMaxSheetWidth;
}
